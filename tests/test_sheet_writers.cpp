// The spreadsheet writers, each read back by an independent reader: Excel 97-2003 workbooks
// through FreeXL, modern workbooks through unzip, CSV byte for byte.
#include <freexl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "common/AtomicFile.h"
#include "sheet/Biff8Sheet.h"
#include "sheet/SheetFormat.h"
#include "test_config_tempdir.h"

namespace vs {
namespace {

using testing::fileBytes;
using testing::TempDir;
using NF = SheetWriter::NumberFormat;

// One opened workbook; its first sheet selected.
class Xls {
 public:
  explicit Xls(const std::filesystem::path& p) {
    rc_ = freexl_open(p.string().c_str(), &h_);
    if (rc_ == FREEXL_OK) rc_ = freexl_select_active_worksheet(h_, 0);
    if (rc_ == FREEXL_OK) rc_ = freexl_worksheet_dimensions(h_, &rows_, &cols_);
  }
  ~Xls() {
    if (h_) freexl_close(h_);
  }
  int rc() const { return rc_; }
  unsigned rows() const { return rows_; }
  unsigned cols() const { return cols_; }
  FreeXL_CellValue cell(unsigned r, unsigned c) const {
    FreeXL_CellValue v{};
    EXPECT_EQ(freexl_get_cell_value(h_, r, static_cast<unsigned short>(c), &v), FREEXL_OK);
    return v;
  }
  std::string text(unsigned r, unsigned c) const {
    const FreeXL_CellValue v = cell(r, c);
    if (v.type != FREEXL_CELL_SST_TEXT && v.type != FREEXL_CELL_TEXT)
      return "<type " + std::to_string(v.type) + ">";
    return v.value.text_value;
  }
  double number(unsigned r, unsigned c) const {
    const FreeXL_CellValue v = cell(r, c);
    EXPECT_EQ(v.type, FREEXL_CELL_DOUBLE) << "row " << r << " col " << c;
    return v.type == FREEXL_CELL_DOUBLE ? v.value.double_value : -1e300;
  }
  std::string dateTime(unsigned r, unsigned c) const {
    const FreeXL_CellValue v = cell(r, c);
    EXPECT_EQ(v.type, FREEXL_CELL_DATETIME) << "row " << r << " col " << c;
    return v.type == FREEXL_CELL_DATETIME ? v.value.text_value : "";
  }

