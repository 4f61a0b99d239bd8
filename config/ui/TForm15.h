// The window "Перенос конфигурации": takes over the settings, the plant configuration, the
// program table and the data folders of a previous installation.
#pragma once
#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vs {

class Workstation;

class TForm15 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm15(Workstation& ws, QWidget* parent = nullptr);

  // The folder of the previous installation, as "выбор папки" sets it.
  void setFolder(const QString& dir);
  QString folder() const { return folder_; }
  // "перенос": copies the ticked items and lists the outcome.
  void transfer();

  QPushButton* chooseButton() const { return choose_; }
  QPushButton* transferButton() const { return transfer_; }
  QLabel* folderLabel() const { return label_; }
  // "Vetrostan.INI", "config.cfg", "папка file", "папка rezim", "папка sound", "configINK.cfg"
  const std::array<QCheckBox*, 6>& checks() const { return checks_; }
  QPlainTextEdit* messages() const { return memo_; }

 private:
  Workstation& ws_;
  QString folder_;
  QPushButton* choose_ = nullptr;
  QPushButton* transfer_ = nullptr;
  QLabel* label_ = nullptr;
  std::array<QCheckBox*, 6> checks_{};
  QPlainTextEdit* memo_ = nullptr;
};

}  // namespace vs
