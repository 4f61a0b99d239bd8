#include "station/ScheduleDebug.h"

#include <cstdint>

namespace vs {

void scheduleDebugRequest(Kom485m& kom485m, int itemIndex) {
  const std::uint8_t data[6] = {5, 50, static_cast<std::uint8_t>(itemIndex + 1), 0, 0, 0};
  putKom485m(kom485m, 1, 101, data, 6);
}

std::string AvtoInkubLine(const RS232_T& frame) {
  std::string line = "=" + std::to_string(static_cast<std::int8_t>(frame.Dann[1]));
  for (std::size_t i = 2; i <= 9; ++i) line += " " + std::to_string(frame.Dann[i]);
  return line;
}

}  // namespace vs
