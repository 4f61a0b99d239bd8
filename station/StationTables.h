// The per-incubator state that every view reads: what the last status answer of each row said,
// and the values derived from it. Filled by the status decoding, one row per answer.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "station/CurrentRow.h"

namespace vs {

// Extra values of newer controllers, rows 0..250.
struct TNEW {
  std::array<std::uint16_t, 251> Versia_lotki{};  // tray board firmware version
  std::array<std::uint16_t, 251> st_povorot{};    // tray turn count
  std::array<std::uint16_t, 251> CO2{};           // ppm
  std::array<std::uint16_t, 251> S_motor{};       // motor speed
  std::array<std::uint32_t, 251> st_narabotka{};  // operating hours
  std::array<std::int32_t, 251> Tots{};           // fourth temperature, hundredths of a degree
};

template <typename T>
using RowTable = std::array<T, 256>;

struct StationTables {
  StationTables() {
    for (auto& row : avaria) row.fill(-1);
  }

  // Status words and raw readings (temperatures in hundredths of a degree Celsius).
  RowTable<std::uint16_t> C1{}, C2{}, C3{}, C5{}, U1{}, VR_SEK{}, VR_MIN{};
  RowTable<std::int32_t> T1{}, T2{}, T3{};
  RowTable<std::int32_t> T1k{}, T2k{}, T3k{};  // calibrated: raw + ZON words 3, 4, 5
  RowTable<std::int32_t> versia_avt{}, versia_xmeg{}, versia_ind{};
  RowTable<std::uint8_t> BL{};  // relative humidity, %
  RowTable<std::uint8_t> C4{};
  // Setpoint and parameter words (0..34 used) and the absolute alarm bounds (0, 2, 7, 8 used).
  RowTable<std::array<std::int16_t, 71>> ZON{};
  RowTable<std::array<std::int16_t, 71>> ZON_{};
  RowTable<std::array<std::uint8_t, 21>> ZASL{};  // damper block
  TNEW new_p{};
  RowTable<std::uint16_t> C2k{};                    // C2 at the previous answer
  RowTable<bool> zvukON1{};                         // the row has answered since start
  RowTable<std::array<std::int32_t, 11>> avaria{};  // alarm codes, -1 = empty slot
  RowTable<std::int32_t> t1_t2{};                   // sensor in control: 1 T1, 2 T2, 3 T3, 0 none
  RowTable<std::uint16_t> ugol{};                   // damper angle, degrees

  // Single bytes of the setpoint words.
  RowTable<std::uint8_t> vivod_b{}, vent_b{}, zvuk_b{}, ventP_b{}, ventV_b{}, avar_b{}, avarV_b{},
      motor_b{}, tipBL_b{}, ventON_b{};

  // Each controller's GSM notification settings (status byte 3): bit 7 set = carried, bit 4
  // modem on, bits 0..3 the notification mask. Per row, so that the GSM window reads the block
  // it shows and not whichever controller answered last.
  RowTable<std::uint8_t> GSM_sost{};

  // Data length of each row's last status answer.
  RowTable<std::int32_t> kol_byte_opros{};
  // The incubator (row) that the detail window, the parameter editor, the configuration window
  // and the damper window show: one for all, so each opens on the one the operator was looking
  // at, and each follows when another moves it.
  CurrentRow nk_Opros;
  // True while the row's name cell is drawn as linked; set by the main table.
  RowTable<bool> pr_svaz{};
  // The last tray text of each row as the main table shows it (at most 20 characters).
  RowTable<std::string> ChasiLotki{};
};

}  // namespace vs
