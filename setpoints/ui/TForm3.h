// The working-sensor dialog "Выбор датчика Т?" (TForm3), and the small choice dialog it shares
// with the alarm-delay dialog (TForm6): a caption, a text, one choice, "Записать" that fills
// WriteKom and runs the write dialog, and "Выход".
#pragma once
#include <QDialog>
#include <functional>
#include <vector>

#include "station/PollState.h"

class QButtonGroup;
class QPushButton;

namespace vs {

class ChoiceWriteDialog : public QDialog {
  Q_OBJECT

 public:
  // The write dialog, modal, after WriteKom has been filled.
  std::function<void()> writeDialog;

  // The callers' T1T2T3 (the value now), T1T2T3col (incubator position + 1) and T1T2T3row (the
  // grid row), then the dialog runs modally with T1T2T3 chosen.
  void openFor(int T1T2T3, int T1T2T3col, int T1T2T3row);

  int chosen() const;
  void choose(int index);
  QPushButton* writeButton() const { return write_; }
  QPushButton* exitButton() const { return exit_; }

 protected:
  ChoiceWriteDialog(TWriteCom& WriteKom, const char* caption, const char* text,
                    const char* choiceTitle, const std::vector<const char*>& items,
                    QWidget* parent);
  // Fills WriteKom for the chosen index.
  virtual void fill(TWriteCom& w, int index) = 0;

  int col_ = 0;
  int row_ = 0;

 private:
  void zapisat();

  TWriteCom& WriteKom_;
  QButtonGroup* group_ = nullptr;
  QPushButton* write_ = nullptr;
  QPushButton* exit_ = nullptr;
};

class TForm3 : public ChoiceWriteDialog {
  Q_OBJECT

 public:
  explicit TForm3(TWriteCom& WriteKom, QWidget* parent = nullptr);

 protected:
  void fill(TWriteCom& w, int index) override;
};

}  // namespace vs
