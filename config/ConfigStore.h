// The plant configuration `config` and its two stored copies: the registry value "config"
// (on Linux a binary file "config" in $XDG_CONFIG_HOME/Vetrostan2022) and "config.cfg" in the
// working folder. Also loads the incubation programs of incubators with automatic incubation.
#pragma once
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "config/TFile_config.h"
#include "programs/TFile_INKconfig.h"

namespace vs {

class ConfigStore {
 public:
  // `home` is the working folder; `registryDir` the folder of the registry copy on Linux
  // (empty: $XDG_CONFIG_HOME/Vetrostan2022, default ~/.config/Vetrostan2022).
  explicit ConfigStore(std::filesystem::path home, std::filesystem::path registryDir = {});

  // Shows an operator message (a message box in the program, stderr and the journal headless).
  std::function<void(const std::string& utf8)> message;

  TFile_config config{};    // the live configuration
  TFile_config config_p{};  // the editing copy of the "Установки" tab
  std::array<TFile_INKconfig, 256> configINK{};

  // Start-up load: RegKeyOpen (falling back to ReadFileConfig), then kol_inkub 0 -> 1 and
  // a count above 251 limited to 251. A "config.cfg" that cannot be read is shown through
  // `message` and the start-up goes on with what was loaded.
  void read_config();
  bool RegKeyOpen();      // true when exactly one whole record came from the registry copy
  bool ReadFileConfig();  // reads or creates "config.cfg"; false on a file error
  // Saves `config` to both copies (each written beside and renamed). Returns false when
  // either copy could not be written, so that no caller reports a failed save as done; the
  // failure itself has already been shown through `message`.
  bool Write_config();
  bool RegKeyWrite();
  bool WriteFileconfig();

  // Loads one program file into configINK[nk]; creates it (with the current content) when
  // missing and says so with "Создан новый(ПУСТОЙ!) файл Режима инкубации: " + path.
  void read_INKconfig(const std::filesystem::path& path, int nk);
  // For every row with automatic incubation: read_INKconfig from "rezim" and konfig_DenKON
  // (left as it is when the program's kol names no row). A name that leads out of "rezim"
  // is skipped.
  void loadPrograms();

  // Import / export of "*.cfg" files into / from config_p; false on failure. An imported
  // count is limited like a loaded one; the export stores `spinCount` (1..251) as kol_inkub.
  bool importCfg(const std::filesystem::path& path);
  bool exportCfg(const std::filesystem::path& path, int spinCount);

  const std::filesystem::path& home() const { return home_; }
  std::filesystem::path registryFile() const;
  std::filesystem::path configFile() const { return home_ / "config.cfg"; }

 private:
  void say(const std::string& text) const;

  std::filesystem::path home_;
  std::filesystem::path registryDir_;
};

}  // namespace vs
