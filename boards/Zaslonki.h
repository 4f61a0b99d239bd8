// The damper board window's engine (TZaslonkiF): the damper block of the current incubator as
// the window shows it (texts computed from ZASL and the measured angle), the choice of the
// incubator with "<--" / "-->", and the four settings the board takes, sent as a damper item
// (write kind 211) through the write dialog. The window only mirrors `view` into widgets.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "setpoints/SetpointEdit.h"
#include "station/Station.h"

namespace vs {

inline constexpr const char* kZaslCaption = "Работа с заслонками";
inline constexpr const char* kZaslCaptionFor = "Работа с заслонками -> ";
inline constexpr const char* kZaslOnline = "на связи";
inline constexpr const char* kZaslOffline = "???";
inline constexpr const char* kZaslMercury = "Ртутный!";
inline constexpr const char* kZaslVersion = "Версия ПО - ";
inline constexpr const char* kZaslVolts = " B";
inline constexpr const char* kZaslKOhm = " кОм";
inline constexpr const char* kZaslAngleJournal = "Заслонки УГОЛ=";
inline constexpr const char* kZaslCalibrationJournal = "Заслонки КАЛИБРОВКА";

// The board's items (write kind 211) and the value that restores its factory settings.
inline constexpr std::uint8_t kKindDamper = 211;
inline constexpr int kZaslItemCheckTime = 12;
inline constexpr int kZaslItemAngle = 13;
inline constexpr int kZaslItemCalibrate = 21;
inline constexpr std::uint16_t kZaslFactory = 255;
inline constexpr int kZaslMaxAngle = 90;
inline constexpr int kZaslMaxCheckTime = 90;
// The last status data byte of the damper block (the sensor reading in bytes 35..36): an
// answer shorter than this leaves part of ZASL from an earlier answer.
inline constexpr int kZaslMinLength = 37;

// The block's raw words scaled: kOhm for the three sensor readings, volts for the supply.
double zaslKOhm(std::uint16_t raw);
double zaslVolts(std::uint16_t raw);
// Fixed notation with `decimals` digits after "." and at most `precision` significant digits
// (fewer decimals when the whole part takes them), whatever the locale.
std::string zaslFixed(double x, int precision, int decimals);
// The set angle that is sent for what the operator entered: 255 (factory settings) as it is,
// anything else within 0..90.
std::uint16_t zaslAngleToSend(int entered);

// What the window shows.
struct ZaslView {
  std::string caption = kZaslCaption;
  bool known = false;   // a complete damper block of this incubator has been shown
  bool online = false;  // the board answers its controller
  bool mercury = false;
  std::string state;  // kZaslOnline, kZaslOffline, or empty before any block
  std::string version, number, voltage, r0, r1, r, measured, setAngle, checkTime;
  int gauge = 0;  // 0..90
};

// The texts of row nk's damper block as it stands in the tables (the angle as kept in ugol).
// When the block is not complete (the last answer did not carry all of it, or none came) only
// the caption and "???" are shown.
ZaslView readZasl(const Station& station, int nk, bool complete);

class Zaslonki {
 public:
  explicit Zaslonki(Station& station);
  Zaslonki(const Zaslonki&) = delete;
  Zaslonki& operator=(const Zaslonki&) = delete;

  // Runs the write dialog modally after WriteKom has been filled; true when confirmed.
  std::function<bool()> writeDialog;
  std::function<void(const std::string&)> journal;  // the event journal (Err)
  std::function<void()> changed;                    // view or number changed
  Dialogs* dialogs = nullptr;

  CurrentRow& nk_Opros;  // the current incubator (row), the station's shared one
  ZaslView view;
  std::string numberLabel;

  // Activation: nk_Opros kept in the list, the number and the row's last block shown.
  void activate();
  void prev();
  void next();
  // A status answer of row nk with the damper board present, `length` data bytes, after ZASL
  // has been filled: the measured angle follows it and, for the current row, the window.
  void terminal(int nk, int length);

  // The four settings; each returns whether the write was confirmed. writeAngle gives back the
  // value sent, which the field then shows.
  bool writeAngle(int entered, std::uint16_t* sent = nullptr);
  bool writeCheckTime(int seconds);
  bool calibrate();
  bool factory();

 private:
  bool rowKnown() const;
  void show();
  void select(int row);
  bool send(int item, std::uint16_t value);

  Station& station_;
  // nk_Opros moved here or in another window: caption, number and block follow at once.
  CurrentRow::Handle following_;
  // Per row: its last answer with the board present carried the whole block.
  std::array<bool, 256> complete_{};
};

}  // namespace vs
