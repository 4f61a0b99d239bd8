// What the "Графики" tab draws from the records of a log: averaging groups and their times,
// records without a time, pauses against the threshold, hidden series, and the setpoint
// series with their offsets turned into levels; a log read from its file slice by slice and
// brought down to the plot's columns (extremes, spikes and gaps kept, memory bounded), a
// zoomed range read again, and a read stopped half-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stop_token>
#include <vector>

#include "history/ChartData.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

constexpr TDateTime kDay = 46000.0;
constexpr double kMinute = 1.0 / 1440.0;

TFile rec(TDateTime dt, double t1 = 37.5) {
  TFile r{};
  r.T1 = t1;
  r.T2 = t1 + 1;
  r.T3 = t1 + 2;
  r.BL = 55;
  r.zsl = 0;
  r.dt = dt;
  return r;
}

ChartOptions allShown(int averaging) {
  ChartOptions o;
  o.averaging = averaging;
  o.shown.fill(true);
  o.gapMinutes = gapThreshold(GapInputs{1, false, 1}, averaging);
  o.markGaps = true;
  return o;
}

TEST(ChartData, EightValuesOfARecord) {
  TFile r = rec(kDay, 37.25);
  r.BL = 61;
  r.zsl = 55;  // 45 degrees with a damper board
  r.C1 = 0x0100;
  r.C2 = 0x4000;
  EXPECT_EQ(logValues(r), (std::array<double, 8>{37.25, 38.25, 39.25, 61, 45, 20, 21, 2}));
  r.zsl = 0;  // no damper board
  r.C1 = 0;
  r.C2 = 0x8000;
  EXPECT_EQ(logValues(r), (std::array<double, 8>{37.25, 38.25, 39.25, 61, -10, 0, 1, 22}));
}

TEST(ChartData, GroupsAreDrawnAtTheirLastRecordAndPartialOrTimelessGroupsAreNot) {
  std::vector<TFile> log;
  for (int i = 1; i <= 25; ++i) log.push_back(rec(kDay + i * kMinute, i));
  ChartColumns c;
  KNreadF(log, allShown(10), c);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_DOUBLE_EQ(c.x[0], log[9].dt);
  EXPECT_DOUBLE_EQ(c.x[1], log[19].dt);
  EXPECT_DOUBLE_EQ(c.y[0][0], 5.5);  // mean of 1..10
  EXPECT_DOUBLE_EQ(c.y[0][1], 15.5);
  EXPECT_DOUBLE_EQ(c.y[4][0], -10.0);
  EXPECT_EQ(c.white, (std::vector<std::uint8_t>{0, 0}));

  // A group whose last record has no time is summed but not drawn.
  log[19].dt = 0;
  KNreadF(log, allShown(10), c);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_DOUBLE_EQ(c.x[0], log[9].dt);

  // 1/100 over 25 records: nothing, and what the columns held before is gone.
  KNreadF(log, allShown(100), c);
  EXPECT_EQ(c.size(), 0u);
  for (const auto& y : c.y) EXPECT_TRUE(y.empty());
}

TEST(ChartData, PausesLongerThanTheThresholdCloseAGapUnlessGapsAreNotShown) {
  // PeriodSE 1 and "1/1": the threshold is 1 x 10 x 5 = 50 minutes.
  ASSERT_EQ(gapThreshold(GapInputs{1, false, 7}, 1), 50);
  std::vector<TFile> log = {rec(kDay), rec(kDay + 50 * kMinute), rec(kDay + 101 * kMinute),
                            rec(kDay + 102 * kMinute)};
  ChartColumns c;
  KNreadF(log, allShown(1), c);
  EXPECT_EQ(c.white, (std::vector<std::uint8_t>{0, 0, 1, 0}));
  for (const auto& y : c.y) EXPECT_EQ(y.size(), 4u);

  ChartOptions quiet = allShown(1);
  quiet.markGaps = false;
  KNreadF(log, quiet, c);
  EXPECT_EQ(c.white, (std::vector<std::uint8_t>{0, 0, 0, 0}));

  // A record without a time is skipped, yet the pause is measured from it: the next point
  // follows a pause of decades.
  log[1].dt = 0;
  KNreadF(log, allShown(1), c);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c.x, (std::vector<TDateTime>{log[0].dt, log[2].dt, log[3].dt}));
  EXPECT_EQ(c.white, (std::vector<std::uint8_t>{0, 1, 0}));
}

