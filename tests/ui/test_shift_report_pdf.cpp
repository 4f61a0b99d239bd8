// The shift's sheet as a PDF: its text, read back with pdftotext, holds the figures the CSV
// gives; every page has its header and its signature line; a failed write leaves no file.
#include <gtest/gtest.h>

#include <QPdfWriter>
#include <cstdio>
#include <string>
#include <vector>

#include "alarms/AlarmList.h"
#include "common/AtomicFile.h"
#include "history/Journal.h"
#include "history/LogRecords.h"
#include "report/ShiftReport.h"
#include "report/ui/ReportPdf.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::TempDir;

TDateTime at(int h, int m, int s = 0) {
  return encodeDateTime({2026, 12, 10, h, m, s, 0});
}

bool havePdftotext() {
  return std::system("pdftotext -v >/dev/null 2>&1") == 0;
}

// The text of the PDF, pages separated by form feeds.
std::string pdfText(const fs::path& pdf) {
  const fs::path txt = pdf.string() + ".txt";
  const std::string cmd = "pdftotext -layout '" + pdf.string() + "' '" + txt.string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  return fileBytes(txt);
}

std::vector<std::string> pages(const std::string& text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
    out.push_back(text.substr(from, ff - from));
  if (from < text.size() && text.find_first_not_of(" \n", from) != std::string::npos)
    out.push_back(text.substr(from));
  return out;
}

void writeLog(const fs::path& path, int samples, double t1) {
  std::string bytes;
  for (int i = 0; i < samples; ++i) {
    TFile r{};
    r.T1 = t1 + 0.01 * (i % 5);
    r.T2 = 37.25;
    r.T3 = 36.75 + (i == 100 ? 2.0 : 0.0);  // one spike
    r.BL = static_cast<std::uint8_t>(50 + i % 3);
    r.dt = at(8, 0) + i * 60.0 / 86400;
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(writeFileAtomic(path, bytes));
}

ReportIncubator incubator(const fs::path& home, int number) {
  ReportIncubator i;
  i.row = number - 1;
  i.number = number;
  i.name = "Инкубатор " + std::to_string(number);
  i.logged = true;
  i.log = home / "file" / ("inc" + std::to_string(number) + ".fil");
  i.program = true;
  i.programName = "Куры.ink";
  i.day = 7;
  i.zone = {true, 3600, 3800, 40, 60};
  return i;
}

TEST(ShiftReportPdf, TextHoldsTheFiguresOfTheCsvTheAlarmsAndTheBoxes) {
  if (!havePdftotext()) GTEST_SKIP() << "pdftotext is missing (scripts/setup.sh installs it)";
  TempDir tmp;
  writeLog(tmp / "file" / "inc5.fil", 600, 37.42);
  ManualClock clock(at(9, 15));
  Journal journal(tmp.path(), clock);
  AlarmList list(clock);
  list.journal = [&](const std::string& l) { journal.Err(l); };
  list.set({5, slotKind(3)}, true, "Инкубатор 5");
  clock.set(at(9, 17));
  list.acknowledge({{5, slotKind(3)}}, "Иванова");
  clock.set(at(11, 2));
  journal.Err("Запись подтверждена: блок № 5, Рабочая Темп. 37.80 -> 37.50");

  ReportInput in;
  in.home = tmp.path();
  in.hall = "Зал 2";
  in.shift = {at(8, 0), at(20, 0)};
  in.now = at(21, 0);
  in.incubators = {incubator(tmp.path(), 5), incubator(tmp.path(), 6)};
  const ShiftReport r = buildShiftReport(in);
  const fs::path pdf = tmp / "sheet.pdf";
  std::string why;
  ASSERT_TRUE(writeReportPdf(r, pdf, why)) << why;
  const std::string text = pdfText(pdf);
  ASSERT_FALSE(text.empty());

  // Every figure of incubator 5's CSV row is on the sheet.
  const std::string csv = reportCsv(r);
  const std::size_t row = csv.find("\r\n5,");
  ASSERT_NE(row, std::string::npos);
  const std::string line = csv.substr(row + 2, csv.find("\r\n", row + 2) - row - 2);
  int figures = 0;
  std::size_t from = 0;
  for (int field = 0; from <= line.size(); ++field) {
    const std::size_t comma = std::min(line.find(',', from), line.size());
    const std::string f = line.substr(from, comma - from);
    from = comma + 1;
    if (field < 5 || f.empty()) continue;
    EXPECT_NE(text.find(f), std::string::npos) << "field " << field << " \"" << f << "\"";
    ++figures;
  }
  EXPECT_GE(figures, 18);
  EXPECT_NE(text.find("38.75"), std::string::npos);  // the spike of T3 as its maximum
  EXPECT_NE(text.find("Куры.ink, день 7"), std::string::npos);
  EXPECT_NE(text.find("нет записи"), std::string::npos);  // incubator 6
  EXPECT_NE(text.find("Темп. ниже зоны"), std::string::npos);
  EXPECT_NE(text.find("Иванова"), std::string::npos);
  EXPECT_NE(text.find("10.12 09:17"), std::string::npos);
  EXPECT_NE(text.find("Рабочая Темп. 37.80 -> 37.50"), std::string::npos);
  EXPECT_NE(text.find("не в норме"), std::string::npos);
  EXPECT_NE(text.find("Зал 2"), std::string::npos);
  EXPECT_NE(text.find("10.12.2026 08:00 — 10.12.2026 20:00"), std::string::npos);
}

TEST(ShiftReportPdf, AHallOnManyPagesRepeatsTheHeaderAndSignatureOnEach) {
  if (!havePdftotext()) GTEST_SKIP() << "pdftotext is missing (scripts/setup.sh installs it)";
  TempDir tmp;
  ShiftReport r;
  r.shift = {at(8, 0), at(20, 0)};
  r.made = at(20, 0);
  for (int n = 1; n <= 60; ++n) {
    IncubatorReport ir;
    ir.incubator = incubator(tmp.path(), n);
    ir.hasLog = n % 2 == 0;
    ir.t[0] = {100, 37.1, 37.5, 37.9, 0};
    r.incubators.push_back(ir);
  }
  for (int n = 0; n < 40; ++n)
    r.incubators[0].alarms.push_back({1, "№1", "Нет связи", at(9, n), 0, 0, ""});
  const fs::path pdf = tmp / "hall.pdf";
  std::string why;
  ASSERT_TRUE(writeReportPdf(r, pdf, why)) << why;
  const auto all = pages(pdfText(pdf));
  ASSERT_GE(all.size(), 5u);
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_NE(all[i].find("Отчёт за смену"), std::string::npos) << "page " << i + 1;
    EXPECT_NE(all[i].find("Лист " + std::to_string(i + 1)), std::string::npos) << i + 1;
    EXPECT_NE(all[i].find("Подпись:"), std::string::npos) << "page " << i + 1;
  }
  // Every incubator is on the sheet once, the last one too.
  const std::string text = pdfText(pdf);
  EXPECT_NE(text.find("Инкубатор 60"), std::string::npos);
  // Forty raises of one alarm: the first ten on a row each, the other thirty on one.
  std::size_t alarms = 0;
  for (std::size_t p = 0; (p = text.find("Нет связи", p)) != std::string::npos; ++p) ++alarms;
  EXPECT_EQ(alarms, 11u);
  EXPECT_NE(text.find("Нет связи — ещё 30 раз"), std::string::npos) << text;
}

