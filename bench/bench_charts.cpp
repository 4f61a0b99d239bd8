// Loading a long measurement log for the "Графики" tab: ten million records (400 MB, years of
// a hall polled every few seconds) read slice by slice and brought down to the plot's pixel
// columns, as the tab's worker does; beside it the whole-file way (every record in memory,
// every record a point) and the bare read. The file is written once per run into a folder of
// its own.
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

constexpr int kPlotColumns = 1600;  // a plot across a wide screen

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

vs::ChartOptions options(int averaging) {
  vs::ChartOptions o;
  o.averaging = averaging;
  o.shown.fill(true);
  o.gapMinutes = vs::gapThreshold(vs::GapInputs{1, false, 1}, o.averaging);
  return o;
}

// The whole-file way: the log read into memory at once, then every record (or group) a point
// of every shown series, all of which the chart would then hold.
void wholeFileToPoints(benchmark::State& state) {
  const fs::path p = longLog().path();
  const vs::ChartOptions o = options(static_cast<int>(state.range(0)));
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

// Reads `r` from the long log as the tab's worker does; the points it gives.
std::size_t readToChart(benchmark::State& state, const vs::ChartRequest& r) {
  vs::LogSlices<vs::TFile> log;
  std::string error;
  if (!log.open(longLog().path(), error)) state.SkipWithError(error.c_str());
  vs::ChartPoints c;
  if (vs::KNreadF(log, r, c, error, {}, [](int) {}) != vs::ChartRead::Done)
    state.SkipWithError(error.c_str());
  benchmark::DoNotOptimize(c.columns.x.data());
  return c.columns.size();
}

// What a load on the tab does off the user-interface thread: open, read slice by slice, average,
// bring down to the plot's columns. The result is what the chart holds.
void slicesToChart(benchmark::State& state) {
  vs::ChartRequest r;
  r.options = options(static_cast<int>(state.range(0)));
  r.columns = kPlotColumns;
  std::size_t points = 0;
  for (auto _ : state) points = readToChart(state, r);
  state.counters["points"] = static_cast<double>(points);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRecords * 40));
}

// A zoom into one day of the log, read again at full detail.
void zoomedDay(benchmark::State& state) {
  vs::ChartRequest r;
  r.options = options(1);
  r.columns = kPlotColumns;
  r.from = 46000.0 + 500;  // a day well inside the log
  r.to = r.from + 1;
  std::size_t points = 0;
  for (auto _ : state) points = readToChart(state, r);
  state.counters["points"] = static_cast<double>(points);
}

// Working the records through alone, on records already in memory.
void chartOnly(benchmark::State& state) {
  std::vector<vs::TFile> records;
  std::string error;
  if (!vs::readLog(longLog().path(), records, error)) state.SkipWithError(error.c_str());
  const vs::ChartOptions o = options(static_cast<int>(state.range(0)));
  vs::ChartColumns c;
  for (auto _ : state) {
    vs::KNreadF(records, o, c);
    benchmark::DoNotOptimize(c.x.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records.size()));
}

}  // namespace

BENCHMARK(readLogOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(wholeFileToPoints)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(slicesToChart)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(zoomedDay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(chartOnly)->Arg(1000)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();
