// The tray-board window "LotkiF" (TlotkiF): the board's clock, firmware version, countdown to
// the next turn and status flags as its reports bring them; the "Установки" tab with each
// setting's "Записать" and "Уст. Время", open only while "Изменить" is down; the link lamp and
// the report count below. It owns the board's engine, which takes the reports from the
// dispatcher whether the window is shown or not.
#pragma once
#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "boards/LotkiP.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vs {

class Dialogs;
class FrameDispatcher;

class TlotkiF : public QDialog {
  Q_OBJECT

 public:
  TlotkiF(Station& station, const Clock& clock, FrameDispatcher& dispatcher,
          QWidget* parent = nullptr);
  ~TlotkiF() override;

  // "Button1": the damper board window, modally.
  std::function<void()> openZaslonki;

  LotkiP& engine() { return engine_; }
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs);

  QTabWidget* tabs() const { return tabs_; }
  QPushButton* editButton() const { return edit_; }
  QLabel* timeLabel() const { return time_; }
  QLabel* flagLabel() const { return flags_; }
  QLineEdit* periodEdit() const { return period_; }
  QLineEdit* workTimeEdit() const { return workTime_; }

 private:
  void showReport();
  void showLamp();
  void zapisNumber(LotkiParam p, QLineEdit* edit);

  LotkiP engine_;
  std::unique_ptr<Dialogs> own_;
  Dialogs* dialogs_ = nullptr;
  QTimer lampTimer_;
  QLabel* version_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* countdown_ = nullptr;
  QLabel* seconds_ = nullptr;
  QLabel* flags_ = nullptr;
  QLabel* lamp_ = nullptr;
  QLabel* ul_ = nullptr;
  QPushButton* edit_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::array<QCheckBox*, 4> trolleys_{};
  QLineEdit* period_ = nullptr;
  QLineEdit* workTime_ = nullptr;
  std::array<QRadioButton*, 3> limitType_{};
  std::array<QRadioButton*, 2> mode_{};
  std::array<QRadioButton*, 3> third_{};
  QCheckBox* wholeHours_ = nullptr;
};

}  // namespace vs
