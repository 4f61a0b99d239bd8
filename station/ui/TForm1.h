// The main window: the incubator table, the top bar, the tabs "Главная", "Графики", "Зоны",
// "Звуки", "Установки" and the main menu. Creating it runs the workstation's start-up; closing
// it runs the shut-down.
#pragma once
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "config/Settings.h"

class QAction;
class QFrame;
class QLabel;
class QPainter;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QPushButton;

namespace vs {

class Workstation;
class SettingsTab;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Tab indices of the page control, in their order.
  enum Tab { TabMain = 0, TabCharts, TabZones, TabSounds, TabSettings };

  // `secondCopy`: another copy of the program already runs on this working folder; the caption
  // says so and that this copy only watches.
  TForm1(Workstation& ws, bool secondCopy, QWidget* parent = nullptr);
  ~TForm1() override;

  Workstation& workstation() { return ws_; }

  // The main table `TableT` as a grid of cells: row 0 is the header, column 0 the names.
  int colCount() const;
  int rowCount() const;
  void setColCount(int n);
  void setRowCount(int n);
  QString cells(int c, int r) const;
  void setCells(int c, int r, const QString& text);
  int colWidth(int c) const;
  void setColWidth(int c, int w);
  int defaultColWidth() const;
  void setDefaultColWidth(int w);
  int defaultRowHeight() const;
  void setDefaultRowHeight(int h);
  // The user may drag row heights and column widths (allowed at the end of the start-up).
  bool resizingAllowed() const;

  // `kol_t` changed in the general settings: the table gets kol_t + 6 columns and the header
  // row follows at once.
  void setKolT(int kol_t);
  // Rewrites the header row for the current `kol_t`.
  void writeHeader();
  // Writes the configured names into column 0 and the setpoint grid's header row.
  void writeNames();

  // The font of a table font class 0..3 and its colour, as the drawing routine uses them.
  QFont fonFont(int cls) const;
  QColor fonColor(int cls) const;
  void setFon(int cls, const QFont& font, const QColor& color);

  // Draws one cell of the main table (row 0 and column 0 included).
  void TableTDrawCell(QPainter& p, const QRect& rect, int c, int r);
  // The 48 x 48 picture of an alarm code 0..8.
  static QPixmap alarmPicture(int code);

  // Entries of the main table's context menu that take a number; `text` is what the operator
  // typed. A text that is not a positive whole number is reported and changes nothing.
  bool setRowHeightText(const QString& text);
  bool setFirstColWidthText(const QString& text);
  bool setOtherColWidthsText(const QString& text);

  // Controls other parts of the program drive.
  // Set by the station: whether row nk's name cell is drawn as linked (grey) or lost (yellow).
  std::function<bool(int nk)> nameCellLinked;
  // Set by the station: the alarm codes of row nk, one picture each in the "Аварии" column.
  std::function<std::vector<int>(int nk)> alarmCodes;

  QTableWidget* tableT() const { return tableT_; }
  QTableWidget* zonT() const { return zonT_; }
  QTableWidget* soundGrid() const { return soundGrid_; }
  QPushButton* playButton() const { return play_; }
  QTabWidget* pageControl() const { return pages_; }
  SettingsTab* settingsTab() const { return settingsTab_; }
  // Controls of the "Установки" tab the poll cycle and the hub use.
  QLabel* statusLabel() const;                   // "Принято!"
  QPushButton* debugButton() const;              // "Отладка"
  QSpinBox* debugSpin() const;                   // incubator number of the single-block poll
  QSpinBox* periodSE() const;                    // "Период опроса", seconds
  QSpinBox* countSpin() const;                   // "Кол-во инкубаторов:"
  QToolButton* rsButton() const { return rs_; }  // "Работа"
  QLabel* oprosLabel() const { return opros_; }  // "Опрос"
  QLabel* usbNoLabel() const { return usbNo_; }  // "USB не работает"
  QLabel* timeLabel() const { return time_; }    // "Время"
  QToolButton* detailButton() const { return detail_; }      // "Просмотр 1 КП"
  QToolButton* paramButton() const { return param_; }        // zones and control parameters
  QToolButton* mimicButton() const { return mimic_; }        // "Окно инкубатория"
  QToolButton* damperButton() const { return damper_; }      // "Заслонки"
  QToolButton* soundOffButton() const { return soundOff_; }  // "Остановить ЗВУК"
  QFrame* autoPanel() const { return autoPanel_; }  // "Включена автоматическая" "инкубация"
  QLabel* autoCount() const { return autoCount_; }
  QFrame* tempHint() const { return tempHint_; }  // hover panel over temperatures
  QFrame* humHint() const { return humHint_; }    // hover panel over humidity
  std::array<QLabel*, 4> tempHintValues() const { return tempHintValues_; }  // 3 values, name
  std::array<QLabel*, 5> humHintValues() const { return humHintValues_; }    // 4 values, name

