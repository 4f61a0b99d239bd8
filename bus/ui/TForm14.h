// The schedule debug window "Отладка расписания" (Alt+P in the main window): a radio group of
// schedule numbers 1..10, a button that queues the debug request for the chosen one, and a
// text box that gets one line for every schedule answer (answer type 51).
#pragma once
#include <QWidget>

#include "bus/FrameCodec.h"
#include "station/PollState.h"

class QButtonGroup;
class QPlainTextEdit;
class QPushButton;

namespace vs {

class TForm14 : public QWidget {
  Q_OBJECT

 public:
  // `kom485m` is the poll cycle's pending-command buffer.
  explicit TForm14(Kom485m& kom485m, QWidget* parent = nullptr);

  // The FrameDispatcher consumer of answer type 51.
  void AvtoInkub(const RS232_T& frame);

  QButtonGroup* RG() const { return rg_; }
  QPushButton* button() const { return button_; }
  QPlainTextEdit* RI() const { return ri_; }

 private:
  void request();

  Kom485m& kom485m_;
  QButtonGroup* rg_ = nullptr;
  QPushButton* button_ = nullptr;
  QPlainTextEdit* ri_ = nullptr;
};

}  // namespace vs
