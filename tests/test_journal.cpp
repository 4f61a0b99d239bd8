#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Cp1251.h"
#include "history/Journal.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

TDateTime at(int y, int mo, int d, int h, int mi, int s) {
  return encodeDateTime({y, mo, d, h, mi, s, 0});
}

TEST(Journal, OneFilePerMonthNamedWithoutLeadingZeros) {
  TempDir tmp;
  ManualClock clock;
  const Journal j(tmp.path(), clock);
  EXPECT_EQ(j.fileFor(at(2024, 3, 5, 0, 0, 0)), tmp.path() / "inf" / "3_2024.txt");
  EXPECT_EQ(j.fileFor(at(2025, 1, 31, 23, 59, 59)), tmp.path() / "inf" / "1_2025.txt");
  EXPECT_EQ(j.fileFor(at(2025, 12, 1, 0, 0, 0)), tmp.path() / "inf" / "12_2025.txt");
}

TEST(Journal, LinesAreAppendedInWindows1251WithCrLf) {
  TempDir tmp;
  ManualClock clock(at(2026, 12, 8, 9, 5, 7));
  Journal j(tmp.path(), clock);
  j.Err("программа Запущена");
  clock.set(at(2026, 12, 8, 18, 30, 0));
  j.Err("программа ЗАКРЫТА!");
  clock.set(at(2027, 1, 1, 0, 0, 1));
  j.Err("x");

  EXPECT_EQ(fileBytes(tmp.path() / "inf" / "12_2026.txt"),
            "08.12.2026 9:05:07  \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 "
            "\xC7\xE0\xEF\xF3\xF9\xE5\xED\xE0\r\n"
            "08.12.2026 18:30:00  \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 "
            "\xC7\xC0\xCA\xD0\xDB\xD2\xC0!\r\n");
  EXPECT_EQ(fileBytes(tmp.path() / "inf" / "1_2027.txt"), "01.01.2027 0:00:01  x\r\n");
}

// A journal that cannot be written never stops its caller; its trouble is told (not into the
// journal) once when it starts and once when it ends, and the journal itself records the gap.
// Made to fail by a file in the folder's place, which fails for every user, root included.
TEST(Journal, AFailureIsToldOnceWhenItStartsAndOnceWhenItEnds) {
  TempDir tmp;
  ManualClock clock(at(2024, 3, 5, 12, 0, 0));
  std::vector<std::string> told;
  Journal j(tmp.path(), clock);
  j.trouble = [&](const std::string& t) { told.push_back(t); };

  putFile(tmp.path() / "inf", "");
  EXPECT_FALSE(j.Err("a"));
  EXPECT_FALSE(j.Err("b"));
  EXPECT_FALSE(j.Err("c"));
  EXPECT_EQ(fileBytes(tmp.path() / "inf"), "");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("Журнал событий не записывается"), std::string::npos) << told[0];
  EXPECT_NE(told[0].find("Не записано: a"), std::string::npos) << told[0];

  fs::remove(tmp.path() / "inf");
  clock.set(at(2024, 3, 5, 12, 0, 9));
  EXPECT_TRUE(j.Err("d"));
  EXPECT_TRUE(j.Err("e"));
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1],
            "Журнал событий снова записывается; строки с 05.03.2024 12:00:00 до этой "
            "потеряны");
  EXPECT_EQ(cp1251ToUtf8(fileBytes(tmp.path() / "inf" / "3_2024.txt")),
            "05.03.2024 12:00:09  d\r\n"
            "05.03.2024 12:00:09  Журнал событий снова записывается; строки с 05.03.2024 "
            "12:00:00 до этой потеряны\r\n"
            "05.03.2024 12:00:09  e\r\n");

  // No working folder at all: nothing is created.
  Journal(tmp.path() / "missing", clock).Err("x");
  EXPECT_FALSE(fs::exists(tmp.path() / "missing"));
}

}  // namespace
}  // namespace vs
