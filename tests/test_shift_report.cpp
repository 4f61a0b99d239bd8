// The shift's record sheet: shifts from the settings, the figures of logs written here with known
// values against a computation of the test's own, the journal's alarms and setpoint writes, the
// CSV, its file, and --report on the command line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>

#include "alarms/AlarmFile.h"
#include "alarms/AlarmList.h"
#include "common/AtomicFile.h"
#include "config/ConfigStore.h"
#include "config/SettingsFile.h"
#include "history/Journal.h"
#include "history/LogRecords.h"
#include "report/ReportJournal.h"
#include "report/ShiftReport.h"
#include "tests/run_program.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::TempDir;

TDateTime at(int day, int h, int m, int s = 0) {
  return encodeDateTime({2026, 12, day, h, m, s, 0});
}

// --- Shifts -----------------------------------------------------------------------------------

TEST(Shifts, ParsesSortsAndRefusesWhatIsNoListOfTimes) {
  ShiftStarts s;
  ASSERT_TRUE(parseShifts("20:00, 8:00", s));
  EXPECT_EQ(s, (ShiftStarts{480, 1200}));
  EXPECT_EQ(formatShifts(s), "08:00,20:00");
  ASSERT_TRUE(parseShifts("00:00", s));
  EXPECT_EQ(s, ShiftStarts{0});
  for (const char* bad : {"", "8", "24:00", "08:60", "08:00,08:00", "08:00,", "8:0", "a8:00",
                          "08:00;20:00", "-1:00"}) {
    ShiftStarts keep{1};
    EXPECT_FALSE(parseShifts(bad, keep)) << bad;
    EXPECT_EQ(keep, ShiftStarts{1}) << bad;
  }
  std::string many;
  for (int h = 0; h < 24; ++h) many += (h ? "," : "") + std::to_string(h) + ":00";
  EXPECT_TRUE(parseShifts(many, s));
  EXPECT_FALSE(parseShifts(many + ",23:30", s));  // 25 shifts
}

TEST(Shifts, RunFromOneStartToTheNextAcrossMidnightAndMonths) {
  const ShiftStarts s{480, 1200};
  const auto day = shiftsBegunOn(s, 2026, 12, 31);
  ASSERT_EQ(day.size(), 2u);
  EXPECT_EQ(shiftStem(day[0]), "2026-12-31_08-00");
  EXPECT_EQ(day[0].end, day[1].start);
  EXPECT_EQ(shiftMoment(day[1].end), "01.01.2027 08:00");

  // A moment at a start belongs to the shift it begins; just before, to the one before.
  EXPECT_EQ(shiftAt(s, at(10, 8, 0)).start, at(10, 8, 0));
  EXPECT_EQ(shiftAt(s, at(10, 7, 59, 59)).start, at(9, 20, 0));
  EXPECT_EQ(shiftEnd(s, at(10, 7, 59, 59)), at(10, 8, 0));
  EXPECT_EQ(shiftAt(s, at(10, 23, 0)).end, at(11, 8, 0));
  EXPECT_EQ(shiftEnd(s, at(10, 19, 59)), at(10, 20, 0));
  // One shift a day runs 24 hours.
  EXPECT_EQ(shiftAt(ShiftStarts{360}, at(10, 5, 0)).start, at(9, 6, 0));
}

TEST(Shifts, SettingIsReadAndABadOneGivesTheDefaultOnce) {
  TempDir tmp;
  const fs::path ini = tmp / "Vetrostan.INI";
  Settings s;
  std::vector<std::string> problems;
  loadSettings(ini, s, &problems);
  EXPECT_EQ(s.reportShifts, "08:00,20:00");
  writeFileAtomic(ini, std::string("[Report]\r\nShifts=7:00,15:00,23:00\r\n"));
  loadSettings(ini, s, &problems);
  EXPECT_EQ(s.reportShifts, "07:00,15:00,23:00");
  EXPECT_TRUE(problems.empty());
  writeFileAtomic(ini, std::string("[Report]\r\nShifts=8 утра\r\n"));
  loadSettings(ini, s, &problems);
  EXPECT_EQ(s.reportShifts, "08:00,20:00");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("[Report] Shifts"), std::string::npos);
}

// --- Figures of the logs ----------------------------------------------------------------------

struct Sample {
  TDateTime dt;
  double t1, t2, t3;
  int bl;
  std::uint16_t c2 = 0;
};

