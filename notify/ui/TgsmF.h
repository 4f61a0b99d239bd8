// The window "GSM - модем" (TgsmF): the block number, the controller's GSM settings (editable
// only while "Изменить" is down) with "Передать", the four module commands, the signal gauge and
// operator, and in terminal mode ("Терминал" down: the polls carry 1) the modem's own lines. It
// owns the module's engine, which takes every GSM answer from the dispatcher whether the window
// is shown or not, and ticks it every second.
#pragma once
#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <memory>

#include "notify/GsmP.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace vs {

class Dialogs;
class FrameDispatcher;

class TgsmF : public QWidget {
  Q_OBJECT

 public:
  // Reads the block number from key "Number" of section "GSM" of `iniPath`; a read-only
  // station (a second copy) does not write it back on closing.
  TgsmF(Station& station, FrameDispatcher& dispatcher, std::filesystem::path iniPath,
        bool readOnly = false, QWidget* parent = nullptr);
  ~TgsmF() override;

  GsmP& engine() { return engine_; }
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs);

  QSpinBox* blockSpin() const { return block_; }
  QPushButton* editButton() const { return edit_; }
  QPushButton* terminalButton() const { return terminal_; }
  QGroupBox* settingsPanel() const { return panel_; }
  QCheckBox* modemOn() const { return on_; }
  QCheckBox* alarmBox(int bit) const { return alarms_[static_cast<std::size_t>(bit)]; }
  QSpinBox* delaySpin() const { return delay_; }
  QLineEdit* numberEdit() const { return number_; }
  QComboBox* codeType() const { return codeType_; }
  QSpinBox* codeSpin() const { return code_; }
  QPushButton* sendButton() const { return send_; }
  QPushButton* commandButton(GsmCommand c) const;
  QPushButton* clearButton() const { return clear_; }
  QPlainTextEdit* logView() const { return log_; }
  QProgressBar* signalGauge() const { return signal_; }
  QLabel* operatorLabel() const { return operator_; }

 protected:
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void showState();
  void peredat();

  GsmP engine_;
  FrameDispatcher& dispatcher_;
  std::filesystem::path iniPath_;
  bool readOnly_ = false;
  std::unique_ptr<Dialogs> own_;
  Dialogs* dialogs_ = nullptr;
  QTimer timer_;
  QSpinBox* block_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* terminal_ = nullptr;
  QGroupBox* panel_ = nullptr;
  QCheckBox* on_ = nullptr;
  std::array<QCheckBox*, 4> alarms_{};
  QSpinBox* delay_ = nullptr;
  QLineEdit* number_ = nullptr;
  QComboBox* codeType_ = nullptr;
  QSpinBox* code_ = nullptr;
  QPushButton* send_ = nullptr;
  std::array<QPushButton*, 4> commands_{};
  QPushButton* clear_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QProgressBar* signal_ = nullptr;
  QLabel* operator_ = nullptr;
  QString shownLog_;
};

}  // namespace vs
