// The texts of one incubator's row in the main table, as written after every status answer.
#pragma once
#include <string>

#include "station/StationTables.h"

namespace vs {

struct RowTexts {
  std::string t1, t2, t3;  // t2 only with kol_t >= 1, t3 only with kol_t = 2
  std::string humidity;    // with the damper angle when a damper board is present
  std::string trays;       // at most 20 characters (kept as ChasiLotki)
};

// `kol_t` is the number of extra temperature columns (0..2).
RowTexts mainRowTexts(const StationTables& t, int nk, int kol_t);

// Hundredths as "37.80": fixed two decimals, "." whatever the locale.
std::string hundredths(long long v);

}  // namespace vs
