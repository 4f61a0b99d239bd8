// The window "Аварийные сообщения" and the main window's alarm button over the simulated hall in
// virtual time: alarms raised by the controllers show with their state, the button counts what
// waits, and the operator acknowledges, shelves and ends a shelving from the window or
// acknowledges an incubator by a double-click in "Аварии".
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <string>

#include "alarms/AlarmFile.h"
#include "alarms/ui/TAlarmsF.h"
#include "station/MainTableLayout.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

constexpr std::uint16_t kTempHigh = 1u << 2;  // "Темп. выше зоны"
constexpr std::uint16_t kTempLow = 1u << 3;   // "Темп. ниже зоны"

// Counts the clips stopped.
struct StopCounter final : SoundPlayer {
  int stopped = 0;
  bool open(const std::filesystem::path&) override { return true; }
  bool play() override { return true; }
  bool isPlaying() override { return false; }
  void close() override { ++stopped; }
};

struct AlarmsWindow : testing::HallProgram {
  void SetUp() override {
    user_ = qgetenv("USER");
    qputenv("USER", "дежурный");
  }
  void TearDown() override {
    HallProgram::TearDown();
    qputenv("USER", user_);
  }
  void start() {
    startProgram({5, 85}, {"[Alarm]", "Repeat=0", "Escalate=0"});
    runMs(3000);
  }
  // The program's time passes and its event loop turns once.
  void runMs(std::int64_t ms) {
    runHallMs(ms);
    QApplication::processEvents();
  }
  TAlarmsF& win() { return *w.alarmsF; }
  QTableWidget& grid() { return *win().grid(); }
  AlarmList& list() { return bus->alarms.list; }
  int rowOf(int number) {
    for (int r = 0; r < grid().rowCount(); ++r)
      if (win().keyAt(r).number == number) return r;
    return -1;
  }
  QString cell(int number, int col) {
    const int r = rowOf(number);
    return r < 0 ? "<none>" : grid().item(r, col)->text();
  }
  void select(int number) {
    grid().clearSelection();
    grid().setCurrentCell(rowOf(number), 0);
    grid().selectRow(rowOf(number));
  }
  QToolButton& button() { return *w.form1->alarmsButton(); }

  QByteArray user_;
};

TEST_F(AlarmsWindow, RaisedAlarmsShowAndAreCountedAndQuitAcknowledgesTheSelectedOne) {
  start();
  ASSERT_NE(w.alarmsF, nullptr);
  EXPECT_EQ(button().text(), "Аварии: 0");
  EXPECT_FALSE(button().property("waiting").toBool());
  EXPECT_TRUE(w.form1->actionAlarms()->isEnabled());

  ctl(5).setAlarmBits(kTempHigh);
  ctl(85).setAlarmBits(kTempLow);
  runMs(5000);
  EXPECT_EQ(button().text(), "Аварии: 2") << "counted while the window is closed";
  EXPECT_TRUE(button().property("waiting").toBool());

  w.form1->hotKeyA()->trigger();
  ASSERT_TRUE(win().isVisible());
  EXPECT_EQ(win().windowTitle(), "Аварийные сообщения");
  ASSERT_EQ(grid().rowCount(), 2);
  EXPECT_EQ(cell(5, TAlarmsF::ColNumber), "5");
  EXPECT_EQ(cell(5, TAlarmsF::ColName), "Инкубатор 5");
  EXPECT_EQ(cell(5, TAlarmsF::ColCaption), "Темп. выше зоны");
  EXPECT_EQ(cell(85, TAlarmsF::ColCaption), "Темп. ниже зоны");
  EXPECT_EQ(cell(5, TAlarmsF::ColState), "Активна, не квитирована");
  EXPECT_EQ(cell(5, TAlarmsF::ColRaised),
            QString::fromStdString(formatDateTime(list().find({5, slotKind(2)})->raised)));
  EXPECT_EQ(cell(5, TAlarmsF::ColAckBy), "");

  select(5);
  ASSERT_TRUE(win().ackButton()->isEnabled());
  StopCounter player;
  bus->sound.setPlayer(&player);
  win().ackButton()->click();
  EXPECT_EQ(player.stopped, 1) << "an acknowledgement silences the clip that plays";
  EXPECT_EQ(cell(5, TAlarmsF::ColState), "Активна, квитирована");
  EXPECT_EQ(cell(5, TAlarmsF::ColAckBy), "дежурный") << "the operating-system user";
  EXPECT_EQ(cell(5, TAlarmsF::ColAckAt), QString::fromStdString(formatDateTime(clock.now())));
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Активна, не квитирована") << "only the selected one";
  QApplication::processEvents();
  EXPECT_EQ(button().text(), "Аварии: 1");
  EXPECT_NE(dir.journal().find("Авария квитирована (дежурный): №5 «Инкубатор 5»: Темп. выше зоны"),
            std::string::npos);

  // Cleared after its acknowledgement, it leaves the list; the other one clears unacknowledged.
  ctl(5).setAlarmBits(0);
  ctl(85).setAlarmBits(0);
  runMs(5000);
  EXPECT_EQ(rowOf(5), -1);
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Снята, не квитирована");
  EXPECT_TRUE(button().property("waiting").toBool());

  win().ackAllButton()->click();
  QApplication::processEvents();
  EXPECT_EQ(player.stopped, 2);
  bus->sound.setPlayer(nullptr);
  EXPECT_EQ(grid().rowCount(), 0);
  EXPECT_EQ(button().text(), "Аварии: 0");
  EXPECT_FALSE(button().property("waiting").toBool());
  EXPECT_FALSE(win().ackAllButton()->isEnabled());
}