TEST(ShiftReportPdf, AFailedWriteLeavesTheOldFileAndSaysWhy) {
  TempDir tmp;
  ShiftReport r;
  r.shift = {at(8, 0), at(20, 0)};
  std::vector<fs::path> written;
  std::string why;
  ASSERT_TRUE(writeShiftReportFiles(r, tmp.path(), written, why)) << why;
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[1], tmp / "report" / "2026-12-10_08-00.pdf");
  const std::string before = fileBytes(written[1]);
  EXPECT_EQ(before.rfind("%PDF", 0), 0u);

  setWriteFault([&](const fs::path& p) { return p == written[1]; });
  EXPECT_FALSE(writeReportPdf(r, written[1], why));
  setWriteFault({});
  EXPECT_NE(why.find("2026-12-10_08-00.pdf"), std::string::npos) << why;
  EXPECT_EQ(fileBytes(written[1]), before);
  for (const auto& e : fs::directory_iterator(tmp / "report"))
    EXPECT_TRUE(e.path().extension() == ".pdf" || e.path().extension() == ".csv") << e.path();

  ASSERT_TRUE(writeFileAtomic(tmp / "plain", std::string("x")));
  written.clear();
  EXPECT_FALSE(writeShiftReportFiles(r, tmp / "plain", written, why));
  EXPECT_TRUE(written.empty());
  EXPECT_FALSE(why.empty());
}

}  // namespace
}  // namespace vs
