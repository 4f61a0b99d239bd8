// The shift's record sheet over the simulated hall: made by itself when a shift ends (its
// figures equal those of the log the station wrote), and through "Отчёт за смену", whose
// preview prints and saves the same sheet.
#include <QAction>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/ui/AutoShiftReports.h"
#include "history/LogFile.h"
#include "report/ui/ShiftReportWindow.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::HallProgram;

// Waits (a minute at most) for `signal` of `sender`; true when it came.
template <typename Sender, typename Signal>
bool waitFor(Sender* sender, Signal signal, const std::function<bool()>& already = {}) {
  if (already && already()) return true;
  bool came = false;
  QEventLoop loop;
  auto c = QObject::connect(sender, signal, &loop, [&] {
    came = true;
    loop.quit();
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(c);
  return came;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == ',')
      out.emplace_back();
    else if (c != '\r' && c != '"')
      out.back() += c;
  }
  return out;
}

// The CSV row of incubator `number` in the figures' table.
std::vector<std::string> csvRow(const std::string& csv, int number) {
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) {
    const auto f = fields(line);
    if (f.size() > 10 && f[0] == std::to_string(number)) return f;
  }
  return {};
}

std::string two(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}

struct ShiftSheet : HallProgram {
  // Shifts of a minute and of a day less a minute: the first ends a minute after the start.
  void SetUp() override {
    fs::create_directories(dir.home / "file");
    startProgram({1, 2}, {"[Report]", "Shifts=06:00,06:01"}, [](TFile_config& c) {
      c.konfig_Write[0] = 1;
      c.konfig_f[0].setUtf8("первый");
    });
  }
  // T1 of the first incubator's log within [from, to), as the sheet must give it.
  struct Figures {
    double min = 1e9, max = -1e9, sum = 0;
    int n = 0;
  };
  Figures logged(TDateTime from, TDateTime to) {
    std::vector<TFile> log;
    std::string why;
    EXPECT_TRUE(readLog(dir.home / "file" / "первый.fil", log, why)) << why;
    Figures f;
    for (const TFile& r : log) {
      if (r.dt < from || r.dt >= to) continue;
      f.min = std::min(f.min, r.T1);
      f.max = std::max(f.max, r.T1);
      f.sum += r.T1;
      ++f.n;
    }
    return f;
  }
};

TEST_F(ShiftSheet, MadeByItselfAtTheShiftsEndWithTheFiguresOfTheLog) {
  AutoShiftReports autos(*ws, *bus);
  ctl(1).setT1(3750);
  runHallMs(30000);
  ctl(1).setT1(3790);
  runHallMs(29000);
  autos.tick();
  EXPECT_FALSE(autos.jobs().busy());  // 06:00:59: the shift still runs
  runHallMs(2000);
  std::vector<QStringList> written;
  QObject::connect(&autos.jobs(), &ShiftReportJobs::finished,
                   [&](const Shift&, bool ok, const QStringList& paths, const QString& why) {
                     EXPECT_TRUE(ok) << why.toStdString();
                     written.push_back(paths);
                   });
  autos.tick();
  ASSERT_TRUE(autos.jobs().busy());
  ASSERT_TRUE(waitFor(&autos.jobs(), &ShiftReportJobs::finished));
  ASSERT_EQ(written.size(), 1u);

  const fs::path csv = dir.home / "report" / "2025-12-09_06-00.csv";
  const fs::path pdf = dir.home / "report" / "2025-12-09_06-00.pdf";
  EXPECT_EQ(written[0], (QStringList{QString::fromStdString(csv.string()),
                                     QString::fromStdString(pdf.string())}));
  ASSERT_TRUE(fs::exists(pdf));
  const std::string text = slurp(csv);
  // The samples still batched at the shift's end were written before the sheet was made.
  const Figures f = logged(kStart, kStart + 60.0 / 86400.0);
  ASSERT_GT(f.n, 40);
  const auto first = csvRow(text, 1);
  ASSERT_FALSE(first.empty()) << text;
  EXPECT_EQ(first[4], "есть");
  EXPECT_EQ(first[5], two(f.min));
  EXPECT_EQ(first[6], two(f.sum / f.n));
  EXPECT_EQ(first[7], two(f.max));
  EXPECT_EQ(first[5], "37.50");
  EXPECT_EQ(first[7], "37.90");
  const auto second = csvRow(text, 2);
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second[4], "нет записи");
  EXPECT_EQ(second[5], "");

  // The journal names the files; the next tick is quiet.
  autos.tick();
  EXPECT_FALSE(autos.jobs().busy());
}

