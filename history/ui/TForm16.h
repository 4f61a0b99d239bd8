// The "Доп." window of the "Графики" tab: the setpoint log (".0il") beside the measurement log
// last chosen there, drawn as eight dotted series chosen by check boxes.
#pragma once
#include <QWidget>
#include <array>

#include "history/ChartData.h"

class QCheckBox;
class QLabel;
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
  // "прочитать": adds a point per record of the setpoint log to every ticked series, after the
  // points they hold. False (and the system's file error said) when the log cannot be read.
  bool read();

  QLabel* fileLabel() const { return file_; }
  QLabel* stateLabel() const { return state_; }  // "Есть доп. данные" / "Нет доп. данных"
  QCheckBox* box(int i) const { return boxes_[static_cast<std::size_t>(i)]; }
  QPushButton* readButton() const { return read_; }

 protected:
  bool event(QEvent* e) override;

 private:
  QString setpointLog() const;

  TabCharts& tab_;
  QLabel* file_ = nullptr;
  QLabel* state_ = nullptr;
  std::array<QCheckBox*, kSetpointSeries> boxes_{};
  QPushButton* read_ = nullptr;
};

}  // namespace vs
