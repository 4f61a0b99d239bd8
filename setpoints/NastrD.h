// The controller configuration window's engine (TNastrDF): nine pages of configuration choices
// of the current incubator, read from its status answer (ZON words 21, 25, 26, 27, 31 and the
// status words C3, C4) and written back one page at a time as a configuration item (write
// kind 10) through the write dialog; and the two service commands that go straight to
// kom485m, factory reset and a new bus number. The window only mirrors `state` into widgets.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "setpoints/SetpointEdit.h"
#include "station/Station.h"

namespace vs {

// The pages, in the window's order.
enum class NPage : int {
  Sensors,   // "Тип датчиков", item 44
  Trays,     // "Таймер лотков", item 45
  Polarity,  // "Полярность концевиков", item 52
  StopMode,  // "Способ откл. лотков", item 53
  Cooling,   // "Авария на охлаждение", item 54
  Delay,     // "Задержка аварий", item 55
  Motor,     // "Мотор", item 56
  Vent,      // "Вентиляция", item 60
  Model,     // "Тип блока", item 57
  Count
};
inline constexpr int kNastrPages = static_cast<int>(NPage::Count);

struct NastrPageInfo {
  const char* name;     // tab caption
  int item;             // configuration item written by the page's "Записать"
  const char* journal;  // the journal line's start
  bool hex;             // the journal gives the value as two hex digits, else the index
};
extern const std::array<NastrPageInfo, kNastrPages> kNastrPageInfo;

extern const std::array<const char*, 5> kHumSensors;
extern const std::array<const char*, 3> kCo2Sensors;
extern const std::array<const char*, 2> kTrayTimer;
extern const std::array<const char*, 2> kSwitchPolarity;
extern const std::array<const char*, 3> kTrayStop;
extern const std::array<const char*, 2> kCoolingAlarm;
extern const std::array<const char*, 6> kAlarmDelays;
extern const std::array<const char*, 13> kMotorAlarms;
extern const std::array<const char*, 4> kVentKinds;
extern const std::array<const char*, 11> kControllerModels;  // codes 0..10

inline constexpr const char* kNastrCaption = "Настройка конфикурации блока автоматики";
inline constexpr const char* kNastrCaptionFor = "Настройка конфигурации блока -> ";
inline constexpr const char* kFactoryQuestion =
    "ВНИМАНИЕ, Сброс всех настроек в заводские значения! Изменить?";
inline constexpr const char* kBusNumberQuestion =
    "ВНИМАНИЕ, вы меняете номер контроллера! Изменить?";
inline constexpr const char* kFactoryJournal = "КОНФИГУРАЦИЯ! Заводские значения";
inline constexpr const char* kBusNumberJournal = "КОНФИГУРАЦИЯ! Запись Номера Блока=";
// Bus numbers a controller accepts; 0 is the service address every controller hears.
inline constexpr int kFirstBusNumber = 1;
inline constexpr int kLastBusNumber = 251;

// What the controls show. A choice index of -1 means the controller reported a code that has
// no entry; such a page is not written.
struct NastrState {
  int humSensor = 0;
  int co2Sensor = 0;
  int trayTimer = 0;
  int polarity = 0;
  int trayStop = 0;
  int cooling = 0;
  int delay = 0;
  bool bell = false;  // "разрешён звонок  на левый канал лотков"
  int motor = 0;
  bool motorHeaterOff = false;  // "отключать ТЭН"
  bool motorHidden = false;     // "Не показывать упр в блоке"
  int vent = 0;
  int model = 0;
  bool dampers = false;      // "есть заслонки"
  bool humByDamper = false;  // "влажность упр. заслонкой"
  // Visibility of the tick boxes, from C4.
  bool bellShown = false;
  bool damperBoxesShown = false;
};

// Reads the controls from one row's tables.
NastrState readNastr(const StationTables& t, int nk);
// The value a page's "Записать" writes; nullopt when a choice is missing or out of range.
std::optional<std::uint8_t> nastrValue(const NastrState& s, NPage page);

class NastrD {
 public:
  explicit NastrD(Station& station);
  NastrD(const NastrD&) = delete;
  NastrD& operator=(const NastrD&) = delete;

  // Runs the write dialog modally after WriteKom has been filled; true when confirmed.
  std::function<bool()> writeDialog;
  std::function<void(const std::string&)> journal;  // the event journal (Err)
  std::function<void()> changed;                    // state, caption or toggles changed
  Dialogs* dialogs = nullptr;

  bool Okno_NastrD = true;  // while set every status answer calls OprosK
  bool editing = false;     // "Редактировать" is down
  CurrentRow& nk_Opros;     // the current incubator (row), the station's shared one
  NPage page = NPage::Sensors;
  NastrState state;
  std::string caption = kNastrCaption;
  std::string numberLabel;
  std::string busNumber = "1";  // the "Запись номера блока" field
  bool busEnabled = false;      // its enabling toggle

  // Activation: "Редактировать" up, bus-number toggle up, nk_Opros kept in the list, refresh.
  void activate();
  void prev();
  void next();
  // nk_Opros has moved (here or in another window): as on activation, "Редактировать" and the
  // bus-number toggle go up, so that a choice made for one incubator is never written to
  // another, and caption, number and pages show the new one.
  void followRow();
  // A page change releases the bus-number toggle and refreshes.
  void setPage(NPage p);
  void setEditing(bool down);
  // Refresh from the tables, unless editing or nk is not the current incubator.
  void OprosK(int nk);
  // The window's 2 s timer.
  void Timer2s();

  // A page's "Записать": WriteKom, the write dialog, the page's journal line once confirmed.
  void Zapisat(NPage p);
  // "Заводские значения": after a Yes, kind 120 to address 0.
  void factoryReset();
  // The bus-number "Запись": only while its toggle is down, after a Yes, kind 100 to address 0.
  void writeBusNumber();

 private:
  // Number label; caption and controls unless editing.
  void refresh();
  bool rowKnown();
  void select(int row);

  Station& station_;
  CurrentRow::Handle following_;
};

}  // namespace vs
