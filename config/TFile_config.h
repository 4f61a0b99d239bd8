// The plant configuration record: which incubators exist and how each is treated. The file
// "config.cfg", the registry copy and exported "*.cfg" files are this record byte for byte.
#pragma once
#include <array>
#include <cstdint>

#include "common/PString.h"
#include "common/Records.h"

namespace vs {

constexpr int kMaxRows = 251;       // rows 0..250 of the configuration
// The four-line hub's routing table holds incubators 1..120; those above it are not reached
// through the hub.
constexpr int kHubTableEntries = 120;
constexpr int kTableRows = 256;     // per-incubator tables are indexed 0..255

#pragma pack(push, 1)
struct TFile_config {
  std::uint8_t kol_inkub;     // number of configured incubators
  std::uint8_t usrednenie10;  // logging averaging: 11 = on
  std::uint8_t svobodno1;
  std::uint8_t svobodno2;
  std::array<std::uint16_t, kMaxRows> konfig_n;        // incubator number = bus address
  std::array<PString<100>, kMaxRows> konfig_s;         // name shown in the table
  std::array<std::uint8_t, kMaxRows> konfig_o;         // poll flag
  std::array<std::uint8_t, kMaxRows> konfig_Write;     // logging on
  std::array<PString<250>, kMaxRows> konfig_f;         // log file base name
  std::array<PString<255>, kMaxRows> konfig_finkub;    // program file in "rezim"
  std::array<std::int8_t, kMaxRows> konfig_DenTEK;     // current program day
  std::array<std::int8_t, kMaxRows> konfig_DenKON;     // last day of the loaded program
  std::array<std::uint8_t, kMaxRows> konfig_INK;       // automatic incubation on
  std::array<std::uint8_t, 7> pad1;
  std::array<double, kMaxRows> N_Time00;               // kept as read, not interpreted
  std::array<double, kMaxRows> N_DateTime;             // program execution date-time
  std::array<std::uint8_t, kMaxRows> konfig_TimeON;
  std::array<std::uint8_t, kMaxRows> konfig_linia;     // line 1..4 on the four-line hub
  std::uint8_t konfig_crc;                             // check byte of the last hub table
  std::uint8_t pad2;
};
#pragma pack(pop)

VS_SIZE(TFile_config, 158896);
VS_OFFSET(TFile_config, kol_inkub, 0);
VS_OFFSET(TFile_config, usrednenie10, 1);
VS_OFFSET(TFile_config, svobodno1, 2);
VS_OFFSET(TFile_config, svobodno2, 3);
VS_OFFSET(TFile_config, konfig_n, 4);
VS_OFFSET(TFile_config, konfig_s, 506);
VS_OFFSET(TFile_config, konfig_o, 25857);
VS_OFFSET(TFile_config, konfig_Write, 26108);
VS_OFFSET(TFile_config, konfig_f, 26359);
VS_OFFSET(TFile_config, konfig_finkub, 89360);
VS_OFFSET(TFile_config, konfig_DenTEK, 153616);
VS_OFFSET(TFile_config, konfig_DenKON, 153867);
VS_OFFSET(TFile_config, konfig_INK, 154118);
VS_OFFSET(TFile_config, pad1, 154369);
VS_OFFSET(TFile_config, N_Time00, 154376);
VS_OFFSET(TFile_config, N_DateTime, 156384);
VS_OFFSET(TFile_config, konfig_TimeON, 158392);
VS_OFFSET(TFile_config, konfig_linia, 158643);
VS_OFFSET(TFile_config, konfig_crc, 158894);
VS_OFFSET(TFile_config, pad2, 158895);

// Number of rows that may be used from a loaded record: 0 counts as 1 and the count never
// exceeds the 251 rows the record holds.
inline int usableRows(const TFile_config& c) {
  return c.kol_inkub == 0 ? 1 : (c.kol_inkub > kMaxRows ? kMaxRows : c.kol_inkub);
}

}  // namespace vs
