// What the "Графики" tab draws, worked out from the records of a log: the eight series of a
// measurement log (`KNreadF`), optionally averaged over groups of 10, 100 or 1000 records,
// with the points that close a pause in the recording flagged, and the eight setpoint series
// of a setpoint log. Plain numbers only; the tab puts them on its chart.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/LogFile.h"
#include "history/LogRecords.h"

namespace vs {

inline constexpr int kLogSeries = 8;       // 0..7 from the ".fil" file
inline constexpr int kSetpointSeries = 8;  // 8..15 from the ".0il" file
inline constexpr int kChartSeries = kLogSeries + kSetpointSeries;

// The points of eight series drawn at the same moments: one column of date-times (days since
// 1899-12-30) and of gap flags shared by all, one column of values per series. A hidden
// series has an empty value column. `white` marks the first point after a pause in the
// recording: the line leading to it is not drawn.
struct ChartColumns {
  std::vector<TDateTime> x;
  std::vector<std::uint8_t> white;
  std::array<std::vector<double>, 8> y;

  std::size_t size() const { return x.size(); }
  void clear();
};

// The eight values a measurement record contributes to series 0..7, in series order: T1, T2,
// T3, humidity, damper angle (zsl - 10, so -10 without a damper board), the cut-off valve
// (20/0), the cooling (21/1) and the motor (22/2). The on/off traces sit on their own base
// levels so that they never cover each other.
std::array<double, kLogSeries> logValues(const TFile& r);

// The eight setpoint values of a setpoint record for series 8..15. Cooling and humidity
// levels small enough to be offsets (at most half the reference, compared as real numbers)
// are turned into absolute levels.
std::array<double, kSetpointSeries> setpointValues(const TFileZon& z);

// What the poll period and the machine class give for the pause that counts as a gap.
struct GapInputs {
  int PeriodSE = 1;  // poll period, seconds
  bool old = false;  // "Мощность компьютера" is "Старый": only the timer polls
  int kol_inkub = 1;  // configured incubators
};

// Averaging factor as the tab's buttons choose it: 1 ("1/1", no averaging), 10, 100, 1000.
// Any other value counts as 10.
int averagingFactor(int buttons);

// The gap threshold r in minutes: PeriodSE x q x 5, times kol_inkub with "Старый". q is the
// averaging factor, and 10 with "1/1": without averaging a pause is judged as with "1/10".
long long gapThreshold(const GapInputs& in, int averaging);

struct ChartOptions {
  int averaging = 10;                    // 1, 10, 100 or 1000
  std::array<bool, kLogSeries> shown{};  // hidden series get no points
  long long gapMinutes = 50;             // r
  bool markGaps = true;                  // "Не показывать пропуски" released
};

// Series 0..7 for the records of a measurement log, in one pass. `out` is emptied first. `progress`
// hears 0..100 as the records go by.
void KNreadF(const std::vector<TFile>& records, const ChartOptions& options, ChartColumns& out,
             const ReadProgress& progress = {});

// The points of series 8..15 (column 0 = series 8) for every record of a setpoint log, in the
// shown series only, without averaging, gap marking or skipping. The tab adds them to what
// its series already hold.
void setpointColumns(const std::vector<TFileZon>& records,
                     const std::array<bool, kSetpointSeries>& shown, ChartColumns& out);

}  // namespace vs
