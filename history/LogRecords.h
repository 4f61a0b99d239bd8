// The records of the measurement logs: `TFile` (one sample, ".fil"), `TFileZon` (the setpoints
// at a flush, ".0il") and the in-memory averaging accumulator `TFileS`. The files are plain
// sequences of 40-byte records, oldest first, with no header.
#pragma once
#include <cstdint>

#include "common/DateTime.h"
#include "common/Records.h"

namespace vs {

#pragma pack(push, 1)
struct TFile {
  double T1;           // °C
  double T2;           // °C
  double T3;           // °C
  std::uint8_t BL;     // relative humidity, %
  std::int8_t zsl;     // damper angle + 10 with a damper board (C3 bit 9), else 0
  std::uint16_t C1;    // status words as received
  std::uint16_t C2;
  std::uint16_t C3;
  TDateTime dt;        // local date-time of the sample
};

struct TFileZon {
  std::int16_t ustT;      // working temperature setpoint, hundredths of °C
  std::int16_t ustOhlv;   // cooling on: absolute, or an offset above ustT
  std::int16_t ustOhln;   // cooling off: absolute, or an offset below ustT
  std::uint8_t ustBLv;    // humidity upper level, %
  std::uint8_t ustBLn;    // humidity lower level: absolute, or a hysteresis below ustBLv
  std::uint8_t Chim;      // heater power setpoint, %
  std::uint8_t Trab;      // working sensor number, from 0
  std::int16_t zsl;       // damper angle setpoint
  std::int16_t null[10];  // always 0
  TDateTime dt;           // time of the answer that triggered the flush
};
#pragma pack(pop)

// Averaging accumulator, never written to a file.
struct TFileS {
  double T1 = 0, T2 = 0, T3 = 0;  // sums
  std::int32_t BL = 0;            // sum
  std::int32_t zsl = 0;           // sum of the signed values
  std::uint16_t C1 = 0, C2 = 0, C3 = 0;  // latest
  TDateTime dt = 0;                      // latest
};

VS_SIZE(TFile, 40);
VS_OFFSET(TFile, T1, 0);
VS_OFFSET(TFile, T2, 8);
VS_OFFSET(TFile, T3, 16);
VS_OFFSET(TFile, BL, 24);
VS_OFFSET(TFile, zsl, 25);
VS_OFFSET(TFile, C1, 26);
VS_OFFSET(TFile, C2, 28);
VS_OFFSET(TFile, C3, 30);
VS_OFFSET(TFile, dt, 32);

VS_SIZE(TFileZon, 40);
VS_OFFSET(TFileZon, ustT, 0);
VS_OFFSET(TFileZon, ustOhlv, 2);
VS_OFFSET(TFileZon, ustOhln, 4);
VS_OFFSET(TFileZon, ustBLv, 6);
VS_OFFSET(TFileZon, ustBLn, 7);
VS_OFFSET(TFileZon, Chim, 8);
VS_OFFSET(TFileZon, Trab, 9);
VS_OFFSET(TFileZon, zsl, 10);
VS_OFFSET(TFileZon, null, 12);
VS_OFFSET(TFileZon, dt, 32);

VS_SIZE(TFileS, 48);
VS_OFFSET(TFileS, T1, 0);
VS_OFFSET(TFileS, T2, 8);
VS_OFFSET(TFileS, T3, 16);
VS_OFFSET(TFileS, BL, 24);
VS_OFFSET(TFileS, zsl, 28);
VS_OFFSET(TFileS, C1, 32);
VS_OFFSET(TFileS, C2, 34);
VS_OFFSET(TFileS, C3, 36);
VS_OFFSET(TFileS, dt, 40);

}  // namespace vs
