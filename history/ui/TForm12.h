// The window "Преобразование в файл Exel": converts one measurement log into a spreadsheet
// beside it, thinned by the chosen averaging, and opens the result with the program the system
// associates with it. The conversion runs on a worker thread of its own, so the bus is polled
// while a long log is read; the window shows its progress and can stop it.
#pragma once
#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <thread>

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
  // Stops a running conversion and waits for it; no half workbook is left.
  ~TForm12() override;

  // Starts converting one log with the window's choices (the conversion of the button
  // "Открыть файл" once its dialog is confirmed) and returns at once; the outcome is listed in
  // the text box and `converted` is emitted when it ends. Ignored while one is running.
  void convert(const QString& logPath);
  // A conversion is running.
  bool busy() const { return busy_; }
  // Stops a running conversion and waits for its thread; its outcome is listed and `converted`
  // emitted before this returns. Closing the window and ending the program do the same.
  void cancelAndWait();

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
  // "Отмена", shown while a conversion runs.
  QPushButton* cancelButton() const { return cancel_; }

 signals:
  // A conversion ended: true when the workbook was written, false when it failed or was
  // stopped.
  void converted(bool ok);
  // From the worker thread, queued to the window: the share done and the outcome.
  void workerProgress(int percent);
  void workerDone(const vs::ExportResult& result);

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void chooseAndConvert();
  void showOutcome(const ExportResult& r);
  void setRunning(bool running);

  std::filesystem::path home_;
  std::array<QToolButton*, 4> average_{};
  QPushButton* open_ = nullptr;
  QComboBox* format_ = nullptr;
  QCheckBox* openCheck_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool busy_ = false;
  std::jthread worker_;
};

}  // namespace vs
