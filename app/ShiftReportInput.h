// What the shift's record sheet takes from the running station, copied on the station's thread
// so that the sheet can be made on a worker: the configured incubators with the zones the
// station knows now, the sensors shown, the poll's pace for the pauses that count as silence.
#pragma once
#include <string>

#include "report/ShiftReport.h"

namespace vs {

class Workstation;
class Station;

// `hall` names the hall on the sheet's header.
ReportInput shiftReportInput(const Workstation& ws, const Station& station, const Shift& shift,
                             std::string hall);

}  // namespace vs
