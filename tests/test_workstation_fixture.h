// A scratch installation for start-up tests: a working folder and a registry folder in a fresh
// temporary directory, removed afterwards, with helpers to read what the program left there.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/Cp1251.h"

namespace vs::testing {

struct ScratchInstall {
  std::filesystem::path root, home, registry;

  ScratchInstall() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vs-ws-XXXXXX").string();
    root = ::mkdtemp(tmpl.data());
    home = root / "home";
    registry = root / "registry";
    std::filesystem::create_directories(home);
  }
  ~ScratchInstall() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  ScratchInstall(const ScratchInstall&) = delete;
  ScratchInstall& operator=(const ScratchInstall&) = delete;

  static std::string read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  // Every journal file of the working folder, as UTF-8.
  std::string journal() const {
    std::string all;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(home / "inf", ec))
      all += cp1251ToUtf8(read(e.path()));
    return all;
  }
};

}  // namespace vs::testing
