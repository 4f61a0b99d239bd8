// What the shift's record sheet takes from the running station, copied on the station's thread
// so that the sheet can be made on a worker: the configured incubators with the zones the
// station knows now, the sensors shown, the poll's pace for the pauses that count as silence.
#pragma once
#include <string>

#include "report/ShiftReport.h"

namespace vs {

class Workstation;
class Station;
struct Settings;

// The shifts of the settings ("Report", "Shifts"; read checked, so the default only where the
// text cannot be used).
ShiftStarts shiftStartsOf(const Settings& settings);

// The hall's name on a sheet's header: "Station" of section "MQTT", else the computer's name.
std::string reportHall(const Settings& settings);
// The pause between two samples of a log that counts as time without an answer: each incubator
// is asked once a poll period, or once a round of the hall where only the timer polls
// (`oldMachine`); five of those, and a minute at least.
double reportGapSeconds(int periodSeconds, bool oldMachine, int incubators);

// The sheet of `shift` as the running station sees it now; the program's day is the one it had
// at the shift's end (now, for the shift under way).
ReportInput shiftReportInput(const Workstation& ws, const Station& station, const Shift& shift);

}  // namespace vs
