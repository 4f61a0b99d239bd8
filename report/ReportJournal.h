// What the shift's sheet takes from the event journal and the alarm list: the alarms raised in
// the shift with their clearing and acknowledgement, and the confirmed setpoint writes.
//
// The journal is the record: the alarm list writes a line for every raise, clear and
// acknowledgement, and an alarm that is cleared and acknowledged leaves the list. The list file
// "alarms.txt" adds what the journal lacks (a month's file that could not be written or read):
// an alarm it holds that was raised in the shift and that no journal line names.
#pragma once
#include <filesystem>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "common/DateTime.h"
#include "report/ShiftReport.h"

namespace vs {

struct ShiftEvents {
  std::vector<ReportAlarm> alarms;  // in the order raised
  std::vector<ReportSetpoint> setpoints;
  std::vector<std::string> problems;
};

// One journal line taken apart: its moment and its message (UTF-8). False for a line that does
// not start with "DD.MM.YYYY H:MM:SS  ".
bool parseJournalLine(const std::string& utf8, TDateTime& when, std::string& message);

// Feeds the events of one journal message at `when`, in the journal's order. Raises count from
// `from` to before `to`; clears and acknowledgements before `to`. Setpoint writes are the
// confirmed writes of the operator ("Запись подтверждена: блок № 5, ...") and those of the
// incubation program ("7. блок № 5 Изменить:Рабочая Темп.->3780 на 3740.") that the controller
// confirmed with its check answer ("Получен второй ответ.3740") before the next write.
class ShiftEventReader {
 public:
  ShiftEventReader(TDateTime from, TDateTime to) : from_(from), to_(to) {}
  void message(TDateTime when, const std::string& utf8);
  // The alarms of the list file raised in the shift that the journal did not name.
  void addFromList(const std::string& alarmFileText);
  ShiftEvents& events() { return events_; }

 private:
  // A write of the incubation program waits for its check answer.
  struct ProgramWrite {
    bool pending = false;
    ReportSetpoint setpoint;
    std::string sent;     // the value written, as the line gives it
    std::string caption;  // what it changes
  };
  void programLine(TDateTime when, std::string_view m);

  ShiftEvents events_;
  TDateTime from_, to_;
  ProgramWrite program_;
};

// Reads the journal months of [from, to] and "alarms.txt" of `home`. False only when stopped.
bool readShiftEvents(const std::filesystem::path& home, TDateTime from, TDateTime to,
                     ShiftEvents& out, std::stop_token stop = {});

}  // namespace vs
