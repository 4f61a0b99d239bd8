// The mimic view as the program wires it: the demo hall's picture opened from the main window,
// its sensors following the answers of the simulated hall, a double click opening the program
// window of that incubator, and its buttons moving every open window of the current incubator.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "boards/ui/TZaslonkiF.h"
#include "mimic/DispetchView.h"
#include "mimic/ui/DemoMimic.h"
#include "mimic/ui/TDispetch.h"
#include "programs/ui/TForm2.h"
#include "setpoints/SetpointEdit.h"
#include "setpoints/ui/TNastrDF.h"
#include "setpoints/ui/TParamWriteF.h"
#include "station/ui/TForm9.h"
#include "tests/hall_time.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

struct NoDialogs final : Dialogs {
  void message(const std::string&) override {}
  Answer question(const std::string&, const std::string&, bool) override { return Answer::No; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

TEST_F(HallProgram, MimicViewFollowsTheHallAndOpensTheIncubatorsWindows) {
  ASSERT_TRUE(prepareDemoMimic(dir.home));
  startProgram({1, 2, 3}, {});
  ctl(2).setT1(3791);
  ASSERT_NE(w.dispetch, nullptr);
  w.form1->hooks.mimicView();
  ASSERT_TRUE(w.dispetch->isVisible());
  runHallMs(3000);

  DispetchView& v = w.dispetch->view();
  bool shown = false;
  const auto& sensors = v.elements(MimicKind::Sensor);
  for (int i = 0; i < static_cast<int>(sensors.size()); ++i)
    if (v.incubatorOf(v.record(MimicKind::Sensor, i)) == 2 &&
        sensors[static_cast<std::size_t>(i)].text == "37.91")
      shown = true;
  EXPECT_TRUE(shown) << "incubator 2's T1 on its panel";

  // A double click on incubator 2's panel opens its program window.
  const auto& panels = v.elements(MimicKind::Panel);
  for (int i = 0; i < static_cast<int>(panels.size()); ++i) {
    if (v.incubatorOf(v.record(MimicKind::Panel, i)) != 2) continue;
    NoDialogs none;
    v.doubleClick(MimicKind::Panel, i, false, none);
    break;
  }
  ASSERT_NE(w.form2, nullptr);
  EXPECT_TRUE(w.form2->isVisible());
}

// A panel of incubator `n` (1-based) pressed: it becomes the mimic's clicked incubator.
void pressPanelOf(DispetchView& v, int n) {
  const auto& panels = v.elements(MimicKind::Panel);
  for (int i = 0; i < static_cast<int>(panels.size()); ++i)
    if (v.incubatorOf(v.record(MimicKind::Panel, i)) == n) return v.press(MimicKind::Panel, i);
  ADD_FAILURE() << "no panel of incubator " << n;
}

// The editor open on incubator 1 with a value typed under "Редактировать"; the mimic's
// "Настройки аварийных зон и параметров управления" on incubator 3 moves it, and every other
// open window of the current incubator, to 3 at once: caption, number, fields, the edit
// toggle up. "Запись" then sends 3's value to 3's address, and nothing reaches incubator 1.
TEST_F(HallProgram, MimicButtonsMoveEveryOpenWindowOfTheCurrentIncubator) {
  ASSERT_TRUE(prepareDemoMimic(dir.home));
  startProgram({4, 9, 12}, {"[inkub]", "nk_Opros=0"});
  ASSERT_TRUE(w.dispetch && w.paramWriteF && w.nastrDF && w.zaslonkiF && w.form9);
  struct Write {
    std::uint8_t to;
    std::vector<std::uint8_t> data;
  };
  std::vector<Write> writes;
  auto send = st().hooks.send;
  st().hooks.send = [&writes, send](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                                    std::uint8_t len) {
    if (kadr == 101) writes.push_back({pol, std::vector<std::uint8_t>(d, d + len)});
    send(pol, kadr, d, len);
  };
  ctl(4).setZon(13, 3600);
  ctl(12).setZon(13, 3850);
  TParamWriteF* pw = w.paramWriteF;
  pw->editor().writeDialog = [this] {
    return testing::runWriteDialog(nowUs, kStart, sim, clock, *bus);
  };
  w.form1->paramButton()->click();
  w.nastrDF->show();
  w.zaslonkiF->show();
  w.form9->showDetail();
  w.form1->hooks.mimicView();
  runHallMs(3000);
  const QString caption = QString::fromUtf8(kParamCaption) + " -> ";
  ASSERT_EQ(pw->windowTitle(), caption + QString::fromStdString(hallName(4)));
  ASSERT_EQ(pw->text(PField::CoolOn)->text(), "36");
  pw->editButton()->click();
  w.nastrDF->editButton()->click();
  pw->text(PField::CoolOn)->setText("39.9");

  pressPanelOf(w.dispetch->view(), 3);
  w.dispetch->paramButton()->click();
  EXPECT_EQ(st().nk_Opros, 2);
  EXPECT_EQ(pw->windowTitle(), caption + QString::fromStdString(hallName(12)));
  EXPECT_EQ(pw->numberLabel()->text(), "12");
  EXPECT_EQ(pw->text(PField::CoolOn)->text(), "38.5");
  EXPECT_FALSE(pw->editButton()->isChecked());
  EXPECT_FALSE(pw->pages()->currentWidget()->isEnabled());
  // The configuration, damper and detail windows follow too.
  EXPECT_FALSE(w.nastrDF->editButton()->isChecked());
  EXPECT_TRUE(w.nastrDF->windowTitle().endsWith(QString::fromStdString(hallName(12))));
  EXPECT_EQ(w.nastrDF->numberLabel()->text(), "12");
  EXPECT_EQ(w.zaslonkiF->numberLabel()->text(), "12");
  EXPECT_TRUE(w.zaslonkiF->windowTitle().endsWith(QString::fromStdString(hallName(12))));
  EXPECT_EQ(w.form9->numberLabel()->text(), "12");

  // Answers of incubator 3 keep reaching the fields; the write goes to 3 with 3's value.
  ctl(12).setZon(13, 3870);
  runHallMs(3000);
  EXPECT_EQ(pw->text(PField::CoolOn)->text(), "38.7");
  pw->editButton()->click();
  pw->zapis(PField::CoolOn)->click();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].to, 12);
  EXPECT_EQ(writes[0].data, (std::vector<std::uint8_t>{5, 1, 13, 0x1E, 0x0F, 0}));  // 3870
  EXPECT_EQ(ctl(4).zon(13), 3600);

  // "Заслонки" of the mimic on incubator 2 moves them again.
  pressPanelOf(w.dispetch->view(), 3);  // unpins
  pressPanelOf(w.dispetch->view(), 2);
  w.dispetch->damperButton()->click();
  EXPECT_EQ(w.zaslonkiF->numberLabel()->text(), "9");
  EXPECT_EQ(pw->numberLabel()->text(), "9");
  EXPECT_FALSE(pw->editButton()->isChecked());
}

}  // namespace
}  // namespace vs::testing
