// Any bytes as a measurement log and as a setpoint log: the charts' pass over the records with
// every averaging factor, whole, in slices brought down to a few pixel columns and within a
// zoomed range, and the setpoint series, never read past the records and never divide by zero
// or trip on NaN, infinite or huge time stamps.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
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
    o.gapMinutes = vs::gapThreshold(
        vs::GapInputs{size % 101 == 0 ? 100 : 1, (size & 1) != 0, static_cast<int>(size % 252)}, q);
    o.markGaps = (size & 2) != 0;
    vs::KNreadF(fil, o, out);
    if (fil.empty()) continue;
    // The same records in slices of three, brought down to one or two columns; the span and
    // the range come from the bytes as well, damaged or not.
    vs::ChartRequest r;
    r.options = o;
    r.columns = 1 + static_cast<int>(size % 2);
    if (size & 4) {
      r.from = fil.front().dt;
      r.to = fil.back().dt;
    }
    vs::ChartBuilder b(r, fil.front().dt, fil.front().dt, fil.back().dt, fil.size());
    const std::span<const vs::TFile> all(fil);
    for (std::size_t at = 0; at < all.size(); at += 3)
      b.add(all.subspan(at, std::min<std::size_t>(3, all.size() - at)));
    const vs::ChartPoints p = b.finish();
    for (const auto& y : p.columns.y)
      if (!y.empty() && y.size() != p.columns.size()) __builtin_trap();
  }
  std::array<bool, vs::kSetpointSeries> shown{};
  shown.fill(true);
  vs::setpointColumns(zon, shown, out);
  if (!zon.empty()) {
    const vs::ChartColumns d = vs::decimate(out, 1, zon.front().dt, zon.back().dt);
    if (d.size() > out.size()) __builtin_trap();
  }
  return 0;
}
