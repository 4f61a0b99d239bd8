#include "station/RowTexts.h"

#include <cstdio>
#include <cstdlib>

namespace vs {

std::string hundredths(long long v) {
  char buf[32];
  const long long a = std::llabs(v);
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", v < 0 ? "-" : "", a / 100, a % 100);
  return buf;
}

RowTexts mainRowTexts(const StationTables& t, int nk, int kol_t) {
  RowTexts r;
  if (nk < 0 || nk >= 256) return r;
  const auto n = static_cast<std::size_t>(nk);
  const std::uint16_t c1 = t.C1[n], c2 = t.C2[n], c3 = t.C3[n];
  const bool marked = (c1 & (1u << 11)) != 0;  // "#" beside the sensor in control
  auto mark = [&](int sensor) { return marked && t.t1_t2[n] == sensor ? "#" : ""; };

  r.t1 = (c2 & (1u << 10)) ? " ??.??" : " " + hundredths(t.T1k[n]) + " " + mark(1);
  if (kol_t >= 1) r.t2 = (c2 & (1u << 11)) ? " ??.??" : hundredths(t.T2k[n]) + " " + mark(2);
  if (kol_t >= 2) {
    if (c2 & (1u << 12))
      r.t3 = (c3 & (1u << 5)) ? " ??.??" : "";
    else
      r.t3 = " " + hundredths(t.T3k[n]) + " " + mark(3);
  }

  r.humidity = (c2 & (1u << 10)) ? "??%" : " " + std::to_string(t.BL[n]) + "%";
  if (c3 & (1u << 9))
    r.humidity += t.ugol[n] < 100 ? " (" + std::to_string(t.ugol[n]) + ")" : std::string(" (--)");

  if (c3 & (1u << 7)) {
    r.trays = "выводной";
  } else {
    const char* d = (c1 & 4) ? " П" : ((c1 & 8) ? " Л" : "");
    const char* p = "";
    switch (c1 & 3) {
      case 0:
        p = "+";
        break;
      case 2:
        p = ">";
        break;
      case 1:
        p = "<";
        break;
      default:
        break;
    }
    if (t.ZON[n][19] & 1) {
      r.trays = std::string("выкл ") + d + p;
    } else {
      char buf[32];
      std::snprintf(buf, sizeof buf, " %02u:%02u ", static_cast<unsigned>(t.VR_MIN[n]),
                    static_cast<unsigned>(t.VR_SEK[n]));
      r.trays = std::string(buf) + d + p;
    }
  }
  return r;
}

}  // namespace vs
