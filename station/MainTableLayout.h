// The shape of the main table `TableT`: row 0 is the header, row r shows incubator row r - 1;
// column 0 holds the names, then one column per temperature sensor, humidity, trays, alarms
// and recording.
#pragma once
#include <string>
#include <vector>

namespace vs {

// Number of columns for `kol_t` extra temperature columns (0..2).
constexpr int mainTableColumns(int kol_t) {
  return kol_t + 6;
}
constexpr int humidityColumn(int kol_t) {
  return kol_t + 2;
}
constexpr int traysColumn(int kol_t) {
  return kol_t + 3;
}
constexpr int alarmsColumn(int kol_t) {
  return kol_t + 4;
}
constexpr int recordColumn(int kol_t) {
  return kol_t + 5;
}

// Header row texts, one per column; column 0 has none.
inline std::vector<std::string> mainTableHeader(int kol_t) {
  std::vector<std::string> h(static_cast<std::size_t>(mainTableColumns(kol_t)));
  h[1] = "T1";
  if (kol_t > 0) h[2] = "T2";
  if (kol_t > 1) h[3] = "T3";
  h[static_cast<std::size_t>(humidityColumn(kol_t))] = "Влажн.";
  h[static_cast<std::size_t>(traysColumn(kol_t))] = "Лотки";
  h[static_cast<std::size_t>(alarmsColumn(kol_t))] = "Аварии";
  h[static_cast<std::size_t>(recordColumn(kol_t))] = "Запись";
  return h;
}

// The incubator count spin box holds 1..100: a count of 0 shows 1, one above 100 shows 100.
constexpr int countSpinValue(int kol_inkub) {
  return kol_inkub < 1 ? 1 : (kol_inkub > 100 ? 100 : kol_inkub);
}

}  // namespace vs
