// Turning the data bytes of a status answer (answer type 5) into one row of the state tables,
// and the values derived from them. Pure functions of the tables; the order of the outward
// calls lives in Station.
//
// Layout (data byte index, little-endian): 1 RS-485 firmware, 3 GSM settings, 7 display
// firmware, 17 C1, 19 C2, 21/23/25 T1/T2/T3, 27 humidity, 28 C4, 29 U1, 31 seconds and 32
// minutes of the tray countdown, 33 motor speed, 35 damper position, 37 control firmware, 39 C3,
// 41 + 2k setpoint word k (k = 0..34), 104 turn count, 106 C5, 108 tray firmware, 110 operating
// hours (4 bytes), 118 CO2, 120 fourth temperature. 122 data bytes in all.
#pragma once
#include <cstdint>

#include "station/StationTables.h"

namespace vs {

constexpr int kStatusAnswerLength = 122;
constexpr int kZonWords = 35;

// Stores every field of the answer that lies wholly within `len` bytes into row nk; fields
// past the end keep the row's previous values (a short answer must not pick up the bytes an
// earlier frame left in the receive buffer). Includes the damper block when C3 says the damper
// board is fitted. nk must be below 251.
void decodeStatusFields(StationTables& t, int nk, const std::uint8_t* data, int len);

// One absolute alarm bound: with relative bounds allowed, a value not above half its base word
// is an offset from the base (added for an upper bound, subtracted for a lower one).
std::int16_t absoluteBound(std::int16_t value, std::int16_t base, bool upper, bool relative);
// ZON_ words 0, 2, 7, 8 of row nk from its ZON words and C4 bit 1.
void computeBounds(StationTables& t, int nk);
// The alarm code list of row nk from C2: codes 2, 4, 5, 6, 7, 8 for bits 5, 4, 15, 6, 7, 8.
void fillAlarmCodes(StationTables& t, int nk);
// The sensor in control, t1_t2[nk], from the working-sensor word and the fault bits of C2.
void readT1_T2(StationTables& t, int nk);
// The damper angle from the damper block; unchanged when the two calibration points coincide.
void updateDamperAngle(StationTables& t, int nk);
// T1k..T3k = raw + calibration words 3..5.
void calibrate(StationTables& t, int nk);

}  // namespace vs
