#include <gtest/gtest.h>

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

TEST(Journal, AJournalThatCannotBeWrittenIsSkippedQuietly) {
  TempDir tmp;
  ManualClock clock(at(2024, 3, 5, 12, 0, 0));
  // No working folder at all.
  Journal(tmp.path() / "missing", clock).Err("a");
  EXPECT_FALSE(fs::exists(tmp.path() / "missing"));
  // "inf" is a file, not a folder.
  putFile(tmp.path() / "inf", "");
  Journal(tmp.path(), clock).Err("b");
  EXPECT_EQ(fileBytes(tmp.path() / "inf"), "");
}

TEST(Journal, AReadOnlyFolderIsSkippedQuietly) {
  TempDir tmp;
  if (testing::writesIgnorePermissions(tmp.path())) GTEST_SKIP() << "running as root";
  ManualClock clock(at(2024, 3, 5, 12, 0, 0));
  fs::permissions(tmp.path(), fs::perms::owner_write, fs::perm_options::remove);
  Journal(tmp.path(), clock).Err("a");
  EXPECT_FALSE(fs::exists(tmp.path() / "inf"));
}

}  // namespace
}  // namespace vs
