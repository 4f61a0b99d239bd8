// Any bytes as a measurement log and as a setpoint log: the charts' pass over the records with
// every averaging factor, and the setpoint series, never read past the records and never
// divide by zero or trip on NaN, infinite or huge time stamps.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "history/ChartData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<vs::TFile> fil(size / sizeof(vs::TFile));
  if (!fil.empty()) std::memcpy(fil.data(), data, fil.size() * sizeof(vs::TFile));
  std::vector<vs::TFileZon> zon(size / sizeof(vs::TFileZon));
  if (!zon.empty()) std::memcpy(zon.data(), data, zon.size() * sizeof(vs::TFileZon));
  vs::ChartColumns out;
  for (int q : {1, 10, 100, 1000}) {
    vs::ChartOptions o;
    o.averaging = q;
    o.shown.fill(true);
    o.gapMinutes = vs::gapThreshold(vs::GapInputs{size % 101 == 0 ? 100 : 1, (size & 1) != 0,
                                                  static_cast<int>(size % 252)},
                                    q);
    o.markGaps = (size & 2) != 0;
    vs::KNreadF(fil, o, out);
  }
  std::array<bool, vs::kSetpointSeries> shown{};
  shown.fill(true);
  vs::setpointColumns(zon, shown, out);
  return 0;
}
