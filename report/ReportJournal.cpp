#include "report/ReportJournal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <system_error>
#include <vector>

#include "alarms/AlarmFile.h"
#include "common/AtomicFile.h"
#include "common/Cp1251.h"
#include "setpoints/SetpointMap.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

// The words the alarm list and the write engine journal (alarms/AlarmList.cpp,
// setpoints/WriteEngine.cpp).
constexpr std::string_view kRaised = "АВАРИЯ! ";
constexpr std::string_view kCleared = "Авария снята: ";
constexpr std::string_view kAcknowledged = "Авария квитирована (";
constexpr std::string_view kShelvedMark = " (отложена)";
constexpr std::string_view kStation = "Станция";
constexpr std::string_view kNumberSign = "№";
constexpr std::string_view kConfirmed = "Запись подтверждена: блок № ";
// The program write engine's lines (programs/ProgramWriter.cpp).
constexpr std::string_view kProgramBlock = ". блок № ";
constexpr std::string_view kProgramChange = " Изменить:";
constexpr std::string_view kProgramChecked = "Получен второй ответ.";
constexpr std::string_view kProgramMark = " (по программе)";

bool startsWith(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}

bool digits(std::string_view s, std::size_t& pos, int maxDigits, int& out) {
  int n = 0, v = 0;
  while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
    v = v * 10 + (s[pos] - '0');
    ++pos;
    ++n;
  }
  if (n == 0) return false;
  out = v;
  return true;
}

// "Станция" or "№5" or "№5 «Name»", then ": " and the caption.
bool parseWhoCaption(std::string_view s, int& number, std::string& who, std::string& caption) {
  std::size_t end = 0;
  if (startsWith(s, kStation)) {
    number = 0;
    end = kStation.size();
  } else if (startsWith(s, kNumberSign)) {
    std::size_t pos = kNumberSign.size();
    if (!digits(s, pos, 5, number)) return false;
    end = pos;
    if (s.substr(end, 3) == " \xC2\xAB") {              // " «"
      const std::size_t close = s.rfind("\xC2\xBB: ");  // "»: "
      if (close == std::string_view::npos || close < end) return false;
      end = close + 2;
    }
  } else {
    return false;
  }
  if (s.substr(end, 2) != ": ") return false;
  who = std::string(s.substr(0, end));
  caption = std::string(s.substr(end + 2));
  return !caption.empty();
}

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

}  // namespace

bool parseJournalLine(const std::string& s, TDateTime& when, std::string& message) {
  std::size_t pos = 0;
  LocalDateTime t;
  auto sep = [&](char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
  };
  if (!digits(s, pos, 2, t.day) || !sep('.') || !digits(s, pos, 2, t.month) || !sep('.') ||
      !digits(s, pos, 4, t.year) || !sep(' ') || !digits(s, pos, 2, t.hour) || !sep(':') ||
      !digits(s, pos, 2, t.minute) || !sep(':') || !digits(s, pos, 2, t.second))
    return false;
  if (t.day < 1 || t.day > 31 || t.month < 1 || t.month > 12 || t.year < 1900 || t.hour > 23 ||
      t.minute > 59 || t.second > 59)
    return false;
  if (s.compare(pos, 2, "  ") != 0) return false;
  when = encodeDateTime(t);
  message = s.substr(pos + 2);
  return true;
}

namespace {

// A value of a program's write line as the interactive writes are journalled: a temperature
// word of the setpoint table with two decimals ("3765" -> "37.65"); anything else as it stands.
std::string programValue(std::string_view caption, std::string_view value) {
  int v = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
  if (ec != std::errc() || end != value.data() + value.size()) return std::string(value);
  for (std::size_t i = 1; i < ustav.size(); ++i)
    if (ustav[i] == caption) return formatWriteValue(1, static_cast<int>(i) - 1, v);
  return std::string(value);
}

}  // namespace

