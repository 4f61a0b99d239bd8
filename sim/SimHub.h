// A simulated four-line RS-485 hub between the adapter and the controllers. It runs at
// 230 400 baud on the adapter's side and on its four lines alike. It keeps a routing table
// (controller address -> line 1..4, as stored in its memory) and passes each frame of the
// master only onto the line its table gives for the receiver; a controller whose address the
// table does not list, or lists on another line than the one it hangs on, is unreachable.
// Frames to the service addresses 0 and 200 go onto all four lines.
//
// A table download (receiver 255, kind 254, 243 data bytes) is not passed on: the hub checks
// it, stores it and answers with type 233: result, the check byte it computed, its version.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "sim/SimDevice.h"

namespace vs {

// How the hub answers a download.
enum class SimHubAnswer : std::uint8_t {
  Accept,      // 11 with its own check byte; the table is stored when its check byte matches
  Error,       // 2, "received with an error"; the table is not stored
  Eeprom,      // 3, its memory failed; not stored
  WrongCheck,  // 11 with a check byte that differs from the table's; stored
  Unknown,     // a result code the station does not know (7)
  Silent,      // no answer, not stored
};

class SimHub {
 public:
  static constexpr std::uint32_t kBaud = 230400;
  static constexpr int kAllLines = -1;

  SimHubAnswer answer = SimHubAnswer::Accept;
  std::uint16_t version = 0x8005;  // "V5"
  std::int64_t answerDelayMs = 2;
  // Data bytes of the answer, 1..5: a hub may end a refusal after its result code.
  int answerLength = 5;
  int downloads = 0;  // tables heard
  std::array<std::uint8_t, 243> lastTable{};

  // As if the table had been stored by an earlier download: `address` hangs on `line` 1..4.
  void setRoute(std::uint8_t address, int line) {
    routes_[address] = static_cast<std::uint8_t>(line);
  }
  // The line a frame to `address` goes onto: 1..4, kAllLines, or 0 (nowhere).
  int routeOf(std::uint8_t address) const;

  // A frame of the master reached the hub: a download is taken here (and answered); nullopt
  // and `consumed` false for any other frame, which is passed on by its route.
  std::optional<SimAnswer> onFrame(const RS232_T& frame, bool& consumed);

 private:
  std::array<std::uint8_t, 256> routes_{};  // 0 = not in the table
};

}  // namespace vs
