// A working folder and a registry folder for the tests of the plant configuration's copies,
// and the records they put there.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigStore.h"
#include "tests/test_config_tempdir.h"

namespace vs::testing {

namespace fs = std::filesystem;

constexpr std::size_t kCfg = 158896;

// A working folder and a registry folder that starts out missing, and a store on both that
// records every message and every report of a damaged copy.
struct Plant {
  TempDir tmp;
  fs::path home = tmp.path() / "home";
  fs::path reg = tmp.path() / "xdg" / "Vetrostan2022";
  std::vector<std::string> messages;
  std::vector<std::string> reports;

  Plant() { fs::create_directories(home); }
  // The store is large (every program of 256 rows), so it lives on the heap.
  std::unique_ptr<ConfigStore> store() {
    auto s = std::make_unique<ConfigStore>(home, reg);
    s->message = [this](const std::string& m) { messages.push_back(m); };
    s->report = [this](const std::string& m) { reports.push_back(m); };
    return s;
  }
  fs::path cfg() const { return home / "config.cfg"; }
  fs::path regFile() const { return reg / "config"; }
  std::string fileCopy() const {
    return "Копия конфигурации \"config.cfg\" (" + cfg().string() + ")";
  }
  std::string regCopy() const {
    return "Копия конфигурации в реестре (" + regFile().string() + ")";
  }
};

inline std::string record(std::uint8_t kol) {
  std::string r(kCfg, '\0');
  r[0] = static_cast<char>(kol);
  return r;
}

inline std::string bytesOf(const TFile_config& c) {
  return {reinterpret_cast<const char*>(&c), sizeof c};
}

}  // namespace vs::testing
