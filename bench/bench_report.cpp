// The shift's sheet of a hall of 251 incubators, each with two days of samples every 10 s:
// the figures of one shift from every log, the journal and the CSV.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "common/AtomicFile.h"
#include "history/LogRecords.h"
#include "report/ShiftReport.h"

namespace {

namespace fs = std::filesystem;

struct Hall {
  fs::path home = fs::temp_directory_path() / "vs-bench-report";
  std::vector<vs::ReportIncubator> incubators;
  Hall() {
    fs::remove_all(home);
    fs::create_directories(home / "file");
    const vs::TDateTime start = vs::encodeDateTime({2026, 12, 9, 0, 0, 0, 0});
    std::vector<vs::TFile> log(2 * 8640);
    for (int n = 1; n <= 251; ++n) {
      for (std::size_t i = 0; i < log.size(); ++i) {
        vs::TFile& r = log[i];
        r = {};
        r.T1 = 37.5 + 0.3 * std::sin(static_cast<double>(i) / 500 + n);
        r.T2 = 37.4;
        r.T3 = 37.3;
        r.BL = static_cast<std::uint8_t>(50 + i % 7);
        r.dt = start + static_cast<double>(i) * 10 / 86400;
      }
      vs::ReportIncubator inc;
      inc.row = n - 1;
      inc.number = n;
      inc.name = "Инкубатор " + std::to_string(n);
      inc.logged = true;
      inc.log = home / "file" / ("inc" + std::to_string(n) + ".fil");
      inc.zone = {true, 3700, 3780, 45, 60};
      vs::writeFileAtomic(inc.log, log.data(), log.size() * sizeof(vs::TFile), false);
      incubators.push_back(inc);
    }
  }
  ~Hall() { fs::remove_all(home); }
};

void BM_ShiftReport251(benchmark::State& state) {
  static Hall hall;
  vs::ReportInput in;
  in.home = hall.home;
  in.shift = {vs::encodeDateTime({2026, 12, 10, 8, 0, 0, 0}),
              vs::encodeDateTime({2026, 12, 10, 20, 0, 0, 0})};
  in.now = vs::encodeDateTime({2026, 12, 11, 0, 0, 0, 0});
  in.incubators = hall.incubators;
  for (auto _ : state) {
    const vs::ShiftReport r = vs::buildShiftReport(in);
    benchmark::DoNotOptimize(vs::reportCsv(r));
  }
}
BENCHMARK(BM_ShiftReport251)->Unit(benchmark::kMillisecond);

}  // namespace
