// A simulated device on the RS-485 line: it hears every good frame the master sends and may
// answer after a delay. Incubator controllers are one kind; boards and the hub can be others.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "bus/FrameCodec.h"

namespace vs {

// What a device puts on the line in reply: the whole wire form (preamble included) and how long
// after the end of the request it starts to send.
struct SimAnswer {
  std::vector<std::uint8_t> wire;
  std::int64_t delayUs = 0;
};

// Wire form of an answer frame: receiver 222 (the station), kind 0, sent by `sender`.
SimAnswer makeAnswer(std::uint8_t sender, const std::uint8_t* data, std::uint8_t len,
                     std::int64_t delayUs);

class SimDevice {
 public:
  virtual ~SimDevice() = default;
  // A good frame heard on the line, whoever it is addressed to, at bus time nowMs.
  virtual std::optional<SimAnswer> onFrame(const RS232_T& frame, std::int64_t nowMs) = 0;

  // The hub line 1..4 the device hangs on; 0 for one on the adapter's side of any hub, which
  // hears every frame.
  int hubLine = 0;
};

}  // namespace vs
