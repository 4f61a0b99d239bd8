// What the "Графики" tab draws from the records of a log: averaging groups and their times,
// records without a time, pauses against the threshold, hidden series, and the setpoint
// series with their offsets turned into levels.
#include <gtest/gtest.h>

#include <vector>

#include "history/ChartData.h"

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

}  // namespace
}  // namespace vs
