// The log export: which rows reach the sheet, what the result line counts, the sheet's layout,
// and that a failed conversion says why and leaves no workbook. The Excel 97-2003 workbooks are
// read back with FreeXL, an independent reader.
#include <freexl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "history/LogExport.h"
#include "history/LogFile.h"
#include "history/LogRecords.h"
#include "sheet/CsvSheet.h"
#include "tests/run_program.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

const TDateTime kStart = encodeDateTime({2026, 3, 14, 8, 0, 0, 0});

// Record i (from 1) of a test log: one sample a minute, temperatures that tell the records apart.
TFile sample(int i) {
  TFile f{};
  f.T1 = 37.0 + i / 100.0;
  f.T2 = 36.0 + i / 1000.0;
  f.T3 = -1.25 * i;
  f.BL = static_cast<std::uint8_t>(40 + i % 50);
  f.zsl = 10;
  f.dt = kStart + i / 1440.0;
  return f;
}

fs::path writeLog(const fs::path& path, const std::vector<TFile>& records) {
  putFile(path, std::string(reinterpret_cast<const char*>(records.data()),
                            records.size() * sizeof(TFile)));
  return path;
}

std::vector<TFile> samples(int n) {
  std::vector<TFile> v;
  for (int i = 1; i <= n; ++i) v.push_back(sample(i));
  return v;
}

// A sheet in memory: every call the export makes, checked afterwards.
class FakeSheet final : public SheetWriter {
 public:
  struct Cell {
    std::string text;  // empty for a number
    double value = 0;
    NumberFormat format = NumberFormat::General;
    bool centred = false;
  };
  bool finished = false;
  std::map<std::pair<int, int>, Cell> cells;
  std::map<int, int> widths;

  bool open(const fs::path&, std::string&) override { return true; }
  long long maxRows() const override { return 0; }
  void columnWidth(int col, int pixels) override { widths[col] = pixels; }
  void text(int row, int col, std::string_view s, bool centred) override {
    put(row, col, {std::string(s), 0, NumberFormat::General, centred});
  }
  void number(int row, int col, double v, NumberFormat f) override {
    put(row, col, {"", v, f, false});
  }
  bool finish(std::string&) override { return finished = true; }
  const Cell& at(int row, int col) { return cells[{row, col}]; }
  int dataRows() const { return cells.empty() ? 0 : cells.rbegin()->first.first - 2; }

 private:
  void put(int row, int col, Cell c) { cells[{row, col}] = std::move(c); }
};

TEST(LogExport, GroupsOfTenBecomeRowsWithTheLayoutOfTheSheet) {
  TempDir tmp;
  const fs::path log = writeLog(tmp / "inc 1.fil", samples(25));
  FakeSheet sheet;
  std::vector<int> shares;
  const ExportResult r =
      EreadF(log, 10, sheet, tmp / "inc 1.xls", kXlsDataRows, [&](int p) { shares.push_back(p); });

  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.line, "Всего 2 записей (пустых: 0). Записано 2");
  EXPECT_TRUE(sheet.finished);
  EXPECT_EQ(sheet.dataRows(), 2);  // the last five records make no group

  using F = SheetWriter::NumberFormat;
  EXPECT_EQ(sheet.at(0, 0).text, "Усреднение -  1:10");
  EXPECT_EQ(sheet.at(0, 2).text, "Файл: " + log.string());
  const char* headings[5] = {"Дата+время", "T1:", "T2:", "T3:", "Вл:"};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(sheet.at(1, c).text, headings[c]);
    EXPECT_TRUE(sheet.at(1, c).centred);
  }
  EXPECT_EQ(sheet.cells.count({2, 0}), 0u);
  EXPECT_EQ(sheet.widths, (std::map<int, int>{{0, 150}, {1, 100}, {2, 100}, {3, 100}, {4, 100}}));

  // Row k: the means of records 10k+1..10k+10 at the time of the group's last record.
  for (int k = 0; k < 2; ++k) {
    double t1 = 0, t3 = 0, bl = 0;
    for (int i = 10 * k + 1; i <= 10 * k + 10; ++i) {
      t1 += sample(i).T1;
      t3 += sample(i).T3;
      bl += sample(i).BL;
    }
    const int row = 3 + k;
    EXPECT_EQ(sheet.at(row, 0).value, sample(10 * k + 10).dt);
    EXPECT_EQ(sheet.at(row, 0).format, F::DateTime);
    EXPECT_DOUBLE_EQ(sheet.at(row, 1).value, t1 / 10);
    EXPECT_DOUBLE_EQ(sheet.at(row, 3).value, t3 / 10);
    EXPECT_DOUBLE_EQ(sheet.at(row, 4).value, bl / 10);  // a real mean, 44.5 and 54.5
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(sheet.at(row, c).format, F::Fixed2);
  }
  EXPECT_DOUBLE_EQ(sheet.at(3, 4).value, 45.5);
  ASSERT_FALSE(shares.empty());
  EXPECT_EQ(shares.back(), 100);
  EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
}

