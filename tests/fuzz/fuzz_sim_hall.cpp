// Any text as a hall file, and the same bytes sent by the master onto a line of the hall it
// describes: no crash, no access outside a record, no hang.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimBus.h"
#include "sim/SimHall.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> errors;
  const vs::HallConfig hall =
      vs::parseHallConfig(std::string(reinterpret_cast<const char*>(data), size), errors);
  vs::SimBus bus;
  vs::buildHall(bus, hall);
  vs::uniformHall(bus, 3);
  bus.open("sim");
  bus.write(data, size);
  bus.advance(10'000);
  std::uint8_t buf[1024];
  while (bus.read(buf, sizeof buf) > 0) {
  }
  return 0;
}
