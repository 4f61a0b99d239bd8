#include "sim/SimHub.h"

#include "bus/crc.h"

namespace vs {

namespace {

constexpr std::uint8_t kHubSender = 255;
constexpr int kEntries = 120;

}  // namespace

int SimHub::routeOf(std::uint8_t address) const {
  if (address == 0 || address == kBootloaderAddress) return kAllLines;
  return routes_[address];
}

std::optional<SimAnswer> SimHub::onFrame(const RS232_T& f, bool& consumed) {
  consumed = f.Pol == kHubAddress && f.Kadr == 254;
  if (!consumed) return std::nullopt;
  if (f.Kol_d != lastTable.size()) return std::nullopt;  // not a table: ignored
  ++downloads;
  for (std::size_t i = 0; i < lastTable.size(); ++i) lastTable[i] = f.Dann[i];
  std::uint8_t check = 0;
  for (std::size_t i = 0; i + 1 < lastTable.size(); ++i) check = crc8(lastTable[i], check);
  const bool intact = check == lastTable.back();

  std::uint8_t code = 11;
  bool store = intact;
  switch (answer) {
    case SimHubAnswer::Accept:
      code = intact ? 11 : 2;
      break;
    case SimHubAnswer::Error:
      code = 2;
      store = false;
      break;
    case SimHubAnswer::Eeprom:
      code = 3;
      store = false;
      break;
    case SimHubAnswer::WrongCheck:
      check = static_cast<std::uint8_t>(check ^ 0x5A);
      break;
    case SimHubAnswer::Unknown:
      code = 7;
      store = false;
      break;
    case SimHubAnswer::Silent:
      return std::nullopt;
  }
  if (store) {
    routes_.fill(0);
    const int count = lastTable[0] < kEntries ? lastTable[0] : kEntries;
    for (int j = 0; j < count; ++j) {
      const auto k = static_cast<std::size_t>(j);
      const std::uint8_t line = lastTable[2 + kEntries + k] & 0x7F;
      if (line >= 1 && line <= 4) routes_[lastTable[2 + k]] = line;
    }
  }
  const std::uint8_t data[5] = {233, code, check, static_cast<std::uint8_t>(version & 0xFF),
                                static_cast<std::uint8_t>(version >> 8)};
  const int length = answerLength < 1 ? 1 : answerLength > 5 ? 5 : answerLength;
  return makeAnswer(kHubSender, data, static_cast<std::uint8_t>(length), answerDelayMs * 1000);
}

}  // namespace vs
