// Where a displayed value lies against its alarm bounds: the main table picks the font class
// from it, the mimic view its colour. Signed comparisons in the stored units (hundredths of a
// degree, whole percent); a value equal to a bound is within.
#pragma once
#include <cstddef>
#include <cstdint>

#include "station/StationTables.h"

namespace vs {

enum class Zone { Below, Within, Above };

// The zone's name in the JSON the browser view and the broker get: "below", "within", "above".
constexpr const char* zoneName(Zone z) {
  return z == Zone::Below ? "below" : z == Zone::Above ? "above" : "within";
}

constexpr Zone zoneOf(std::int32_t value, std::int32_t below, std::int32_t above) {
  if (value < below) return Zone::Below;
  if (value > above) return Zone::Above;
  return Zone::Within;
}

// A temperature of row nk (T1k, T2k or T3k) against the row's absolute bounds: ZON_ word 2 is
// the lower one, word 0 the upper one. A row outside the table is within.
inline Zone temperatureZone(const StationTables& t, int nk, std::int32_t value) {
  if (nk < 0 || nk >= static_cast<int>(t.ZON_.size())) return Zone::Within;
  const auto& z = t.ZON_[static_cast<std::size_t>(nk)];
  return zoneOf(value, z[2], z[0]);
}

// The humidity BL of row nk against ZON_ word 8 (lower) and word 7 (upper).
inline Zone humidityZone(const StationTables& t, int nk) {
  if (nk < 0 || nk >= static_cast<int>(t.ZON_.size())) return Zone::Within;
  const auto n = static_cast<std::size_t>(nk);
  return zoneOf(t.BL[n], t.ZON_[n][8], t.ZON_[n][7]);
}

}  // namespace vs
