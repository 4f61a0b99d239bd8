// The write dialog "Запись параметров в Блок автоматики": every editor fills WriteKom and runs
// it modally. Showing it starts a write cycle of the engine; its log follows the cycle;
// "Повторить" starts the cycle again and "Закрыть" hides it (a cycle under way runs on). It
// closes itself when the check answer has come.
#pragma once
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace vs {

class WriteEngine;

class TWriteF : public QDialog {
  Q_OBJECT

 public:
  explicit TWriteF(WriteEngine& engine, QWidget* parent = nullptr);
  ~TWriteF() override;

  QPlainTextEdit* WriteRE() const { return log_; }
  QPushButton* closeButton() const { return close_; }
  QPushButton* repeatButton() const { return repeat_; }

 protected:
  // Activation: each time the dialog is shown (not when it is merely brought back to the front).
  void showEvent(QShowEvent* e) override;

 private:
  void showLog();

  WriteEngine& engine_;
  QPlainTextEdit* log_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* repeat_ = nullptr;
};

}  // namespace vs