void writeLog(const fs::path& path, const std::vector<Sample>& samples) {
  std::string bytes;
  for (const Sample& s : samples) {
    TFile r{};
    r.T1 = s.t1;
    r.T2 = s.t2;
    r.T3 = s.t3;
    r.BL = static_cast<std::uint8_t>(s.bl);
    r.C2 = s.c2;
    r.dt = s.dt;
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(writeFileAtomic(path, bytes));
}

constexpr std::uint16_t kT1Fault = 1u << 10;

// Incubator 5's day: a sample every 30 s from 07:50 to 20:10; a one-sample spike of T1 at 10:00,
// a faulty T1 (and so humidity) at 11:00, no answer from 12:00 to 12:30, humidity above its
// zone from 14:00 to 14:10.
std::vector<Sample> dayOfFive() {
  std::vector<Sample> v;
  for (int i = 0; i < 1480; ++i) {
    const TDateTime t = at(10, 7, 50) + i * 30.0 / 86400;
    const LocalDateTime l = decodeDateTime(t);
    const int minute = l.hour * 60 + l.minute;
    if (minute >= 12 * 60 && minute < 12 * 60 + 30 && !(minute == 12 * 60 && l.second == 0))
      continue;
    Sample s{t, 37.50 + 0.01 * (minute % 7), 37.20, 36.90 + 0.02 * (l.second / 30), 55};
    if (minute == 10 * 60 && l.second == 0) s.t1 = 39.00;
    if (minute == 11 * 60 && l.second == 0) {
      s.t1 = -50;
      s.bl = 0;
      s.c2 = kT1Fault;
    }
    if (minute >= 14 * 60 && minute < 14 * 60 + 10) s.bl = 70;
    v.push_back(s);
  }
  return v;
}

ReportZone zone() {
  ReportZone z;
  z.known = true;
  z.tLow = 3600;
  z.tHigh = 3800;
  z.hLow = 45;
  z.hHigh = 65;
  return z;
}

ReportIncubator incubator(const fs::path& home, int number, const std::string& file) {
  ReportIncubator i;
  i.row = number - 1;
  i.number = number;
  i.name = "Инкубатор " + std::to_string(number);
  i.logged = true;
  i.log = home / "file" / (file + ".fil");
  i.program = true;
  i.programName = "Куры.ink";
  i.day = 12;
  i.zone = zone();
  return i;
}

// The figures the sheet should show, computed here from the samples the test wrote: min, mean
// and max of the usable samples in [from, to); minutes outside: each usable sample outside
// counts until the next sample; minutes without an answer: intervals over `silence` seconds.
struct Expected {
  std::array<double, 4> min{}, mean{}, max{}, outside{};
  double silent = 0;
};
Expected expect(const std::vector<Sample>& all, TDateTime from, TDateTime to, double silence) {
  std::vector<Sample> v;
  for (const Sample& s : all)
    if (s.dt >= from && s.dt < to) v.push_back(s);
  Expected e;
  for (int k = 0; k < 4; ++k) {
    double lo = 1e9, hi = -1e9, sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
      const Sample& s = v[i];
      const bool faulty = (k == 0 || k == 3) ? (s.c2 & kT1Fault) != 0 : false;
      if (faulty) continue;
      const double x = k == 0 ? s.t1 : k == 1 ? s.t2 : k == 2 ? s.t3 : s.bl;
      lo = std::min(lo, x);
      hi = std::max(hi, x);
      sum += x;
      ++n;
      const bool out = k == 3 ? (x < 45 || x > 65) : (x < 36.0 || x > 38.0);
      const TDateTime next = i + 1 < v.size() ? v[i + 1].dt : to;
      if (out) e.outside[k] += (next - s.dt) * 1440;
    }
    e.min[k] = lo;
    e.max[k] = hi;
    e.mean[k] = sum / n;
  }
  TDateTime prev = from;
  for (const Sample& s : v) {
    if ((s.dt - prev) * 86400 > silence) e.silent += (s.dt - prev) * 1440;
    prev = s.dt;
  }
  if ((to - prev) * 86400 > silence) e.silent += (to - prev) * 1440;
  return e;
}

