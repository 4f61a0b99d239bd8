// The damper board window over the simulated hall: what it shows of the board's block, the four
// settings going through the real write engine to the simulated board, the choice of the
// incubator, a calibration run on the gauge, a board that stops answering and an answer that
// carries only part of the block.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <string>
#include <vector>

#include "boards/ui/TZaslonkiF.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

struct DamperHall : testing::HallProgram {
  std::unique_ptr<TZaslonkiF> z;
  std::vector<std::string> journal;

  // The window as the program wires it: fed at the damper step of every answer, writing
  // through the modal write dialog (here run in virtual time).
  void open(const std::vector<std::uint8_t>& addresses, int row) {
    startProgram(addresses, {});
    z = std::make_unique<TZaslonkiF>(st());
    st().listeners.add(StatusStep::Damper,
                       [this](const StatusEvent& e) { z->terminal(e.nk, e.length); });
    z->engine().writeDialog = [this] {
      return testing::runWriteDialog(nowUs, kStart, sim, clock, *bus);
    };
    z->engine().journal = [this](const std::string& l) { journal.push_back(l); };
    st().nk_Opros = row;
  }
  void TearDown() override {
    z.reset();
    HallProgram::TearDown();
  }
  std::string text(QLabel* l) { return l->text().toStdString(); }
  bool red(QLabel* l) { return l->styleSheet().contains("red"); }
};

