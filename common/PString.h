// Length-prefixed Windows-1251 strings inside binary records: one length byte, then the
// characters; bytes past the length are kept as they were.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Cp1251.h"

namespace vs {

// A string field of capacity N characters (N + 1 bytes in the record).
template <std::size_t N>
struct PString {
  static_assert(N >= 1 && N <= 255);
  std::uint8_t len;
  std::array<char, N> chars;

  // The raw Windows-1251 bytes; a stored length above the capacity is cut to it.
  std::string_view raw() const { return {chars.data(), len > N ? N : std::size_t{len}}; }
  std::string utf8() const { return cp1251ToUtf8(raw()); }
  // Stores text given in UTF-8, cut to the capacity. The tail past the new length is untouched.
  void setUtf8(std::string_view text) { setRaw(utf8ToCp1251(text)); }
  void setRaw(std::string_view bytes) {
    const std::size_t n = bytes.size() > N ? N : bytes.size();
    for (std::size_t i = 0; i < n; ++i) chars[i] = bytes[i];
    len = static_cast<std::uint8_t>(n);
  }
};

}  // namespace vs
