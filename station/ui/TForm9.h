// The detail window: one incubator in large type, on top of the other windows, with the
// previous / next buttons, the lamps and alarm pictograms of its 500 ms timer and the
// double-click edits of the main setpoints. It can hide the main window to be watched alone.
#pragma once
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "config/Settings.h"
#include "config/TFile_config.h"
#include "setpoints/SetpointEdit.h"
#include "station/DetailView.h"

class QFrame;
class QToolButton;
class QPushButton;

namespace vs {

class DamperGauge;

class TForm9 : public QWidget {
  Q_OBJECT

 public:
  // `settings` holds the font classes FON whose colours the zone states take; `iniPath` is the
  // settings file with nk_Opros (not written when `readOnly`).
  TForm9(StationTables& tables, const TFile_config& config, TWriteCom& WriteKom, Settings& settings,
         std::filesystem::path iniPath, bool readOnly, QWidget* parent = nullptr);
  ~TForm9() override;

  // Where the window leads: the write dialog and the working-sensor dialog (after the pending
  // write or the dialog's values are filled), the action command to the shown incubator's
  // address, and the main window's visibility.
  SetpointEditHooks hooks;
  std::function<void(std::uint8_t address, std::uint8_t value)> KomAvt;
  std::function<void(bool visible)> mainWindow;
  // The window has closed (the main window's toggle is released by it).
  std::function<void()> closed;
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs) { dialogs_ = dialogs ? dialogs : own_.get(); }

  DetailView& view() { return view_; }
  int nk_Opros() const { return view_.nk_Opros; }

  // Shows and activates the window: the number label and a refresh.
  void showDetail();
  // Refresh from incubator nk (the station calls it for answers of the shown one).
  void OprosI(int nk);
  // Previous / next incubator.
  void previous();
  void next();
  // One step of the 500 ms timer.
  void Timer();
  // The status strip: answer count, time of the last answer, "USB не работает".
  void setAnswerCount(long long n);
  void setTimeText(const QString& text);
  void setUsbNo(const QString& text, bool visible);

  // Elements, for the wiring and the tests.
  QLabel* label(const char* name) const;  // by object name: "T1", "T1caption", "upper", ...
  QToolButton* mainToggle() const { return mainToggle_; }
  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* numberLabel() const { return number_; }
  QLabel* oprosLabel() const { return opros_; }
  QLabel* timeLabel() const { return time_; }
  QLabel* usbNoLabel() const { return usbNo_; }
  const std::array<QLabel*, 4>& lamps() const { return lamps_; }
  const std::array<QLabel*, 6>& pictograms() const { return pictograms_; }
  QFrame* trayPanel() const { return trayPanel_; }
  QFrame* humPanel() const { return humPanel_; }
  QLabel* humIndicator() const { return humIndicator_; }
  QLabel* tempIndicator() const { return tempIndicator_; }
  int gaugeAngle() const;

  // A double-click on a child, as the mouse gives it.
  void doubleClicked(QWidget* w);

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QLabel* make(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
               int points);
  void setColour(QLabel* l, QPalette::ColorRole role, const QColor& c);
  void zoneColour(QLabel* l, std::uint8_t state);
  void showNumber();
  // The alarm pictograms of row nk, as the timer shows them; also at once after navigation.
  void showPictograms(int nk);
  int rows() const { return usableRows(config_); }

  const StationTables& tables_;
  const TFile_config& config_;
  TWriteCom& WriteKom_;
  Settings& settings_;
  std::filesystem::path iniPath_;
  bool readOnly_;
  DetailView view_;
  std::unique_ptr<Dialogs> own_;
  Dialogs* dialogs_ = nullptr;
  QTimer timer_;
  std::map<QWidget*, std::function<void()>> dblClick_;
  std::map<std::string, QLabel*> labels_;
  std::array<QLabel*, 3> captions_{};
  QLabel* upper_ = nullptr;
  QLabel* lower_ = nullptr;
  QLabel* number_ = nullptr;
  QLabel* opros_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* usbNo_ = nullptr;
  QLabel* humIndicator_ = nullptr;
  QLabel* tempIndicator_ = nullptr;
  std::array<QLabel*, 4> lamps_{};
  std::array<QLabel*, 6> pictograms_{};
  QFrame* trayPanel_ = nullptr;
  QFrame* humPanel_ = nullptr;
  DamperGauge* gauge_ = nullptr;
  QToolButton* mainToggle_ = nullptr;
  QPushButton* prev_ = nullptr;
  QPushButton* next_ = nullptr;
  bool timerFailed_ = false;  // the timer's failure has been told
  // nk_Opros moved in another window (the mimic's buttons, the editors' arrows): an open
  // window shows the new incubator at once.
  CurrentRow::Handle following_;
};

}  // namespace vs
