#include "app/ShiftReportInput.h"

#include <algorithm>
#include <utility>

#include "config/Workstation.h"
#include "station/Station.h"

namespace vs {

ReportInput shiftReportInput(const Workstation& ws, const Station& station, const Shift& shift,
                             std::string hall) {
  ReportInput in;
  in.home = ws.home();
  in.hall = std::move(hall);
  in.shift = shift;
  in.now = ws.clock.now();
  in.sensors = ws.settings.kol_t() + 1;
  // Each incubator is asked once a poll period, or once a round of the hall where only the
  // timer polls: an answer missing for five of those, and at least a minute, is silence.
  const int period = std::max(1, station.controls.PeriodSE);
  const int round = station.controls.modern() ? 1 : std::max(1, station.kol_inkub());
  in.gapSeconds = std::max(60.0, 5.0 * period * round);
  in.incubators = reportIncubators(ws.home(), ws.store.config, &station);
  return in;
}

}  // namespace vs
