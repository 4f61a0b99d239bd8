// The detail window over the simulated hall: it is opened from the main window, follows only
// the answers of the incubator it shows, navigates with wrap-around, and its double-clicks go
// through the write engine to the controller. Colours are read back from the drawn window.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/SettingsFile.h"
#include "setpoints/ui/TNastrDF.h"
#include "setpoints/ui/TParamWriteF.h"
#include "station/ui/TForm9.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {


struct Boxes final : Dialogs {
  std::deque<std::string> inputs;
  std::vector<std::string> prompts, messages;
  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string&, const std::string&, bool) override { return Answer::No; }
  std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                   const std::string& text) override {
    prompts.push_back(title + "|" + prompt + "|" + text);
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
};

struct TForm9Hall : testing::HallProgram {
  Boxes boxes;

  void start(const std::vector<std::uint8_t>& addresses) {
    // Text colours of the font classes: red above the zone, green within, blue below.
    startProgram(addresses, {"[UST]", "FON1_Color=255", "FON2_Color=32768", "FON3_Color=16711680",
                             "[inkub]", "nk_Opros=2"});
    w.form1->show();
    f9().setDialogs(&boxes);
    // The write dialog's activation starts the cycle; the modal box itself is not needed here.
    f9().hooks.writeDialog = [this] { bus->writer.activate(); };
  }
  // Virtual time in 500 ms steps, the detail window's timer after each.
  void runMs(std::int64_t ms) {
    for (std::int64_t done = 0; done < ms; done += 500) {
      runHallMs(500);
      f9().Timer();
    }
  }

  TForm9& f9() { return *w.form9; }
  QString text(const char* name) { return f9().label(name)->text(); }
  QColor bg(const char* name) { return f9().label(name)->palette().color(QPalette::Window); }
  // Pixels of a label, as drawn in the window, whose red (or blue) clearly leads.
  int inked(const char* name, int channel) {
    const QImage img = f9().grab().toImage();
    const QRect r = f9().label(name)->geometry();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor c = img.pixelColor(x, y);
        const int v[3] = {c.red(), c.green(), c.blue()};
        if (v[channel] > 90 && v[(channel + 1) % 3] * 2 < v[channel] &&
            v[(channel + 2) % 3] * 2 < v[channel])
          ++n;
      }
    return n;
  }
};

