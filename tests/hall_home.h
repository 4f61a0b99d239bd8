// A working folder for a small hall of incubators on the bus: its "config.cfg" and settings
// file written out, and "dan.dan" read back and held against what a controller sends.
#pragma once
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/TFile_config.h"
#include "history/DanFile.h"
#include "sim/SimController.h"

namespace vs::testing {

inline std::string hallName(std::uint8_t address) {
  return "Инкубатор " + std::to_string(address);
}

// "config.cfg" with one polled row per address, in the order given, named by hallName();
// `edit` changes it before it is written.
inline void writeHallConfig(const std::filesystem::path& file,
                            const std::vector<std::uint8_t>& addresses,
                            const std::function<void(TFile_config&)>& edit = {}) {
  auto cfg = std::make_unique<TFile_config>();
  cfg->kol_inkub = static_cast<std::uint8_t>(addresses.size());
  for (std::size_t r = 0; r < addresses.size(); ++r) {
    cfg->konfig_n[r] = addresses[r];
    cfg->konfig_o[r] = 1;
    cfg->konfig_s[r].setUtf8(hallName(addresses[r]));
  }
  if (edit) edit(*cfg);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(cfg.get()), sizeof(TFile_config));
}

// A settings file of the given lines (joined with CR LF, as the program writes it).
inline void writeIni(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  std::ofstream(file, std::ios::binary) << text;
}

// The whole "dan.dan" record, or null when the file is missing or not exactly one record long.
inline std::unique_ptr<TdanWm> readDan(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return nullptr;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (bytes.size() != sizeof(TdanWm)) return nullptr;
  auto rec = std::make_unique<TdanWm>();
  std::memcpy(rec.get(), bytes.data(), sizeof(TdanWm));
  return rec;
}

// Empty when the entry holds exactly this controller's answer from `address` (length byte,
// every data byte, zeros after); else what differs first.
inline std::string danEntryMismatch(const TdanW& e, std::uint8_t address,
                                    const SimController::Status& sent) {
  std::ostringstream why;
  if (e.n_s != address)
    why << "sender " << int{e.n_s} << " instead of " << int{address};
  else if (e.kol_z != sent.size() || e.d[0] != sent.size())
    why << "length " << int{e.kol_z} << "/" << int{e.d[0]} << " instead of " << sent.size();
  for (std::size_t i = 0; why.str().empty() && i + 1 < e.d.size(); ++i) {
    const int want = i < sent.size() ? sent[i] : 0;
    if (e.d[i + 1] != want)
      why << "data byte " << i << " is " << int{e.d[i + 1]} << ", sent " << want;
  }
  return why.str();
}

}  // namespace vs::testing
