// The plant configuration `config` and its two stored copies: the registry value "config"
// (on Linux a binary file "config" in $XDG_CONFIG_HOME/Vetrostan2022) and "config.cfg" in the
// working folder. Also loads the incubation programs of incubators with automatic incubation.
#pragma once
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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
  // Tells of a stored copy found damaged (wrong length or a count above the record's rows), or
  // of two usable copies that differ: one line naming the copies, where they lie, why one was
  // not taken and what was used instead.
  std::function<void(const std::string& utf8)> report;
  // Notes what must be on record but needs nobody now (a journal line): the odd values of a
  // copy that was taken, a save held back while no stored copy could be read.
  std::function<void(const std::string& utf8)> note;

  // A second copy of the program on a working folder another copy holds: it loads but writes
  // neither copy of the configuration nor a missing program file; a save is refused with
  // kReadOnlyRefusal.
  bool readOnly = false;
  static constexpr const char* kReadOnlyRefusal =
      "Конфигурация не записана: программа уже работает в этой папке, вторая копия только "
      "показывает";

  static constexpr const char* kHeldRefusal =
      "Конфигурация не записана: ни одна сохранённая копия не прочитана, программа работает на "
      "пустой конфигурации; копии будут записаны только по команде оператора (\"Запомнить!\")";

  // Who asks for a save. While `held` this decides what happens: the program's own passes
  // (the scheduler's day count, ...) are refused and noted once; an operator's change in a
  // window that also stores the configuration is refused with kHeldRefusal each time; only the
  // configuration's own save ("Запомнить!") writes.
  enum class SaveBy { Program, Window, Operator };

  TFile_config config{};    // the live configuration
  TFile_config config_p{};  // the editing copy of the "Установки" tab
  std::array<TFile_INKconfig, 256> configINK{};

  // Start-up load: RegKeyOpen, then kol_inkub 0 -> 1. A copy is used when it is one whole
  // record that configRefusal accepts; its odd values are read as they are and noted. The
  // registry copy comes first and "config.cfg" refills it when it is missing or damaged; two
  // usable copies that differ give the one with fewer odd values. With no usable copy the
  // program goes on with the empty configuration (one incubator) and is `held`: neither copy
  // is written until the operator saves, so that a damaged one stays for the operator to
  // rescue. Damage is told through `report`; a "config.cfg" that cannot be read at all through
  // `message`.
  void read_config();
  bool RegKeyOpen();  // true when the registry copy was the one taken
  // Reads "config.cfg" into `config` when it holds a usable record (a damaged one is told
  // through `report` and leaves `config` alone), or creates it with one incubator when it is
  // missing. False when nothing was taken.
  bool ReadFileConfig();
  // Saves `config` to both copies (each written beside and renamed). Returns false when
  // either copy could not be written, so that no caller reports a failed save as done; the
  // failure itself has already been shown through `message`. While `held`, only the
  // operator's save writes (and ends the hold); the program's own is refused, noted once.
  bool Write_config(SaveBy by = SaveBy::Program);
  // The program runs on the empty configuration because no stored copy could be used.
  bool held() const { return held_; }
  bool RegKeyWrite();
  bool WriteFileconfig();

  // Loads one program file into configINK[nk]; creates it (with the current content) when
  // missing and says so with "Создан новый(ПУСТОЙ!) файл Режима инкубации: " + path.
  void read_INKconfig(const std::filesystem::path& path, int nk);
  // For every row with automatic incubation: read_INKconfig from "rezim" and konfig_DenKON
  // (left as it is when the program's kol names no row). A name that leads out of "rezim"
  // is skipped.
  void loadPrograms();

  // Why the record file at `path` cannot be taken (empty when it can; `odd` then gets its odd
  // values): missing, unreadable, the wrong length or a count above the record's rows.
  std::string cfgRefusal(const std::filesystem::path& path,
                         std::vector<std::string>* odd = nullptr) const;

  // Import / export of "*.cfg" files into / from config_p; false on failure. An import takes
  // one whole record that cfgRefusal accepts (else config_p is left as it was and `why`, when
  // given, gets the reason), its odd values noted; a count of 0 becomes 1. The export stores
  // `spinCount` (1..251) as kol_inkub.
  bool importCfg(const std::filesystem::path& path, std::string* why = nullptr);
  bool exportCfg(const std::filesystem::path& path, int spinCount);

  const std::filesystem::path& home() const { return home_; }
  std::filesystem::path registryFile() const;
  std::filesystem::path configFile() const { return home_ / "config.cfg"; }
  // Where the copy not taken of two that differ is kept: "config-other.cfg" in "rezim" (where
  // the settings tab opens "*.cfg" files), or in the working folder without it.
  std::filesystem::path asideFile() const;

 private:
  void say(const std::string& text) const;
  void tell(const std::string& text) const;
  void noteOdd(const std::string& copy, const std::vector<std::string>& odd) const;

  std::filesystem::path home_;
  std::filesystem::path registryDir_;
  bool held_ = false;
  bool heldTold_ = false;
};

}  // namespace vs