TEST(LogExport, RecordsAndGroupsWithoutATimeAreCountedEmptyAndNotWritten) {
  TempDir tmp;
  std::vector<TFile> v = samples(30);
  v[1].dt = 0;   // record 2
  v[19].dt = 0;  // record 20, the last of the second group of ten
  v[24].dt = 0;  // inside the third group: the group keeps its own time
  const fs::path log = writeLog(tmp / "a.fil", v);

  FakeSheet all;
  ExportResult r = EreadF(log, 1, all, tmp / "a.xls", kXlsDataRows);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.line, "Всего 27 записей (пустых: 3). Записано 27");
  EXPECT_EQ((all.at(0, 0).text), "Усреднение -  нет");
  EXPECT_EQ((all.at(3, 0).value), sample(1).dt);
  EXPECT_EQ((all.at(4, 0).value), sample(3).dt);
  EXPECT_EQ((all.at(4, 4).value), sample(3).BL);

  FakeSheet groups;
  r = EreadF(log, 10, groups, tmp / "a.xls", kXlsDataRows);
  EXPECT_EQ(r.line, "Всего 2 записей (пустых: 1). Записано 2");
  EXPECT_EQ((groups.at(4, 0).value), sample(30).dt);
}

// FreeXL's view of one cell.
struct XlsCell {
  int type = 0;
  std::string text;
  double number = 0;
};

class XlsFile {
 public:
  explicit XlsFile(const fs::path& p) {
    ok_ = freexl_open(p.string().c_str(), &h_) == FREEXL_OK &&
          freexl_select_active_worksheet(h_, 0) == FREEXL_OK;
  }
  ~XlsFile() { freexl_close(h_); }
  bool ok() const { return ok_; }
  std::pair<unsigned, unsigned> dimensions() const {
    unsigned rows = 0;
    unsigned short cols = 0;
    freexl_worksheet_dimensions(h_, &rows, &cols);
    return {rows, cols};
  }
  XlsCell cell(unsigned row, unsigned short col) const {
    FreeXL_CellValue v{};
    XlsCell c;
    if (freexl_get_cell_value(h_, row, col, &v) != FREEXL_OK) return c;
    c.type = v.type;
    if (v.type == FREEXL_CELL_DOUBLE) c.number = v.value.double_value;
    if (v.type == FREEXL_CELL_INT) c.number = v.value.int_value;
    if (v.type >= FREEXL_CELL_TEXT && v.type <= FREEXL_CELL_TIME) c.text = v.value.text_value;
    return c;
  }

 private:
  const void* h_ = nullptr;
  bool ok_ = false;
};

std::size_t lineCount(const std::string& s) {
  return std::count(s.begin(), s.end(), '\n');
}

TEST(LogExport, ExcelSheetStopsAt65530RowsWhileCsvTakesTheWholeLog) {
  TempDir tmp;
  const fs::path log = writeLog(tmp / "big.fil", samples(70000));

  ExportResult r = EreadF(log, {1, SheetFormat::Xls});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.line, "Всего 70000 записей (пустых: 0). Записано 65530");
  EXPECT_EQ(r.workbook, tmp / "big.xls");
  XlsFile xls(r.workbook);
  ASSERT_TRUE(xls.ok());
  EXPECT_EQ(xls.dimensions(), (std::pair<unsigned, unsigned>{3 + 65530, 5}));
  EXPECT_EQ(xls.cell(0, 0).text, "Усреднение -  нет");
  EXPECT_EQ(xls.cell(0, 2).text, "Файл: " + log.string());
  EXPECT_EQ(xls.cell(1, 0).text, "Дата+время");
  EXPECT_EQ(xls.cell(1, 4).text, "Вл:");
  EXPECT_EQ(xls.cell(2, 0).type, FREEXL_CELL_NULL);
  // Record 65 530 (one a minute from 08:00) is the last row: 45 days and 12:10 later.
  const XlsCell when = xls.cell(3 + 65529, 0);
  EXPECT_EQ(when.type, FREEXL_CELL_DATETIME);
  EXPECT_EQ(when.text, "2026-04-28 20:10:00");
  const XlsCell t1 = xls.cell(3 + 65529, 1);
  EXPECT_EQ(t1.type, FREEXL_CELL_DOUBLE);
  EXPECT_DOUBLE_EQ(t1.number, sample(65530).T1);
  EXPECT_DOUBLE_EQ(xls.cell(3, 4).number, sample(1).BL);

  r = EreadF(log, {1, SheetFormat::Csv});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.line, "Всего 70000 записей (пустых: 0). Записано 70000");
  EXPECT_EQ(r.workbook, tmp / "big.csv");
  EXPECT_EQ(lineCount(fileBytes(r.workbook)), 3u + 70000u);
}

