// The bus in real time while an operator reads and exports a large log: the whole program over
// the simulated hall, its 20 ms pass driven by a real timer as the program's own timer drives it.
// A log of a million records is drawn at "1/1" on "Графики", its setpoints are added through
// "Доп.", it is converted to CSV, and the shift's sheet is made; meanwhile decoded answers must
// keep coming, with no pause longer than 300 ms between two of them.
//
// VETROSTAN_PAUSE_RECORDS=N measures the same road on a log of N records (the figure printed at
// the end is the longest pause seen).
#include <qcustomplot.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "history/LogRecords.h"
#include "history/ui/TForm12.h"
#include "history/ui/TForm16.h"
#include "history/ui/TabCharts.h"
#include "report/ui/ShiftReportWindow.h"
#include "sheet/SheetFormat.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::HallProgram;

std::size_t recordCount() {
  if (const char* n = std::getenv("VETROSTAN_PAUSE_RECORDS")) {
    const long long v = std::atoll(n);
    if (v > 0) return static_cast<std::size_t>(v);
  }
  return 1'000'000;
}

// Writes a log of `n` records once into the temporary folder and reuses it on later runs: a
// million records take 40 MB, more than a test should write every time.
template <typename Record>
fs::path sharedLog(std::size_t n, const char* extension, Record (*make)(std::size_t)) {
  const fs::path p =
      fs::temp_directory_path() / ("vetrostan-pause-" + std::to_string(n) + extension);
  std::error_code ec;
  if (fs::file_size(p, ec) == n * sizeof(Record) && !ec) return p;
  const fs::path part = p.string() + ".part";
  std::FILE* f = std::fopen(part.string().c_str(), "wb");
  if (!f) return {};
  std::vector<Record> slice;
  slice.reserve(65536);
  bool ok = true;
  for (std::size_t i = 0; i < n && ok;) {
    slice.clear();
    for (; i < n && slice.size() < 65536; ++i) slice.push_back(make(i));
    ok = std::fwrite(slice.data(), sizeof(Record), slice.size(), f) == slice.size();
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok) return {};
  fs::rename(part, p, ec);
  return ec ? fs::path{} : p;
}

// One sample every 10 s from 1 January 2025, a slow wave and, now and then, a spike.
TFile sample(std::size_t i) {
  TFile r{};
  const double wave = static_cast<double>(i % 8640) / 8640.0;
  r.T1 = 37.5 + 0.3 * wave + (i % 100'003 == 0 ? 2.0 : 0.0);
  r.T2 = 37.4 + 0.2 * wave;
  r.T3 = 37.6 - 0.2 * wave;
  r.BL = static_cast<std::uint8_t>(50 + i % 10);
  r.dt = 45658.0 + static_cast<double>(i) * 10.0 / 86400.0;
  return r;
}
// The setpoints, flushed every 100 samples.
TFileZon setpoint(std::size_t i) {
  TFileZon z{};
  z.ustT = 3780;
  z.ustOhlv = 50;
  z.ustOhln = 3750;
  z.ustBLv = 55;
  z.ustBLn = 4;
  z.Chim = 40;
  z.dt = 45658.0 + static_cast<double>(i) * 1000.0 / 86400.0;
  return z;
}

// A log in the working folder: a hard link to the shared file, or a copy where links fail.
bool placeLog(const fs::path& shared, const fs::path& into) {
  std::error_code ec;
  fs::create_directories(into.parent_path(), ec);
  fs::create_hard_link(shared, into, ec);
  if (ec) fs::copy_file(shared, into, ec);
  return !ec;
}

struct WatchNeverPauses : HallProgram {
  QElapsedTimer clockReal;
  std::vector<qint64> answers;  // real milliseconds of each decoded answer
  std::vector<qint64> passes;   // real milliseconds of each 20 ms pass
  QTimer pass;                  // the program's 20 ms timer

  void startRealTime() {
    std::vector<std::uint8_t> hall;
    for (std::uint8_t a = 1; a <= 40; ++a) hall.push_back(a);
    startProgram(hall, {});
    st().listeners.add(StatusStep::TimeLabel,
                       [this](const StatusEvent&) { answers.push_back(clockReal.elapsed()); });
    clockReal.start();
    pass.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pass, &QTimer::timeout, [this] {
      passes.push_back(clockReal.elapsed());
      runHallMs(20);
    });
    pass.start(20);
  }
  // Lets the event loop run until `done` holds (or `limitMs` passes); true when it held.
  template <typename Done>
  bool runUntil(Done done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
  }
  // The longest time between two of `times` from `fromMs` on.
  qint64 longestPause(const std::vector<qint64>& times, qint64 fromMs) const {
    qint64 longest = 0;
    qint64 last = fromMs;
    for (qint64 a : times) {
      if (a < fromMs) continue;
      longest = std::max(longest, a - last);
      last = a;
    }
    return std::max(longest, clockReal.elapsed() - last);
  }
};

