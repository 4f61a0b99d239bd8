// A plant configuration of any bytes and length as the registry copy, "config.cfg" and an
// imported "*.cfg", and as program names and a program file: no crash and no access outside the
// record while it is loaded, its strings converted and the programs of its rows looked up. A
// copy is taken whenever it is one whole record whose count fits (odd values and all);
// otherwise the start-up uses the empty configuration, leaves both copies as they were and
// holds every save of the program's own. Run with -max_len of at least 158896 so
// that whole records are tried too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "config/ConfigCheck.h"
#include "config/ConfigStore.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;

struct Scratch : FuzzScratch {
  Scratch() : FuzzScratch("config") { fs::create_directories(dir / "home" / "rezim"); }
};

void put(const fs::path& p, const std::uint8_t* data, std::size_t size) {
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool holds(const fs::path& p, const std::uint8_t* data, std::size_t size) {
  std::ifstream in(p, std::ios::binary);
  const std::string got{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return got.size() == size && (size == 0 || std::memcmp(got.data(), data, size) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  const fs::path home = scratch.dir / "home";
  const fs::path reg = scratch.dir / "reg";
  fs::create_directories(reg);
  put(reg / "config", data, size);
  put(home / "config.cfg", data, size);

  static auto store = std::make_unique<vs::ConfigStore>(home, reg);
  static auto record = std::make_unique<vs::TFile_config>();
  static std::size_t reports = 0;
  store->report = [](const std::string&) { ++reports; };
  store->config = {};
  store->config_p = {};
  // The input as a record: cut to its length or filled up with zeros.
  *record = vs::TFile_config{};
  std::memcpy(record.get(), data, size < sizeof *record ? size : sizeof *record);
  const bool plausible = vs::configRefusal(*record).empty();
  const bool whole = size == sizeof *record && plausible;

  reports = 0;
  store->read_config();
  if (store->held() == whole) std::abort();
  if (!whole && store->Write_config()) std::abort();  // the program's own save is held
  if (store->config.kol_inkub < 1 || store->config.kol_inkub > vs::kMaxRows) std::abort();
  if (whole) {
    if (reports != 0) std::abort();
    if (record->kol_inkub == 0) record->kol_inkub = 1;
    if (std::memcmp(&store->config, record.get(), sizeof *record) != 0) std::abort();
  } else {
    // Both copies refused (one line each), the empty configuration taken, nothing rewritten.
    if (reports != 2) std::abort();
    static const auto empty = [] {
      auto e = std::make_unique<vs::TFile_config>();
      e->kol_inkub = 1;
      return e;
    }();
    if (std::memcmp(&store->config, empty.get(), sizeof *empty) != 0) std::abort();
  }
  if (!holds(reg / "config", data, size) || !holds(home / "config.cfg", data, size)) std::abort();
  std::size_t chars = 0;
  for (int nk = 0; nk < store->config.kol_inkub; ++nk) {
    const auto k = static_cast<std::size_t>(nk);
    chars += store->config.konfig_s[k].utf8().size();
    chars += store->config.konfig_f[k].utf8().size();
    chars += store->config.konfig_finkub[k].utf8().size();
  }
  // An import takes what the start-up took, or leaves the editing copy as it was.
  const bool imported = store->importCfg(home / "config.cfg");
  if (imported != whole) std::abort();
  if (imported ? std::memcmp(&store->config_p, &store->config, sizeof *record) != 0
               : store->config_p.kol_inkub != 0)
    std::abort();
  // The same bytes made up to a whole record: taken exactly when plausible.
  const fs::path padded = home / "rezim" / "padded.cfg";
  put(padded, reinterpret_cast<const std::uint8_t*>(record.get()), sizeof *record);
  if (store->importCfg(padded) != plausible) std::abort();

  // The same bytes as program names of rows with automatic incubation (split at each '|') and
  // as the program file of one more row.
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t from = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t bar = text.find('|', from);
    store->config.konfig_finkub[k].setRaw(
        text.substr(from, bar == std::string::npos ? bar : bar - from));
    store->config.konfig_INK[k] = 1;
    from = bar == std::string::npos ? text.size() : bar + 1;
  }
  put(home / "rezim" / "p.ink", data, size);
  store->config.konfig_finkub[4].setRaw("p.ink");
  store->config.konfig_INK[4] = 1;
  store->config.kol_inkub = 5;
  store->config.konfig_DenKON[4] = 0x55;
  store->loadPrograms();
  const vs::TFile_INKconfig& g = store->configINK[4];
  const std::int8_t expect =
      g.kol >= 1 && g.kol <= vs::kInkRows
          ? static_cast<std::int8_t>(g.nDen[static_cast<std::size_t>(g.kol - 1)] & 0xFF)
          : std::int8_t{0x55};
  if (store->config.konfig_DenKON[4] != expect) std::abort();

  // Nothing a record names may land outside "rezim".
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(scratch.dir, ec))
    if (e.path() != home && e.path() != reg) std::abort();
  for (const auto& e : fs::directory_iterator(home, ec))
    if (e.path().filename() != "config.cfg" && e.path().filename() != "rezim") std::abort();
  fs::remove_all(home / "rezim", ec);
  fs::create_directories(home / "rezim", ec);
  return static_cast<int>(chars & 0);
}
