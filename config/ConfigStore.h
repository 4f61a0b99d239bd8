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

// A program named in the configuration stays inside "rezim": a name from an imported record
// never makes the program read or create a file elsewhere. Old installations wrote
// backslashes; either separator is accepted. False for an empty name, an absolute one or one
// with "..".
bool programPath(const std::filesystem::path& rezim, std::string name, std::filesystem::path& out);

class ConfigStore {
 public:
  // `home` is the working folder; `registryDir` the folder of the registry copy on Linux
  // (empty: $XDG_CONFIG_HOME/Vetrostan2022, default ~/.config/Vetrostan2022).
  explicit ConfigStore(std::filesystem::path home, std::filesystem::path registryDir = {});

  // Shows an operator message (a message box in the program, stderr and the journal headless).
  std::function<void(const std::string& utf8)> message;
  // Tells of a stored copy found damaged (wrong length or implausible content): one line
  // naming the copy, where it lies, why it was refused and what was used instead.
  std::function<void(const std::string& utf8)> report;

  // A second copy of the program on a working folder another copy holds: it loads but writes
  // neither copy of the configuration nor a missing program file; a save is refused with
  // kReadOnlyRefusal.
  bool readOnly = false;
  static constexpr const char* kReadOnlyRefusal =
      "Конфигурация не записана: программа уже работает в этой папке, вторая копия только "
      "показывает";

  TFile_config config{};    // the live configuration
  TFile_config config_p{};  // the editing copy of the "Установки" tab
  std::array<TFile_INKconfig, 256> configINK{};

  // Start-up load: RegKeyOpen, then kol_inkub 0 -> 1. A copy is used only when it is one
  // whole record that passes configProblem; the registry copy comes first and "config.cfg"
  // refills it when it is missing or damaged. With no usable copy the start-up goes on with
  // the empty configuration (one incubator) and writes neither copy, so that a damaged one
  // stays for the operator to rescue. Damage is told through `report`; a "config.cfg" that
  // cannot be read at all through `message`.
  void read_config();
  bool RegKeyOpen();  // true when the registry copy was the one taken
  // Reads "config.cfg" into `config` when it holds a usable record (a damaged one is told
  // through `report` and leaves `config` alone), or creates it with one incubator when it is
  // missing. False when nothing was taken.
  bool ReadFileConfig();
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

  // Import / export of "*.cfg" files into / from config_p; false on failure. An import takes
  // only one whole record that passes configProblem (else config_p is left as it was and
  // `why`, when given, gets the reason); a count of 0 becomes 1. The export stores
  // `spinCount` (1..251) as kol_inkub.
  bool importCfg(const std::filesystem::path& path, std::string* why = nullptr);
  bool exportCfg(const std::filesystem::path& path, int spinCount);

  const std::filesystem::path& home() const { return home_; }
  std::filesystem::path registryFile() const;
  std::filesystem::path configFile() const { return home_ / "config.cfg"; }

 private:
  void say(const std::string& text) const;
  void tell(const std::string& text) const;

  std::filesystem::path home_;
  std::filesystem::path registryDir_;
};

}  // namespace vs
