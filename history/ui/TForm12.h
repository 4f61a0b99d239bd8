// The window "Преобразование в файл Exel": converts one measurement log into a spreadsheet
// beside it, thinned by the chosen averaging, and opens the result with the program the system
// associates with it.
#pragma once
#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>

#include "history/LogExport.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace vs {

// Asks the system shell to open a file with its associated program, shown normally. False when
// the shell refused.
bool OpenFileInOSShell(const QString& path);

class TForm12 : public QWidget {
  Q_OBJECT

 public:
  // `home` is the working folder; the file dialog opens in its folder "file".
  explicit TForm12(std::filesystem::path home, QWidget* parent = nullptr);

  // Converts one log with the window's choices and lists the outcome (the conversion of the
  // button "Открыть файл" once its dialog is confirmed).
  void convert(const QString& logPath);

  // 1, 10, 100 or 1000 after the pressed button.
  int averaging() const;
  SheetFormat format() const;
  // The workbook is opened through this after a successful conversion when the box is ticked;
  // by default the system shell. Tests put their own here.
  std::function<void(const QString& path)> openWorkbook;

  // Elements, for tests and screenshots.
  const std::array<QToolButton*, 4>& averageButtons() const { return average_; }
  QPushButton* openButton() const { return open_; }
  QComboBox* formatBox() const { return format_; }
  QCheckBox* openCheck() const { return openCheck_; }
  QPlainTextEdit* messages() const { return memo_; }
  QProgressBar* progressBar() const { return progress_; }

 private:
  void chooseAndConvert();

  std::filesystem::path home_;
  std::array<QToolButton*, 4> average_{};
  QPushButton* open_ = nullptr;
  QComboBox* format_ = nullptr;
  QCheckBox* openCheck_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QProgressBar* progress_ = nullptr;
  bool busy_ = false;
};

}  // namespace vs
