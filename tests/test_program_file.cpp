// Program files of "rezim": a record read and written back byte for byte (reserved fields
// included), short and long files, the editor's cell rules, the day-order check, and a save
// that fails.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "common/AtomicFile.h"
#include "programs/ProgramFile.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

std::string le32(std::uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
          static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

// A 3-row program (days 1, 10, 18) laid out by offset, with every other byte of the record
// (reserved fields, padding, unused rows) set to a pattern that must survive.
std::string threeRowFile() {
  std::string b(8048, '\0');
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  auto put = [&b](std::size_t off, std::uint32_t v) { b.replace(off, 4, le32(v)); };
  put(0, 3);
  const std::uint32_t days[] = {1, 10, 18}, temp[] = {3780, 3750, 3720}, vlaz[] = {55, 50, 70},
                      zasl[] = {10, 30, 45}, lotki[] = {60, 90, 0};
  for (std::size_t i = 0; i < 3; ++i) {
    put(4 + 4 * i, days[i]);
    put(1008 + 4 * i, temp[i]);
    put(2012 + 4 * i, vlaz[i]);
    put(3016 + 4 * i, zasl[i]);
    put(5024 + 4 * i, lotki[i]);
  }
  b[7960] = 1;  // prLotki
  return b;
}

TEST(ProgramFile, ThreeRowProgramReadAndSavedKeepsAll8048BytesAndShowsItsCells) {
  TempDir dir;
  const std::string original = threeRowFile();
  putFile(dir / "a.ink", original);

  auto p = std::make_unique<TFile_INKconfig>();
  std::string why;
  ASSERT_TRUE(readProgramFile(dir / "a.ink", *p, why)) << why;
  EXPECT_EQ(p->kol, 3);
  EXPECT_EQ(p->nDen[2], 18);
  EXPECT_EQ(p->prLotki, 1);
  EXPECT_EQ(programCellText(*p, 0, kColDay), "1");
  EXPECT_EQ(programCellText(*p, 1, kColTemp), "37.50");
  EXPECT_EQ(programCellText(*p, 2, kColVlaz), "70");
  EXPECT_EQ(programCellText(*p, 2, kColZaslonki), "45");
  EXPECT_EQ(programCellText(*p, 0, kColLotki), "60");
  EXPECT_EQ(firstDayOutOfOrder(*p), -1);

  ASSERT_TRUE(writeProgramFile(dir / "b.ink", *p, why)) << why;
  EXPECT_EQ(fileBytes(dir / "b.ink"), original);

  // Saving over an existing file replaces it whole.
  putFile(dir / "c.ink", std::string(9000, 'x'));
  ASSERT_TRUE(writeProgramFile(dir / "c.ink", *p, why)) << why;
  EXPECT_EQ(fileBytes(dir / "c.ink"), original);

  // A short file overwrites only its own length; a long one is read up to the record.
  putFile(dir / "short.ink", le32(5) + le32(2));
  ASSERT_TRUE(readProgramFile(dir / "short.ink", *p, why)) << why;
  EXPECT_EQ(p->kol, 5);
  EXPECT_EQ(p->nDen[0], 2);
  EXPECT_EQ(p->nDen[1], 10);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(p.get()) + 8, original.data() + 8, 8048 - 8),
            0);
  putFile(dir / "long.ink", original + std::string(500, 'z'));
  auto q = std::make_unique<TFile_INKconfig>();
  ASSERT_TRUE(readProgramFile(dir / "long.ink", *q, why)) << why;
  EXPECT_EQ(std::memcmp(q.get(), original.data(), 8048), 0);

  // A file that cannot be read leaves the record alone and says which file.
  EXPECT_FALSE(readProgramFile(dir.path(), *q, why));
  EXPECT_NE(why.find(dir.path().string()), std::string::npos) << why;
  EXPECT_EQ(std::memcmp(q.get(), original.data(), 8048), 0);
}

