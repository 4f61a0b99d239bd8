// When the shift's sheet falls due by itself: once at each shift's end, the latest shift only
// when the clock jumps over several, a clock set back re-arms on the present shift, and the
// start-up's catch-up for a shift that ended while the station was off.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "common/DateTime.h"
#include "report/ShiftReport.h"
#include "report/ShiftReportClock.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400.0;

TDateTime at(int day, int hour, int minute, int second = 0) {
  return encodeDateTime({2026, 12, day, hour, minute, second, 0});
}

ShiftStarts shifts() {
  ShiftStarts s;
  EXPECT_TRUE(parseShifts("08:00,20:00", s));
  return s;
}

TEST(ShiftReportClock, EachShiftIsDueOnceAtItsEndAndAJumpGivesOnlyTheLatest) {
  testing::TempDir home;
  ManualClock clock(at(10, 19, 59, 58));
  ShiftReportClock watch(clock);
  watch.start(shifts(), home.path());
  EXPECT_FALSE(watch.tick());  // no folder "report": no catch-up on a new working folder
  EXPECT_DOUBLE_EQ(watch.nextEnd(), at(10, 20, 0));
  clock.set(at(10, 19, 59, 59));
  EXPECT_FALSE(watch.tick());

  clock.set(at(10, 20, 0, 0));
  const auto due = watch.tick();
  ASSERT_TRUE(due);
  EXPECT_NEAR(due->start, at(10, 8, 0), kSecond / 10);
  EXPECT_NEAR(due->end, at(10, 20, 0), kSecond / 10);
  clock.set(at(10, 20, 0, 1));
  EXPECT_FALSE(watch.tick());  // once only
  EXPECT_NEAR(watch.nextEnd(), at(11, 8, 0), kSecond / 10);

  // The computer slept through two shift ends: the one that ended last is due, once.
  clock.set(at(12, 9, 30));
  const auto latest = watch.tick();
  ASSERT_TRUE(latest);
  EXPECT_NEAR(latest->start, at(11, 20, 0), kSecond / 10);
  EXPECT_NEAR(latest->end, at(12, 8, 0), kSecond / 10);
  EXPECT_FALSE(watch.tick());

  // The clock set back a day: the next end is the present shift's, not two days away.
  clock.set(at(11, 7, 0));
  EXPECT_FALSE(watch.tick());
  EXPECT_NEAR(watch.nextEnd(), at(11, 8, 0), kSecond / 10);
  clock.set(at(11, 8, 0, 1));
  const auto again = watch.tick();
  ASSERT_TRUE(again);
  EXPECT_NEAR(again->start, at(10, 20, 0), kSecond / 10);
}

TEST(ShiftReportClock, AtStartTheShiftThatEndedWhileOffIsDueWhenItsSheetIsMissing) {
  testing::TempDir home;
  fs::create_directories(reportFolder(home.path()));
  ManualClock clock(at(10, 9, 15));
  {
    ShiftReportClock watch(clock);
    watch.start(shifts(), home.path());
    // A minute for the hall to answer first, so that its zones are known.
    EXPECT_FALSE(watch.tick());
    clock.set(at(10, 9, 16));
    const auto due = watch.tick();
    ASSERT_TRUE(due);
    EXPECT_NEAR(due->start, at(9, 20, 0), kSecond / 10);
    EXPECT_FALSE(watch.tick());
  }
  {
    // Started a few seconds before a shift's end: the missed sheet first, then the one that
    // ended meanwhile.
    ManualClock late(at(10, 7, 59, 30));
    ShiftReportClock watch(late);
    watch.start(shifts(), home.path());
    late.set(at(10, 8, 0, 30));
    const auto missed = watch.tick();
    ASSERT_TRUE(missed);
    EXPECT_NEAR(missed->start, at(9, 8, 0), kSecond / 10);
    const auto ended = watch.tick();
    ASSERT_TRUE(ended);
    EXPECT_NEAR(ended->start, at(9, 20, 0), kSecond / 10);
    EXPECT_FALSE(watch.tick());
  }
  clock.set(at(10, 9, 15));
  // A sheet saved while the shift still ran is made again whole.
  const fs::path pdf = reportFile(home.path(), Shift{at(9, 20, 0), at(10, 8, 0)}, ".pdf");
  std::ofstream(pdf) << "%PDF";
  const auto fileTime = [](TDateTime local) {
    // Local date-time to the file clock, through the time of day's offset now.
    const auto now = std::chrono::system_clock::now();
    const double days = local - localDateTime(now);
    return std::chrono::file_clock::from_sys(
        now + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                  std::chrono::duration<double>(days * 86400.0)));
  };
  fs::last_write_time(pdf, fileTime(at(10, 7, 30)));
  {
    ShiftReportClock watch(clock);
    watch.start(shifts(), home.path());
    clock.set(at(10, 9, 17));
    const auto again = watch.tick();
    ASSERT_TRUE(again);
    EXPECT_NEAR(again->start, at(9, 20, 0), kSecond / 10);
  }
  // Written after the shift's end: nothing to catch up.
  fs::last_write_time(pdf, fileTime(at(10, 8, 5)));
  clock.set(at(10, 9, 15));
  ShiftReportClock watch(clock);
  watch.start(shifts(), home.path());
  clock.set(at(10, 9, 17));
  EXPECT_FALSE(watch.tick());
  // Without shifts nothing is ever due.
  ShiftReportClock none(clock);
  EXPECT_FALSE(none.tick());
}

}  // namespace
}  // namespace vs