TEST_F(DamperHall, ShowsTheBlockSendsTheSettingsAndFollowsOnlyItsIncubator) {
  open({5, 6, 7}, 1);
  SimController& c6 = ctl(6);
  c6.fitDamper(true);
  c6.damper().voltage = 1000;
  c6.damper().version = 0x8007;
  c6.damper().number = 3;
  c6.placeDamper(45);  // R = 0x1000 between R0 = 0x0800 and R1 = 0x1800
  ctl(7).fitDamper(true);
  ctl(7).placeDamper(0);
  z->show();
  EXPECT_EQ(text(z->numberLabel()), "6");
  runHallMs(3000);

  EXPECT_EQ(z->windowTitle().toStdString(), "Работа с заслонками -> Инкубатор 6");
  EXPECT_EQ(text(z->stateLabel()), "на связи");
  EXPECT_FALSE(red(z->stateLabel()));
  EXPECT_EQ(text(z->versionLabel()), "Версия ПО - V7");
  EXPECT_EQ(text(z->damperNumber()), "3");
  EXPECT_EQ(text(z->voltage()), "24.4 B");  // 1000 x 156 / 6400 = 24.375
  EXPECT_EQ(text(z->r0()), "14.40 кОм");
  EXPECT_EQ(text(z->r1()), "43.20 кОм");
  EXPECT_EQ(text(z->r()), "28.80 кОм");
  EXPECT_EQ(text(z->measured()), "45");
  EXPECT_EQ(z->gaugeAngle(), 45);
  EXPECT_EQ(text(z->setAngle()), "45");
  EXPECT_EQ(text(z->checkTime()), "30");
  EXPECT_EQ(st().ugol[2], 0) << "incubator 7's damper is shut; the window stays on 6";
  shoot(*z, "TZaslonkiF.png");

  // 120 is cut to 90 before it is sent, and the field says so; the damper starts to move.
  z->angleEdit()->setValue(120);
  z->angleWrite()->click();
  EXPECT_EQ(z->angleEdit()->value(), 90);
  EXPECT_EQ(st().WriteKom.Col, 2);
  EXPECT_EQ(st().WriteKom.Row, 13);
  EXPECT_EQ(st().WriteKom.b, 90);
  EXPECT_EQ(st().WriteKom.k, 211);
  EXPECT_EQ(c6.damper().setAngle, 90);
  EXPECT_EQ(text(z->setAngle()), "90");
  runHallMs(10'000);
  EXPECT_GT(z->gaugeAngle(), 50);
  EXPECT_LT(z->gaugeAngle(), 90);

  z->timeEdit()->setValue(15);
  z->timeWrite()->click();
  EXPECT_EQ(c6.damper().checkTime, 15);
  EXPECT_EQ(text(z->checkTime()), "15");

  // 255 goes as it is: the board's factory settings, as "Заводские" sends them.
  z->angleEdit()->setValue(255);
  z->angleWrite()->click();
  EXPECT_EQ(st().WriteKom.b, 255);
  EXPECT_EQ(z->angleEdit()->value(), 255);
  c6.damper().checkTime = 10;
  z->factoryButton()->click();
  EXPECT_EQ(st().WriteKom.Row, 13);
  EXPECT_EQ(st().WriteKom.b, 255);
  EXPECT_EQ(c6.damper().checkTime, 30);
  EXPECT_EQ(text(z->checkTime()), "30");
  EXPECT_EQ(journal, (std::vector<std::string>{"Заслонки УГОЛ=90", "Заслонки УГОЛ=255"}));

  // Three incubators: round the list both ways. Incubator 5 has no board: nothing of 6's block
  // stays on show under its number. Back on 6 its block is there at once.
  z->nextButton()->click();
  EXPECT_EQ(text(z->numberLabel()), "7");
  EXPECT_EQ(z->gaugeAngle(), 0);
  z->nextButton()->click();
  EXPECT_EQ(text(z->numberLabel()), "5");
  EXPECT_EQ(st().nk_Opros, 0);
  EXPECT_EQ(z->windowTitle().toStdString(), "Работа с заслонками -> Инкубатор 5");
  EXPECT_EQ(text(z->r()), "");
  EXPECT_EQ(text(z->measured()), "");
  EXPECT_EQ(z->gaugeAngle(), -1);
  z->prevButton()->click();
  EXPECT_EQ(text(z->numberLabel()), "7");
  z->prevButton()->click();
  EXPECT_EQ(text(z->numberLabel()), "6");
  EXPECT_EQ(text(z->r0()), "14.40 кОм");
}

TEST_F(DamperHall, CalibrationRunsOnTheGaugeAndASilentBoardIsNotShownAsCurrent) {
  open({6}, 0);
  SimController& c = ctl(6);
  c.fitDamper(true);
  c.placeDamper(30);
  z->show();
  runHallMs(2000);
  EXPECT_EQ(z->gaugeAngle(), 30);

  z->calibrateButton()->click();
  EXPECT_EQ(c.counters().calibrations, 1u);
  EXPECT_EQ(st().WriteKom.Row, 21);
  EXPECT_EQ(st().WriteKom.b, 0);
  int low = 90, high = 0;
  for (int i = 0; i < 60; ++i) {
    runHallMs(500);
    low = std::min(low, z->gaugeAngle());
    high = std::max(high, z->gaugeAngle());
  }
  EXPECT_LE(low, 5);
  EXPECT_GE(high, 85);
  EXPECT_EQ(z->gaugeAngle(), 30) << "back at its set angle";
  EXPECT_EQ(text(z->measured()), "30");

  // A write the controller does not confirm is not journalled as done.
  c.options().refusesWrites = true;
  EXPECT_FALSE(z->engine().calibrate());
  c.options().refusesWrites = false;
  EXPECT_EQ(journal, std::vector<std::string>{"Заслонки КАЛИБРОВКА"});

  // The board stops answering its controller: "???" in red, the rest as the controller sends.
  c.damper().answers = false;
  runHallMs(1500);
  EXPECT_EQ(text(z->stateLabel()), "???");
  EXPECT_TRUE(red(z->stateLabel()));
  EXPECT_FALSE(z->mercuryLabel()->isVisibleTo(z.get()));
  EXPECT_EQ(text(z->r0()), "14.40 кОм");
  shoot(*z, "TZaslonkiF-silent.png");

  // An answer too short to carry the block: ZASL keeps old bytes, which are not shown as
  // current and do not move the angle.
  c.damper().answers = true;
  c.options().shortLength = 20;
  c.setDamperAngle(0, nowUs / 1000);
  runHallMs(3000);
  EXPECT_EQ(text(z->stateLabel()), "???");
  EXPECT_EQ(text(z->r()), "");
  EXPECT_EQ(z->gaugeAngle(), -1);
  EXPECT_EQ(st().ugol[0], 30);
  c.options().shortLength = 0;
  runHallMs(1500);
  EXPECT_EQ(text(z->stateLabel()), "на связи");
  EXPECT_LT(z->gaugeAngle(), 30);
}

}  // namespace
}  // namespace vs