TEST_F(ShiftSheet, ASheetThatCannotBeWrittenIsToldAndNothingIsReplaced) {
  // "report" is a file: the folder cannot be made.
  std::ofstream(dir.home / "report") << "not a folder";
  std::vector<std::string> notices;
  ws->notice = [&](const std::string& text) { notices.push_back(text); };
  AutoShiftReports autos(*ws, *bus);
  runHallMs(61000);
  autos.tick();
  ASSERT_TRUE(waitFor(&autos.jobs(), &ShiftReportJobs::finished));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].rfind("Отчёт за смену 09.12.2025 06:00 не записан: ", 0), 0u) << notices[0];
  EXPECT_EQ(slurp(dir.home / "report"), "not a folder");
}

TEST_F(ShiftSheet, TheMenuEntryPreviewsPrintsAndSavesTheSheet) {
  ctl(1).setT1(3760);
  runHallMs(61000);
  bus->logs.flushAll();
  QAction* entry = w.form1->actionShiftReport();
  ASSERT_TRUE(entry->isEnabled());
  EXPECT_EQ(entry->text(), "Отчёт за смену");
  ShiftReportWindow* win = w.shiftReportF;
  ASSERT_NE(win, nullptr);
  entry->trigger();
  ASSERT_TRUE(win->isVisible());
  EXPECT_EQ(win->windowTitle(), "Отчёт за смену");
  ASSERT_TRUE(waitFor(win, &ShiftReportWindow::made, [&] { return !win->making(); }));
  // The present shift first, then the one that ended a second ago.
  ASSERT_EQ(win->shiftBox()->count(), ShiftReportWindow::kShiftsBack + 1);
  EXPECT_TRUE(win->shiftBox()->itemText(0).endsWith("(идёт)"));
  EXPECT_EQ(win->shiftBox()->itemText(1), "09.12.2025 06:00 – 09.12.2025 06:01");
  win->make(1);
  ASSERT_TRUE(waitFor(win, &ShiftReportWindow::made));
  ASSERT_NE(win->report(), nullptr);
  ASSERT_EQ(win->report()->incubators.size(), 2u);
  EXPECT_TRUE(win->printButton()->isEnabled());
  EXPECT_GE(win->preview()->pageCount(), 1);

  // "Печать" on a printer that writes a PDF: the sheet's text is in it.
  const fs::path printed = dir.root / "printed.pdf";
  win->choosePrinter = [&](QWidget*) {
    auto p = std::make_unique<QPrinter>();
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(QString::fromStdString(printed.string()));
    return p;
  };
  win->printButton()->click();
  ASSERT_TRUE(fs::exists(printed));
  EXPECT_TRUE(win->stateLabel()->text().startsWith("Отправлено на печать"))
      << win->stateLabel()->text().toStdString();
  QProcess pdftotext;
  pdftotext.start("pdftotext", {"-layout", QString::fromStdString(printed.string()), "-"});
  if (pdftotext.waitForFinished(20000) && pdftotext.exitCode() == 0) {
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains("37.60")) << text.toStdString();
    EXPECT_TRUE(text.contains("нет записи"));
    EXPECT_TRUE(text.contains("не в норме"));
  } else {
    ADD_FAILURE() << "pdftotext did not run (poppler-utils is installed by scripts/setup.sh)";
  }

  // "Сохранить": both files into "report".
  win->saveButton()->click();
  ASSERT_TRUE(waitFor(win, &ShiftReportWindow::saved));
  EXPECT_TRUE(fs::exists(dir.home / "report" / "2025-12-09_06-00.pdf"));
  EXPECT_TRUE(fs::exists(dir.home / "report" / "2025-12-09_06-00.csv"));
  EXPECT_TRUE(win->stateLabel()->text().startsWith("Записано: "))
      << win->stateLabel()->text().toStdString();
  win->close();
}

}  // namespace
}  // namespace vs
