#include "config/Workstation.h"

#include <clocale>
#include <iostream>

#include "config/SettingsFile.h"
#include "station/MainTableLayout.h"

namespace vs {

namespace {

std::string utf8Path(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

}  // namespace

Workstation::Workstation(std::filesystem::path home, const Clock& clk,
                         std::filesystem::path registryDir)
    : clock(clk), store(home, std::move(registryDir)), journal(home, clk), home_(std::move(home)) {
  store.message = [this](const std::string& text) { show(text); };
  // A damaged copy of the configuration is journalled and shown: the operator must know that
  // the hall may be polled from another copy, or not at all.
  store.report = [this](const std::string& text) {
    report(text);
    if (windows) show(text);
  };
  store.note = [this](const std::string& text) { report(text); };
  journal.trouble = [this](const std::string& text) { tell(text); };
}

void Workstation::tell(const std::string& utf8) const {
  if (notice)
    notice(utf8);
  else
    std::cerr << utf8 << '\n';
}

void Workstation::report(const std::string& utf8) {
  journal.Err(utf8);
  tell(utf8);
}

void Workstation::setReadOnly(bool on) {
  readOnly_ = on;
  store.readOnly = on;
}

void Workstation::show(const std::string& utf8) const {
  if (message)
    message(utf8);
  else
    std::cerr << utf8 << '\n';
}

void Workstation::run(const std::vector<Hook>& hooks) {
  for (const Hook& h : hooks)
    if (h) h();
}

void Workstation::startUp() {
  if (started_) return;
  started_ = true;
  // Numbers are written and read with "." whatever the user's locale says.
  std::setlocale(LC_NUMERIC, "C");
  run(onResetFlags);

  loadSettings(iniPath(), settings, &settingsProblems);
  // A value the program does not know is not guessed at: its default is taken, and said.
  for (const std::string& problem : settingsProblems) report(problem);
  run(onSettingsRead);

  reloadConfig();

  run(onResetTables);
  store.loadPrograms();
  journal.Err(kJournalStarted);
  run(afterStartUp);
}

bool Workstation::shutDown() {
  if (!started_ || stopped_) return true;
  stopped_ = true;
  journal.Err(kJournalClosed);
  run(beforeShutDown);
  settings.inkubKol = countSpin;
  if (readOnly_) return true;  // the copy that holds the folder keeps its settings
  if (saveSettings(iniPath(), settings)) return true;
  show("Ошибка записи файла: " + utf8Path(iniPath()));
  return false;
}

void Workstation::reloadSettings() {
  loadSettings(iniPath(), settings);
  run(onSettingsRead);
}

void Workstation::reloadConfig() {
  store.read_config();
  countSpin = countSpinValue(store.config.kol_inkub);
  run(onConfigRead);
}

bool Workstation::saveNastr() {
  if (readOnly_) return true;
  if (vs::saveNastr(iniPath(), settings)) return true;
  show("Ошибка записи файла: " + utf8Path(iniPath()));
  return false;
}

}  // namespace vs
