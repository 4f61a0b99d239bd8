// Start-up and shut-down with a settings file that other windows (or a stray tool) filled with
// many sections: reading every setting, and writing the shut-down keys back over the file.
// Each figure is one whole load or save, file access included; the argument is the number of
// extra sections.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "common/AtomicFile.h"
#include "config/SettingsFile.h"

namespace {

namespace fs = std::filesystem;

// A settings file of `sections` extra sections of one or two keys each, the program's own
// keys after them, in a folder of its own that goes when the benchmark ends.
class BigSettingsFile {
 public:
  explicit BigSettingsFile(int sections)
      : dir_(fs::temp_directory_path() /
             ("vetrostan-bench-settings-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(dir_);
    std::string text;
    for (int i = 0; i < sections; ++i) {
      const std::string n = std::to_string(i);
      text += "[Okno" + n + "]\r\nLeft=" + n + "\r\n";
      if (i % 2 != 0) text += "Name=\xE7\xE0\xEB " + n + "\r\n";  // "зал N" in Windows-1251
      text += "\r\n";
    }
    vs::writeFileAtomic(path(), text);
    vs::saveSettings(path(), vs::Settings{});  // adds the program's keys at the end
    std::error_code ec;
    bytes_ = static_cast<std::int64_t>(fs::file_size(path(), ec));
  }
  ~BigSettingsFile() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  BigSettingsFile(const BigSettingsFile&) = delete;
  BigSettingsFile& operator=(const BigSettingsFile&) = delete;

  fs::path path() const { return dir_ / "Vetrostan.INI"; }
  std::int64_t bytes() const { return bytes_; }

 private:
  fs::path dir_;
  std::int64_t bytes_ = 0;
};

void BM_LoadSettings(benchmark::State& state) {
  const BigSettingsFile file(static_cast<int>(state.range(0)));
  vs::Settings s;
  for (auto _ : state) {
    vs::loadSettings(file.path(), s);
    benchmark::DoNotOptimize(s.ServerP);
  }
  state.SetBytesProcessed(state.iterations() * file.bytes());
}
BENCHMARK(BM_LoadSettings)->Arg(20'000)->Arg(120'000)->Unit(benchmark::kMillisecond);

// The file is read, updated and renamed over on every pass; it stays the same size.
void BM_SaveSettings(benchmark::State& state) {
  const BigSettingsFile file(static_cast<int>(state.range(0)));
  vs::Settings s;
  vs::loadSettings(file.path(), s);
  for (auto _ : state) {
    if (!vs::saveSettings(file.path(), s)) {
      state.SkipWithError("the settings file could not be written");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * file.bytes());
}
BENCHMARK(BM_SaveSettings)->Arg(20'000)->Arg(120'000)->Unit(benchmark::kMillisecond);

}  // namespace
