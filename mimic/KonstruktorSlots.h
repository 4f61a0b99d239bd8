// The slot arrays of the mimic document as the editor's operations walk them: names compared
// byte for byte, elements removed with the later slots moving down, elements counted.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "mimic/konstrT.h"

namespace vs::konstr {

inline bool sameName(const PString<50>& a, const PString<50>& b) {
  return a.raw() == b.raw();
}

// Removes the elements `drop` picks; later slots move down and their slot numbers follow.
// Returns how many went.
template <std::size_t N, class Drop>
int removeWhere(std::array<Tlabel_, N>& a, std::int32_t& kol, Drop drop) {
  const int n = usableCount(kol, static_cast<int>(N));
  int w = 0;
  for (int r = 0; r < n; ++r) {
    if (drop(a[static_cast<std::size_t>(r)])) continue;
    if (w != r) {
      a[static_cast<std::size_t>(w)] = a[static_cast<std::size_t>(r)];
      a[static_cast<std::size_t>(w)].Tag = w + 1;
    }
    ++w;
  }
  kol = w;
  return n - w;
}

template <std::size_t N, class Pick>
int countWhere(const std::array<Tlabel_, N>& a, std::int32_t kol, Pick pick) {
  const int n = usableCount(kol, static_cast<int>(N));
  return static_cast<int>(std::count_if(a.begin(), a.begin() + n, pick));
}

}  // namespace vs::konstr
