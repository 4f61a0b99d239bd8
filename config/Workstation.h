// The workstation as one piece of engine: the working folder and its files, the settings, the
// plant configuration, the event journal and the clock, and the start-up and shut-down of the
// program. Windows and later engines join in through the hook lists, which run in the order
// the hooks were added.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "config/ConfigStore.h"
#include "config/Settings.h"
#include "history/Journal.h"

namespace vs {

inline constexpr const char* kAppTitle = "ВЕСТ-RS485";
inline constexpr const char* kMainCaption = "Инкубатор RS485  v2.227_beta";
inline constexpr const char* kSecondCopyCaption = "Это приложение уже запущено!";
// What a second copy on a held working folder adds to that caption.
inline constexpr const char* kSecondCopyNote =
    "   вторая копия: порт не открыт, dan.dan, настройки и конфигурация не записываются";
inline constexpr const char* kVersion = "v2.227_beta";
inline constexpr const char* kJournalStarted = "программа Запущена";
inline constexpr const char* kJournalClosed = "программа ЗАКРЫТА!";

class Workstation {
 public:
  using Hook = std::function<void()>;

  // `home` is the working folder; `registryDir` the folder of the configuration's registry copy
  // (empty: the user's configuration folder).
  Workstation(std::filesystem::path home, const Clock& clock,
              std::filesystem::path registryDir = {});
  Workstation(const Workstation&) = delete;
  Workstation& operator=(const Workstation&) = delete;

  const std::filesystem::path& home() const { return home_; }
  std::filesystem::path iniPath() const { return home_ / "Vetrostan.INI"; }
  std::filesystem::path insPath() const { return home_ / "Vetrostan.INS"; }

  const Clock& clock;
  Settings settings;
  // Values of the settings file that were out of range at start-up (their defaults were taken).
  std::vector<std::string> settingsProblems;
  ConfigStore store;
  Journal journal;

  // Value of the incubator count spin box (1..100); written as "kol" at shut-down.
  int countSpin = 1;

  // Shows an operator message: a message box in the program; standard error and the journal
  // without windows. Unset, the text goes to standard error.
  std::function<void(const std::string& utf8)> message;
  void show(const std::string& utf8) const;

  // Tells what must not pass unseen but must not stop anyone either (an adapter lost, a file
  // that cannot be written, a failing timer step): a journal line and a notice.
  void report(const std::string& utf8);
  // The notice: the main window's status line; standard error without windows. Unset, the
  // text goes to standard error. The journal's own trouble comes here too.
  std::function<void(const std::string& utf8)> notice;

  // The program has windows: what must not be missed at start-up (a damaged configuration)
  // also gets a message box; without windows standard error and the journal carry it.
  bool windows = false;

  // A second copy of the program on a working folder that another copy holds: it writes neither
  // the settings file nor the plant configuration (it only watches). Set before startUp.
  void setReadOnly(bool on);
  bool readOnly() const { return readOnly_; }

  // Start-up, in this order.
  std::vector<Hook> onResetFlags;    // write-in-progress and report-writer flags cleared
  std::vector<Hook> onSettingsRead;  // `settings` read: windows take what they show from it
  std::vector<Hook> onConfigRead;    // `store.config` loaded, `countSpin` set: grids sized
  std::vector<Hook> onResetTables;   // per-row sound, alarm and averaging state reset
  std::vector<Hook> afterStartUp;  // programs loaded, "программа Запущена" journaled
  // Shut-down: windows put their state (geometry, widths, fonts, ...) into `settings` before
  // the settings file is written.
  std::vector<Hook> beforeShutDown;

  // The main window's start-up: settings, plant configuration, per-row state, incubation
  // programs, the journal line. Runs once.
  void startUp();
  // The journal line and every shut-down key of the settings file. Runs once, and only after
  // startUp. Returns false (after saying so) when the settings file could not be written.
  bool shutDown();
  bool started() const { return started_; }
  bool stopped() const { return stopped_; }

  int kol_t() const { return settings.kol_t(); }

  // Re-reads the settings file (after another installation's file was copied over it) and lets
  // the windows show it, so that the shut-down writes back what was taken over.
  void reloadSettings();
  // Loads the plant configuration again (after it was taken over from another installation)
  // and lets the windows show it.
  void reloadConfig();
  // Writes the five keys of the general settings window; says so when that fails.
  bool saveNastr();

 private:
  static void run(const std::vector<Hook>& hooks);

  void tell(const std::string& utf8) const;

  std::filesystem::path home_;
  bool readOnly_ = false;
  bool started_ = false;
  bool stopped_ = false;
};

}  // namespace vs
