// The "Установки" tab of the main window: the incubator list StringGrid2 with its count, the
// "Запомнить!" button and the import and export of "*.cfg" files; the poll period, the
// single-block debug poll and the adapter settings button.
#pragma once
#include <QString>
#include <QWidget>
#include <functional>

#include "config/IncubatorList.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;

namespace vs {

class Workstation;

class SettingsTab : public QWidget {
  Q_OBJECT

 public:
  enum class Answer { Yes, No, Cancel };

  explicit SettingsTab(Workstation& ws, QWidget* parent = nullptr);
  ~SettingsTab() override;

  IncubatorList& list() { return list_; }

  // Showing the tab: the editing copy starts again from the live configuration and the list is
  // filled from it (three or four columns as the hub setting says).
  void refresh();
  // The program sets the count spin box (start-up, a configuration taken over): the list shows
  // that many rows; the editing copy keeps its own count.
  void showCount(int count);
  // The settings the tab shows were read.
  void applySettings();
  // The four-line hub was switched in the adapter window: the "Линия (1..4)" column follows.
  void setHub(bool on);
  // The hub's table holds incubators 1..120 only; shown while more are configured with it on.
  static constexpr const char* kHubLimitWarning =
      "Концентратор 4RS485 принимает только 120 инкубаторов: инкубаторы с 121-го через него не "
      "опрашиваются";

  // "Запомнить!". Returns whether both stored copies were written.
  bool remember();
  // The two picture buttons after their file dialogs. Both return false after reporting a
  // failure; an import changes only the editing copy.
  bool openCfg(const QString& path);
  bool saveCfg(const QString& path);
  // The count spin box changed by the operator.
  void countEdited(int value);
  // Double-click in a cell of the list (row 1 and below are incubators).
  void cellDoubleClicked(int row, int col);
  // Text typed into a cell of the list (row 1 and below).
  void cellEdited(int row, int col, const QString& text);
  // A text was committed to a cell: a refused one gives way to the stored value, with the
  // reason.
  void cellCommitted(int row);
  // The editor of a cell opened; closed (a cell left with Escape commits nothing, and the
  // keystrokes it took go back).
  void cellEditStarted(int row, int col);
  void cellEditClosed();

  // Asks the question of the poll column (a Yes/No/Cancel message box unless replaced).
  std::function<Answer(const QString& text, const QString& title)> ask;
  // Sends the routing table to the four-line hub; run by "Запомнить!" with the hub on.
  std::function<void()> sendHubTable;

  QTableWidget* stringGrid2() const { return grid_; }
  QLabel* errorLabel() const { return error_; }
  QLabel* statusLabel() const { return status_; }  // "Принято!"
  QLabel* hubWarning() const { return hubWarning_; }
  QPushButton* rememberButton() const { return remember_; }
  QToolButton* openButton() const { return open_; }
  QToolButton* saveButton() const { return save_; }
  QSpinBox* countSpin() const { return count_; }
  QPushButton* debugButton() const { return debug_; }  // "Отладка"
  QSpinBox* debugSpin() const { return debugSpin_; }
  QSpinBox* periodSE() const { return period_; }
  QPushButton* usbButton() const { return usb_; }  // "Настройка"

 signals:
  // The list now has `count` incubator rows: the main table and the setpoint grid follow.
  void countChanged(int count);
  // "Запомнить!" made the edited list live.
  void remembered();
  // "Настройка" in the group "USB порт ".
  void usbSettingsClicked();

 private:
  void fill();
  void fillRow(int row);
  QString cfgFolder() const;

  Workstation& ws_;
  IncubatorList list_;
  QTableWidget* grid_ = nullptr;
  QLabel* error_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* hubWarning_ = nullptr;
  QPushButton* remember_ = nullptr;
  QToolButton* open_ = nullptr;
  QToolButton* save_ = nullptr;
  QSpinBox* count_ = nullptr;
  QPushButton* debug_ = nullptr;
  QSpinBox* debugSpin_ = nullptr;
  QSpinBox* period_ = nullptr;
  QPushButton* usb_ = nullptr;
  bool filling_ = false;
};

}  // namespace vs
