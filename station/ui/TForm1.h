// The main window: the incubator table, the top bar, the tabs "Главная", "Графики", "Зоны",
// "Звуки", "Установки" and the main menu. Creating it runs the workstation's start-up; closing
// it runs the shut-down.
#pragma once
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "config/Settings.h"
#include "station/ui/IncubatorTable.h"

class QAction;
class QFrame;
class QLabel;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QPushButton;

namespace vs {

class Workstation;
class SettingsTab;
class SoundAlarms;
class SoundsTab;
class TabCharts;
class ZonesTab;
struct StationTables;
struct TWriteCom;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Tab indices of the page control, in their order.
  enum Tab { TabMain = 0, TabCharts, TabZones, TabSounds, TabSettings };

  // Where the main window's buttons, menu entries, hot keys and double-clicks lead. Each is
  // filled by the part of the program that owns the window or the action; an empty one does
  // nothing visible.
  struct Hooks {
    std::function<void(bool down)> detailWindow;  // "Просмотр 1 КП": show or close
    std::function<void(bool down)> paramEditor;   // zones and control parameters: show or close
    std::function<void()> mimicView;              // "Окно инкубатория", Alt+D
    std::function<void()> damperWindow;           // "Заслонки"
    std::function<void()> gsmWindow;              // "GSM-модем"
    std::function<void()> programEditor;          // "Программы инкубации"
    std::function<void()> automationConfig;       // "Конфигурация автоматики"
    std::function<void()> trayBoard;              // Alt+N
    std::function<void()> firmwareUpdate;         // Alt+O
    std::function<void()> alarmsWindow;  // "Аварийные сообщения": menu, Alt+A, top-bar button
    std::function<void()> shiftReport;          // "Отчёт за смену"
    std::function<void(int nk)> alarmReset;     // double-click in "Аварии": KomAvt(number, 4)
    std::function<void(int nk)> programWindow;  // double-click in "Запись": TForm2 for row nk
    std::function<void()> zvuk_off;             // any of the four ways of silencing a clip
    // Asked before the operator's close ends the program; false keeps it running (a firmware
    // transfer the operator does not want cut).
    std::function<bool()> mayClose;
  };
  Hooks hooks;

  // The engine parts the tabs show: the sound alarms ("Звуки"), the station's tables and its
  // pending write ("Зоны"). Any left empty, the window keeps an idle one of its own, which only
  // shows what the settings and the configuration say (window tests).
  struct Parts {
    SoundAlarms* sound = nullptr;
    StationTables* tables = nullptr;
    TWriteCom* WriteKom = nullptr;
  };

  // `secondCopy`: another copy of the program already runs on this working folder; the caption
  // says so and that this copy only watches.
  TForm1(Workstation& ws, bool secondCopy, const Parts& parts, QWidget* parent = nullptr);
  TForm1(Workstation& ws, bool secondCopy);
  ~TForm1() override;

  Workstation& workstation() { return ws_; }

  // The incubator table of the "Главная" tab.
  IncubatorTable* table() const { return table_; }
  // `kol_t` changed in the general settings: the table gets kol_t + 6 columns and the header
  // row follows at once.
  void setKolT(int kol_t);
  // Writes the configured names into column 0 and the setpoint grid's header row.
  void writeNames();

  QTableWidget* tableT() const;
  // The "Графики" tab; its `gapInputs` start on the settings' poll period and machine class.
  // (Qualified: the tab index `TabCharts` hides the class name inside TForm1.)
  vs::TabCharts* chartsTab() const { return chartsTab_; }
  ZonesTab* zonesTab() const { return zonesTab_; }
  QTableWidget* zonT() const;
  SoundsTab* soundsTab() const { return soundsTab_; }
  QTableWidget* soundGrid() const;
  QPushButton* playButton() const;
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
  QToolButton* alarmsButton() const { return alarms_; }      // "Аварии: N"
  // The count of alarms that wait for acknowledgement, on the top-bar button: red while any.
  void setAlarmCount(int count);
  QFrame* autoPanel() const { return autoPanel_; }  // "Включена автоматическая" "инкубация"
  QLabel* autoCount() const { return autoCount_; }

