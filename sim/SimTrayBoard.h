// A simulated tray-turning board at its own bus address. Its clock runs in bus time; it answers
// the status poll addressed to it with its report (answer type 10, 31 data bytes) and applies
// the setting requests sent to address 0 with frame kind 111 (no answer to those):
//   11 s min h weekday day month year 0   clock, BCD (weekday plain 1..7)
//   12 p lo hi                            two-byte setting: 2 period (min), 4 working time (s)
//   13 p v                                one-byte setting: 1 trolleys, 6 limit-switch type,
//                                         7 turning mode, 8 third limit switch, 9 whole hours
// It turns every `period` minutes for `workTime` seconds; status flag 0 is set while it turns.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "common/DateTime.h"
#include "sim/SimDevice.h"

namespace vs {

struct SimTraySettings {
  std::uint8_t trolleys = 0x0F;
  std::uint16_t period = 60;    // minutes
  std::uint16_t workTime = 20;  // seconds
  std::uint8_t limitType = 0, mode = 0, thirdSwitch = 0;
  bool wholeHours = false;
};

class SimTrayBoard final : public SimDevice {
 public:
  static constexpr std::size_t kReportSize = 31;

  // `clockAt0` is the board's local date-time at bus time 0.
  SimTrayBoard(std::uint8_t address, TDateTime clockAt0) : address_(address), base_(clockAt0) {}

  std::uint8_t address() const { return address_; }
  SimTrayBoard(const SimTrayBoard&) = delete;
  SimTrayBoard& operator=(const SimTrayBoard&) = delete;

  SimTraySettings settings;
  std::uint16_t version = 0x8003;
  std::int64_t answerDelayMs = 2;
  int shortLength = 0;  // answer with only this many data bytes (1..30); 0 = all
  // The clock requests heard, data bytes as sent.
  std::vector<std::vector<std::uint8_t>> clockRequests;

  // The board's date-time at bus time nowMs.
  TDateTime clockAt(std::int64_t nowMs) const {
    return base_ + static_cast<double>(nowMs - baseMs_) / 86'400'000.0;
  }
  // The report's data as sent at bus time nowMs.
  std::vector<std::uint8_t> report(std::int64_t nowMs) const;

  std::optional<SimAnswer> onFrame(const RS232_T& frame, std::int64_t nowMs) override;

 private:
  void setting(const std::uint8_t* d, int len, std::int64_t nowMs);

  std::uint8_t address_;
  TDateTime base_;
  std::int64_t baseMs_ = 0;
};

}  // namespace vs