// A field-by-field reading of the CSV (quoted fields as RFC 4180 has them).
std::vector<std::vector<std::string>> readCsv(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::vector<std::vector<std::string>> rows(1);
  std::string f;
  bool quoted = false, inField = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        f += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        f += c;
      }
    } else if (c == '"') {
      quoted = inField = true;
    } else if (c == ',') {
      rows.back().push_back(f);
      f.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(f);
      f.clear();
      rows.emplace_back();
      ++i;
    } else {
      f += c;
      inField = true;
    }
  }
  if (!rows.back().empty() || !f.empty()) rows.back().push_back(f);
  if (rows.back().empty()) rows.pop_back();
  return rows;
}

// The row of incubator `number` as column caption -> field.
std::map<std::string, std::string> csvRow(const std::string& csv, int number) {
  const auto rows = readCsv(csv);
  std::map<std::string, std::string> out;
  if (rows.size() < 2) return out;
  for (const auto& r : rows)
    if (!r.empty() && r[0] == std::to_string(number) && r.size() == rows[1].size()) {
      for (std::size_t i = 0; i < r.size(); ++i) out[rows[1][i]] = r[i];
      return out;
    }
  return out;
}

std::string two(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}
std::string whole(double v) {
  return std::to_string(static_cast<long long>(std::llround(v)));
}

class ShiftSheet : public ::testing::Test {
 protected:
  TempDir tmp;
  Shift shift{at(10, 8, 0), at(10, 20, 0)};
  ReportInput input(TDateTime now) const {
    ReportInput in;
    in.home = tmp.path();
    in.hall = "Зал 1";
    in.shift = shift;
    in.now = now;
    in.sensors = 3;
    return in;
  }
};

TEST_F(ShiftSheet, FiguresEqualTheTestsOwnComputation) {
  const auto five = dayOfFive();
  writeLog(tmp / "file" / "inc5.fil", five);
  ReportInput in = input(at(10, 21, 0));
  in.incubators.push_back(incubator(tmp.path(), 5, "inc5"));
  const ShiftReport r = buildShiftReport(in);
  ASSERT_EQ(r.incubators.size(), 1u);
  const Expected e = expect(five, shift.start, shift.end, 150);
  const auto row = csvRow(reportCsv(r), 5);
  ASSERT_FALSE(row.empty()) << reportCsv(r);
  const char* names[] = {"T1", "T2", "T3"};
  for (int k = 0; k < 3; ++k) {
    const std::string n = names[k];
    EXPECT_EQ(row.at(n + " мин"), two(e.min[k])) << n;
    EXPECT_EQ(row.at(n + " сред"), two(e.mean[k])) << n;
    EXPECT_EQ(row.at(n + " макс"), two(e.max[k])) << n;
    EXPECT_EQ(row.at(n + " вне зоны, мин"), whole(e.outside[k])) << n;
  }
  EXPECT_EQ(row.at("Влажность мин"), whole(e.min[3]));
  EXPECT_EQ(row.at("Влажность сред"), whole(e.mean[3]));
  EXPECT_EQ(row.at("Влажность макс"), whole(e.max[3]));
  EXPECT_EQ(row.at("Влажность вне зоны, мин"), whole(e.outside[3]));
  EXPECT_EQ(row.at("Без ответа, мин"), whole(e.silent));
  // What those are, in plain numbers: the spike is the maximum and half a minute outside, the
  // faulty sample is no minimum, the half hour of silence and ten minutes of high humidity.
  EXPECT_EQ(row.at("T1 макс"), "39.00");
  EXPECT_EQ(row.at("T1 мин"), "37.50");
  EXPECT_NEAR(r.incubators[0].t[0].minutesOutside, 0.5, 1e-6);
  EXPECT_EQ(row.at("Влажность мин"), "55");
  EXPECT_EQ(row.at("Влажность вне зоны, мин"), "10");
  EXPECT_NEAR(r.incubators[0].minutesNoAnswer, 30.0, 1e-6);
  EXPECT_EQ(row.at("Запись"), "есть");
  EXPECT_EQ(row.at("Программа"), "Куры.ink");
  EXPECT_EQ(row.at("День"), "12");
}