// What a folder holds, names and contents.
std::map<std::string, std::string> folder(const fs::path& dir) {
  std::map<std::string, std::string> m;
  for (const auto& e : fs::directory_iterator(dir)) m[e.path().filename().string()] = fileBytes(e);
  return m;
}

TEST(LogExport, FailureSaysWhyAndLeavesNoWorkbook) {
  TempDir tmp;
  // A log that cannot be read: the system's reason is given.
  ExportResult r = EreadF(tmp / "missing.fil", {10, SheetFormat::Xls});
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.walked);
  EXPECT_EQ(r.error, "Не удалось прочитать журнал " + (tmp / "missing.fil").string() +
                         ": No such file or directory");
  EXPECT_FALSE(fs::exists(tmp / "missing.xls"));

  // A log named like its own workbook is not replaced by it.
  const fs::path odd = writeLog(tmp / "odd.csv", samples(20));
  r = EreadF(odd, {10, SheetFormat::Csv});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error, "");
  EXPECT_EQ(fileBytes(odd).size(), 20 * sizeof(TFile));
  fs::remove(odd);

  // A workbook that cannot be saved: an earlier one stays whole, no temporary file is left.
  const fs::path log = writeLog(tmp / "b.fil", samples(20));
  putFile(tmp / "b.xls", "previous");
  putFile(tmp / "b.csv", "previous");
  const auto before = folder(tmp.path());
  setWriteFault([](const fs::path&) { return true; });
  for (SheetFormat f : {SheetFormat::Xls, SheetFormat::Xlsx, SheetFormat::Csv}) {
    r = EreadF(log, {10, f});
    EXPECT_FALSE(r.ok) << sheetExtension(f);
    EXPECT_EQ(r.error.rfind("Не удалось записать файл " + r.workbook.string() + ": ", 0), 0u)
        << r.error;
    EXPECT_EQ(folder(tmp.path()), before) << sheetExtension(f);
  }
  setWriteFault({});
}

// The export as it was done over the whole log held in memory at once: the yardstick the
// slice-by-slice export must match byte for byte.
void exportWhole(const fs::path& log, const std::vector<TFile>& records, int average,
                 SheetWriter& w, const fs::path& workbook, long long cap) {
  std::string why;
  ASSERT_TRUE(w.open(workbook, why)) << why;
  w.columnWidth(0, 150);
  for (int c = 1; c <= 4; ++c) w.columnWidth(c, 100);
  w.text(0, 0, "Усреднение -  " + averagingCaption(average));
  w.text(0, 2, "Файл: " + log.string());
  const char* headings[5] = {"Дата+время", "T1:", "T2:", "T3:", "Вл:"};
  for (int c = 0; c < 5; ++c) w.text(1, c, headings[c], true);
  long long written = 0;
  auto put = [&](const TFile& last, double t1, double t2, double t3, double bl) {
    if (last.dt == 0 || written >= cap) return;
    const int row = 3 + static_cast<int>(written++);
    using F = SheetWriter::NumberFormat;
    w.number(row, 0, last.dt, F::DateTime);
    w.number(row, 1, t1, F::Fixed2);
    w.number(row, 2, t2, F::Fixed2);
    w.number(row, 3, t3, F::Fixed2);
    w.number(row, 4, bl, F::Fixed2);
  };
  const std::size_t q = static_cast<std::size_t>(average);
  for (std::size_t g = 0; g + q <= records.size(); g += q) {
    double t1 = 0, t2 = 0, t3 = 0, bl = 0;
    for (std::size_t i = g; i < g + q; ++i) {
      t1 += records[i].T1;
      t2 += records[i].T2;
      t3 += records[i].T3;
      bl += records[i].BL;
    }
    const double d = static_cast<double>(q);
    put(records[g + q - 1], t1 / d, t2 / d, t3 / d, bl / d);
  }
  ASSERT_TRUE(w.finish(why)) << why;
}