TEST_F(WatchNeverPauses, WhileAMillionRecordLogIsDrawnAtOneToOneAndExported) {
  const std::size_t n = recordCount();
  const fs::path fil = sharedLog<TFile>(n, ".fil", sample);
  const fs::path oil = sharedLog<TFileZon>(n / 100, ".0il", setpoint);
  ASSERT_FALSE(fil.empty()) << "the log could not be made in " << fs::temp_directory_path();
  ASSERT_FALSE(oil.empty());
  const fs::path log = dir.home / "file" / "Инкубатор 5.fil";
  ASSERT_TRUE(placeLog(fil, log));
  ASSERT_TRUE(placeLog(oil, dir.home / "file" / "Инкубатор 5.0il"));

  startRealTime();
  // The hall runs a while first: the poll is under way and its pace is known.
  ASSERT_TRUE(runUntil([&] { return answers.size() >= 100; }, 10000));
  // The poll cycle comes once a second: answers come in bursts, the passes every 20 ms.
  const qint64 calmAnswers = longestPause(answers, answers[answers.size() / 2]);
  const qint64 calmPasses = longestPause(passes, passes[passes.size() / 2]);

  // The log drawn at "1/1", as a double-click in the file manager would open it.
  TabCharts* charts = w.form1->chartsTab();
  ASSERT_NE(charts, nullptr);
  charts->averagingButton(0)->click();
  for (int i = 0; i < 4; ++i)
    if (!charts->seriesButton(i)->isChecked()) charts->seriesButton(i)->click();
  QElapsedTimer work;
  const qint64 from = clockReal.elapsed();
  work.start();
  ASSERT_TRUE(openLogOnCharts(w, log));
  ASSERT_TRUE(runUntil([&] { return !charts->loading(); }, 120000));
  const qint64 drawMs = work.elapsed();
  EXPECT_EQ(charts->pathLabel()->text(), QString::fromStdU16String(log.u16string()));
  EXPECT_GT(charts->series(0)->dataCount(), 0);

  // "Доп.": the setpoints beside it.
  TForm16* dop = charts->extraWindow();
  ASSERT_NE(dop, nullptr);
  dop->show();
  dop->refresh();
  if (!dop->box(0)->isChecked()) dop->box(0)->click();
  work.restart();
  ASSERT_TRUE(dop->read());
  ASSERT_TRUE(runUntil([&] { return !dop->loading(); }, 120000));
  const qint64 dopMs = work.elapsed();

  // And the whole log to CSV, record by record.
  TForm12* exportWindow = w.form12;
  ASSERT_NE(exportWindow, nullptr);
  exportWindow->openCheck()->setChecked(false);
  exportWindow->formatBox()->setCurrentIndex(
      exportWindow->formatBox()->findData(static_cast<int>(SheetFormat::Csv)));
  exportWindow->averageButtons()[0]->click();
  exportWindow->show();
  work.restart();
  exportWindow->convert(QString::fromStdU16String(log.u16string()));
  ASSERT_TRUE(runUntil([&] { return !exportWindow->busy(); }, 300000));
  const qint64 exportMs = work.elapsed();
  EXPECT_TRUE(exportWindow->messages()->toPlainText().contains(
      QString("Записано %1").arg(static_cast<qulonglong>(n))))
      << exportWindow->messages()->toPlainText().toStdString();
  // And the shift's sheet through its menu entry.
  ShiftReportWindow* sheet = w.shiftReportF;
  ASSERT_NE(sheet, nullptr);
  w.form1->actionShiftReport()->trigger();
  ASSERT_TRUE(runUntil([&] { return !sheet->making(); }, 60000));
  ASSERT_NE(sheet->report(), nullptr);
  sheet->close();
  pass.stop();

  const qint64 answerPause = longestPause(answers, from);
  const qint64 passPause = longestPause(passes, from);
  std::printf(
      "records %zu: chart %lld ms, setpoints %lld ms, CSV %lld ms; longest pause of the "
      "bus's pass %lld ms (before the work %lld ms), between answers %lld ms (before "
      "%lld ms)\n",
      n, static_cast<long long>(drawMs), static_cast<long long>(dopMs),
      static_cast<long long>(exportMs), static_cast<long long>(passPause),
      static_cast<long long>(calmPasses), static_cast<long long>(answerPause),
      static_cast<long long>(calmAnswers));
  // The pass is the bus: while it waits, nothing is sent or decoded.
  EXPECT_LE(passPause, 300);
  // And the answers keep their pace.
  EXPECT_LE(answerPause, calmAnswers + 300);
}

}  // namespace
}  // namespace vs