TEST(ChartData, HiddenSeriesGetNothing) {
  std::vector<TFile> log;
  for (int i = 0; i < 30; ++i) log.push_back(rec(kDay + i * kMinute));
  ChartOptions o = allShown(1);
  o.shown = {true, false, false, true, false, false, true, false};
  ChartColumns c;
  KNreadF(log, o, c);
  for (int s = 0; s < 8; ++s)
    EXPECT_EQ(c.y[static_cast<std::size_t>(s)].size(),
              o.shown[static_cast<std::size_t>(s)] ? 30u : 0u)
        << "series " << s;
  EXPECT_DOUBLE_EQ(c.y[3][0], 55);
  EXPECT_DOUBLE_EQ(c.y[6][0], 1);
}

TEST(ChartData, ThresholdGrowsWithAveragingAndWithTheOldMachineClass) {
  EXPECT_EQ(gapThreshold(GapInputs{1, false, 5}, 10), 50);
  EXPECT_EQ(gapThreshold(GapInputs{3, false, 5}, 100), 1500);
  EXPECT_EQ(gapThreshold(GapInputs{3, true, 5}, 1000), 75000);
  EXPECT_EQ(gapThreshold(GapInputs{2, true, 4}, 1), 400);
}

TEST(ChartData, SetpointOffsetsBecomeLevels) {
  TFileZon z{};
  z.ustT = 3780;
  z.ustOhlv = 50;  // offset above
  z.ustOhln = 30;  // offset below
  z.ustBLv = 60;
  z.ustBLn = 5;  // hysteresis
  z.Chim = 70;
  z.Trab = 1;
  z.zsl = 45;
  auto v = setpointValues(z);
  EXPECT_DOUBLE_EQ(v[0], 37.80);
  EXPECT_DOUBLE_EQ(v[1], 38.30);
  EXPECT_DOUBLE_EQ(v[2], 37.50);
  EXPECT_EQ(v[3], 60);
  EXPECT_EQ(v[4], 55);
  EXPECT_EQ(v[5], 2);
  EXPECT_EQ(v[6], 70);
  EXPECT_EQ(v[7], 45);
  z.ustOhlv = 3800;  // absolute
  z.ustOhln = 3700;
  z.ustBLn = 50;
  v = setpointValues(z);
  EXPECT_DOUBLE_EQ(v[1], 38.00);
  EXPECT_DOUBLE_EQ(v[2], 37.00);
  EXPECT_EQ(v[4], 50);

  std::vector<TFileZon> log(3, z);
  ChartColumns c;
  setpointColumns(log, {true, false, true, false, false, false, false, false}, c);
  EXPECT_EQ(c.size(), 3u);
  EXPECT_EQ(c.y[0].size(), 3u);
  EXPECT_TRUE(c.y[1].empty());
  EXPECT_EQ(c.y[2].size(), 3u);
}

// A long regular log: a sample every 10 s, a pause of 55 minutes after every 20 000 records
// (a gap with a 1 s poll, and shorter than a pixel column of the whole log, so that columns
// have to be cut at it), values that wander so that every column has a spread of its own.
std::vector<TFile> regularLog(std::size_t n) {
  std::vector<TFile> log(n);
  TDateTime dt = kDay;
  for (std::size_t k = 0; k < n; ++k) {
    dt += (k % 20'000 == 19'999 ? 3300.0 : 10.0) / 86400.0;
    TFile& r = log[k];
    r = rec(dt, 37.0 + static_cast<double>(k % 131) / 100.0);
    r.BL = static_cast<std::uint8_t>(50 + k % 17);
    r.zsl = static_cast<std::int8_t>(10 + k % 61);
    r.C1 = static_cast<std::uint16_t>(k % 9 == 0 ? 0x0100 : 0);
    r.C2 = static_cast<std::uint16_t>(k % 11 == 0 ? 0xC000 : 0);
  }
  return log;
}

ChartPoints build(const std::vector<TFile>& log, const ChartRequest& r, std::size_t slice) {
  ChartBuilder b(r, log.front().dt, log.front().dt, log.back().dt,
                 log.size() / static_cast<std::size_t>(averagingFactor(r.options.averaging)));
  const std::span<const TFile> all(log);
  for (std::size_t at = 0; at < all.size(); at += slice)
    b.add(all.subspan(at, std::min(slice, all.size() - at)));
  return b.finish();
}