TEST_F(AlarmsWindow, DoubleClickInAlarmsColumnResetsTheControllerAndAcknowledgesItsAlarms) {
  start();
  ctl(5).setAlarmBits(kTempHigh | kTempLow);
  ctl(85).setAlarmBits(kTempHigh);
  runMs(5000);
  ASSERT_EQ(list().unacknowledgedCount(), 3);

  // Row 1 of the table is incubator 5; the double-click arrives as the window system sends it.
  w.form1->resize(1500, 700);
  w.form1->show();
  IncubatorTable* t = w.form1->table();
  QTableWidget* g = t->grid();
  const int c = alarmsColumn(t->kolT());
  const QPoint at(g->columnViewportPosition(c - 1) + g->columnWidth(c - 1) / 2,
                  g->rowViewportPosition(0) + g->rowHeight(0) / 2);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const bool up = type == QEvent::MouseButtonRelease;
    QMouseEvent e(type, QPointF(at), g->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                  up ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g->viewport(), &e);
  }
  runMs(2000);
  EXPECT_EQ(list().unacknowledgedCount(), 1) << "incubator 85 still waits";
  // The reset clears the controller's alarms, and acknowledged they leave the list.
  EXPECT_EQ(list().find({5, slotKind(2)}), nullptr);
  EXPECT_EQ(list().find({5, slotKind(3)}), nullptr);
  ASSERT_NE(list().find({85, slotKind(2)}), nullptr);
  EXPECT_FALSE(list().find({85, slotKind(2)})->acknowledged);
  const std::string j = dir.journal();
  EXPECT_NE(j.find("Авария квитирована (дежурный): №5 «Инкубатор 5»: Темп. выше зоны"),
            std::string::npos);
  EXPECT_NE(j.find("Авария квитирована (дежурный): №5 «Инкубатор 5»: Темп. ниже зоны"),
            std::string::npos);
  EXPECT_EQ(button().text(), "Аварии: 1");
  ASSERT_FALSE(ctl(5).actions().empty()) << "the controller's own alarm reset, as before";
  EXPECT_EQ(ctl(5).actions().back(), 4);
}

TEST_F(AlarmsWindow, ShelvedIncubatorShowsItsEndAndReturnsByItselfOrWhenTheOperatorSays) {
  start();
  ctl(85).setAlarmBits(kTempLow);
  ctl(5).setAlarmBits(kTempHigh);
  runMs(5000);
  w.form1->hooks.alarmsWindow();
  QString asked;
  int answer = 0;
  win().askShelfSeconds = [&](const QString& who) {
    asked = who;
    return answer;
  };

  select(85);
  ASSERT_TRUE(win().shelveButton()->isEnabled());
  EXPECT_FALSE(win().unshelveButton()->isEnabled());
  win().shelveButton()->click();  // the operator thinks better of it
  EXPECT_EQ(asked, "№85 «Инкубатор 85»");
  EXPECT_FALSE(list().shelved(85));

  answer = 120;
  win().shelveButton()->click();
  const QString until = QString::fromStdString(formatDateTime(list().shelvedUntil(85)));
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Отложена до " + until);
  EXPECT_EQ(cell(5, TAlarmsF::ColState), "Активна, не квитирована");
  EXPECT_TRUE(win().unshelveButton()->isEnabled());
  EXPECT_NE(dir.journal().find("(дежурный): №85 «Инкубатор 85»"), std::string::npos);

  runMs(110'000);
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Отложена до " + until);
  runMs(15'000);
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Активна, не квитирована") << "back by itself";

  // A day and more is cut to 24 h; "Вернуть" ends it early.
  answer = 48 * 3600;
  select(85);
  win().shelveButton()->click();
  EXPECT_NEAR((list().shelvedUntil(85) - clock.now()) * 86400.0, 24 * 3600.0, 1.0);
  ASSERT_TRUE(win().unshelveButton()->isEnabled());
  win().unshelveButton()->click();
  EXPECT_FALSE(list().shelved(85));
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Активна, не квитирована");
  EXPECT_EQ(grid().currentRow(), rowOf(85)) << "the row chosen stays chosen";
}

TEST_F(AlarmsWindow, AlarmsKeptFromTheLastRunAreCountedFromTheStart) {
  testing::ScratchInstall::write(
      dir.home / kAlarmFileName,
      std::string(kAlarmFileHeader) +
          "\nalarm\t85\tz3\t2025-12-09T05:10:00\t1\t0\t-\t\tИнкубатор 85\n");
  startProgram({5, 85}, {"[Alarm]", "Repeat=0", "Escalate=0"});
  EXPECT_EQ(button().text(), "Аварии: 1") << "before the first answer";
  EXPECT_TRUE(button().property("waiting").toBool());
  w.form1->actionAlarms()->trigger();
  ASSERT_EQ(grid().rowCount(), 1);
  EXPECT_EQ(cell(85, TAlarmsF::ColRaised), "09.12.2025 05:10:00");
  EXPECT_EQ(cell(85, TAlarmsF::ColState), "Активна, не квитирована");
}

}  // namespace
}  // namespace vs
