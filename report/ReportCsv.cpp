#include <charconv>
#include <cmath>

#include "report/ShiftReport.h"

namespace vs {

namespace {

std::string fixed2(double v) {
  char b[64];
  const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 2);
  std::string s(b, r.ptr);
  return s == "-0.00" ? "0.00" : s;
}

std::string whole(double v) {
  return std::to_string(std::llround(v));
}

// RFC 4180: a field with a comma, a quote or a line break is quoted, quotes doubled.
std::string field(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + '"';
}

void row(std::string& out, const std::vector<std::string>& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) out += ',';
    out += field(cells[i]);
  }
  out += "\r\n";
}

std::string moment(TDateTime t) {
  return t == 0 ? std::string() : formatDateTime(t);
}

}  // namespace

std::string reportCsv(const ShiftReport& r) {
  std::string out = "\xEF\xBB\xBF";
  row(out, {"Отчёт за смену", r.hall, shiftMoment(r.shift.start), shiftMoment(r.shift.end),
            "составлен", formatDateTime(r.made)});
  std::vector<std::string> head{"Номер", "Название", "Программа", "День", "Запись"};
  const char* names[] = {"T1", "T2", "T3"};
  for (int k = 0; k < r.sensors; ++k)
    for (const char* what : {" мин", " сред", " макс", " вне зоны, мин"})
      head.push_back(std::string(names[k]) + what);
  for (const char* what :
       {"Влажность мин", "Влажность сред", "Влажность макс", "Влажность вне зоны, мин",
        "Без ответа, мин", "Аварий", "Изменений уставок"})
    head.push_back(what);
  row(out, head);
  for (const IncubatorReport& ir : r.incubators) {
    const ReportIncubator& inc = ir.incubator;
    std::vector<std::string> cells{std::to_string(inc.number), inc.name,
                                   inc.program ? inc.programName : std::string(),
                                   inc.program ? std::to_string(inc.day) : std::string()};
    const bool figures = ir.hasLog && ir.logProblem.empty();
    cells.push_back(!ir.hasLog ? kNoRecord : ir.logProblem.empty() ? "есть" : ir.logProblem);
    auto add = [&](const ReportFigure& f, bool temperature) {
      const bool any = figures && f.samples > 0;
      auto num = [&](double v) {
        return !any ? std::string() : temperature ? fixed2(v) : whole(v);
      };
      cells.push_back(num(f.min));
      cells.push_back(num(f.mean));
      cells.push_back(num(f.max));
      cells.push_back(figures && f.minutesOutside >= 0 ? whole(f.minutesOutside) : std::string());
    };
    for (int k = 0; k < r.sensors; ++k) add(ir.t[static_cast<std::size_t>(k)], true);
    add(ir.humidity, false);
    cells.push_back(figures ? whole(ir.minutesNoAnswer) : std::string());
    cells.push_back(std::to_string(ir.alarms.size()));
    cells.push_back(std::to_string(ir.setpoints.size()));
    row(out, cells);
  }

  out += "\r\n";
  row(out, {"Аварии", "Кто", "Авария", "Поднята", "Снята", "Квитирована", "Кем"});
  auto alarmRow = [&](const ReportAlarm& a) {
    row(out, {std::to_string(a.number), a.who, a.caption, moment(a.raised), moment(a.cleared),
              moment(a.acknowledgedAt), a.acknowledgedBy});
  };
  for (const IncubatorReport& ir : r.incubators)
    for (const ReportAlarm& a : ir.alarms) alarmRow(a);
  for (const ReportAlarm& a : r.stationAlarms) alarmRow(a);

  out += "\r\n";
  row(out, {"Уставки", "Время", "Изменение"});
  for (const IncubatorReport& ir : r.incubators)
    for (const ReportSetpoint& s : ir.setpoints)
      row(out, {std::to_string(s.number), moment(s.time), s.change});

  if (!r.problems.empty()) {
    out += "\r\n";
    for (const std::string& p : r.problems) row(out, {"Не прочитано", p});
  }
  return out;
}

}  // namespace vs
