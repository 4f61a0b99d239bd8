// The log export: which rows reach the sheet, what the result line counts, the sheet's layout,
// and that a failed conversion says why and leaves no workbook. The Excel 97-2003 workbooks are
// read back with FreeXL, an independent reader.
#include <freexl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "history/LogExport.h"
#include "history/LogRecords.h"
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

// Runs the built program; returns its exit status and what it wrote on each stream.
struct ProgramRun {
  int status = -1;
  std::string out, err;
};

ProgramRun runProgram(const std::string& args, const fs::path& scratch) {
  const fs::path err = scratch / "stderr.txt";
  const std::string cmd =
      std::string("'") + VETROSTAN_BIN + "' " + args + " 2>'" + err.string() + "'";
  ProgramRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = fileBytes(err);
  return r;
}

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
