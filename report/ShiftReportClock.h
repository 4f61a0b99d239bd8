// When the shift's record sheet is due by itself: at the end of every shift, and at start-up for
// the shift that ended while the station was off (when the folder of the sheets is there and
// that shift's sheet is not, or was saved before the shift had ended). Ticked once
// a second from the station's timer; it only decides, the program makes the sheet elsewhere.
#pragma once
#include <filesystem>
#include <optional>

#include "common/DateTime.h"
#include "report/Shifts.h"

namespace vs {

class ShiftReportClock {
 public:
  explicit ShiftReportClock(const Clock& clock) : clock_(clock) {}

  // How long after the start the missed sheet waits.
  static constexpr double kCatchUpDelay = 60.0 / 86400.0;

  // The shifts to watch, from the settings; the watch starts again from now. `home` is where
  // the sheets are kept: the start-up's catch-up looks there.
  void start(ShiftStarts starts, std::filesystem::path home);
  bool started() const { return !starts_.empty(); }

  // The shift whose sheet falls due now, if any: the one that ended since the last call (the
  // latest of them when the clock jumped over several), or, a minute after start() (once the
  // hall has answered and its zones are known), the shift before the present one when
  // "report" is there without its whole sheet. A clock set back
  // re-arms the watch on the shift that now holds the present.
  std::optional<Shift> tick();

  // When the next sheet falls due (0 before start()).
  TDateTime nextEnd() const { return nextEnd_; }

 private:
  const Clock& clock_;
  ShiftStarts starts_;
  std::filesystem::path home_;
  TDateTime nextEnd_ = 0;
  TDateTime started_ = 0;
  bool caughtUp_ = false;
};

}  // namespace vs
