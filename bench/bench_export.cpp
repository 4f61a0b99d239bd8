// The log export, whole conversions with the file reads and writes: a log of 65 530 samples
// into an Excel 97-2003 workbook (its largest sheet), logs of up to 10 million samples into
// CSV, which streams its rows, and 2 million samples thinned 1000:1 (the read of the log in
// slices and the averaging, almost no output). The argument is the number of records of the log.
// The peak memory of a whole conversion is measured by scripts/measure_export.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "history/LogExport.h"
#include "history/LogRecords.h"

namespace {

namespace fs = std::filesystem;

// A log of `n` samples, one a second, in a folder of its own that goes when the benchmark ends.
class BigLog {
 public:
  explicit BigLog(long long n)
      : dir_(fs::temp_directory_path() /
             ("vetrostan-bench-export-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(dir_);
    std::FILE* f = std::fopen(path().string().c_str(), "wb");
    std::vector<vs::TFile> chunk(1 << 16);
    for (long long i = 0; i < n;) {
      std::size_t k = 0;
      for (; k < chunk.size() && i < n; ++k, ++i) {
        vs::TFile& r = chunk[k];
        r = {};
        r.T1 = 37.5 + (i % 50) / 100.0;
        r.T2 = 37.4 - (i % 30) / 100.0;
        r.T3 = 29.0 + (i % 70) / 100.0;
        r.BL = static_cast<std::uint8_t>(50 + i % 20);
        r.dt = 46000.0 + static_cast<double>(i) / 86400.0;
      }
      std::fwrite(chunk.data(), sizeof(vs::TFile), k, f);
    }
    std::fclose(f);
  }
  ~BigLog() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  BigLog(const BigLog&) = delete;
  BigLog& operator=(const BigLog&) = delete;

  fs::path path() const { return dir_ / "inc.fil"; }

 private:
  fs::path dir_;
};

void exportLog(benchmark::State& state, vs::SheetFormat format, int average = 1) {
  const long long n = state.range(0);
  const BigLog log(n);
  for (auto _ : state) {
    const vs::ExportResult r = vs::EreadF(log.path(), {average, format});
    if (!r.ok) {
      state.SkipWithError(r.error.c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_ExportXls(benchmark::State& state) {
  exportLog(state, vs::SheetFormat::Xls);
}
BENCHMARK(BM_ExportXls)->Arg(65'530)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State& state) {
  exportLog(state, vs::SheetFormat::Csv);
}
BENCHMARK(BM_ExportCsv)->Arg(65'530)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsv)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ExportCsvAveraged1000(benchmark::State& state) {
  exportLog(state, vs::SheetFormat::Csv, 1000);
}
BENCHMARK(BM_ExportCsvAveraged1000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
