// A scratch folder for a fuzz target that reads and writes files: made once, in memory where
// there is a memory-backed folder (every run rewrites its files), removed at the end.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

struct FuzzScratch {
  std::filesystem::path dir;
  explicit FuzzScratch(const char* name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / ("vs-fuzz-" + std::string(name) + "-XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir = tmpl;
  }
  ~FuzzScratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  FuzzScratch(const FuzzScratch&) = delete;
  FuzzScratch& operator=(const FuzzScratch&) = delete;
};
