// The controller configuration window "Настройка конфикурации блока автоматики" (TNastrDF):
// nine pages of the current incubator's configuration, each with its "Записать" and
// "Закрыть", the factory reset on the "Тип блока" page and the bus-number group below them.
// It mirrors the engine's state; the engine (owned here) follows the answers, writes and
// journals.
#pragma once
#include <QDialog>
#include <QTimer>
#include <array>
#include <memory>

#include "setpoints/NastrD.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace vs {

class TNastrDF : public QDialog {
  Q_OBJECT

 public:
  explicit TNastrDF(Station& station, QWidget* parent = nullptr);
  ~TNastrDF() override;

  NastrD& engine() { return engine_; }
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs);
  // Opens modally on page 0..3 (from the setpoint grid), or raises the open window there.
  void openOnPage(int page);

  QTabWidget* pages() const { return pages_; }
  QPushButton* editButton() const { return edit_; }
  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* numberLabel() const { return number_; }
  QPushButton* zapis(NPage p) const { return zapis_[index(p)]; }
  QPushButton* factoryButton() const { return factory_; }
  QLineEdit* busNumberEdit() const { return busNumber_; }
  QToolButton* busEnableButton() const { return busEnable_; }
  QPushButton* busWriteButton() const { return busWrite_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void done(int r) override;

 private:
  static std::size_t index(NPage p) { return static_cast<std::size_t>(p); }
  void showState();

  NastrD engine_;
  std::unique_ptr<Dialogs> own_;
  QTimer timer_;
  QTabWidget* pages_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* prev_ = nullptr;
  QPushButton* next_ = nullptr;
  QLabel* number_ = nullptr;
  std::array<QWidget*, kNastrPages> body_{};
  std::array<QPushButton*, kNastrPages> zapis_{};
  QComboBox* hum_ = nullptr;
  QComboBox* co2_ = nullptr;
  QComboBox* trays_ = nullptr;
  QComboBox* polarity_ = nullptr;
  QComboBox* stop_ = nullptr;
  QComboBox* cooling_ = nullptr;
  QComboBox* delay_ = nullptr;
  QCheckBox* bell_ = nullptr;
  QComboBox* motor_ = nullptr;
  QCheckBox* heaterOff_ = nullptr;
  QCheckBox* hidden_ = nullptr;
  QComboBox* vent_ = nullptr;
  QComboBox* model_ = nullptr;
  QCheckBox* dampers_ = nullptr;
  QCheckBox* humByDamper_ = nullptr;
  QPushButton* factory_ = nullptr;
  QLineEdit* busNumber_ = nullptr;
  QToolButton* busEnable_ = nullptr;
  QPushButton* busWrite_ = nullptr;
};

}  // namespace vs
