// The shift's record sheet: for one shift, per configured incubator, the figures of its
// measurement log (minimum, mean and maximum of T1, T2, T3 and humidity, minutes outside the
// alarm zone, minutes without an answer), the alarms raised in the shift with their
// acknowledgements, and the confirmed setpoint writes.
//
// A job: `buildShiftReport` is a plain function of values, safe on a worker thread. What it needs
// of the station (names, programs, zones) is copied into `ReportInput` before it starts; it reads
// only files (the logs, the journal, the alarm list), slice by slice, and never the station's
// tables.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "report/Shifts.h"

namespace vs {

struct TFile_config;
struct StationTables;

// The alarm zone a value is judged against: the absolute bounds the controller reported (the
// same bounds the main table colours against), inclusive. Temperatures in hundredths of a
// degree, humidity in whole percent.
struct ReportZone {
  bool known = false;  // no answer yet: minutes outside are not counted
  std::int32_t tLow = 0, tHigh = 0;
  std::int32_t hLow = 0, hHigh = 0;
};

// One configured incubator as the sheet needs it.
struct ReportIncubator {
  int row = 0;                // nk
  int number = 0;             // bus number, konfig_n
  std::string name;           // konfig_s
  bool logged = false;        // logging on (konfig_Write)
  std::filesystem::path log;  // its measurement log, "file/<name>.fil"
  bool program = false;       // automatic incubation on (konfig_INK)
  std::string programName;    // konfig_finkub
  int day = 0;                // current incubation day, konfig_DenTEK
  ReportZone zone;
};

struct ReportInput {
  std::filesystem::path home;  // the working folder: "inf", "alarms.txt", "report"
  std::string hall;            // the hall's name on the sheet's header
  Shift shift;
  // When the report is made: time of the shift after it has not happened yet and counts
  // neither as answered nor as silent. 0: the shift is over.
  TDateTime now = 0;
  int sensors = 3;  // temperatures shown: 1 T1, 2 T1..T2, 3 T1..T3
  // Samples further apart than this (and than five times the log's usual pace) leave a gap
  // counted as time without an answer.
  double gapSeconds = 60;
  std::vector<ReportIncubator> incubators;
};

// Min / mean / max of one value over the shift's usable samples.
struct ReportFigure {
  long long samples = 0;  // usable ones (a faulty sensor's are left out)
  double min = 0, mean = 0, max = 0;
  // Minutes the value spent outside its alarm zone; -1 when the zone is not known.
  double minutesOutside = -1;
};

// An alarm raised in the shift. Times are 0 when the thing did not happen within the shift.
struct ReportAlarm {
  int number = 0;   // the incubator's bus number; 0 for the station
  std::string who;  // as the journal names it: "№5 «Инкубатор 5»", "Станция"
  std::string caption;  // "Темп. выше зоны", "Нет связи", ...
  TDateTime raised = 0;
  TDateTime cleared = 0;
  TDateTime acknowledgedAt = 0;
  std::string acknowledgedBy;
};

// A confirmed setpoint write: "Рабочая Темп. 37.80 -> 37.50".
struct ReportSetpoint {
  int number = 0;
  TDateTime time = 0;
  std::string change;
};

struct IncubatorReport {
  ReportIncubator incubator;
  bool hasLog = false;              // false: "нет записи"
  std::string logProblem;           // why the log could not be read (a damaged file, ...)
  std::array<ReportFigure, 3> t{};  // T1, T2, T3, °C
  ReportFigure humidity;            // %
  double minutesNoAnswer = 0;
  std::vector<ReportAlarm> alarms;
  std::vector<ReportSetpoint> setpoints;
};

struct ShiftReport {
  std::string hall;
  Shift shift;
  TDateTime made = 0;
  int sensors = 3;
  bool cancelled = false;  // stopped on request: nothing is to be written
  std::vector<IncubatorReport> incubators;
  std::vector<ReportAlarm> stationAlarms;  // the station's own ("USB не работает")
  // Sources that could not be read, in words (a journal month, a damaged alarm list).
  std::vector<std::string> problems;
};

// Caption of an incubator without a log.
inline constexpr const char* kNoRecord = "нет записи";

// Called with the share done, 0..100.
using ReportProgress = std::function<void(int percent)>;

// The sheet of `in.shift`. Checks `stop` between slices of the logs and the journal.
ShiftReport buildShiftReport(ReportInput in, std::stop_token stop = {},
                             const ReportProgress& progress = {});

// The sheet's incubators from the plant configuration and, when given, the zones the station's
// tables hold now (copy them on the station's thread; nullptr: zones not known). The incubation
// day is the one at `dayAt` counted from the program's start (0: the day the configuration
// keeps).
std::vector<ReportIncubator> reportIncubators(const std::filesystem::path& home,
                                              const TFile_config& config,
                                              const StationTables* tables, TDateTime dayAt = 0);

// The figures as CSV: UTF-8 with a byte-order mark, ",", CR LF, "." as the decimal separator,
// as the log export's CSV. Temperatures with two decimals, humidity and minutes whole.
std::string reportCsv(const ShiftReport& r);

// "report" in the working folder, and the file of a shift there ("2026-12-10_08-00.csv").
std::filesystem::path reportFolder(const std::filesystem::path& home);
std::filesystem::path reportFile(const std::filesystem::path& home, const Shift& s,
                                 const char* extension);

// Writes `bytes` to `path` beside and renamed, creating the folder; false with the reason in
// `error`, the old file left as it was.
bool writeReportFile(const std::filesystem::path& path, const std::string& bytes,
                     std::string& error);

}  // namespace vs