  // Main menu entries and hot keys.
  QAction* actionGeneralSettings() const { return actGeneral_; }  // "Общие Настройки"
  QAction* actionGsm() const { return actGsm_; }                  // "GSM-модем"
  QAction* actionPrograms() const { return actPrograms_; }  // "Программы инкубации"
  QAction* actionAutomation() const { return actAutomation_; }  // "Конфигурация автоматики"
  QAction* actionUsb() const { return actUsb_; }                // "USB-настройки"
  QAction* actionExit() const { return actExit_; }      // "Выход"
  QAction* actionAbout() const { return actAbout_; }    // "О программе"
  QAction* actionAlarms() const { return actAlarms_; }  // "Аварийные сообщения"
  QAction* actionShiftReport() const { return actShiftReport_; }  // "Отчёт за смену"
  QAction* hotKeyN() const { return keyN_; }                      // Alt+N tray board
  QAction* hotKeyD() const { return keyD_; }                      // Alt+D mimic view
  QAction* hotKeyO() const { return keyO_; }                      // Alt+O firmware update
  QAction* hotKeyP() const { return keyP_; }                      // Alt+P schedule debug window
  QAction* hotKeyA() const { return keyA_; }                      // Alt+A alarm list

  // A close asked for by a signal (a service stop): nothing is asked, the program ends.
  void closeForShutdown();

 signals:
  // The shut-down has run; the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* e) override;
  // Every key pressed in this window, and a click on its background, silences the clip.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QWidget* buildTopBar();
  void buildMenu();
  void hookStartUp();
  void applySettings();
  void applyConfig();
  void storeSettings();
  void setCount(int count);
  void silence();

  Workstation& ws_;
  QTabWidget* pages_ = nullptr;
  IncubatorTable* table_ = nullptr;
  std::unique_ptr<SoundAlarms> ownSound_;  // when the window was given none
  std::unique_ptr<StationTables> ownTables_;
  std::unique_ptr<TWriteCom> ownWriteKom_;
  SoundAlarms* sound_ = nullptr;
  vs::TabCharts* chartsTab_ = nullptr;
  ZonesTab* zonesTab_ = nullptr;
  SoundsTab* soundsTab_ = nullptr;
  SettingsTab* settingsTab_ = nullptr;
  QFrame* topBar_ = nullptr;
  QToolButton* rs_ = nullptr;
  QLabel* opros_ = nullptr;
  QLabel* usbNo_ = nullptr;
  QLabel* time_ = nullptr;
  QToolButton* detail_ = nullptr;
  QToolButton* param_ = nullptr;
  QToolButton* mimic_ = nullptr;
  QToolButton* damper_ = nullptr;
  QToolButton* soundOff_ = nullptr;
  QToolButton* alarms_ = nullptr;
  QFrame* autoPanel_ = nullptr;
  QLabel* autoCount_ = nullptr;
  QAction* actGeneral_ = nullptr;
  QAction* actGsm_ = nullptr;
  QAction* actPrograms_ = nullptr;
  QAction* actAutomation_ = nullptr;
  QAction* actUsb_ = nullptr;
  QAction* actExit_ = nullptr;
  QAction* actAbout_ = nullptr;
  QAction* actAlarms_ = nullptr;
  QAction* actShiftReport_ = nullptr;
  QAction* keyN_ = nullptr;
  QAction* keyD_ = nullptr;
  QAction* keyO_ = nullptr;
  QAction* keyP_ = nullptr;
  QAction* keyA_ = nullptr;
  bool closing_ = false;
  bool shutdownClose_ = false;
};

}  // namespace vs
