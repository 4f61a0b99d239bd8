// "Спец. обновл." (TForm7): packs a raw image as a ".bit" file beside it, with the version of
// "Версия", board type 0 and memory flag 0. Such a file is written only to a board that reports
// type 0; "Контроль" takes it on any board.
#pragma once
#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vs {

class TForm7 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm7(QWidget* parent = nullptr);

  // Asks for the raw image; by default the file-open dialog.
  std::function<std::optional<std::filesystem::path>()> chooseFile;
  // Where a failure goes besides the window (the journal and the operator); unset, a message box.
  std::function<void(const std::string&)> report;

  QSpinBox* versionBox() const { return version_; }
  QLineEdit* nameEdit() const { return name_; }
  QLabel* sourceLabel() const { return source_; }
  // "Изменить".
  void izmenit();

 private:
  QSpinBox* version_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* source_ = nullptr;
  QPushButton* change_ = nullptr;
};

}  // namespace vs
