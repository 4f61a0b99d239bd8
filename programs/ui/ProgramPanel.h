// The incubation-program part of the program window for one incubator: its current day, the
// start date and the time of the daily day change, the program file, the "Инкубация" switch,
// the "Изменить" toggle that guards them, and the scheduler's status lines. While "Изменить"
// is down the day and the status lines are a preview from the pickers and the scheduler makes
// no passes; on release a change is stored only after the operator's Yes.
#pragma once
#include <QWidget>
#include <functional>

#include "common/DateTime.h"
#include "programs/TFile_INKconfig.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTimer;

namespace vs {

class ProgramScheduler;
class Workstation;

class ProgramPanel : public QWidget {
  Q_OBJECT
 public:
  // What the panel asks of its window; TForm2 forwards them to its replaceable members.
  struct Calls {
    std::function<void(const QString& text)> message;
    std::function<bool(const QString& title, const QString& text)> question;
    // The program file chosen in `dir` (full path), or empty when the operator cancelled.
    std::function<QString(const QString& dir)> chooseFile;
    std::function<void(int nk)> programEditor;
  };

  // `programs` may be null: the controls show, nothing is computed.
  ProgramPanel(Workstation& ws, ProgramScheduler* programs, Calls calls, QWidget* parent = nullptr);

  // Fills the controls from incubator nk's configuration ("Изменить" must be up).
  void setRow(int nk);
  int row() const { return nk_; }

  // "Изменить" is down: the scheduler makes no passes.
  bool editing() const;
  // Releases "Изменить" as the operator would: a change is stored or dropped after the question.
  void release();
  // The day and the status lines, now (the 1 s timer while the panel is visible).
  void refresh();
  // "Выбрать" with the chooser of `Calls`.
  void choose();

  QPushButton* editButton() const { return edit_; }
  QPushButton* chooseButton() const { return choose_; }
  QPushButton* editorButton() const { return editor_; }
  QDateEdit* startDate() const { return date_; }
  QTimeEdit* dayChangeTime() const { return time_; }
  QLineEdit* programFile() const { return file_; }
  QRadioButton* incubationOff() const { return inkOff_; }
  QRadioButton* incubationOn() const { return inkOn_; }
  QLabel* dayLabel() const { return day_; }
  QLabel* tekuschee() const { return tekuschee_; }
  QLabel* dayCaption() const { return dayCaption_; }
  QLabel* dayChange() const { return dayChange_; }
  QLabel* rezult() const { return rezult_; }
  QLabel* vsego() const { return vsego_; }
  QLabel* ostalos() const { return ostalos_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void toggled(bool down);
  void fill();
  void enableEditing(bool on);
  bool changed() const;
  void store();
  TDateTime pickerStart() const;

  Workstation& ws_;
  ProgramScheduler* programs_;
  Calls calls_;
  int nk_ = 0;
  // What "Выбрать" overwrote, put back when the operator drops the change.
  TFile_INKconfig savedProgram_{};
  std::int8_t savedDenKON_ = 0;

  QTimer* timer_ = nullptr;
  QLabel* day_ = nullptr;
  QDateEdit* date_ = nullptr;
  QTimeEdit* time_ = nullptr;
  QLineEdit* file_ = nullptr;
  QPushButton* choose_ = nullptr;
  QRadioButton* inkOff_ = nullptr;
  QRadioButton* inkOn_ = nullptr;
  QPushButton* editor_ = nullptr;
  QPushButton* edit_ = nullptr;
  QLabel* tekuschee_ = nullptr;
  QLabel* dayCaption_ = nullptr;
  QLabel* dayChange_ = nullptr;
  QLabel* rezult_ = nullptr;
  QLabel* vsego_ = nullptr;
  QLabel* ostalos_ = nullptr;
};

}  // namespace vs
