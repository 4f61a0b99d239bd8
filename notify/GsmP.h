// The GSM module of a controller ("блок"): the station never talks to the modem itself, only to
// the controller that carries it. Its answers (type 222) bring the notification settings, the
// phone number, the balance request code and, while the polls carry 1 ("Терминал"), pieces of
// the modem's own text; the settings request (kind 223) and the four commands (224..227) go out
// through the poll cycle's pending command. Requests are not confirmed: the next answer shows
// what the controller holds.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"
#include "station/Station.h"

namespace vs {

class FrameDispatcher;

// Data bytes of the GSM answer (answer type at 0).
struct GsmAt {
  static constexpr std::size_t On = 1;      // bit 0: modem on
  static constexpr std::size_t Mask = 2;    // notification mask, bits 0..3
  static constexpr std::size_t Delay = 3;   // seconds
  static constexpr std::size_t Digits = 4;  // digits of the phone number
  static constexpr std::size_t Number = 5;  // two digits a byte, high nibble first, to byte 11
  static constexpr std::size_t Code = 12;   // bit 7 "#" (clear "*"), bits 0..6 the code number
  static constexpr std::size_t TextCount = 13;
  static constexpr std::size_t Text = 14;  // modem output; 13 ends a line
};

constexpr std::uint8_t kGsmSettingsKind = 223;
constexpr std::uint8_t kGsmSettingsLength = 31;
enum class GsmCommand : std::uint8_t {
  Balance = 224,  // "Баланс"
  SmsTest = 225,  // "СМС-тест"
  Reset = 226,    // "Сброс GSM"
  Version = 227,  // "Версия GSM"
};

constexpr int kGsmMaxDigits = 14;                 // bytes 5..11 of the answer
constexpr std::size_t kGsmMaxNumberText = 23;     // the code byte must stay inside the 31 bytes
constexpr std::size_t kGsmMaxLine = 255;          // sGSM
constexpr std::int32_t kGsmLogLines = 40;         // kolGSM at which the oldest line goes
constexpr std::int32_t kGsmNoOperatorAfter = 20;  // seconds without "+CSQ:"
constexpr int kGsmSignalMax = 32;
constexpr int kGsmMaxBlock = 251;

// The notification settings as the window shows them.
struct GsmSettings {
  bool on = false;        // "Вкл GSM-модем"
  std::uint8_t mask = 0;  // "Темпер.зоны", "Влажн.зоны", "Влажн.авария", "Лотки авария"
  std::uint8_t delay = 0;   // "Задержка (сек):"
  bool hash = false;        // balance request code type "#" (else "*")
  std::uint8_t code = 100;  // balance request code number, 0..127
  std::string number;       // phone number text
};

// One answer as far as the frame carries it: a field lying past the frame's data is absent.
struct GsmAnswer {
  std::optional<bool> on;
  std::optional<std::uint8_t> mask, delay;
  std::optional<bool> hash;
  std::optional<std::uint8_t> code;
  std::optional<std::string> number;
  std::string text;  // modem output bytes, only those inside the frame
};

GsmAnswer decodeGsmAnswer(const std::uint8_t* data, int length);

// "0".."9", "A".."F" give 0..15, anything else -1.
int dehex(char c);
// The phone number of an answer: the count in byte 4, at most 14 digits, no digit past the
// frame's end; a count of 0 gives "".
std::string raspakNUM(const std::uint8_t* data, int length);
// The text of a USSD line (UCS-2 in hexadecimal between its first 11 and last 12 characters),
// in UTF-8. Every whole group of four is decoded; a group not starting with "0" or holding a
// character that is not a hex digit is skipped.
std::string ussdText(const std::string& line);
// The number as the controller takes it: the spaces, dashes, dots and brackets an operator
// types to group the digits are dropped, everything else is kept for checkGsmNumber.
std::string gsmNumberDigits(const std::string& typed);
enum class GsmNumberCheck { Ok, BadCharacter, TooLong };
// Digits with an optional leading "+", of at most 23 characters, so that the balance request
// code still fits in the frame after them.
GsmNumberCheck checkGsmNumber(const std::string& number);
// The data bytes of the settings request, the number taken through gsmNumberDigits; nullopt
// when checkGsmNumber refuses it.
std::optional<std::array<std::uint8_t, kGsmSettingsLength>> gsmSettingsRequest(
    const GsmSettings& s);

class GsmP {
 public:
  explicit GsmP(Station& station) : station_(station) {}

  GsmSettings settings;          // the settings fields
  std::vector<std::string> log;  // the terminal log, UTF-8 lines, oldest first
  std::int32_t kolGSM = 0;       // lines added since the log was cleared
  std::string sGSM;              // the modem line being assembled, as received
  std::int32_t timer00 = 0;      // seconds since the last "+CSQ:" line
  bool signalShown = false;      // the signal gauge
  int signal = 0;                // 0..32
  std::string operatorText;      // the operator label
  std::int32_t answers = 0;      // answers of the block taken since start

  // After every answer of the block, every tick and every change of mode, for the window.
  std::function<void()> onChange;

  int blockNumber() const { return block_; }
  // "Номер блока:" (1..251); a line begun by the former block is dropped.
  void setBlockNumber(int number);
  // Key "Number" of section "GSM" (default 1), read when the window is created and written
  // when it closes; false when the file could not be written.
  void loadBlockNumber(const std::filesystem::path& iniPath);
  bool saveBlockNumber(const std::filesystem::path& iniPath) const;

  // "Изменить" and "Терминал", toggles of one group: pressing one releases the other.
  bool editing() const { return editing_; }
  bool terminalDown() const { return terminal_; }
  void setEditing(bool down);
  // Also the poll flag: controllers polled with 1 forward their modem output.
  void setTerminal(bool down);
  // The window became active: "Терминал" is released, the poll flag keeps its value until the
  // button is clicked or the window closes.
  void activated();
  // The window closed: "Терминал" up, polls back to 0.
  void closed();

  // Makes the dispatcher hand every frame of answer type 222 to terminal.
  void listen(FrameDispatcher& dispatcher);
  // Every frame of answer type 222; answers of another block change nothing.
  void terminal(const RS232_T& frame);
  // A USSD line's text as one more line of the log.
  void dekod_hex(const std::string& line);
  // Signal ("+CSQ:") and operator ("+COPS:") of the completed line sGSM.
  void analizGSM();
  // Every second: no "+CSQ:" for more than 20 s shows "нет оператора" and hides the gauge.
  void Timer1s();

  // "Передать": the settings to the block; "" when sent, else why nothing was sent.
  std::string peredat();
  void command(GsmCommand c);
  // "00".
  void clearLog();

  // The block's status byte 3 (GSM_sost of its row), 0 when the block is not configured.
  std::uint8_t gsmSost() const;

 private:
  void lineDone();
  void changed() {
    if (onChange) onChange();
  }

  Station& station_;
  int block_ = 1;
  bool editing_ = false;
  bool terminal_ = false;
};

}  // namespace vs