TEST_F(ShiftSheet, LogEndingInTheShiftIsSilentUpToNowOnlyAndNoLogSaysSo) {
  std::vector<Sample> six;
  for (int i = 0; i < 840; ++i)
    six.push_back({at(10, 8, 0) + i * 30.0 / 86400, 37.6, 37.6, 37.6, 50});
  writeLog(tmp / "file" / "inc6.fil", six);
  ReportIncubator seven = incubator(tmp.path(), 7, "inc7");  // logged, but no file
  ReportIncubator eight = incubator(tmp.path(), 8, "inc8");
  eight.logged = false;
  eight.zone.known = false;

  // The shift is over: from the last sample at 14:59:30 to 20:00 there was no answer.
  ReportInput in = input(at(11, 9, 0));
  in.incubators = {incubator(tmp.path(), 6, "inc6"), seven, eight};
  ShiftReport r = buildShiftReport(in);
  EXPECT_NEAR(r.incubators[0].minutesNoAnswer, 300.5, 1e-6);
  // The shift under way: the silence counts up to now, not to the end.
  in.now = at(10, 17, 0);
  r = buildShiftReport(in);
  EXPECT_NEAR(r.incubators[0].minutesNoAnswer, 120.5, 1e-6);
  EXPECT_EQ(r.incubators[0].t[0].samples, static_cast<long long>(six.size()));

  const std::string csv = reportCsv(r);
  for (int n : {7, 8}) {
    const auto row = csvRow(csv, n);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.at("Запись"), "нет записи");
    // No zeros where nothing was recorded.
    for (const char* c : {"T1 мин", "T1 сред", "Влажность макс", "Без ответа, мин"})
      EXPECT_EQ(row.at(c), "") << n << " " << c;
  }
  EXPECT_FALSE(r.incubators[1].hasLog);
}

TEST_F(ShiftSheet, LogWithoutSamplesInTheShiftIsSilentAllShiftAndDamagedLogIsSaid) {
  writeLog(tmp / "file" / "old.fil", {{at(9, 10, 0), 37.5, 37.5, 37.5, 50}});
  // Three records and a half: the trailing part is no record...
  // ... the last of them a minute and a half back in time (a clock set back).
  writeLog(tmp / "file" / "cut.fil", {{at(10, 9, 0), 37.5, 37.5, 37.5, 50},
                                      {at(10, 9, 0, 30), 37.7, 37.5, 37.5, 50},
                                      {at(10, 8, 59), 37.6, 37.5, 37.5, 50}});
  {
    std::ofstream f(tmp / "file" / "cut.fil", std::ios::binary | std::ios::app);
    f << std::string(20, '\x7f');
  }
  ReportInput in = input(at(11, 9, 0));
  in.incubators = {incubator(tmp.path(), 1, "old"), incubator(tmp.path(), 2, "cut")};
  const ShiftReport r = buildShiftReport(in);
  EXPECT_TRUE(r.incubators[0].hasLog);
  EXPECT_EQ(r.incubators[0].t[0].samples, 0);
  EXPECT_NEAR(r.incubators[0].minutesNoAnswer, 720, 1e-6);
  const auto row = csvRow(reportCsv(r), 1);
  EXPECT_EQ(row.at("T1 мин"), "");
  EXPECT_EQ(row.at("Без ответа, мин"), "720");
  EXPECT_EQ(r.incubators[1].t[0].samples, 3);
  EXPECT_NEAR(r.incubators[1].t[0].max, 37.7, 1e-9);
  // Silent from 08:00 to 09:00 and from 09:00:30 on; the step back adds no time.
  EXPECT_NEAR(r.incubators[1].minutesNoAnswer, 719.5, 1e-6);
}

TEST_F(ShiftSheet, SeldomSampledLogIsNotSilentBetweenItsSamples) {
  // A hall of many incubators: one sample every four minutes, a gap of half an hour.
  std::vector<Sample> v;
  for (int i = 0; i < 180; ++i) {
    const TDateTime t = at(10, 8, 0) + i * 240.0 / 86400;
    if (i < 30 || i >= 37) v.push_back({t, 37.5, 37.5, 37.5, 50});
  }
  writeLog(tmp / "file" / "slow.fil", v);
  ReportInput in = input(at(11, 9, 0));
  in.incubators = {incubator(tmp.path(), 3, "slow")};
  const ShiftReport r = buildShiftReport(in);
  EXPECT_NEAR(r.incubators[0].minutesNoAnswer, 32, 1e-6);  // 09:56 .. 10:28
}

TEST_F(ShiftSheet, StopsWhenAsked) {
  writeLog(tmp / "file" / "inc5.fil", dayOfFive());
  ReportInput in = input(at(11, 9, 0));
  in.incubators = {incubator(tmp.path(), 5, "inc5")};
  std::stop_source stop;
  stop.request_stop();
  EXPECT_TRUE(buildShiftReport(in, stop.get_token()).cancelled);
}