 private:
  const void* h_ = nullptr;
  int rc_ = 0;
  unsigned rows_ = 0;
  unsigned short cols_ = 0;
};

const TDateTime kMoment = encodeDateTime({2025, 3, 14, 9, 26, 53});

// The sheet the log export writes, three data rows long.
void exportLike(SheetWriter& w) {
  w.columnWidth(0, 150);
  for (int c = 1; c < 5; ++c) w.columnWidth(c, 100);
  w.text(0, 0, "Усреднение -  1:10");
  w.text(0, 2, "Файл: /home/оператор/file/12.fil");
  const char* heads[] = {"Дата+время", "T1:", "T2:", "T3:", "Вл:"};
  for (int c = 0; c < 5; ++c) w.text(1, c, heads[c], true);
  for (int k = 0; k < 3; ++k) {
    w.number(3 + k, 0, kMoment + k / 1440.0, NF::DateTime);
    w.number(3 + k, 1, 37.5 + k, NF::Fixed2);
    w.number(3 + k, 2, -0.25, NF::Fixed2);
    w.number(3 + k, 3, 1.0 / 3.0, NF::General);
    w.number(3 + k, 4, 55, NF::Fixed2);
  }
}

std::filesystem::path only(const std::filesystem::path& dir) {
  std::filesystem::path found;
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    found = e.path();
    ++n;
  }
  return n == 1 ? found : std::filesystem::path("<" + std::to_string(n) + " files>");
}

TEST(SheetWriters, ExcelWorkbookReadsBackWithTypesTextsAndReplacesAnOlderFile) {
  TempDir dir;
  const auto path = dir / "12.xls";
  {
    // A larger file already there: only a whole new workbook may take its place.
    std::ofstream(path, std::ios::binary) << std::string(200000, 'x');
  }
  auto w = makeSheetWriter(SheetFormat::Xls);
  ASSERT_EQ(w->maxRows(), 65536);
  std::string error;
  ASSERT_TRUE(w->open(path, error));
  exportLike(*w);
  w->text(2, 1, "");  // an empty text leaves its cell empty
  ASSERT_TRUE(w->finish(error)) << error;
  EXPECT_EQ(only(dir.path()), path);
  EXPECT_LT(std::filesystem::file_size(path), 200000u);

  Xls x(path);
  ASSERT_EQ(x.rc(), FREEXL_OK);
  EXPECT_EQ(x.rows(), 6u);
  EXPECT_EQ(x.cols(), 5u);
  EXPECT_EQ(x.text(0, 0), "Усреднение -  1:10");
  EXPECT_EQ(x.cell(0, 1).type, FREEXL_CELL_NULL);
  EXPECT_EQ(x.text(0, 2), "Файл: /home/оператор/file/12.fil");
  EXPECT_EQ(x.text(1, 0), "Дата+время");
  EXPECT_EQ(x.text(1, 4), "Вл:");
  EXPECT_EQ(x.cell(2, 0).type, FREEXL_CELL_NULL);
  EXPECT_EQ(x.cell(2, 1).type, FREEXL_CELL_NULL);
  EXPECT_EQ(x.dateTime(3, 0), "2025-03-14 09:26:53");
  EXPECT_EQ(x.dateTime(5, 0), "2025-03-14 09:28:53");
  EXPECT_DOUBLE_EQ(x.number(4, 1), 38.5);
  EXPECT_DOUBLE_EQ(x.number(5, 2), -0.25);
  EXPECT_DOUBLE_EQ(x.number(3, 3), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(x.number(5, 4), 55.0);
}

TEST(SheetWriters, LargestExportWorkbookCrossesStringContinuationsAndDifatSectors) {
  TempDir dir;
  const auto path = dir / "big.xls";
  Biff8Sheet w;
  std::string error;
  ASSERT_TRUE(w.open(path, error));
  constexpr int kRows = 65533;
  auto label = [](int r) { return "запись №" + std::to_string(r) + " с текстом"; };
  w.text(0, 0, "Усреднение -  нет");
  w.text(1, 0, "Дата+время", true);
  for (int r = 3; r < kRows; ++r) {
    w.number(r, 0, kMoment + r / 86400.0, NF::DateTime);
    w.number(r, 1, r / 100.0, NF::Fixed2);
    w.number(r, 2, -r, NF::Fixed2);
    w.number(r, 3, r * 0.001, NF::General);
    w.text(r, 4, label(r));  // every text distinct: the string table runs to some 2.5 MB
  }
  ASSERT_TRUE(w.finish(error)) << error;
  // More than 109 FAT sectors: the FAT's own sector list spills into DIFAT sectors.
  ASSERT_GT(std::filesystem::file_size(path), 109u * 128 * 512);

  Xls x(path);
  ASSERT_EQ(x.rc(), FREEXL_OK);
  ASSERT_EQ(x.rows(), static_cast<unsigned>(kRows));
  EXPECT_EQ(x.text(0, 0), "Усреднение -  нет");
  EXPECT_EQ(x.text(1, 0), "Дата+время");
  EXPECT_EQ(x.dateTime(3, 0), "2025-03-14 09:26:56");
  EXPECT_EQ(x.dateTime(kRows - 1, 0), "2025-03-15 03:39:05");
  int bad = 0;
  for (int r = 3; r < kRows && bad < 5; ++r) {
    bad += x.number(r, 1) != r / 100.0;
    bad += x.number(r, 2) != -r;
    bad += x.number(r, 3) != r * 0.001;
    bad += x.text(r, 4) != label(r);
    if (bad) ADD_FAILURE() << "row " << r << ": " << x.text(r, 4);
  }
}

TEST(SheetWriters, FailedSaveLeavesNoFileAndSaysWhy) {
  for (SheetFormat f : {SheetFormat::Xls, SheetFormat::Xlsx, SheetFormat::Csv}) {
    SCOPED_TRACE(std::string(sheetExtension(f)));
    TempDir dir;
    const auto path = dir / ("12" + std::string(sheetExtension(f)));
    auto w = makeSheetWriter(f);
    std::string error;
    ASSERT_TRUE(w->open(path, error)) << error;
    exportLike(*w);
    setWriteFault([&](const std::filesystem::path& p) { return p == path; });
    const bool ok = w->finish(error);
    setWriteFault({});
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "не удалось записать файл " + path.string() + ": нет места на диске");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << only(dir.path());

    // A writer dropped before `finish` leaves nothing behind either.
    auto dropped = makeSheetWriter(f);
    ASSERT_TRUE(dropped->open(path, error)) << error;
    exportLike(*dropped);
    dropped.reset();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << only(dir.path());

    // A folder that does not exist is named as the reason.
    auto nowhere = makeSheetWriter(f);
    const auto lost = dir / "нет" / "12.xls";
    const bool opened = nowhere->open(lost, error);
    if (opened) exportLike(*nowhere);
    EXPECT_FALSE(opened && nowhere->finish(error));
    EXPECT_EQ(error, "не удалось записать файл " + lost.string() + ": нет такой папки");
  }
}

TEST(SheetWriters, ModernWorkbookHoldsTheCellsAndFormats) {
  TempDir dir;
  const auto path = dir / "12.xlsx";
  std::ofstream(path) << "old";
  auto w = makeSheetWriter(SheetFormat::Xlsx);
  EXPECT_EQ(w->maxRows(), 1048576);
  std::string error;
  ASSERT_TRUE(w->open(path, error)) << error;
  exportLike(*w);
  ASSERT_TRUE(w->finish(error)) << error;
  EXPECT_EQ(only(dir.path()), path);
  EXPECT_EQ(fileBytes(path).substr(0, 4), std::string("PK\3\4", 4));

  if (std::system("unzip -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "no unzip to look inside";
  auto member = [&](const char* name) {
    std::string out;
    const std::string cmd = "unzip -p '" + path.string() + "' " + name;
    if (std::FILE* p = popen(cmd.c_str(), "r")) {
      char buf[4096];
      for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
      pclose(p);
    }
    return out;
  };
  const std::string sheet = member("xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("Усреднение -  1:10"), std::string::npos);
  EXPECT_NE(sheet.find("<v>38.5</v>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(std::to_string(static_cast<long long>(kMoment))), std::string::npos);
  EXPECT_NE(sheet.find("<col min=\"1\" max=\"1\""), std::string::npos);
  EXPECT_NE(member("xl/styles.xml").find("formatCode=\"dd.mm.yyyy hh:mm:ss\""), std::string::npos);
}

TEST(SheetWriters, CsvIsExactText) {
  TempDir dir;
  const auto path = dir / "12.csv";
  auto w = makeSheetWriter(SheetFormat::Csv);
  EXPECT_EQ(w->maxRows(), 0);
  std::string error;
  ASSERT_TRUE(w->open(path, error)) << error;
  exportLike(*w);
  w->text(6, 1, "a,\"b\"\nc");
  w->number(6, 2, std::nan(""), NF::General);
  w->number(6, 3, 1e21, NF::General);
  w->number(6, 4, -0.001, NF::Fixed2);
  ASSERT_TRUE(w->finish(error)) << error;
  EXPECT_EQ(only(dir.path()), path);
  EXPECT_EQ(fileBytes(path),
            "\xEF\xBB\xBF"
            "Усреднение -  1:10,,Файл: /home/оператор/file/12.fil\r\n"
            "Дата+время,T1:,T2:,T3:,Вл:\r\n"
            "\r\n"
            "2025-03-14 09:26:53,37.50,-0.25,0.3333333333333333,55.00\r\n"
            "2025-03-14 09:27:53,38.50,-0.25,0.3333333333333333,55.00\r\n"
            "2025-03-14 09:28:53,39.50,-0.25,0.3333333333333333,55.00\r\n"
            ",\"a,\"\"b\"\"\nc\",,1e+21,0.00\r\n");
}

}  // namespace
}  // namespace vs