TEST(ProgramFile, EditorCellsParseTheirColumnAndRefuseWhatDoesNotParse) {
  auto p = std::make_unique<TFile_INKconfig>();
  p->Lotki[1] = 90;

  EXPECT_TRUE(setProgramCell(*p, 0, kColTemp, "37.75"));
  EXPECT_EQ(p->Temp[0], 3775);
  EXPECT_EQ(programCellText(*p, 0, kColTemp), "37.75");
  EXPECT_TRUE(setProgramCell(*p, 0, kColTemp, "5.5"));
  EXPECT_EQ(programCellText(*p, 0, kColTemp), "05.50");
  EXPECT_TRUE(setProgramCell(*p, 0, kColTemp, "37.456"));  // rounded to hundredths
  EXPECT_EQ(p->Temp[0], 3746);
  EXPECT_TRUE(setProgramCell(*p, 0, kColTemp, "-0.5"));
  EXPECT_EQ(programCellText(*p, 0, kColTemp), "-00.50");
  for (const char* bad : {"37,75", "", "nan", "inf", "1e12", "37.5x"}) {
    EXPECT_FALSE(setProgramCell(*p, 0, kColTemp, bad)) << bad;
    EXPECT_EQ(p->Temp[0], -50) << bad;
  }

  for (const char* bad : {"abc", "1.5", "", "99999999999", "5 5"}) {
    EXPECT_FALSE(setProgramCell(*p, 1, kColLotki, bad)) << bad;
    EXPECT_EQ(p->Lotki[1], 90) << bad;
  }
  EXPECT_TRUE(setProgramCell(*p, 1, kColLotki, " 0 "));
  EXPECT_EQ(p->Lotki[1], 0);
  EXPECT_TRUE(setProgramCell(*p, 1, kColDay, "21"));
  EXPECT_TRUE(setProgramCell(*p, 1, kColVlaz, "+55"));
  EXPECT_TRUE(setProgramCell(*p, 1, kColZaslonki, "-1"));
  EXPECT_EQ(p->nDen[1], 21);
  EXPECT_EQ(p->Vlaz[1], 55);
  EXPECT_EQ(p->Zaslonki[1], -1);
  EXPECT_STREQ(programCellPrompt(kColLotki), "Поворот лотков:");

  p->kol = 150;
  fitForEditor(*p);
  EXPECT_EQ(p->kol, 100);
  p->kol = 0;
  fitForEditor(*p);
  EXPECT_EQ(p->kol, 1);
}

TEST(ProgramFile, DaysThatDoNotAscendAreNamedByTheirGridRow) {
  auto p = std::make_unique<TFile_INKconfig>();
  p->kol = 5;
  const int days[] = {1, 5, 10, 3, 12};
  for (int i = 0; i < 5; ++i) p->nDen[static_cast<std::size_t>(i)] = days[i];
  ASSERT_EQ(firstDayOutOfOrder(*p), 3);
  EXPECT_EQ(dayOrderQuestion(*p, 3),
            "Дни программы идут не по возрастанию (строка 4: день 3 после дня 10). Автоматика "
            "берёт строки по возрастанию дней. Сохранить всё равно?");
  p->nDen[3] = 10;  // the same day twice is out of order too
  EXPECT_EQ(firstDayOutOfOrder(*p), 3);
  p->kol = 3;  // rows past kol do not count
  EXPECT_EQ(firstDayOutOfOrder(*p), -1);
}

TEST(ProgramFile, FailedSaveSaysWhyAndLeavesTheOldFile) {
  TempDir dir;
  putFile(dir / "a.ink", "old program");
  auto p = std::make_unique<TFile_INKconfig>();
  p->kol = 1;
  setWriteFault([](const std::filesystem::path&) { return true; });
  std::string why;
  const bool ok = writeProgramFile(dir / "a.ink", *p, why);
  setWriteFault({});
  EXPECT_FALSE(ok);
  EXPECT_NE(why.find("Ошибка записи файла: " + (dir / "a.ink").string()), std::string::npos);
  EXPECT_NE(why.find(std::generic_category().message(ENOSPC)), std::string::npos) << why;
  EXPECT_EQ(fileBytes(dir / "a.ink"), "old program");
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);  // no temporary left beside

  EXPECT_FALSE(writeProgramFile(dir / "missing" / "b.ink", *p, why));
  EXPECT_NE(why.find("missing"), std::string::npos);
}

}  // namespace
}  // namespace vs
