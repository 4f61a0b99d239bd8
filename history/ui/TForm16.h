// The "Доп." window of the "Графики" tab: the setpoint log (".0il") beside the measurement log
// last chosen there, drawn as eight dotted series chosen by check boxes.
#pragma once
#include <QWidget>
#include <array>

#include "common/ui/WorkerJob.h"
#include "history/ChartData.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vs {

class TabCharts;

class TForm16 : public QWidget {
  Q_OBJECT

 public:
  // A tool window of `tab`, which owns it and whose series 8..15 it fills.
  explicit TForm16(TabCharts& tab);

  // What activation does: the file name, whether its setpoint log exists, and series 8..11
  // shown after the first four boxes.
  void refresh();
  // "прочитать": starts reading the setpoint log on a worker and returns at once; its points
  // go to every ticked series after the points they hold, a point per record, or per pixel
  // column the lowest and highest value when the log is far longer than the plot is wide. A
  // read running is cancelled first. False (and the system's file error said) when the log
  // cannot be opened; `readFinished` tells how a started read ended.
  bool read();
  bool loading() const { return loader_.running(); }
  // Stops the read running; nothing is added. `readFinished(false)` follows at once.
  void cancelRead();

  QLabel* fileLabel() const { return file_; }
  QLabel* stateLabel() const { return state_; }  // "Есть доп. данные" / "Нет доп. данных"
  QCheckBox* box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
  QPushButton* readButton() const { return read_; }
  QProgressBar* progressBar() const { return progress_; }

 signals:
  // A read ended: true when its points are drawn, false when it failed (said) or was
  // cancelled.
  void readFinished(bool ok);

 protected:
  bool event(QEvent* e) override;

 private:
  QString setpointLog() const;

  TabCharts& tab_;
  QLabel* file_ = nullptr;
  QLabel* state_ = nullptr;
  std::array<QCheckBox*, kSetpointSeries> boxes_{};
  QPushButton* read_ = nullptr;
  QProgressBar* progress_ = nullptr;
  // Destroyed first: it stops and waits for its job while all the rest still stands.
  WorkerJob loader_;
};

}  // namespace vs
