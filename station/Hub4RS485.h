// The four-line RS-485 hub behind the USB adapter: the routing table it is given (controller
// address, line 1..4 and poll flag of incubators 1..120), downloaded every 700 ticks of 20 ms
// while the bus work is on, and the hub's answer (type 233: result, its check byte, version).
//
// The table goes out through the poll cycle's single pending command. A command already waiting
// there (a setpoint write, a tray or GSM setting) is never overwritten: the table waits until
// the slot is free, and a table that another command displaced before it was sent is placed
// again.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "bus/FrameCodec.h"
#include "config/TFile_config.h"
#include "station/PollState.h"

namespace vs {

class UsbLink;

constexpr std::uint8_t kHubTableKind = 254;
constexpr std::uint8_t kHubTableLength = 243;

// Data bytes of the routing table for `config`; the last one is its CRC-8 over the others.
std::array<std::uint8_t, kHubTableLength> hubTable(const TFile_config& config);

// "версия 4RS485 - V5": bit 15 of the version word picks "V" (set) or "v".
std::string hubVersionText(std::uint16_t word);

class Hub4RS485 {
 public:
  static constexpr std::int32_t kPeriodTicks = 700;      // about 14 s of 20 ms ticks
  static constexpr std::int32_t kAnswerWaitTicks = 100;  // the hub answers within 2 s
  static constexpr std::int32_t kShortShow = 50;         // 1 s
  static constexpr std::int32_t kLongShow = 500;         // 10 s

  // `work` is the "Работа" button; `kom485m` the poll cycle's pending command.
  Hub4RS485(UsbLink& link, TFile_config& config, Kom485m& kom485m, const bool& work)
      : link_(link), config_(config), kom485m_(kom485m), work_(work) {}
  Hub4RS485(const Hub4RS485&) = delete;
  Hub4RS485& operator=(const Hub4RS485&) = delete;

  std::int32_t prT4 = 0;

  // Builds the table (konfig_crc takes its check byte) and places it for the next 100 ms tick,
  // or as soon as the pending command is free.
  void Write_4RS485();
  // Every 20 ms tick while the hub mode is on.
  void proverka_4RS485();
  // A hub answer (type 233).
  void terminalUSB(const RS232_T& frame);

  // A table is built but not yet in the pending command.
  bool tableWaiting() const { return waiting_; }

 private:
  // Places the table if the pending command is free; true when placed.
  bool place();
  // The pending command names the hub and the table kind: the table placed last is still to
  // go, or went out and nothing has been placed since.
  bool slotHoldsTable() const;

  UsbLink& link_;
  TFile_config& config_;
  Kom485m& kom485m_;
  const bool& work_;
  std::array<std::uint8_t, kHubTableLength> table_{};
  bool waiting_ = false;
  bool placed_ = false;
};

}  // namespace vs
