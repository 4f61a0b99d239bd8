// "Отчёт за смену": the shift's record sheet as it will be printed, for the present shift (up
// to now) or one of the shifts before it, with "Печать" and "Сохранить". The sheet is made on a
// worker thread from the logs, the journal and the alarm list; the window only draws it.
#pragma once
#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>

#include "common/ui/WorkerJob.h"
#include "report/ShiftReport.h"

class QComboBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QProgressBar;
class QPushButton;

namespace vs {

class ShiftReportWindow : public QDialog {
  Q_OBJECT

 public:
  struct Inputs {
    ShiftStarts starts;
    // What the sheet of a shift needs of the station, copied now (on this thread).
    std::function<ReportInput(const Shift&)> gather;
    // The present moment: which shift is running.
    std::function<TDateTime()> now;
  };
  // Shifts offered: the present one and this many before it.
  static constexpr int kShiftsBack = 13;

  explicit ShiftReportWindow(Inputs inputs, QWidget* parent = nullptr);
  ~ShiftReportWindow() override;

  // The printer "Печать" draws on: the system's print dialog, or null when it was cancelled.
  // Tests put their own in its place.
  std::function<std::unique_ptr<QPrinter>(QWidget* parent)> choosePrinter;

  // Offers the shifts again up to now and makes the sheet of the one chosen (the present).
  void refresh();
  // The sheet of shift `index` of the list (0: the present one) is made anew.
  void make(int index);
  bool making() const { return loader_.running(); }
  bool saving() const { return saver_.running(); }
  // The sheet shown, if any.
  const ShiftReport* report() const { return report_.get(); }

  QComboBox* shiftBox() const { return shift_; }
  QPrintPreviewWidget* preview() const { return preview_; }
  QPushButton* printButton() const { return print_; }
  QPushButton* saveButton() const { return save_; }
  QLabel* stateLabel() const { return state_; }

  // Draws the sheet on a printer (what "Печать" does once a printer is chosen); false with the
  // state line saying why.
  bool printTo(QPrinter& printer);
  // "Сохранить": both files into "report" (on the worker).
  void save();

 signals:
  void made(bool ok);
  void saved(bool ok);

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void setBusy(bool busy);
  void paint(QPrinter* printer);

  Inputs in_;
  std::unique_ptr<QPrinter> previewPrinter_;  // A4, what the preview draws on
  std::vector<Shift> shifts_;
  std::filesystem::path home_;  // where the sheet shown is saved
  std::shared_ptr<const ShiftReport> report_;
  WorkerJob loader_;
  WorkerJob saver_;
  QComboBox* shift_ = nullptr;
  QPrintPreviewWidget* preview_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* close_ = nullptr;
  QLabel* state_ = nullptr;
};

}  // namespace vs
