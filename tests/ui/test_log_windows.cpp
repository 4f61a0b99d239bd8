// The log settings and the history windows in the program over a simulated hall: the program
// window switches a log on under a new name and the answers go into it; "Exel" opens the
// export.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "app/ShiftReportInput.h"
#include "common/AtomicFile.h"
#include "history/LogFile.h"
#include "history/ui/TForm12.h"
#include "history/ui/TabCharts.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TForm5.h"
#include "report/ShiftReport.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

using LogWindows = testing::HallProgram;

TEST_F(LogWindows, ProgramWindowSwitchesTheLogOnAndTheAnswersGoIntoIt) {
  startProgram({5, 85}, {});
  std::filesystem::create_directories(dir.home / "file");
  ASSERT_TRUE(w.form2);
  w.form1->hooks.programWindow(1);
  TForm2& f2 = *w.form2;
  EXPECT_TRUE(f2.isVisible());

  // A name with a folder part would write outside "file": refused, nothing stored.
  f2.writeOn()->setChecked(true);
  f2.fileName()->setText("../вне");
  QTimer::singleShot(0, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->close();
  });
  EXPECT_FALSE(f2.zapomnit());
  EXPECT_FALSE(ws->store.config.konfig_Write[1]);

  f2.fileName()->setText("Инкубатор 85");
  f2.averaging()->click();  // takes effect at once
  EXPECT_EQ(ws->store.config.usrednenie10, 11);
  ASSERT_TRUE(f2.zapomnit());
  // Stored on disk as well: a restart keeps logging.
  auto saved = std::make_unique<TFile_config>();
  ASSERT_EQ(readFilePrefix(dir.home / "config.cfg", saved.get(), sizeof *saved),
            static_cast<long long>(sizeof *saved));
  EXPECT_EQ(saved->konfig_Write[1], 1);
  EXPECT_EQ(saved->konfig_f[1].utf8(), "Инкубатор 85");
  EXPECT_EQ(saved->usrednenie10, 11);

  runHallMs(30'000);
  ws->shutDown();
  std::vector<TFile> fil;
  std::string error;
  ASSERT_TRUE(readLog(dir.home / "file" / "Инкубатор 85.fil", fil, error)) << error;
  EXPECT_GE(fil.size(), 2u) << "averaged batches of the answers of 85";
  EXPECT_FALSE(std::filesystem::exists(dir.home / "file" / ".fil")) << "row 5 is not logged";
}

TEST_F(LogWindows, ExelOnTheChartTabOpensTheExport) {
  startProgram({5}, {});
  ASSERT_TRUE(w.form12);
  EXPECT_FALSE(w.form12->isVisible());
  w.form1->chartsTab()->exportButton()->click();
  EXPECT_TRUE(w.form12->isVisible());
}

TEST_F(LogWindows, AProgramQueueOpensTheReportWindowWithItsLines) {
  // Day 1 on at 37.65 °C; the last row (day 21) ends the program.
  TFile_INKconfig p{};
  p.kol = 2;
  p.nDen = {1, 21};
  p.Temp = {3765, 3700};
  p.Zaslonki = {-1, -1};
  std::filesystem::create_directories(dir.home / "rezim");
  ASSERT_TRUE(writeFileAtomic(dir.home / "rezim" / "a.ink", &p, sizeof p));
  startProgram({5}, {}, [](TFile_config& c) {
    c.konfig_INK[0] = 1;
    c.konfig_finkub[0].setUtf8("a.ink");
    c.N_DateTime[0] = kStart - 2.5;
  });
  ASSERT_TRUE(w.form5);
  runHallMs(20'000);
  EXPECT_TRUE(w.form5->isVisible());
  const QString log = w.form5->log()->toPlainText();
  EXPECT_TRUE(log.contains(". Заявок всего=1")) << log.toStdString();
  EXPECT_TRUE(log.contains("1. блок № 5 Изменить:Рабочая Темп.->")) << log.toStdString();
  EXPECT_TRUE(log.contains("   Получен второй ответ.3765")) << log.toStdString();
  EXPECT_EQ(ctl(5).zon(1), 3765);

  // The journal keeps the queue's lines too: the shift's sheet shows the confirmed write.
  ShiftStarts starts;
  ASSERT_TRUE(parseShifts(kDefaultShifts, starts));
  const ShiftReport sheet =
      buildShiftReport(shiftReportInput(*ws, st(), shiftAt(starts, clock.now())));
  ASSERT_EQ(sheet.incubators.size(), 1u);
  ASSERT_EQ(sheet.incubators[0].setpoints.size(), 1u);
  EXPECT_NE(sheet.incubators[0].setpoints[0].change.find("37.65"), std::string::npos)
      << sheet.incubators[0].setpoints[0].change;
}

}  // namespace
}  // namespace vs