// --- Alarms and setpoint writes of the journal -------------------------------------------------

TEST_F(ShiftSheet, AlarmsWithAcknowledgementsAndSetpointWritesComeFromTheJournal) {
  ManualClock clock(at(10, 7, 0));
  Journal journal(tmp.path(), clock);
  AlarmList list(clock);
  list.journal = [&](const std::string& l) { journal.Err(l); };
  const AlarmKey high{5, slotKind(2)};  // "Темп. выше зоны"
  list.set(high, true, "Инкубатор 5");  // before the shift: not on the sheet
  clock.set(at(10, 7, 30));
  list.acknowledge({high}, "Петров");
  list.set(high, false, "Инкубатор 5");
  clock.set(at(10, 9, 15));
  list.set(high, true, "Инкубатор 5");
  clock.set(at(10, 9, 20, 5));
  EXPECT_EQ(list.acknowledge({high}, "Иванов (ст. смены)"), 1);
  clock.set(at(10, 9, 30));
  list.set(high, false, "Инкубатор 5");
  const AlarmKey link{6, AlarmKind::NoLink};
  clock.set(at(10, 19, 0));
  list.set(link, true, "Инкубатор 6");  // still waiting at the shift's end
  clock.set(at(10, 20, 30));
  list.acknowledge({link}, "поздно");  // after the shift: not on its sheet
  clock.set(at(10, 19, 10));
  list.set({0, AlarmKind::Usb}, true, "");
  clock.set(at(10, 10, 30));
  journal.Err("Запись подтверждена: блок № 5, Рабочая Темп. 37.80 -> 37.50");
  journal.Err("Запись подтверждена: блок № 9, Рабочая Темп. 37.80 -> 37.50");  // not configured
  // The incubation program's writes: one confirmed by the check answer, one not.
  clock.set(at(10, 11, 0));
  journal.Err("7. блок № 5 Изменить:Рабочая Темп.->3780 на 3740.");
  journal.Err("АВАРИЯ! №9 «Чужой»: Нет связи");
  journal.Err("   Отправляем проверочный запрос");
  journal.Err("   Получен второй ответ.3740");
  journal.Err("8. блок № 5 Изменить:Вл. упр. ВЕРХ(%)->58 на 50.");
  journal.Err("   Второй ответ не получен, жаль...");
  journal.Err("   Получен второй ответ.50");  // a stray line: no write waits for it
  clock.set(at(10, 21, 0));
  journal.Err("Запись подтверждена: блок № 5, Рабочая Темп. 37.50 -> 37.60");  // after the shift

  ReportInput in = input(at(11, 9, 0));
  in.incubators = {incubator(tmp.path(), 5, "none"), incubator(tmp.path(), 6, "none")};
  const ShiftReport r = buildShiftReport(in);
  ASSERT_EQ(r.incubators[0].alarms.size(), 1u);
  const ReportAlarm& a = r.incubators[0].alarms[0];
  EXPECT_EQ(a.caption, "Темп. выше зоны");
  EXPECT_EQ(a.who, "№5 «Инкубатор 5»");
  EXPECT_EQ(a.raised, at(10, 9, 15));
  EXPECT_EQ(a.acknowledgedAt, at(10, 9, 20, 5));
  EXPECT_EQ(a.acknowledgedBy, "Иванов (ст. смены)");
  EXPECT_EQ(a.cleared, at(10, 9, 30));
  ASSERT_EQ(r.incubators[1].alarms.size(), 1u);
  EXPECT_EQ(r.incubators[1].alarms[0].caption, "Нет связи");
  EXPECT_EQ(r.incubators[1].alarms[0].acknowledgedAt, 0);
  // The station's own, and one of an incubator not in the configuration.
  ASSERT_EQ(r.stationAlarms.size(), 2u);
  EXPECT_EQ(r.stationAlarms[0].who, "№9 «Чужой»");
  EXPECT_EQ(r.stationAlarms[1].who, "Станция");
  ASSERT_EQ(r.incubators[0].setpoints.size(), 2u);
  EXPECT_EQ(r.incubators[0].setpoints[0].change, "Рабочая Темп. 37.80 -> 37.50");
  EXPECT_EQ(r.incubators[0].setpoints[0].time, at(10, 10, 30));
  EXPECT_EQ(r.incubators[0].setpoints[1].change, "Рабочая Темп. 37.80 -> 37.40 (по программе)");
  EXPECT_EQ(r.incubators[0].setpoints[1].time, at(10, 11, 0));

  const std::string csv = reportCsv(r);
  EXPECT_NE(csv.find("5,№5 «Инкубатор 5»,Темп. выше зоны,10.12.2026 09:15:00,10.12.2026 "
                     "09:30:00,10.12.2026 09:20:05,Иванов (ст. смены)\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("5,10.12.2026 10:30:00,Рабочая Темп. 37.80 -> 37.50\r\n"), std::string::npos);
  EXPECT_EQ(csvRow(csv, 5).at("Аварий"), "1");
}

TEST_F(ShiftSheet, AlarmListFillsWhatTheJournalLacksAndAShiftSpansTwoMonthFiles) {
  // The journal of December could not be written; the list still holds the alarm.
  Alarm a;
  a.key = {5, slotKind(0)};
  a.name = "Инкубатор 5";
  a.raised = at(31, 21, 0);
  a.active = true;
  a.acknowledged = true;
  a.acknowledgedAt = at(31, 21, 5);
  a.acknowledgedBy = "Сидоров";
  ASSERT_TRUE(writeFileAtomic(tmp / kAlarmFileName, formatAlarmFile({a}, {})));
  // The January part of the night shift is in January's file.
  ManualClock clock(encodeDateTime({2027, 1, 1, 2, 0, 0, 0}));
  Journal journal(tmp.path(), clock);
  // A damaged stretch first: 100 KB without a line end is passed over, the next line is read.
  fs::create_directories(journal.fileFor(clock.now()).parent_path());
  ASSERT_TRUE(writeFileAtomic(journal.fileFor(clock.now()), std::string(100'000, '\0') + "\r\n"));
  journal.Err("Запись подтверждена: блок № 5, Рабочая Темп. 37.80 -> 37.70");

  ReportInput in = input(encodeDateTime({2027, 1, 2, 0, 0, 0, 0}));
  in.shift = {at(31, 20, 0), encodeDateTime({2027, 1, 1, 8, 0, 0, 0})};
  in.incubators = {incubator(tmp.path(), 5, "none")};
  const ShiftReport r = buildShiftReport(in);
  ASSERT_EQ(r.incubators[0].alarms.size(), 1u);
  EXPECT_EQ(r.incubators[0].alarms[0].caption, "Влажн. выше зоны");
  EXPECT_EQ(r.incubators[0].alarms[0].acknowledgedBy, "Сидоров");
  ASSERT_EQ(r.incubators[0].setpoints.size(), 1u);
  EXPECT_EQ(r.incubators[0].setpoints[0].change, "Рабочая Темп. 37.80 -> 37.70");
}

TEST(ReportJournal, ForeignAndBrokenLinesAreSkipped) {
  TDateTime when = 0;
  std::string m;
  EXPECT_TRUE(parseJournalLine("08.12.2026 9:05:07  программа Запущена", when, m));
  EXPECT_EQ(when, encodeDateTime({2026, 12, 8, 9, 5, 7, 0}));
  EXPECT_EQ(m, "программа Запущена");
  for (const char* bad : {"", "08.12.2026", "8.12.2026 9:05:07 x", "08.13.2026 9:05:07  x",
                          "08.12.2026 29:05:07  x", "\xff\xfe"})
    EXPECT_FALSE(parseJournalLine(bad, when, m)) << bad;
  ShiftEventReader r(at(10, 8, 0), at(10, 20, 0));
  for (const char* msg : {"АВАРИЯ! ", "АВАРИЯ! №", "АВАРИЯ! №5 «без конца",
                          "АВАРИЯ! №5: ", "Авария квитирована (без закрытия №5: x",
                          "Авария снята: №x: y", "Запись подтверждена: блок № ?, x"})
    r.message(at(10, 9, 0), msg);
  EXPECT_TRUE(r.events().alarms.empty());
  EXPECT_TRUE(r.events().setpoints.empty());
  // A clear or acknowledgement of an alarm that was not raised in the shift changes nothing.
  r.message(at(10, 9, 0), "Авария снята: №5 «И»: Темп. выше зоны");
  EXPECT_TRUE(r.events().alarms.empty());
}

// --- Files ----------------------------------------------------------------------------------

TEST_F(ShiftSheet, FilesAreNamedByTheShiftAndAFailedWriteLeavesTheOldFile) {
  const fs::path csv = reportFile(tmp.path(), shift, ".csv");
  EXPECT_EQ(csv, tmp / "report" / "2026-12-10_08-00.csv");
  std::string why;
  ASSERT_TRUE(writeReportFile(csv, "first", why)) << why;
  setWriteFault([&](const fs::path& p) { return p == csv; });
  EXPECT_FALSE(writeReportFile(csv, "second", why));
  setWriteFault({});
  EXPECT_NE(why.find("2026-12-10_08-00.csv"), std::string::npos);
  EXPECT_EQ(fileBytes(csv), "first");
  // A working folder under a regular file: no folder "report" can be made.
  ASSERT_TRUE(writeFileAtomic(tmp / "plain", std::string("x")));
  EXPECT_FALSE(writeReportFile(reportFile(tmp / "plain", shift, ".csv"), "x", why));
  EXPECT_FALSE(why.empty());
}

// --- The command line -------------------------------------------------------------------------

using testing::ProgramRun;
using testing::runProgram;

TEST(ReportCommand, WritesEveryShiftOfTheDayAndFailsWithTheReason) {
  TempDir tmp;
  const fs::path home = tmp / "home";
  fs::create_directories(home / "file");
  {
    ConfigStore store(home, tmp / "registry");
    store.config.kol_inkub = 2;
    for (int n = 0; n < 2; ++n) {
      store.config.konfig_n[static_cast<std::size_t>(n)] = static_cast<std::uint16_t>(5 + n);
      store.config.konfig_s[static_cast<std::size_t>(n)].setUtf8("Инкубатор " +
                                                                 std::to_string(5 + n));
      store.config.konfig_Write[static_cast<std::size_t>(n)] = 1;
      store.config.konfig_f[static_cast<std::size_t>(n)].setUtf8("inc" + std::to_string(5 + n));
    }
    ASSERT_TRUE(store.WriteFileconfig());
  }
  writeLog(home / "file" / "inc5.fil", dayOfFive());
  writeFileAtomic(home / "Vetrostan.INI", std::string("[Report]\r\nShifts=08:00,20:00\r\n"));
  const std::string h = "--home '" + home.string() + "' ";

  ProgramRun r = runProgram(h + "--report 2026-12-10", tmp.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const fs::path day = home / "report" / "2026-12-10_08-00.csv";
  const fs::path night = home / "report" / "2026-12-10_20-00.pdf";
  EXPECT_NE(r.out.find(day.string() + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(night.string() + "\n"), std::string::npos) << r.out;
  EXPECT_EQ(csvRow(fileBytes(day), 5).at("T1 макс"), "39.00");
  EXPECT_EQ(csvRow(fileBytes(day), 6).at("Запись"), "нет записи");
  EXPECT_EQ(fileBytes(night).rfind("%PDF", 0), 0u);

  // A day still to come has no sheets: nothing is written under their names.
  r = runProgram(h + "--report 2099-01-01", tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("has not begun"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(home / "report" / "2099-01-01_08-00.pdf"));

  for (const char* bad : {"2026-02-30", "10.12.2026", "2026-1-1"}) {
    r = runProgram(h + "--report " + bad, tmp.path());
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("YYYY-MM-DD"), std::string::npos) << r.err;
  }
  // "report" cannot be made: a regular file stands in its place.
  fs::remove_all(home / "report");
  writeFileAtomic(home / "report", std::string("x"));
  r = runProgram(h + "--report 2026-12-10", tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("report"), std::string::npos) << r.err;
  // No configuration in the folder, or a damaged one.
  const fs::path empty = tmp / "empty";
  fs::create_directories(empty);
  r = runProgram("--home '" + empty.string() + "' --report 2026-12-10", tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("config.cfg"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  writeFileAtomic(empty / "config.cfg", std::string("damaged"));
  r = runProgram("--home '" + empty.string() + "' --report 2026-12-10", tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("config.cfg"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(empty / "report"));
  // Refused with the other tasks, as a command line that cannot be used.
  EXPECT_EQ(runProgram(h + "--report 2026-12-10 --export x.fil", tmp.path()).status, 2);
  EXPECT_EQ(runProgram(h + "--report 2026-12-10 x.fil", tmp.path()).status, 2);
  EXPECT_EQ(runProgram(h + "--report ''", tmp.path()).status, 2);
}

}  // namespace
}  // namespace vs
