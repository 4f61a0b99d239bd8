#include "app/ShiftReportInput.h"

#include <algorithm>
#include <utility>

#include "app/ReportCommand.h"
#include "common/AtomicFile.h"
#include "config/Workstation.h"
#include "station/Station.h"

namespace vs {

ShiftStarts shiftStartsOf(const Settings& settings) {
  ShiftStarts starts;
  if (!parseShifts(settings.reportShifts, starts)) parseShifts(kDefaultShifts, starts);
  return starts;
}

std::string reportHall(const Settings& settings) {
  if (!settings.mqttStation.empty()) return settings.mqttStation;
  std::string h;
  if (readWholeFile("/etc/hostname", h, 256))
    while (!h.empty() && (h.back() == '\n' || h.back() == '\r' || h.back() == ' ')) h.pop_back();
  return h;
}

double reportGapSeconds(int periodSeconds, bool oldMachine, int incubators) {
  const int round = oldMachine ? std::max(1, incubators) : 1;
  return std::max(60.0, 5.0 * std::max(1, periodSeconds) * round);
}

ReportInput shiftReportInput(const Workstation& ws, const Station& station, const Shift& shift) {
  ReportInput in;
  in.home = ws.home();
  in.hall = reportHall(ws.settings);
  in.shift = shift;
  in.now = ws.clock.now();
  in.sensors = ws.settings.kol_t() + 1;
  in.gapSeconds =
      reportGapSeconds(station.controls.PeriodSE, !station.controls.modern(), station.kol_inkub());
  in.incubators =
      reportIncubators(ws.home(), ws.store.config, &station, std::min(shift.end, in.now));
  // An incubator that has not answered since the start: its zone as the shared data file last
  // held it.
  zonesFromDanFile(ws.home(), in.incubators);
  return in;
}

}  // namespace vs