  // Main menu entries and hot keys.
  QAction* actionGeneralSettings() const { return actGeneral_; }  // "Общие Настройки"
  QAction* actionGsm() const { return actGsm_; }                  // "GSM-модем"
  QAction* actionPrograms() const { return actPrograms_; }  // "Программы инкубации"
  QAction* actionAutomation() const { return actAutomation_; }  // "Конфигурация автоматики"
  QAction* actionUsb() const { return actUsb_; }                // "USB-настройки"
  QAction* actionExit() const { return actExit_; }    // "Выход"
  QAction* actionAbout() const { return actAbout_; }  // "О программе"
  QAction* hotKeyN() const { return keyN_; }          // Alt+N tray board
  QAction* hotKeyD() const { return keyD_; }          // Alt+D mimic view
  QAction* hotKeyO() const { return keyO_; }          // Alt+O firmware update
  QAction* hotKeyP() const { return keyP_; }          // Alt+P schedule debug window

 signals:
  // The shut-down has run; the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  QWidget* buildTopBar();
  void buildMenu();
  QWidget* buildMainTab();
  QWidget* buildZonesTab();
  QWidget* buildSoundsTab();
  void buildContextMenu();
  void hookStartUp();
  void applySettings();
  void applyConfig();
  void storeSettings();
  void setCount(int count);
  void reportNotNumber(const QString& text);

  Workstation& ws_;
  QTabWidget* pages_ = nullptr;
  QTableWidget* tableT_ = nullptr;
  QTableWidget* zonT_ = nullptr;
  QTableWidget* soundGrid_ = nullptr;
  QPushButton* play_ = nullptr;
  SettingsTab* settingsTab_ = nullptr;
  QToolButton* rs_ = nullptr;
  QLabel* opros_ = nullptr;
  QLabel* usbNo_ = nullptr;
  QLabel* time_ = nullptr;
  QToolButton* detail_ = nullptr;
  QToolButton* param_ = nullptr;
  QToolButton* mimic_ = nullptr;
  QToolButton* damper_ = nullptr;
  QToolButton* soundOff_ = nullptr;
  QFrame* autoPanel_ = nullptr;
  QLabel* autoCount_ = nullptr;
  QFrame* tempHint_ = nullptr;
  QFrame* humHint_ = nullptr;
  std::array<QLabel*, 4> tempHintValues_{};
  std::array<QLabel*, 5> humHintValues_{};
  QAction* actGeneral_ = nullptr;
  QAction* actGsm_ = nullptr;
  QAction* actPrograms_ = nullptr;
  QAction* actAutomation_ = nullptr;
  QAction* actUsb_ = nullptr;
  QAction* actExit_ = nullptr;
  QAction* actAbout_ = nullptr;
  QAction* keyN_ = nullptr;
  QAction* keyD_ = nullptr;
  QAction* keyO_ = nullptr;
  QAction* keyP_ = nullptr;
  int kolT_ = 2;
  bool closing_ = false;
};

// Conversions between a font class of the settings file and Qt's font and colour.
QFont fontOf(const FontClass& f);
QColor colorOf(const FontClass& f);
FontClass fontClassOf(const QFont& font, const QColor& color);

}  // namespace vs
