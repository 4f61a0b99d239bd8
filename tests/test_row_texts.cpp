#include <gtest/gtest.h>

#include "station/RowTexts.h"

namespace vs {
namespace {

TEST(MainRowTexts, TemperaturesHumidityAndMarks) {
  StationTables t;
  t.T1k[2] = 3750;
  t.T2k[2] = 3750;
  t.T3k[2] = 905;
  t.BL[2] = 55;
  t.t1_t2[2] = 2;
  t.C1[2] = 1u << 11;
  RowTexts r = mainRowTexts(t, 2, 2);
  EXPECT_EQ(r.t1, " 37.50 ");
  EXPECT_EQ(r.t2, "37.50 #");  // no leading blank in the T2 column
  EXPECT_EQ(r.t3, " 9.05 ");
  EXPECT_EQ(r.humidity, " 55%");

  // Without C1 bit 11 no "#"; with kol_t = 0 no T2/T3 texts.
  t.C1[2] = 0;
  r = mainRowTexts(t, 2, 0);
  EXPECT_EQ(r.t1, " 37.50 ");
  EXPECT_TRUE(r.t2.empty());
  EXPECT_TRUE(r.t3.empty());
}

TEST(MainRowTexts, FaultySensorsAndDamper) {
  StationTables t;
  t.C2[0] = (1u << 10) | (1u << 11) | (1u << 12);
  RowTexts r = mainRowTexts(t, 0, 2);
  EXPECT_EQ(r.t1, " ??.??");
  EXPECT_EQ(r.t2, " ??.??");
  EXPECT_EQ(r.t3, "");  // T3 not fitted
  EXPECT_EQ(r.humidity, "??%");
  t.C3[0] = (1u << 5) | (1u << 9);
  t.ugol[0] = 45;
  r = mainRowTexts(t, 0, 2);
  EXPECT_EQ(r.t3, " ??.??");
  EXPECT_EQ(r.humidity, "??% (45)");
  t.ugol[0] = 100;
  EXPECT_EQ(mainRowTexts(t, 0, 2).humidity, "??% (--)");
}

TEST(MainRowTexts, Trays) {
  StationTables t;
  t.VR_MIN[1] = 5;
  t.VR_SEK[1] = 7;
  EXPECT_EQ(mainRowTexts(t, 1, 2).trays, " 05:07 +");
  t.C1[1] = 4 | 2;  // right, bit 1 only
  EXPECT_EQ(mainRowTexts(t, 1, 2).trays, " 05:07  П>");
  t.C1[1] = 8 | 1;
  t.ZON[1][19] = 1;  // trays off
  EXPECT_EQ(mainRowTexts(t, 1, 2).trays, "выкл  Л<");
  t.C1[1] = 3;
  EXPECT_EQ(mainRowTexts(t, 1, 2).trays, "выкл ");
  t.C3[1] = 1u << 7;  // hatcher, whatever the tray bits say
  EXPECT_EQ(mainRowTexts(t, 1, 2).trays, "выводной");
}

}  // namespace
}  // namespace vs
