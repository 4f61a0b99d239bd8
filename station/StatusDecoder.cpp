#include "station/StatusDecoder.h"

#include <cmath>

namespace vs {
namespace {

class Fields {
 public:
  Fields(const std::uint8_t* d, int len) : d_(d), len_(len) {}
  bool has(int at, int width) const { return at + width <= len_; }
  std::uint16_t u16(int at) const { return static_cast<std::uint16_t>(d_[at] | (d_[at + 1] << 8)); }
  std::uint32_t u32(int at) const {
    return static_cast<std::uint32_t>(u16(at)) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
  }
  std::uint8_t u8(int at) const { return d_[at]; }

  template <typename T>
  void word(int at, T& out) const {
    if (has(at, 2)) out = static_cast<T>(u16(at));
  }
  template <typename T>
  void byte(int at, T& out) const {
    if (has(at, 1)) out = static_cast<T>(u8(at));
  }

 private:
  const std::uint8_t* d_;
  int len_;
};

}  // namespace

void decodeStatusFields(StationTables& t, int nk, const std::uint8_t* data, int len) {
  if (nk < 0 || nk > 250) return;
  const auto n = static_cast<std::size_t>(nk);
  const Fields f(data, len);

  f.word(1, t.versia_xmeg[n]);
  f.byte(3, t.GSM_sost[n]);
  f.word(7, t.versia_ind[n]);
  f.word(17, t.C1[n]);
  f.word(19, t.C2[n]);
  f.word(21, t.T1[n]);
  f.word(23, t.T2[n]);
  f.word(25, t.T3[n]);
  f.byte(27, t.BL[n]);
  f.byte(28, t.C4[n]);
  f.word(29, t.U1[n]);
  f.byte(31, t.VR_SEK[n]);
  f.byte(32, t.VR_MIN[n]);
  f.word(33, t.new_p.S_motor[n]);
  if (f.has(37, 2)) t.versia_avt[n] = f.u16(37) & 0x7FFF;
  f.word(39, t.C3[n]);
  for (int k = 0; k < kZonWords; ++k) f.word(41 + 2 * k, t.ZON[n][static_cast<std::size_t>(k)]);
  f.word(104, t.new_p.st_povorot[n]);
  f.word(106, t.C5[n]);
  f.word(108, t.new_p.Versia_lotki[n]);
  if (f.has(110, 4)) t.new_p.st_narabotka[n] = f.u32(110);
  f.word(118, t.new_p.CO2[n]);
  f.word(120, t.new_p.Tots[n]);  // zero-extended

  f.byte(79, t.vivod_b[n]);
  f.byte(80, t.vent_b[n]);
  f.byte(81, t.zvuk_b[n]);
  f.byte(85, t.ventP_b[n]);
  f.byte(86, t.ventV_b[n]);
  f.byte(97, t.avar_b[n]);
  f.byte(98, t.avarV_b[n]);
  f.byte(99, t.motor_b[n]);
  f.byte(100, t.tipBL_b[n]);
  f.byte(103, t.ventON_b[n]);

  if (t.C3[n] & (1u << 9)) {  // damper board: its block rides in bytes 3..16 and 35..36
    for (int i = 3; i <= 16; ++i) f.byte(i, t.ZASL[n][static_cast<std::size_t>(i + 1)]);
    f.byte(35, t.ZASL[n][0]);
    f.byte(36, t.ZASL[n][1]);
  }
}

std::int16_t absoluteBound(std::int16_t value, std::int16_t base, bool upper, bool relative) {
  if (!relative) return value;
  // The base is halved as an unsigned word, so a negative base makes every bound an offset.
  const bool absolute = base >= 0 && value > base / 2;
  if (absolute) return value;
  return static_cast<std::int16_t>(upper ? base + value : base - value);
}

void computeBounds(StationTables& t, int nk) {
  const auto n = static_cast<std::size_t>(nk);
  const auto& z = t.ZON[n];
  auto& b = t.ZON_[n];
  const bool rel = (t.C4[n] & 0x02) != 0;
  b[0] = absoluteBound(z[0], z[1], true, rel);
  b[2] = absoluteBound(z[2], z[1], false, rel);
  b[7] = absoluteBound(z[7], z[9], true, rel);
  b[8] = absoluteBound(z[8], z[9], false, rel);
}

void fillAlarmCodes(StationTables& t, int nk) {
  const auto n = static_cast<std::size_t>(nk);
  auto& codes = t.avaria[n];
  codes.fill(-1);
  static constexpr struct {
    int bit, code;
  } kOrder[] = {{5, 2}, {4, 4}, {15, 5}, {6, 6}, {7, 7}, {8, 8}};
  std::size_t slot = 0;
  for (const auto& o : kOrder)
    if (t.C2[n] & (1u << o.bit)) codes[slot++] = o.code;
}

void readT1_T2(StationTables& t, int nk) {
  const auto n = static_cast<std::size_t>(nk);
  const int w = t.ZON[n][6] & 0xFF;
  const bool t1Bad = t.C2[n] & (1u << 10);
  const bool t2Bad = t.C2[n] & (1u << 11);
  switch (w) {
    case 0:
      t.t1_t2[n] = !t1Bad ? 1 : (!t2Bad ? 2 : 0);
      break;
    case 1:
      t.t1_t2[n] = t2Bad ? 0 : 2;
      break;
    case 2:
      t.t1_t2[n] = 3;
      break;
    default:
      break;
  }
}

void updateDamperAngle(StationTables& t, int nk) {
  const auto& z = t.ZASL[static_cast<std::size_t>(nk)];
  auto scaled = [&z](std::size_t at) {
    return static_cast<double>(z[at] | (z[at + 1] << 8)) * 45 / 64 / 100;
  };
  const double a = scaled(0), b = scaled(9), c = scaled(11);
  if (c - b == 0) return;
  // Rounded to nearest, halves to even (the default rounding mode).
  const double angle = std::nearbyint((a - b) * 90 / (c - b));
  t.ugol[static_cast<std::size_t>(nk)] = static_cast<std::uint16_t>(static_cast<long long>(angle));
}

void calibrate(StationTables& t, int nk) {
  const auto n = static_cast<std::size_t>(nk);
  t.T1k[n] = t.T1[n] + t.ZON[n][3];
  t.T2k[n] = t.T2[n] + t.ZON[n][4];
  t.T3k[n] = t.T3[n] + t.ZON[n][5];
}

}  // namespace vs
