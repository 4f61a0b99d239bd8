// The shift's sheet from files of any bytes: the input serves as the month's journal, the alarm
// list and a measurement log at once. The sheet never reads past a line or a record, and its
// figures stay sane: min <= mean <= max, minutes between 0 and the shift's length.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "report/ShiftReport.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;

struct Scratch : FuzzScratch {
  Scratch() : FuzzScratch("report") {
    fs::create_directories(dir / "inf");
    fs::create_directories(dir / "file");
  }
};

void put(const fs::path& p, const std::uint8_t* d, std::size_t n) {
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(d), static_cast<std::streamsize>(n));
}

void check(const vs::ReportFigure& f, double minutes) {
  if (f.samples > 0 && !(f.min <= f.mean + 1e-9 && f.mean <= f.max + 1e-9)) std::abort();
  if (f.minutesOutside < -1 || f.minutesOutside > minutes + 1e-6) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  put(scratch.dir / "inf" / "12_2026.txt", data, size);
  put(scratch.dir / "alarms.txt", data, size);
  put(scratch.dir / "file" / "a.fil", data, size);

  vs::ReportInput in;
  in.home = scratch.dir;
  in.shift = {vs::encodeDateTime({2026, 12, 10, 8, 0, 0, 0}),
              vs::encodeDateTime({2026, 12, 10, 20, 0, 0, 0})};
  in.now = vs::encodeDateTime({2026, 12, 10, 15, 0, 0, 0});
  vs::ReportIncubator inc;
  inc.number = 5;
  inc.logged = true;
  inc.log = scratch.dir / "file" / "a.fil";
  inc.zone = {true, 3600, 3800, 40, 60};
  in.incubators = {inc};
  const vs::ShiftReport r = vs::buildShiftReport(in);
  const double minutes = 7 * 60;  // up to "now"
  for (const vs::IncubatorReport& ir : r.incubators) {
    for (const vs::ReportFigure& f : ir.t) check(f, minutes);
    check(ir.humidity, minutes);
    if (ir.minutesNoAnswer < 0 || ir.minutesNoAnswer > minutes + 1e-6) std::abort();
  }
  const std::string csv = vs::reportCsv(r);
  if (csv.rfind("\xEF\xBB\xBF", 0) != 0) std::abort();
  return 0;
}
