// The GSM module of a simulated controller. It keeps the notification settings the station
// writes (kind 223), takes the four commands (224 balance, 225 test message, 226 reset,
// 227 version) and plays a modem's text output: the signal ("+CSQ: 17,0") and operator
// ("+COPS: 0,0,\"MTS RUS\"") every few seconds, the balance as a USSD line in UCS-2 hex after
// a balance request. None of the requests is answered. A status poll with data byte 1 is
// answered with a GSM frame (type 222) carrying the settings and the next piece of the text,
// sent right before the status answer in the same transmission: the station's next poll waits
// for the status answer, so the line stays half-duplex, and a check request still gets its
// status answer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"

namespace vs {

struct SimGsmSettings {
  bool on = true;
  std::uint8_t mask = 0x0F;
  std::uint8_t delay = 30;
  std::string number = "+79001234567";  // as the station sent it
  std::uint8_t code = 0x80 | 100;       // "#100"
};

class SimGsm {
 public:
  static constexpr std::size_t kAnswerHead = 14;  // type .. text count

  SimGsmSettings settings;
  std::size_t pieceSize = 24;                                  // modem text bytes per answer
  std::int64_t reportEveryMs = 5000;                           // signal and operator lines
  std::string balance = "Баланс: 123.45 р. Ваш счёт активен";  // UTF-8
  std::uint8_t signal = 17;
  std::string version = "Revision: GSM-SIM 1.0";
  std::uint64_t settingsHeard = 0;
  std::vector<std::uint8_t> commands;  // kinds 224..227 heard, oldest first
  std::string outbox;                  // modem text still to send

  // Status data byte 3: bit 7 (settings carried), bit 4 modem on, bits 0..3 the mask.
  std::uint8_t statusByte() const;
  // A request of kind 223..227 addressed to the controller.
  void onRequest(const RS232_T& f, std::int64_t nowMs);
  // The GSM answer's data bytes, taking the next piece of the modem's text.
  std::vector<std::uint8_t> answer(std::int64_t nowMs);
  // The modem's USSD line for a text: "+CUSD: 0, \"<UCS-2 hex>000D000A\",72".
  static std::string ussdLine(const std::string& utf8);

 private:
  std::int64_t lastReportMs_ = -1'000'000;
};

}  // namespace vs
