#include "sim/SimDevice.h"

namespace vs {

SimAnswer makeAnswer(std::uint8_t sender, const std::uint8_t* data, std::uint8_t len,
                     std::int64_t delayUs) {
  SimAnswer a;
  a.wire.resize(kMaxWireFrame);
  a.wire.resize(encodeFrame(kStationAddress, sender, 0, data, len, a.wire.data()));
  a.delayUs = delayUs;
  return a;
}

}  // namespace vs
