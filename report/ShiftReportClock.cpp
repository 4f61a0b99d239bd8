#include "report/ShiftReportClock.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "report/ShiftReport.h"

namespace vs {

namespace {

// A second, in days: the moment just before a shift's start lies in the shift before it.
constexpr double kSecond = 1.0 / 86400.0;

Shift shiftBefore(const ShiftStarts& starts, TDateTime moment) {
  return shiftAt(starts, shiftAt(starts, moment).start - kSecond);
}

// The sheet at `pdf` is there and was written after its shift had ended. A file whose time
// cannot be read counts as whole: nothing is made over it.
bool wholeSheet(const std::filesystem::path& pdf, const Shift& s) {
  std::error_code ec;
  if (!std::filesystem::exists(pdf, ec)) return ec.value() != 0;
  const auto written = std::filesystem::last_write_time(pdf, ec);
  if (ec) return true;
  const auto sys = std::chrono::file_clock::to_sys(written);
  return localDateTime(std::chrono::time_point_cast<std::chrono::system_clock::duration>(sys)) >=
         s.end;
}

}  // namespace

void ShiftReportClock::start(ShiftStarts starts, std::filesystem::path home) {
  starts_ = std::move(starts);
  home_ = std::move(home);
  caughtUp_ = false;
  started_ = clock_.now();
  nextEnd_ = starts_.empty() ? 0 : shiftEnd(starts_, started_);
}

std::optional<Shift> ShiftReportClock::tick() {
  if (starts_.empty()) return std::nullopt;
  const TDateTime now = clock_.now();
  if (!caughtUp_ && (now >= started_ + kCatchUpDelay || now < started_)) {
    caughtUp_ = true;
    const Shift last = shiftBefore(starts_, started_);
    // Only where sheets have been made before: a new working folder does not begin with the
    // sheet of a shift it never saw.
    std::error_code ec;
    const bool kept = std::filesystem::is_directory(reportFolder(home_), ec);
    // Missing, or saved while the shift still ran (from the window or --report): the whole
    // shift's sheet is made. A shift that ended meanwhile is left to the next call.
    if (kept && !wholeSheet(reportFile(home_, last, ".pdf"), last)) return last;
  }
  const TDateTime end = shiftEnd(starts_, now);
  if (now < nextEnd_) {
    // The clock was set back over a shift's start: the watch follows the present.
    if (end < nextEnd_) nextEnd_ = end;
    return std::nullopt;
  }
  nextEnd_ = end;
  return shiftBefore(starts_, now);
}

}  // namespace vs
