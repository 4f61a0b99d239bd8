// CRC-8 of the bus frames: polynomial 0x31, MSB first, initial value 0, no reflection, no final XOR.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace vs {

constexpr std::array<std::uint8_t, 256> makeCrc8Table() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    auto c = static_cast<std::uint8_t>(i);
    for (int b = 0; b < 8; ++b) c = static_cast<std::uint8_t>((c & 0x80) ? (c << 1) ^ 0x31 : c << 1);
    t[static_cast<std::size_t>(i)] = c;
  }
  return t;
}

// Entry i is the CRC of the single byte i.
inline constexpr std::array<std::uint8_t, 256> Crc8Table = makeCrc8Table();
static_assert(Crc8Table[1] == 0x31 && Crc8Table[128] == 0x7A);

// One step of the CRC.
constexpr std::uint8_t crc8(std::uint8_t b, std::uint8_t crc) { return Crc8Table[b ^ crc]; }

// CRC of the first n bytes of buffer, starting from 0.
constexpr std::uint8_t Count_CRC(const std::uint8_t* buffer, std::size_t n) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) crc = crc8(buffer[i], crc);
  return crc;
}

}  // namespace vs
