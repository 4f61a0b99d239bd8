// What the detail window shows of one incubator, without Qt: the texts of every element, the
// working sensor, the indicators, the zone states c1_FONT .. cV_FONT, the tray lamps and alarm
// pictograms of its 500 ms timer, navigation between incubators and the double-click edits.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "config/TFile_config.h"
#include "setpoints/SetpointEdit.h"
#include "station/PollState.h"
#include "station/StationTables.h"

namespace vs {

// One refresh of the window (OprosI) for one incubator.
struct DetailTexts {
  std::string caption;  // the incubator's name
  std::string t1, humidity, t2, t3;
  std::string work, upper, lower;        // ZON words 1, 0, 2
  std::string humCtl, humUpper, humLow;  // ZON words 9, 7, 8
  std::string tray;                      // "ВЫВОД" or "MM:SS"
  // Tray direction glyphs; nullopt leaves a glyph as it was.
  std::optional<std::string> leftGlyph, rightGlyph;
  std::string voltage, tots, co2, motor;
  int ugol = 0;  // damper angle, 0..90
  bool humIndicator = false, humIndicatorBlue = false;
  bool tempIndicator = false, tempIndicatorRed = false;
  // The working sensor 0..2 (T1, T2, T3), or -1: positions and caption colours stay as they were.
  int workSensor = -1;
  bool workSensorAlarm = false;  // C1 bit 11: its caption red rather than grey
};

// Vertical positions of the upper and lower bound texts beside sensor row 0..2.
inline constexpr std::array<std::array<int, 2>, 3> kBoundY{{{27, 82}, {142, 197}, {257, 312}}};

// Alarm pictograms of the detail window: the C2 bit and the main table's alarm code whose
// picture it shows.
struct Pictogram {
  int bit;
  int code;
};
inline constexpr std::array<Pictogram, 6> kPictograms{
    {{4, 4}, {5, 2}, {6, 6}, {7, 7}, {8, 8}, {15, 5}}};

// Elements a double-click edits.
enum class DetailEdit { Upper, Lower, Work, HumCtl, HumUpper, HumLow };

// A hundredths value as "0.00" ("-0.50", "38.01").
std::string formatFixed2(std::int32_t hundredths);

class DetailView {
 public:
  // `shared` is the station's nk_Opros, which the parameter editor and the configuration
  // window show too.
  explicit DetailView(CurrentRow& shared) : nk_Opros(shared) {}

  // nk_Opros: the shown incubator, 0-based position in the configured list.
  CurrentRow& nk_Opros;
  // The zone state of T1, T2, T3 and humidity as last computed here: 1 above, 2 within,
  // 3 below; 0 before the first refresh.
  RowTable<std::uint8_t> c1_FONT{}, c2_FONT{}, c3_FONT{}, cV_FONT{};
  int phase = 0;  // the 500 ms timer's lamp phase 0..3

  // The texts of row nk; also stores its zone states. A row outside the tables gives empty
  // texts.
  DetailTexts OprosI(const StationTables& t, const TFile_config& cfg, int nk);

  // nk_Opros kept inside 0..rows-1 (a value read from the settings file may lie outside).
  void clamp(int rows);
  // Previous / next with wrap-around over `rows` configured incubators.
  void previous(int rows);
  void next(int rows);

  // One 500 ms step: advances the phase and returns the yellow lamp 1..4, or 0 when the lamps
  // are hidden (C1 bits 2 and 3 clear).
  int lampStep(std::uint16_t C1);

  // The double-click on an editable element showing `text`: asks for the value and, when it
  // parses, fills WriteKom (Col = nk_Opros + 1, kind 1) and opens the write dialog.
  void edit(DetailEdit what, const std::string& text, TWriteCom& WriteKom, Dialogs& dialogs,
            const SetpointEditHooks& hooks) const;
  // The double-click on a sensor caption: the working-sensor dialog for the shown incubator.
  void editSensor(const StationTables& t, const SetpointEditHooks& hooks) const;
};

}  // namespace vs