void ShiftEventReader::programLine(TDateTime when, std::string_view m) {
  std::string_view t = m;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  if (startsWith(t, kProgramChecked)) {
    if (program_.pending) {
      ReportSetpoint s = program_.setpoint;
      const std::string_view told = t.substr(kProgramChecked.size());
      if (told != program_.sent)
        s.change += " (блок сообщает " + programValue(program_.caption, told) + ")";
      s.change += kProgramMark;
      events_.setpoints.push_back(std::move(s));
    }
    program_.pending = false;
    return;
  }
  // "<n>. блок № <N> Изменить:<caption>-><old> на <new>."
  std::size_t pos = 0;
  int n = 0;
  if (!digits(t, pos, 9, n) || t.substr(pos, kProgramBlock.size()) != kProgramBlock) {
    // "Первый ответ не получен, жаль...", "Запрос не выполнен: ...": the write did not happen.
    if (t.size() != m.size() && (t.find("не получен") != std::string_view::npos ||
                                 t.find("не выполнен") != std::string_view::npos))
      program_.pending = false;
    return;
  }
  pos += kProgramBlock.size();
  ReportSetpoint s;
  if (!digits(t, pos, 5, s.number) || t.substr(pos, kProgramChange.size()) != kProgramChange)
    return;
  pos += kProgramChange.size();
  std::string_view rest = t.substr(pos);
  if (!rest.empty() && rest.back() == '.') rest.remove_suffix(1);
  const std::size_t arrow = rest.rfind("->");
  constexpr std::string_view kOn = " на ";
  const std::size_t on = rest.rfind(kOn);
  if (arrow == std::string_view::npos || on == std::string_view::npos || on < arrow) return;
  s.time = when;
  program_.sent = std::string(rest.substr(on + kOn.size()));
  program_.caption = std::string(rest.substr(0, arrow));
  s.change = program_.caption + " " +
             programValue(program_.caption, rest.substr(arrow + 2, on - arrow - 2)) + " -> " +
             programValue(program_.caption, program_.sent);
  program_.pending = when >= from_;
  program_.setpoint = std::move(s);
}

void ShiftEventReader::message(TDateTime when, const std::string& m) {
  if (when >= to_) {
    program_.pending = false;
    return;
  }
  programLine(when, m);
  auto& alarms = events_.alarms;
  if (startsWith(m, kRaised)) {
    if (when < from_) return;
    std::string_view rest = std::string_view(m).substr(kRaised.size());
    if (rest.size() >= kShelvedMark.size() &&
        rest.substr(rest.size() - kShelvedMark.size()) == kShelvedMark)
      rest.remove_suffix(kShelvedMark.size());
    ReportAlarm a;
    if (!parseWhoCaption(rest, a.number, a.who, a.caption)) return;
    a.raised = when;
    alarms.push_back(std::move(a));
    return;
  }
  if (startsWith(m, kCleared)) {
    ReportAlarm k;
    if (!parseWhoCaption(std::string_view(m).substr(kCleared.size()), k.number, k.who, k.caption))
      return;
    // The latest raise of that alarm that is still active.
    for (auto it = alarms.rbegin(); it != alarms.rend(); ++it) {
      if (it->number == k.number && it->caption == k.caption && it->cleared == 0) {
        it->cleared = when;
        break;
      }
    }
    return;
  }
  if (startsWith(m, kAcknowledged)) {
    const std::string_view rest = std::string_view(m).substr(kAcknowledged.size());
    // The author ends at the first "): " that the incubator's or the station's name follows.
    std::size_t close = std::string_view::npos;
    for (std::string_view after : {std::string_view("): №"), std::string_view("): Станция")}) {
      const std::size_t at = rest.find(after);
      if (at != std::string_view::npos && at < close) close = at;
    }
    if (close == std::string_view::npos) return;
    ReportAlarm k;
    if (!parseWhoCaption(rest.substr(close + 3), k.number, k.who, k.caption)) return;
    // One alarm of the list may have been raised again before it was acknowledged: the
    // acknowledgement answers every raise of it still waiting.
    for (ReportAlarm& a : alarms) {
      if (a.number == k.number && a.caption == k.caption && a.acknowledgedAt == 0) {
        a.acknowledgedAt = when;
        a.acknowledgedBy = std::string(rest.substr(0, close));
      }
    }
    return;
  }
  if (startsWith(m, kConfirmed)) {
    if (when < from_) return;
    std::size_t pos = kConfirmed.size();
    ReportSetpoint s;
    if (!digits(m, pos, 5, s.number) || m.compare(pos, 2, ", ") != 0) return;
    s.time = when;
    s.change = m.substr(pos + 2);
    events_.setpoints.push_back(std::move(s));
  }
}

