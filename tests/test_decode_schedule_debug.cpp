// The schedule debug window's engine side: its request and its answer lines.
#include <gtest/gtest.h>

#include "station/ScheduleDebug.h"

namespace vs {
namespace {

TEST(ScheduleDebug, RequestGoesToIncubatorOneWithTheChosenNumber) {
  Kom485m k{};
  scheduleDebugRequest(k, 3);  // item "4"
  EXPECT_EQ(std::vector<std::uint8_t>(k.begin(), k.begin() + 10),
            (std::vector<std::uint8_t>{1, 1, 101, 6, 5, 50, 4, 0, 0, 0}));
  scheduleDebugRequest(k, 9);  // item "10" replaces a request not yet sent
  EXPECT_EQ(k[6], 10);
  EXPECT_EQ(k[0], 1);
}

TEST(ScheduleDebug, AnswerLineShowsTheFirstByteSigned) {
  RS232_T f{};
  f.Kol_d = 10;
  const std::uint8_t d[10] = {51, 0xFB, 0, 1, 2, 0x80, 0xFF, 17, 200, 9};
  for (std::size_t i = 0; i < 10; ++i) f.Dann[i] = d[i];
  EXPECT_EQ(AvtoInkubLine(f), "=-5 0 1 2 128 255 17 200 9");
  f.Dann[1] = 0x7F;
  EXPECT_EQ(AvtoInkubLine(f).substr(0, 5), "=127 ");
}

}  // namespace
}  // namespace vs
