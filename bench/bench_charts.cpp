// Loading a long measurement log for the "Графики" tab: ten million records (400 MB, years of
// a hall polled every few seconds) read in one go, then worked into chart points. The point
// of comparison is the bare read; working the records through must stay within the same
// order of time. The file is written once per run into a folder of its own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "history/ChartData.h"
#include "history/LogFile.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRecords = 10'000'000;

class LongLog {
 public:
  LongLog()
      : dir_(fs::temp_directory_path() /
             ("vetrostan-bench-charts-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(dir_);
    std::FILE* f = std::fopen(path().string().c_str(), "wb");
    if (!f) return;
    std::vector<vs::TFile> chunk(1 << 16);
    vs::TDateTime dt = 46000.0;
    std::size_t written = 0;
    while (written < kRecords) {
      const std::size_t n = std::min(chunk.size(), kRecords - written);
      for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = written + i;
        vs::TFile& r = chunk[i];
        r = {};
        r.T1 = 37.5 + static_cast<double>(k % 97) / 100.0;
        r.T2 = 37.4 + static_cast<double>(k % 89) / 100.0;
        r.T3 = 37.6 + static_cast<double>(k % 83) / 100.0;
        r.BL = static_cast<std::uint8_t>(50 + k % 20);
        r.zsl = static_cast<std::int8_t>(10 + k % 90);
        r.C1 = static_cast<std::uint16_t>(k % 7 == 0 ? 0x0100 : 0);
        r.C2 = static_cast<std::uint16_t>(k % 5 == 0 ? 0xC000 : 0);
        r.C3 = 0x0200;
        // Ten seconds apart, with an hour's pause now and then.
        dt += (k % 100'000 == 99'999 ? 3600.0 : 10.0) / 86400.0;
        r.dt = dt;
      }
      std::fwrite(chunk.data(), sizeof(vs::TFile), n, f);
      written += n;
    }
    std::fclose(f);
  }
  ~LongLog() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path path() const { return dir_ / "long.fil"; }

 private:
  fs::path dir_;
};

const LongLog& longLog() {
  static const LongLog log;
  return log;
}

void readLogOnly(benchmark::State& state) {
  const fs::path p = longLog().path();
  for (auto _ : state) {
    std::vector<vs::TFile> records;
    std::string error;
    if (!vs::readLog(p, records, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(records.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRecords * 40));
}

// The whole load minus the drawing: read, then all eight series of the log worked out.
void readLogAndChart(benchmark::State& state) {
  const fs::path p = longLog().path();
  vs::ChartOptions o;
  o.averaging = static_cast<int>(state.range(0));
  o.shown.fill(true);
  if (o.averaging == 1) o.shown = {true, true, true, true, false, false, false, false};
  o.gapMinutes = vs::gapThreshold(vs::GapInputs{1, false, 1}, o.averaging);
  std::size_t points = 0;
  for (auto _ : state) {
    std::vector<vs::TFile> records;
    std::string error;
    if (!vs::readLog(p, records, error)) state.SkipWithError(error.c_str());
    vs::ChartColumns c;
    vs::KNreadF(records, o, c, [](int) {});
    points = c.size();
    benchmark::DoNotOptimize(c.x.data());
  }
  state.counters["points"] = static_cast<double>(points);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRecords * 40));
}

// Working the records through alone, on records already in memory.
void chartOnly(benchmark::State& state) {
  std::vector<vs::TFile> records;
  std::string error;
  if (!vs::readLog(longLog().path(), records, error)) state.SkipWithError(error.c_str());
  vs::ChartOptions o;
  o.averaging = static_cast<int>(state.range(0));
  o.shown.fill(true);
  o.gapMinutes = vs::gapThreshold(vs::GapInputs{1, false, 1}, o.averaging);
  vs::ChartColumns c;
  for (auto _ : state) {
    vs::KNreadF(records, o, c);
    benchmark::DoNotOptimize(c.x.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records.size()));
}

}  // namespace

BENCHMARK(readLogOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(readLogAndChart)
    ->Arg(1000)
    ->Arg(100)
    ->Arg(10)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(chartOnly)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