void ShiftEventReader::addFromList(const std::string& text) {
  const ParsedAlarmFile parsed = parseAlarmFile(text);
  constexpr double kSameRaise = 2.0 / 86400.0;  // the journal keeps whole seconds
  for (const Alarm& f : parsed.alarms) {
    if (f.raised < from_ || f.raised >= to_) continue;
    const int number = f.key.kind == AlarmKind::Usb ? 0 : f.key.number;
    const std::string caption = alarmCaption(f.key.kind);
    bool named = false;
    for (ReportAlarm& a : events_.alarms) {
      if (a.number != number || a.caption != caption || std::fabs(a.raised - f.raised) > kSameRaise)
        continue;
      named = true;
      if (a.acknowledgedAt == 0 && f.acknowledged && f.acknowledgedAt < to_) {
        a.acknowledgedAt = f.acknowledgedAt;
        a.acknowledgedBy = f.acknowledgedBy;
      }
    }
    if (named) continue;
    ReportAlarm a;
    a.number = number;
    a.who = number == 0
                ? std::string(kStation)
                : "№" + std::to_string(number) + (f.name.empty() ? "" : " «" + f.name + "»");
    a.caption = caption;
    a.raised = f.raised;
    if (f.acknowledged && f.acknowledgedAt < to_) {
      a.acknowledgedAt = f.acknowledgedAt;
      a.acknowledgedBy = f.acknowledgedBy;
    }
    // Still in the list: an alarm that is no longer active was cleared, when is not kept.
    auto at = events_.alarms.begin();
    while (at != events_.alarms.end() && at->raised <= a.raised) ++at;
    events_.alarms.insert(at, std::move(a));
  }
}

bool readShiftEvents(const fs::path& home, TDateTime from, TDateTime to, ShiftEvents& out,
                     std::stop_token stop) {
  ShiftEventReader reader(from, to);
  // The month files of the shift (a shift that spans a month's end reads two).
  LocalDateTime m = decodeDateTime(from);
  const LocalDateTime last = decodeDateTime(to);
  for (int guard = 0; guard < 3; ++guard) {
    const fs::path file =
        home / "inf" / (std::to_string(m.month) + "_" + std::to_string(m.year) + ".txt");
    std::error_code ec;
    if (fs::exists(file, ec)) {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        reader.events().problems.push_back("Журнал событий " + utf8Of(file) + " не прочитан");
      } else {
        std::string message;
        TDateTime when = 0;
        long long n = 0;
        // A journal line is short; a damaged file (no line ends at all) is read in pieces, and
        // a line longer than any the journal writes is passed over.
        constexpr std::streamsize kMaxLine = 4096;
        std::vector<char> buf(static_cast<std::size_t>(kMaxLine));
        for (;;) {
          in.getline(buf.data(), kMaxLine);
          const std::streamsize got = in.gcount();
          if (in.bad() || (in.fail() && in.eof() && got == 0)) break;
          if (in.fail() && !in.eof()) {
            in.clear();
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            continue;
          }
          if ((++n & 0xFFFF) == 0 && stop.stop_requested()) return false;
          const bool ended = !in.eof();  // the line end was taken with the line
          std::string line(buf.data(), static_cast<std::size_t>(got - (ended ? 1 : 0)));
          if (!line.empty() && line.back() == '\r') line.pop_back();
          if (parseJournalLine(cp1251ToUtf8(line), when, message)) reader.message(when, message);
          if (in.eof()) break;
        }
        if (in.bad())
          reader.events().problems.push_back("Журнал событий " + utf8Of(file) +
                                             " прочитан не до конца");
      }
    }
    if (m.year > last.year || (m.year == last.year && m.month >= last.month)) break;
    if (++m.month > 12) {
      m.month = 1;
      ++m.year;
    }
  }
  std::string text;
  const fs::path list = home / kAlarmFileName;
  std::error_code ec;
  if (fs::exists(list, ec)) {
    if (readWholeFile(list, text))
      reader.addFromList(text);
    else
      reader.events().problems.push_back("Список аварий " + utf8Of(list) + " не прочитан");
  }
  out = std::move(reader.events());
  // In the order things happened, should the journal's lines not be (a clock set back).
  std::stable_sort(out.alarms.begin(), out.alarms.end(),
                   [](const ReportAlarm& a, const ReportAlarm& b) { return a.raised < b.raised; });
  std::stable_sort(
      out.setpoints.begin(), out.setpoints.end(),
      [](const ReportSetpoint& a, const ReportSetpoint& b) { return a.time < b.time; });
  return true;
}

}  // namespace vs
