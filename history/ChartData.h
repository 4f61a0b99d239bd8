// What the "Графики" tab draws, worked out from the records of a log: the eight series of a
// measurement log (`KNreadF`), optionally averaged over groups of 10, 100 or 1000 records,
// with the points that close a pause in the recording flagged, and the eight setpoint series
// of a setpoint log. A long log is read a slice at a time and brought down to what the plot
// can show: per pixel column the lowest and the highest value of each series, so that memory
// stays flat and a spike of one record still shows. Plain numbers only; the tab puts them on
// its chart.
#pragma once
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <stop_token>
#include <string>
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

// Series 0..7 for the records of a measurement log, in one pass, every point kept. `out` is
// emptied first. `progress` hears 0..100 as the records go by.
void KNreadF(const std::vector<TFile>& records, const ChartOptions& options, ChartColumns& out,
             const ReadProgress& progress = {});

// The points of series 8..15 (column 0 = series 8) for every record of a setpoint log, in the
// shown series only, without averaging, gap marking or skipping. The tab adds them to what
// its series already hold.
void setpointColumns(const std::vector<TFileZon>& records,
                     const std::array<bool, kSetpointSeries>& shown, ChartColumns& out);

// What a chart read of a log file asks for.
struct ChartRequest {
  ChartOptions options;
  // Pixel columns of the plot. Points beyond kKeepFactor x columns are brought down to the
  // lowest and highest value of each series per column; 0 keeps every point.
  int columns = 0;
  // A zoomed range of date-times, both ends included; NaN for the whole log. Records outside
  // it are read (the averaging groups and the pauses run from the start of the log) but give
  // no points.
  TDateTime from = std::numeric_limits<double>::quiet_NaN();
  TDateTime to = std::numeric_limits<double>::quiet_NaN();

  bool ranged() const { return !std::isnan(from) && !std::isnan(to); }
};

// The points are brought down once they exceed the plot's columns this many times.
inline constexpr int kKeepFactor = 4;

// What a chart read gives: the points, and whether they were brought down to the columns
// (then a zoomed range has more to show when read again).
struct ChartPoints {
  ChartColumns columns;
  bool decimated = false;
};

enum class ChartRead { Done, Cancelled, Failed };

// Builds the points of series 0..7 from records fed in file order, slice by slice: the
// averaging groups, the pauses and the skipping of records without a time run on across
// slices, and once the points exceed kKeepFactor x columns they are brought down to each
// pixel column's lowest and highest value per series, in their time order. A point that
// closes a pause always starts a column of its own, so no column spans a gap.
class ChartBuilder {
 public:
  // `first` is the date-time of the log's first record (the pause before the first point is
  // measured from it). [spanFrom, spanTo] is the time the columns divide when no range is
  // asked for: the first and last record times of the log. `expected` is about how many
  // points the log gives, for logs whose span says nothing (out of order, a single moment).
  ChartBuilder(const ChartRequest& request, TDateTime first, TDateTime spanFrom, TDateTime spanTo,
               std::size_t expected);
  ~ChartBuilder();
  ChartBuilder(const ChartBuilder&) = delete;
  ChartBuilder& operator=(const ChartBuilder&) = delete;

  void add(std::span<const TFile> records);
  // The points; the builder is spent.
  ChartPoints finish();

 private:
  struct Impl;
  Impl* impl_;
};

// The lowest and highest value of each series per pixel column of [from, to], as ChartBuilder
// does, for points already worked out (a setpoint log). Points that close a pause begin a
// column of their own. Fewer than kKeepFactor x columns points are kept as they are.
ChartColumns decimate(const ChartColumns& in, int columns, TDateTime from, TDateTime to);

// Reads a measurement log for the chart, slice by slice. Done with the points in `out`;
// Cancelled when `stop` was asked for (checked between slices); Failed with `error` in the
// system's words when a read failed. `progress` hears 0..100.
ChartRead KNreadF(LogSlices<TFile>& log, const ChartRequest& request, ChartPoints& out,
                  std::string& error, std::stop_token stop = {}, const ReadProgress& progress = {});

// Reads a setpoint log for series 8..15 slice by slice, its points brought down to `columns`
// over the log's time when they far exceed them (0 keeps every point).
ChartRead setpointColumns(LogSlices<TFileZon>& log, const std::array<bool, kSetpointSeries>& shown,
                          int columns, ChartColumns& out, std::string& error,
                          std::stop_token stop = {}, const ReadProgress& progress = {});

}  // namespace vs
