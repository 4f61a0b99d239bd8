// The report window "Отчёт-Инкубация": a read-only log of the program writes, one line per
// step of the program write engine, shown whenever a queue of program requests starts.
#pragma once
#include <QWidget>

class QPlainTextEdit;

namespace vs {

class TForm5 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);

  // One line at the end of the log.
  void addLine(const QString& line);
  // A queue starts: the window shows, its log cleared first unless the operator is reading it
  // (it is the active window).
  void startQueue();

  QPlainTextEdit* log() const { return log_; }

 private:
  QPlainTextEdit* log_ = nullptr;
};

}  // namespace vs