// Three incubators, the window starting on the third (nk_Opros = 2 in the settings file).
TEST_F(TForm9Hall, FollowsItsIncubatorNavigatesColoursAndWritesThroughTheBus) {
  start({5, 85, 170});
  ctl(170).setSensorFault(1, true);  // T1 and the humidity sensor lost
  ctl(170).setZon(6, 1);             // working sensor T2
  ctl(170).setC1((1u << 2) | (1u << 11) | (1u << 0) | (1u << 6));
  ctl(170).setAlarmBits(1u << 5);
  runMs(3000);

  // Opened from the main window: the number, the caption and the values of row 2.
  w.form1->detailButton()->setChecked(true);
  ASSERT_TRUE(f9().isVisible());
  EXPECT_TRUE(w.form1->isVisible()) << "the window's own toggle starts pressed";
  EXPECT_EQ(f9().numberLabel()->text(), "170");
  EXPECT_EQ(f9().windowTitle(), "Инкубатор 170");
  EXPECT_EQ(text("T1"), "--.--");
  EXPECT_EQ(text("humidity"), "--");
  EXPECT_EQ(text("T2"), QString::fromStdString(formatFixed2(st().T2k[2])));
  EXPECT_NE(text("T3"), "--.--");
  EXPECT_EQ(text("leftGlyph"), "\\");
  EXPECT_EQ(text("rightGlyph"), "");
  EXPECT_FALSE(f9().humIndicator()->isHidden());
  // Working sensor T2 with C1 bit 11: bounds beside T2, only its caption coloured.
  EXPECT_EQ(f9().label("upper")->y(), 142);
  EXPECT_EQ(f9().label("lower")->y(), 197);
  EXPECT_EQ(bg("T2caption"), QColor(Qt::red));
  EXPECT_EQ(bg("T1caption"), f9().palette().color(QPalette::Window));
  EXPECT_EQ(bg("T3caption"), f9().palette().color(QPalette::Window));

  // Lamps run forward one step per tick; the pictogram of bit 5 shows, the others not.
  int yellowSeen = 0;
  for (int tick = 0; tick < 4; ++tick) {
    f9().Timer();
    for (int i = 0; i < 4; ++i)
      if (f9().lamps()[static_cast<std::size_t>(i)]->palette().color(QPalette::Window) ==
          QColor(Qt::yellow))
        yellowSeen |= 1 << i;
  }
  EXPECT_EQ(yellowSeen, 0xF);
  EXPECT_FALSE(f9().pictograms()[1]->isHidden()) << "bit 5";
  EXPECT_TRUE(f9().pictograms()[0]->isHidden()) << "bit 4";

  // Answers of the others do not touch the window.
  ctl(5).setT1(2000);
  ctl(85).setT1(2100);
  runMs(3000);
  EXPECT_EQ(text("T1"), "--.--");
  EXPECT_EQ(f9().windowTitle(), "Инкубатор 170");

  // Next from the last is the first; its T1 one hundredth above the upper bound is red.
  const int offset = st().T1k[0] - st().T1[0];
  ctl(5).setT1(st().ZON_[0][0] + 1 - offset);
  runMs(3000);
  f9().nextButton()->click();
  EXPECT_EQ(f9().nk_Opros(), 0);
  EXPECT_EQ(f9().numberLabel()->text(), "5");
  EXPECT_EQ(text("T1"), QString::fromStdString(formatFixed2(st().ZON_[0][0] + 1)));
  EXPECT_EQ(f9().view().c1_FONT[0], 1);
  EXPECT_TRUE(f9().pictograms()[1]->isHidden()) << "incubator 5 has no alarm of bit 5";
  EXPECT_GT(inked("T1", 0), 20) << "above the zone: red";
  EXPECT_EQ(inked("T1", 2), 0);
  f9().prevButton()->click();
  EXPECT_EQ(f9().nk_Opros(), 2);

  // The parameter editor and the configuration window open on the incubator shown here, and
  // moving there moves the detail window too: one current incubator for all three.
  w.form1->paramButton()->setChecked(true);
  EXPECT_EQ(w.paramWriteF->numberLabel()->text(), f9().numberLabel()->text());
  w.form1->actionAutomation()->trigger();
  EXPECT_EQ(w.nastrDF->numberLabel()->text(), f9().numberLabel()->text());
  w.nastrDF->close();
  w.paramWriteF->editor().prev();
  EXPECT_EQ(f9().nk_Opros(), 1);
  w.paramWriteF->editor().next();
  w.form1->paramButton()->setChecked(false);

  // Double-click on the upper bound: the query, then the write and its check on the bus.
  boxes.inputs = {"38.25"};
  f9().doubleClicked(f9().label("upper"));
  ASSERT_EQ(boxes.prompts.size(), 1u);
  EXPECT_EQ(boxes.prompts[0], "Изменение уставок|Верхняя Темп.|" + formatFixed2(st().ZON[2][0]));
  EXPECT_EQ(st().WriteKom.Col, 3);
  runMs(6000);
  EXPECT_EQ(st().ZON[2][0], 3825);
  EXPECT_EQ(text("upper"), "38.25");
  // A text that is not a number writes nothing.
  boxes.inputs = {"38,x"};
  f9().doubleClicked(f9().label("humLow"));
  EXPECT_EQ(boxes.messages, std::vector<std::string>{"Недопустимый символ! Не выполнено."});

  // A double-click on the pictogram resets the alarms; the pictogram goes on the first tick
  // after the answer that no longer has the bit.
  f9().doubleClicked(f9().pictograms()[1]);
  runMs(3000);
  EXPECT_TRUE(f9().pictograms()[1]->isHidden());

  // The copy of the link indicator, and the main window hidden and shown again.
  st().hooks.usbNo(true);
  EXPECT_FALSE(f9().usbNoLabel()->isHidden());
  EXPECT_EQ(f9().usbNoLabel()->text(), "USB не работает");
  f9().mainToggle()->click();
  EXPECT_FALSE(w.form1->isVisible());
  EXPECT_TRUE(f9().isVisible());

  // Closing shows the main window, releases its button and keeps nk_Opros.
  f9().close();
  EXPECT_TRUE(w.form1->isVisible());
  EXPECT_FALSE(w.form1->detailButton()->isChecked());
  EXPECT_FALSE(f9().isVisible());
  IniFile ini;
  ASSERT_TRUE(ini.load(ws->iniPath()));
  EXPECT_EQ(ini.readInt("inkub", "nk_Opros", -1), 2);

  // Left open when the program ends, it is closed first and its incubator is kept beside the
  // settings the shut-down writes.
  w.form1->detailButton()->setChecked(true);
  f9().nextButton()->click();
  w.form1->close();
  IniFile after;
  ASSERT_TRUE(after.load(ws->iniPath()));
  EXPECT_EQ(after.readInt("inkub", "nk_Opros", -1), 0);
  EXPECT_EQ(after.readInt("UST", "FON1_Color", -1), 255);
}

}  // namespace
}  // namespace vs