TEST(LogExport, ALogOfSeveralSlicesGivesTheSameBytesAsReadWhole) {
  TempDir tmp;
  constexpr std::size_t kSlice = LogSlices<TFile>::kSliceRecords;
  // Two slices and a part; temperatures with fractions that make the sums' order matter.
  std::vector<TFile> v(2 * kSlice + 1234);
  std::mt19937 rnd(7);
  std::uniform_real_distribution<double> t(-5.0, 45.0);
  for (std::size_t i = 0; i < v.size(); ++i) {
    v[i].T1 = t(rnd);
    v[i].T2 = t(rnd) / 3.0;
    v[i].T3 = 37.0 + i / 7.0;
    v[i].BL = static_cast<std::uint8_t>(rnd() % 101);
    v[i].dt = kStart + static_cast<double>(i) / 8640.0;
  }
  // Empty records and groups on both sides of the first border: groups of 10 and of 1000 run
  // across it (65 530..65 539, 65 000..65 999).
  for (std::size_t i : {kSlice - 1, kSlice, kSlice + 3, std::size_t{65999}}) v[i].dt = 0;
  const fs::path log = writeLog(tmp / "big.fil", v);

  struct Case {
    int average;
    SheetFormat format;
    const char* line;
  };
  const Case cases[] = {
      {1, SheetFormat::Csv, "Всего 132302 записей (пустых: 4). Записано 132302"},
      {10, SheetFormat::Csv, "Всего 13228 записей (пустых: 2). Записано 13228"},
      {1000, SheetFormat::Csv, "Всего 131 записей (пустых: 1). Записано 131"},
      {1, SheetFormat::Xls, "Всего 132302 записей (пустых: 4). Записано 65530"},
      {100, SheetFormat::Xls, "Всего 1322 записей (пустых: 1). Записано 1322"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.average) + std::string(sheetExtension(c.format)));
    const ExportResult r = EreadF(log, {c.average, c.format});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.line, c.line);
    const fs::path ref = tmp / ("ref" + std::string(sheetExtension(c.format)));
    exportWhole(log, v, c.average, *makeSheetWriter(c.format), ref,
                c.format == SheetFormat::Xls ? kXlsDataRows : 1 << 30);
    const std::string got = fileBytes(r.workbook), want = fileBytes(ref);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
  }
}

TEST(LogExport, StoppedConversionLeavesTheOldWorkbookAndNoTemporaryFile) {
  TempDir tmp;
  const fs::path log = writeLog(tmp / "s.fil", samples(3 * 65536));
  for (SheetFormat f : {SheetFormat::Xls, SheetFormat::Xlsx, SheetFormat::Csv}) {
    SCOPED_TRACE(sheetExtension(f));
    putFile(workbookPath(log, f), "previous");
    const auto before = folder(tmp.path());

    // Stopped before it starts, and part-way (after the first slice).
    std::stop_source early;
    early.request_stop();
    ExportResult r = EreadF(log, {1, f}, {}, early.get_token());
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Преобразование отменено");

    std::stop_source midway;
    int calls = 0;
    r = EreadF(
        log, {1, f},
        [&](int p) {
          ++calls;
          if (p > 0) midway.request_stop();
        },
        midway.get_token());
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.walked);
    EXPECT_GE(calls, 2);
    EXPECT_EQ(folder(tmp.path()), before);
  }
  // A stop that comes too late for a short log changes nothing: the workbook is written.
  std::stop_source late;
  const fs::path small = writeLog(tmp / "small.fil", samples(30));
  const ExportResult r = EreadF(small, {10, SheetFormat::Csv}, {}, late.get_token());
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(r.cancelled);
}

