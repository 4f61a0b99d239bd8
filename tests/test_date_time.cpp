// Date-times as the records keep them: days since 30.12.1899, with the turn at that day that
// older installations wrote (days back, time of day forward), and values that are no date.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/DateTime.h"

namespace vs {
namespace {

TEST(DateTime, BeforeTheEpochTheDaysCountBackAndTheTimeOfDayForward) {
  // Written out: 29.12.1899 06:00 is -1.25; 30.12.1899 06:00 is 0.25; 01.01.1800 08:00 is
  // 36522 days back and a third of a day.
  EXPECT_EQ(encodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
  EXPECT_EQ(encodeDateTime({1899, 12, 30, 6, 0, 0, 0}), 0.25);
  EXPECT_DOUBLE_EQ(encodeDateTime({1800, 1, 1, 8, 0, 0, 0}), -36522.0 - 1.0 / 3.0);
  EXPECT_EQ(decodeDateTime(-1.25), (LocalDateTime{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(decodeDateTime(-36522.25), (LocalDateTime{1800, 1, 1, 6, 0, 0, 0}));
  EXPECT_EQ(decodeDateTime(-2.999999999), (LocalDateTime{1899, 12, 29, 0, 0, 0, 0}))
      << "a time that rounds up to midnight is the next day";
  for (const LocalDateTime t :
       {LocalDateTime{1800, 1, 1, 8, 30, 15, 0}, LocalDateTime{1, 1, 1, 23, 59, 59, 0},
        LocalDateTime{2026, 12, 10, 14, 5, 0, 0}})
    EXPECT_EQ(decodeDateTime(encodeDateTime(t)), t) << t.year;
  // Differences are taken on a line without the turn.
  EXPECT_EQ(continuousDays(-1.25), -0.75);
  EXPECT_EQ(continuousDays(2.5), 2.5);
  EXPECT_EQ(formatDateTime(-1.25), "29.12.1899 06:00:00");
}

TEST(DateTime, AValueThatIsNoDateDecodesAsNone) {
  for (const double d : {std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(), -693594.0, 2958466.0, 1e300}) {
    EXPECT_FALSE(isDate(d)) << d;
    EXPECT_EQ(decodeDateTime(d), LocalDateTime{}) << d;
  }
  EXPECT_TRUE(isDate(-693593.5));  // 01.01.0001 12:00
  EXPECT_TRUE(isDate(2958465.99));
}

}  // namespace
}  // namespace vs
