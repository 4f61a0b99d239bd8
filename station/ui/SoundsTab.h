// The "Звуки" tab of the main window: one sound file per alarm kind, chosen from the folder
// "sound" with a double-click on its row and written to the settings file at once, and
// "Проиграть" to hear the file of the current row.
#pragma once
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

class QPushButton;
class QTableWidget;

namespace vs {

class SoundAlarms;

class SoundsTab : public QWidget {
  Q_OBJECT

 public:
  // `iniPath` is the settings file the keys "z0".."z10" go to (empty: a copy that only watches
  // writes nothing); `message` shows an operator message (UTF-8).
  SoundsTab(SoundAlarms& sound, std::filesystem::path iniPath,
            std::function<void(const std::string&)> message, QWidget* parent = nullptr);

  // Rows are the slots 0..10 with their captions as row headers; one column of file names.
  QTableWidget* grid() const { return grid_; }
  QPushButton* playButton() const { return play_; }

  // Shows the engine's file names (after the settings file was read).
  void showNames();
  // The file chooser of a double-click, opened on the folder "sound": the chosen file, or
  // empty when none was chosen. Tests put their own in its place.
  std::function<QString(const QString& folder)> chooseFile;
  // Puts `file` into the slot's row and writes the keys. A file outside "sound" is refused (it
  // would not be found there) and said so; so is a settings file that cannot be written.
  bool takeFile(int slot, const QString& file);

 private:
  void choose(int slot);

  SoundAlarms& sound_;
  std::filesystem::path iniPath_;
  std::function<void(const std::string&)> message_;
  QTableWidget* grid_ = nullptr;
  QPushButton* play_ = nullptr;
};

}  // namespace vs
