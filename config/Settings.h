// Every setting the program keeps in its settings file "Vetrostan.INI" (Windows-1251 text,
// CR LF, sections and keys in any letter case, Booleans as "1"/"0"), with its default.
// A value of the wrong form counts as absent and gives the default; so does a number outside
// the choices of an enumerated setting (font style, the [Nastr] groups, the station mode).
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace vs {

// One font class of the main table: 0 header row and name column, 1 above its zone,
// 2 within its zone, 3 below its zone.
struct FontClass {
  std::uint32_t color = 16711680;  // 0x00BBGGRR: blue
  int size = 30;                   // points
  int style = 0;                   // 0..15: 1 bold, 2 italic, 4 underline, 8 strike-out
  std::string name = "Tahoma";     // UTF-8
};

struct Settings {
  // [Form]
  int formWidth = 900, formTop = 100, formLeft = 100, formHeight = 700;
  // [UST]
  bool pripusk = true;
  std::array<FontClass, 4> FON{};
  int tableDefaultColWidth = 200;                                     // "Table_w1" as first read
  std::array<int, 8> tableW{100, 100, 100, 100, 100, 100, 100, 100};  // "Table_w0".."Table_w7"
  int tableDefaultRowHeight = 100;                                    // "Table_h0"
  std::array<bool, 4> knT{};                                          // "knT1".."knT4"
  int otlad = 1;         // incubator number of the single-block debug poll
  int Opros_period = 1;  // 1..100 s
  bool RS485_4 = false;
  // [Nastr]: written only by the general settings window
  int KOL_T = 3;     // stored value, not negative; kol_t() limits it
  int RUN_WIN = 1;   // 0 "Запускать", 1 "нет"
  int ZWUK_ON = 1;   // 0 "Выкл", 1 "Вкл"
  int Help = 0;      // 0 "Выкл", 1 "Вкл"
  int Compyter = 0;  // 0 "Современный", 1 "Старый"
  // [ZVUK]
  std::array<std::string, 16> zvuk{};  // "z0".."z15", file names relative to "sound"
  // [USB]
  int usbCom = 0;               // Selected_USB_Number
  std::string usbSerialNumber;  // USB_Serial_Number (serial number or device path)
  // [Server]
  int ServerP = 0;  // station mode 0..4
  // [Inkub]
  int inkubKol = 1;  // incubator count spin box (written only)
  // [Alarm]: read only; the operator sets them in the file
  int alarmRepeat = 300;     // "Repeat", s: a waiting alarm is announced again; 0: once only
  int alarmEscalate = 600;   // "Escalate", s after raise: the command runs; 0: never
  std::string alarmCommand;  // "Command": program and arguments, split like a command line
  // [MQTT]: read only; publishing is off while "Broker" is empty
  std::string mqttBroker;          // "Broker": host[:port]
  std::string mqttStation;         // "Station": the hall's name in topics; empty: the host name
  std::string mqttUser;            // "User"
  std::string mqttPassword;        // "Password"
  bool mqttTLS = false;            // "TLS"
  std::string mqttCAFile;          // "CAFile": certificate authorities for TLS
  bool mqttHomeAssistant = false;  // "HomeAssistant": discovery topics
  std::string mqttSubscribe;       // "Subscribe": a remote station takes this hall from the broker
  // [Report]: read only
  std::string reportShifts = "08:00,20:00";  // "Shifts": the times the shifts begin, HH:MM,...

  // Number of extra temperature columns, 0..2.
  int kol_t() const { return KOL_T < 0 ? 0 : (KOL_T > 2 ? 2 : KOL_T); }
};

}  // namespace vs
