// The damper board window "Работа с заслонками" (TZaslonkiF): the damper block of one
// incubator (board state, version, damper number, supply voltage, the calibration readings,
// the current reading and the measured angle on a quarter-circle gauge), "<--" / "-->" to
// choose the incubator, and the board's settings: set angle, check time, calibration start and
// factory settings, each through the write dialog. It mirrors the engine's view; the engine
// (owned here) follows the answers, writes and journals.
#pragma once
#include <QDialog>
#include <memory>

#include "boards/Zaslonki.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace vs {

class DamperGauge;

class TZaslonkiF : public QDialog {
  Q_OBJECT

 public:
  explicit TZaslonkiF(Station& station, QWidget* parent = nullptr);
  ~TZaslonkiF() override;

  // Hooks to fill: engine().writeDialog (modal write dialog, true when confirmed) and
  // engine().journal (the event journal).
  Zaslonki& engine() { return engine_; }
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs);
  // A status answer of row nk with the damper board present, after ZASL has been filled.
  void terminal(int nk, int length) { engine_.terminal(nk, length); }

  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* numberLabel() const { return number_; }
  QLabel* stateLabel() const { return state_; }
  QLabel* mercuryLabel() const { return mercury_; }
  QLabel* versionLabel() const { return version_; }
  QLabel* damperNumber() const { return zslN_; }
  QLabel* voltage() const { return voltage_; }
  QLabel* r0() const { return r0_; }
  QLabel* r1() const { return r1_; }
  QLabel* r() const { return r_; }
  QLabel* measured() const { return measured_; }
  QLabel* setAngle() const { return ugol_; }
  QLabel* checkTime() const { return time_; }
  int gaugeAngle() const;
  QSpinBox* angleEdit() const { return angleEdit_; }
  QSpinBox* timeEdit() const { return timeEdit_; }
  QPushButton* angleWrite() const { return angleWrite_; }
  QPushButton* timeWrite() const { return timeWrite_; }
  QPushButton* calibrateButton() const { return calibrate_; }
  QPushButton* factoryButton() const { return factory_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void showView();

  Zaslonki engine_;
  std::unique_ptr<Dialogs> own_;
  QPushButton* prev_ = nullptr;
  QLabel* number_ = nullptr;
  QPushButton* next_ = nullptr;
  QLabel* state_ = nullptr;
  QLabel* mercury_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* zslN_ = nullptr;
  QLabel* voltage_ = nullptr;
  QLabel* r0_ = nullptr;
  QLabel* r1_ = nullptr;
  QLabel* r_ = nullptr;
  QLabel* measured_ = nullptr;
  QLabel* ugol_ = nullptr;
  QLabel* time_ = nullptr;
  DamperGauge* gauge_ = nullptr;
  QSpinBox* angleEdit_ = nullptr;
  QSpinBox* timeEdit_ = nullptr;
  QPushButton* angleWrite_ = nullptr;
  QPushButton* timeWrite_ = nullptr;
  QPushButton* calibrate_ = nullptr;
  QPushButton* factory_ = nullptr;
};

}  // namespace vs