TEST(LogExport, LogThatShrinksOrCannotBeReadPartWayIsAFailureWithoutAFile) {
  TempDir tmp;
  const fs::path log = writeLog(tmp / "cut.fil", samples(3 * 65536));
  putFile(tmp / "cut.xls", "previous");
  putFile(tmp / "cut.csv", "previous");
  for (SheetFormat f : {SheetFormat::Xls, SheetFormat::Csv}) {
    SCOPED_TRACE(sheetExtension(f));
    writeLog(log, samples(3 * 65536));
    // Cut by hand while the first slices are converted.
    const ExportResult r = EreadF(log, {10, f}, [&](int p) {
      if (p > 0 && fs::file_size(log) > 1000 * sizeof(TFile))
        fs::resize_file(log, 70000 * sizeof(TFile) + 17);
    });
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.walked);
    EXPECT_EQ(r.error, "Журнал " + log.string() +
                           " укоротился во время чтения: прочитано 70000 из 196608 записей");
    EXPECT_EQ(fileBytes(workbookPath(log, f)), "previous");
  }
  // A folder where the log should be: it opens, but reading it fails.
  const fs::path dir = tmp / "sub";
  fs::create_directories(dir / "dir.fil");
  const ExportResult r = EreadF(dir / "dir.fil", {1, SheetFormat::Csv});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error.rfind("Не удалось прочитать журнал " + (dir / "dir.fil").string() + ": ", 0),
            0u)
      << r.error;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// The CSV writer's "0.00" takes a short way; it must give the characters of std::to_chars,
// exact halves rounded to the even hundredth included.
TEST(LogExport, CsvNumbersAreThoseOfTheStandardConversion) {
  auto standard = [](double v) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    std::string s(buf, r.ptr);
    return s == "-0.00" ? std::string("0.00") : s;
  };
  using F = SheetWriter::NumberFormat;
  std::vector<double> values = {0.125,
                                0.375,
                                -0.125,
                                2.675,
                                1.005,
                                -0.004,
                                -0.005,
                                0.0,
                                -0.0,
                                1e-300,
                                5e-324,
                                3.99e16,
                                4.1e16,
                                1e17,
                                -9.2e16,
                                1e300,
                                -1.7976931348623157e308};
  for (int i = -200000; i <= 200000; ++i) values.push_back(i / 8.0);
  for (int i = -100000; i <= 100000; ++i) values.push_back(i * 0.005);
  std::mt19937_64 rnd(11);
  std::uniform_real_distribution<double> any(-1000.0, 1000.0);
  for (int i = 0; i < 200000; ++i) values.push_back(any(rnd));
  int bad = 0;
  for (double v : values) {
    if (CsvSheet::formatNumber(v, F::Fixed2) != standard(v) && ++bad <= 5)
      ADD_FAILURE() << v << ": " << CsvSheet::formatNumber(v, F::Fixed2) << " vs " << standard(v);
  }
  EXPECT_EQ(bad, 0);
}

// Cells of a row may come in any order and a cell may come again; the row reads as if each had
// come once, left to right.
TEST(LogExport, CsvRowKeepsItsCellsWhateverTheirOrder) {
  TempDir tmp;
  CsvSheet w;
  std::string why;
  ASSERT_TRUE(w.open(tmp / "o.csv", why)) << why;
  w.text(0, 3, "d");
  w.text(0, 1, "bb");
  w.text(0, 0, "a,1");
  w.text(0, 1, "b");
  w.number(1, 2, 1.5, SheetWriter::NumberFormat::Fixed2);
  w.number(1, 0, 2.0, SheetWriter::NumberFormat::General);
  w.text(1, 2, "");
  w.text(3, 1, "x");
  ASSERT_TRUE(w.finish(why)) << why;
  EXPECT_EQ(fileBytes(tmp / "o.csv"), "\xEF\xBB\xBF\"a,1\",b,,d\r\n2,,\r\n\r\n,x\r\n");
}

// Runs the built program; returns its exit status and what it wrote on each stream.
using testing::ProgramRun;
using testing::runProgram;

TEST(LogExport, CommandLineConvertsWithoutWindowsAndFailsLoudly) {
  TempDir tmp;
  fs::create_directories(tmp / "out");
  const fs::path log = writeLog(tmp / "out" / "inc7.fil", samples(2500));
  const std::string q = "'" + log.string() + "'";

  ProgramRun r = runProgram("--export " + q + " --average 100 --format csv", tmp.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Всего 25 записей (пустых: 0). Записано 25\n" +
                       (tmp / "out" / "inc7.csv").string() + "\n");
  EXPECT_EQ(lineCount(fileBytes(tmp / "out" / "inc7.csv")), 3u + 25u);

  r = runProgram("--export " + q, tmp.path());  // 1/10 into Excel 97-2003 by default
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Всего 250 записей (пустых: 0). Записано 250");
  EXPECT_TRUE(XlsFile(tmp / "out" / "inc7.xls").ok());

  r = runProgram("--export '" + (tmp / "none.fil").string() + "'", tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("none.fil: No such file or directory"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(tmp / "none.xls"));

  r = runProgram("--export " + q + " --average 7", tmp.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--average"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vs