TEST(ChartData, SlicesOfAnyLengthGiveTheSamePointsAsOnePass) {
  // Groups of 1000 straddle slices of 777 records; a few points stay below the limit.
  const std::vector<TFile> log = regularLog(50'000);
  for (int q : {1, 10, 1000}) {
    ChartColumns whole;
    KNreadF(log, allShown(q), whole);
    ChartRequest r;
    r.options = allShown(q);
    r.columns = 100'000;  // more than the points: nothing brought down
    const ChartPoints sliced = build(log, r, 777);
    EXPECT_FALSE(sliced.decimated);
    EXPECT_EQ(sliced.columns.x, whole.x) << "1/" << q;
    EXPECT_EQ(sliced.columns.white, whole.white) << "1/" << q;
    EXPECT_EQ(sliced.columns.y, whole.y) << "1/" << q;
  }
}

// Every column of the full view, as the time it starts at: the extremes of each series in it
// must be among the points brought down, no point may merge across a gap, and a spike of one
// sample must stay.
TEST(ChartData, BroughtDownToTheColumnsKeepsEachColumnsExtremesAndEveryGap) {
  std::vector<TFile> log = regularLog(200'000);
  log[123'457].T2 = 45.0;  // a spike of one sample
  log[99'999].BL = 3;      // and a dip
  constexpr int kColumns = 500;
  ChartRequest r;
  r.options = allShown(1);
  r.columns = kColumns;
  const ChartPoints p = build(log, r, LogSlices<TFile>::kSliceRecords);
  ASSERT_TRUE(p.decimated);
  const ChartColumns& c = p.columns;
  ChartColumns full;
  KNreadF(log, allShown(1), full);
  const std::size_t gaps =
      static_cast<std::size_t>(std::count(full.white.begin(), full.white.end(), 1));
  ASSERT_EQ(gaps, 10u);
  // Two points a column at most, and one more column for each gap cutting one.
  EXPECT_LE(c.size(), 2 * (kColumns + gaps + 1));
  EXPECT_GE(c.size(), kColumns);
  for (const auto& y : c.y) ASSERT_EQ(y.size(), c.size());
  EXPECT_EQ(*std::max_element(c.y[1].begin(), c.y[1].end()), 45.0);
  EXPECT_EQ(*std::min_element(c.y[3].begin(), c.y[3].end()), 3.0);

  // Each gap is still marked, on the first record after the pause, with that record's values.
  EXPECT_EQ(static_cast<std::size_t>(std::count(c.white.begin(), c.white.end(), 1)), gaps);
  for (std::size_t k = 0; k < full.size(); ++k) {
    if (!full.white[k]) continue;
    const auto at = std::find(c.x.begin(), c.x.end(), full.x[k]);
    ASSERT_NE(at, c.x.end());
    EXPECT_EQ(c.white[static_cast<std::size_t>(at - c.x.begin())], 1);
  }
  // Times never go back, and each column's extremes per series are those of the records in it:
  // between two kept points no record of the full view lies outside them in all series at once.
  EXPECT_TRUE(std::is_sorted(c.x.begin(), c.x.end()));
  const double width = (log.back().dt - log.front().dt) / kColumns;
  std::size_t k = 0;
  for (std::size_t i = 0; i < c.size();) {
    // One column: the points sharing its index, not split by a gap.
    const auto column = static_cast<long long>(std::floor((c.x[i] - log.front().dt) / width));
    std::size_t j = i + 1;
    while (j < c.size() && !c.white[j] &&
           static_cast<long long>(std::floor((c.x[j] - log.front().dt) / width)) == column)
      ++j;
    std::array<double, 8> lo, hi;
    lo.fill(1e9);
    hi.fill(-1e9);
    for (; k < full.size() && full.x[k] <= c.x[j - 1]; ++k)
      for (std::size_t s = 0; s < 8; ++s) {
        lo[s] = std::min(lo[s], full.y[s][k]);
        hi[s] = std::max(hi[s], full.y[s][k]);
      }
    for (std::size_t s = 0; s < 8; ++s) {
      const auto [mn, mx] = std::minmax_element(c.y[s].begin() + static_cast<std::ptrdiff_t>(i),
                                                c.y[s].begin() + static_cast<std::ptrdiff_t>(j));
      ASSERT_EQ(*mn, lo[s]) << "series " << s << " column at point " << i;
      ASSERT_EQ(*mx, hi[s]) << "series " << s << " column at point " << i;
    }
    i = j;
  }
  EXPECT_EQ(k, full.size());
}

TEST(ChartData, ExtremesKeepTheirTimeOrderWithinAColumn) {
  // One column holds a rise then a fall in T1 and the other way round in T2.
  std::vector<TFile> log;
  for (int i = 0; i < 30; ++i) {
    TFile r = rec(kDay + i * kMinute, 37.0);
    r.T1 = i == 3 ? 40.0 : i == 10 ? 30.0 : 37.0;
    r.T2 = i == 3 ? 30.0 : i == 10 ? 40.0 : 37.0;
    log.push_back(r);
  }
  ChartRequest r;
  r.options = allShown(1);
  r.columns = 2;  // 8 points at most before bringing down
  const ChartPoints p = build(log, r, 7);
  ASSERT_TRUE(p.decimated);
  // Two columns over the 29 minutes: [0, 14.5) and [14.5, 29] in minutes.
  ASSERT_EQ(p.columns.size(), 4u);
  EXPECT_EQ(p.columns.x, (std::vector<TDateTime>{log[0].dt, log[14].dt, log[15].dt, log[29].dt}));
  EXPECT_EQ(p.columns.y[0], (std::vector<double>{40, 30, 37, 37}));  // the high came first
  EXPECT_EQ(p.columns.y[1], (std::vector<double>{30, 40, 37, 37}));
}

TEST(ChartData, AveragedGroupsAreBroughtDownOnlyWhenFarMoreThanTheColumns) {
  const std::vector<TFile> log = regularLog(100'000);
  ChartColumns means;
  KNreadF(log, allShown(100), means);  // 1000 means
  ChartRequest r;
  r.options = allShown(100);
  r.columns = 250;  // exactly 4 x 250: all kept
  ChartPoints p = build(log, r, 5000);
  EXPECT_FALSE(p.decimated);
  EXPECT_EQ(p.columns.y, means.y);
  r.columns = 100;  // 1000 means, 400 kept at most: brought down, the means' extremes kept
  p = build(log, r, 5000);
  EXPECT_TRUE(p.decimated);
  EXPECT_LT(p.columns.size(), 250u);
  for (std::size_t s = 0; s < 8; ++s) {
    EXPECT_EQ(*std::max_element(p.columns.y[s].begin(), p.columns.y[s].end()),
              *std::max_element(means.y[s].begin(), means.y[s].end()));
    EXPECT_EQ(*std::min_element(p.columns.y[s].begin(), p.columns.y[s].end()),
              *std::min_element(means.y[s].begin(), means.y[s].end()));
    for (double v : p.columns.y[s])
      EXPECT_NE(std::find(means.y[s].begin(), means.y[s].end(), v), means.y[s].end());
  }
}

TEST(ChartData, AZoomedRangeGivesEveryPointInItWithItsGaps) {
  const std::vector<TFile> log = regularLog(200'000);
  ChartColumns full;
  KNreadF(log, allShown(1), full);
  // Around the second pause, which comes before record 39 999: 299 records before it, 301
  // after.
  ChartRequest r;
  r.options = allShown(1);
  r.columns = 800;
  r.from = log[39'700].dt;
  r.to = log[40'299].dt;
  const ChartPoints p = build(log, r, 4096);
  EXPECT_FALSE(p.decimated);
  ASSERT_EQ(p.columns.size(), 600u);
  EXPECT_EQ(p.columns.x.front(), log[39'700].dt);
  EXPECT_EQ(p.columns.x.back(), log[40'299].dt);
  EXPECT_EQ(std::count(p.columns.white.begin(), p.columns.white.end(), 1), 1);
  EXPECT_EQ(p.columns.white[299], 1);
  const auto first = static_cast<std::ptrdiff_t>(39'700);
  EXPECT_TRUE(std::equal(p.columns.y[0].begin(), p.columns.y[0].end(), full.y[0].begin() + first));

  // A wider range is brought down over its own span: columns of the range, not of the log.
  r.from = log[10'000].dt;
  r.to = log[60'000].dt;
  const ChartPoints wide = build(log, r, 4096);
  EXPECT_TRUE(wide.decimated);
  EXPECT_GE(wide.columns.size(), 800u);
  EXPECT_LE(wide.columns.size(), 2u * (800 + 3 + 1));
  EXPECT_GE(wide.columns.x.front(), r.from);
  EXPECT_LE(wide.columns.x.back(), r.to);
}

TEST(ChartData, DamagedOrDisorderedTimesNeitherCollapseNorBlowUpTheColumns) {
  std::vector<TFile> log = regularLog(100'000);
  log.front().dt = 1e300;        // a damaged first record
  log[50'000].dt = kDay - 3000;  // and a time from long ago in the middle
  for (std::size_t k = 70'000; k < 70'360; ++k) log[k].dt -= 1.0 / 24;  // clock set back an hour
  ChartRequest r;
  r.options = allShown(1);
  r.columns = 400;
  // The span the file reader would take: the middle of the first and last usable times.
  ChartBuilder b(r, log.front().dt, log[7].dt, log[log.size() - 8].dt, log.size());
  b.add(log);
  const ChartPoints p = b.finish();
  ASSERT_TRUE(p.decimated);
  EXPECT_GE(p.columns.size(), 400u);
  EXPECT_LE(p.columns.size(), 2u * (400 + 5 + 10 + 4));

  // No usable span at all (every time the same): columns are runs of points instead.
  std::vector<TFile> same(10'000, rec(kDay));
  ChartBuilder flat(r, kDay, kDay, kDay, same.size());
  flat.add(same);
  const ChartPoints f = flat.finish();
  EXPECT_TRUE(f.decimated);
  EXPECT_LE(f.columns.size(), 2u * 400);
  EXPECT_GE(f.columns.size(), 2u * 390);
}

TEST(ChartData, ReadFromAFileInSlicesStopsWhenAskedAndBringsSetpointsDown) {
  testing::TempDir dir;
  const std::vector<TFile> log = regularLog(300'000);  // five slices
  const auto fil = dir / "a.fil";
  {
    std::FILE* f = std::fopen(fil.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(log.data(), sizeof(TFile), log.size(), f);
    std::fputc(1, f);  // a torn last record
    std::fclose(f);
  }
  LogSlices<TFile> slices;
  std::string error;
  ASSERT_TRUE(slices.open(fil, error)) << error;
  ChartRequest r;
  r.options = allShown(1);
  r.columns = 1000;
  ChartPoints p;
  std::vector<int> percents;
  ASSERT_EQ(KNreadF(slices, r, p, error, {}, [&](int v) { percents.push_back(v); }),
            ChartRead::Done);
  EXPECT_TRUE(p.decimated);
  EXPECT_LE(p.columns.size(), 2u * (1000 + 15 + 1));
  EXPECT_EQ(p.columns.x.front(), log.front().dt);
  EXPECT_EQ(p.columns.x.back(), log.back().dt);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

  // Stopped after the second slice: nothing to show, said as stopped.
  std::stop_source stop;
  int slicesSeen = 0;
  EXPECT_EQ(KNreadF(slices, r, p, error, stop.get_token(),
                    [&](int) {
                      if (++slicesSeen == 2) stop.request_stop();
                    }),
            ChartRead::Cancelled);
  EXPECT_EQ(slicesSeen, 2);

  // An empty log: done, nothing drawn.
  const auto empty = dir / "b.fil";
  std::fclose(std::fopen(empty.string().c_str(), "wb"));
  ASSERT_TRUE(slices.open(empty, error));
  EXPECT_EQ(KNreadF(slices, r, p, error), ChartRead::Done);
  EXPECT_EQ(p.columns.size(), 0u);

  // A setpoint log of 100 000 records: the level of the working temperature changes once, a
  // single record holds a different damper setpoint; both stay after bringing down.
  std::vector<TFileZon> zon(100'000);
  for (std::size_t k = 0; k < zon.size(); ++k) {
    zon[k].ustT = k < 60'000 ? 3780 : 3750;
    zon[k].zsl = k == 77'777 ? 90 : 30;
    zon[k].dt = kDay + static_cast<double>(k) * kMinute;
  }
  const auto zil = dir / "a.0il";
  {
    std::FILE* f = std::fopen(zil.string().c_str(), "wb");
    std::fwrite(zon.data(), sizeof(TFileZon), zon.size(), f);
    std::fclose(f);
  }
  LogSlices<TFileZon> zs;
  ASSERT_TRUE(zs.open(zil, error));
  ChartColumns c;
  std::array<bool, kSetpointSeries> shown{};
  shown[0] = shown[7] = true;
  ASSERT_EQ(setpointColumns(zs, shown, 300, c, error), ChartRead::Done);
  EXPECT_LE(c.size(), 2u * (300 + 2));  // the span's ends are taken a few records in
  EXPECT_TRUE(c.y[1].empty());
  EXPECT_EQ(*std::max_element(c.y[7].begin(), c.y[7].end()), 90);
  EXPECT_EQ(c.y[0].front(), 37.80);
  EXPECT_EQ(c.y[0].back(), 37.50);
  // Few records: every one, as before.
  ASSERT_EQ(setpointColumns(zs, shown, 100'000, c, error), ChartRead::Done);
  EXPECT_EQ(c.size(), zon.size());
}

}  // namespace
}  // namespace vs
