// The tray board's window over a simulated hall: the board is a configured row answering the
// status poll with its report, and the window follows the reports as the program wires it.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "boards/ui/TlotkiF.h"
#include "sim/SimTrayBoard.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

constexpr std::uint8_t kBoard = 30;

TEST_F(HallProgram, TrayBoardWindowShowsTheBoardsReportAndClock) {
  // The board's clock reads 05.03.2026 09:07:03 at the start of the run.
  sim.own(std::make_unique<SimTrayBoard>(kBoard, encodeDateTime({2026, 3, 5, 9, 7, 3, 0})));
  startProgram({5}, {}, [](TFile_config& c) {
    c.kol_inkub = 2;
    c.konfig_n[1] = kBoard;
    c.konfig_o[1] = 1;
    c.konfig_s[1].setUtf8("Лотки");
  });
  ASSERT_NE(w.lotkiF, nullptr);
  w.form1->hooks.trayBoard();
  runHallMs(3000);
  EXPECT_TRUE(w.lotkiF->timeLabel()->text().contains("05.03.2026"))
      << w.lotkiF->timeLabel()->text().toStdString();
  EXPECT_EQ(st().tab_otvetR[1], 0);  // the report is the row's answer

  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  const QString out = QString::fromLocal8Bit(dir);
  EXPECT_TRUE(w.lotkiF->grab().save(out + "/TlotkiF.png"));
  w.lotkiF->editButton()->click();  // "Изменить" down: the settings tab is the operator's
  EXPECT_TRUE(w.lotkiF->grab().save(out + "/TlotkiF-edit.png"));
}

}  // namespace
}  // namespace vs::testing
