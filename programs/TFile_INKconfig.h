// An incubation program: a day table of temperature, humidity, damper angle and tray turning.
// A program file in "rezim" (extension ".ink") is exactly one such record, byte for byte.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "common/Records.h"

namespace vs {

constexpr int kInkRows = 251;        // rows 0..250 of the day table
constexpr int kInkTimeDen = 241;     // entries 0..240 of TimeDen
constexpr int kInkEditorRows = 100;  // the editor offers 1..100 rows

#pragma pack(push, 1)
struct TFile_INKconfig {
  std::int32_t kol;                             // rows in use
  std::array<std::int32_t, kInkRows> nDen;      // day from which row i applies, ascending
  std::array<std::int32_t, kInkRows> Temp;      // hundredths of a degree; <= 0 not set
  std::array<std::int32_t, kInkRows> Vlaz;      // % humidity; <= 0 not set
  std::array<std::int32_t, kInkRows> Zaslonki;  // damper angle in degrees; < 0 not set
  std::array<std::int32_t, kInkRows> TempZ;     // kept as read
  std::array<std::int32_t, kInkRows> Lotki;     // tray-turning period in minutes; 0 stopped
  std::array<std::uint8_t, 4> pad1;
  std::array<double, kInkTimeDen> TimeDen;  // kept as read
  std::uint8_t prLotki;                     // the program drives the trays
  std::array<std::uint8_t, 79> pr;          // kept as read
  std::uint16_t crc;                        // kept as read; never computed
  std::uint8_t rab;                         // kept as read
  std::array<std::uint8_t, 5> pad2;
};
#pragma pack(pop)

VS_SIZE(TFile_INKconfig, 8048);
VS_OFFSET(TFile_INKconfig, kol, 0);
VS_OFFSET(TFile_INKconfig, nDen, 4);
VS_OFFSET(TFile_INKconfig, Temp, 1008);
VS_OFFSET(TFile_INKconfig, Vlaz, 2012);
VS_OFFSET(TFile_INKconfig, Zaslonki, 3016);
VS_OFFSET(TFile_INKconfig, TempZ, 4020);
VS_OFFSET(TFile_INKconfig, Lotki, 5024);
VS_OFFSET(TFile_INKconfig, pad1, 6028);
VS_OFFSET(TFile_INKconfig, TimeDen, 6032);
VS_OFFSET(TFile_INKconfig, prLotki, 7960);
VS_OFFSET(TFile_INKconfig, pr, 7961);
VS_OFFSET(TFile_INKconfig, crc, 8040);
VS_OFFSET(TFile_INKconfig, rab, 8042);
VS_OFFSET(TFile_INKconfig, pad2, 8043);

// The day number of the program's last row, nDen[kol - 1], or nothing when kol does not name
// a row of the table (a damaged or empty file must not make anyone read past the array).
inline bool lastProgramDay(const TFile_INKconfig& p, std::int32_t& day) {
  if (p.kol < 1 || p.kol > kInkRows) return false;
  day = p.nDen[static_cast<std::size_t>(p.kol - 1)];
  return true;
}

}  // namespace vs
