// The parameter editor's engine (TParamWriteF): the setpoints of the current incubator on five
// pages, what each field shows of ZON, what its "Запись" writes and journals, the temperature
// step buttons with their hold-to-repeat on a 100 ms tick, and the fills of the working-sensor
// (TForm3) and alarm-delay (TForm6) dialogs. The window only mirrors `fields` into widgets.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "setpoints/SetpointEdit.h"
#include "station/Station.h"

namespace vs {

// The editor's fields, page by page.
enum class PField : int {
  Upper,  // " Температура "
  Working,
  Lower,
  Heater,
  Sensor,
  CoolOn,  // " Охлаждение "
  CoolOff,
  CoolRun,
  CoolPause,
  HumZoneUpper,  // " Влажность "
  HumZoneLower,
  HumCtlUpper,
  HumCtlLower,
  HumPause,
  HumRun,
  HumTime,
  VentPeriod,  // " Вентиляция "
  VentRun,
  VentOn,
  TrayPeriod,  // " Лотки "
  TrayRun,
  TraysOn,
  Count
};
inline constexpr int kParamFields = static_cast<int>(PField::Count);
inline constexpr int kParamPages = 5;

// How a field is shown and written.
enum class PKind {
  Temperature,  // text, word / 100, written as value x 100
  Number,       // whole number, the word as it is
  Sensor,       // choice T1..T3, word 6
  VentNumber,   // number 0..99 and a unit choice, one byte of word 22 (items 46, 47)
  Choice        // two-way choice, a bit of word 19 (items 40, 41)
};

struct ParamFieldInfo {
  int page;             // 0..4
  const char* caption;  // the label beside the field
  PKind kind;
  int word;             // ZON word it shows
  int item;             // configuration item it writes (kind 10), 0 for a word write
  const char* journal;  // the journal line's start, nullptr when a write is not journalled
  const char* suffix;   // after the number in the journal line
};

extern const std::array<const char*, kParamPages> kParamPageNames;
extern const std::array<ParamFieldInfo, kParamFields> kParamFieldInfo;
// Choices of the choice fields and the units of the two ventilation numbers.
extern const std::array<const char*, 3> kSensorChoices;    // "T1", "T2", "T3"
extern const std::array<const char*, 2> kVentPeriodUnits;  // "час", "мин"
extern const std::array<const char*, 2> kVentRunUnits;     // "мин", "сек"
extern const std::array<const char*, 2> kVentOnChoices;    // "Нет", "Да"
extern const std::array<const char*, 2> kTraysOnChoices;   // "Нет(ВЫВОД)", "Да"

inline constexpr const char* kParamCaption = "Настройки аварийных зон и параметров управления";

// A temperature as the editor shows it: the shortest decimal form with ".", "37.8", "0".
std::string formatParamTemperature(double v);
// One step of a temperature field: up, a result above 100 becomes 0; down, one below 0 becomes
// 99.
double stepTemperature(double v, double kI, bool up);
// The value of item 46 or 47: the number 0..99 with bit 7 for the second unit; nullopt out of
// range.
std::optional<std::uint8_t> packVentByte(int number, int unit);

// The working-sensor dialog's "Записать": word rasp[T1T2T3row] - 1 (word 6) of incubator
// T1T2T3col gets the chosen index.
void fillWorkingSensor(TWriteCom& w, int T1T2T3col, int T1T2T3row, int index);
// The alarm-delay dialog's "Записать": item 55 gets the code 0..5 (the bell bit thus 0).
void fillAlarmDelay(TWriteCom& w, int T1T2T3col, int index);

class ParamEditor {
 public:
  // What one field shows: its text (numbers, temperatures) and its choice (units, choices).
  struct Value {
    std::string text;
    int index = 0;
  };

  explicit ParamEditor(Station& station);
  ParamEditor(const ParamEditor&) = delete;
  ParamEditor& operator=(const ParamEditor&) = delete;

  // Runs the write dialog modally after WriteKom has been filled; true when the write was
  // confirmed by the check answer.
  std::function<bool()> writeDialog;
  // The event journal (Err).
  std::function<void(const std::string&)> journal;
  // The fields or the caption changed: the window shows them again.
  std::function<void()> changed;
  Dialogs* dialogs = nullptr;

  bool Okno_ParamWrite = true;  // while set every status answer calls ReadBL
  bool editing = false;         // "Редактировать" is down
  CurrentRow& nk_Opros;         // the current incubator (row), the station's shared one
  std::array<Value, kParamFields> fields{};
  std::string caption;
  std::string numberLabel;

  // Step state of the held button.
  double pZ = 0;
  double kI = 0.1;
  int kN = 0;  // 1 cooling on, 2 cooling off, 3 upper, 4 working, 5 lower; sign = direction
  bool kB = false;
  int kV = 0;

  // Activation: caption, number label, ReadBL(nk_Opros).
  void activate();
  // "<--" and "-->": the previous or next configured incubator, round the ends.
  void prev();
  void next();
  // nk_Opros has moved (here or in another window): "Редактировать" goes up, so that a value
  // typed for one incubator is never written to another, and caption, number and fields show
  // the new one.
  void followRow();
  // Refresh from the tables, unless editing or nk is not the current incubator.
  void ReadBL(int nk);

  // The step buttons of a temperature field: "+"/"-" (big = false) and "++"/"--" (big = true).
  void press(PField f, bool up, bool big);
  void release();
  void click(PField f, bool up, bool big);
  // The editor's 100 ms timer.
  void Timer100();

  // A field's "Запись": WriteKom, the write dialog, then the field's journal line once the
  // write is confirmed. A value that is not a number or does not fit is refused; nothing is
  // queued.
  void Zapis(PField f);

 private:
  Value& field(PField f) { return fields[static_cast<std::size_t>(f)]; }
  std::optional<double> fieldNumber(PField f);
  void refused();
  void showHeader();
  void select(int row);

  Station& station_;
  CurrentRow::Handle following_;
};

}  // namespace vs
