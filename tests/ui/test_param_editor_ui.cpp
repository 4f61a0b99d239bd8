// The parameter editor window and the two choice dialogs: what they show of the tables, the
// step buttons under real mouse events driven by the editor's tick, and what "Запись" and
// "Записать" put into WriteKom.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "app/BusStation.h"
#include "app/ui/AppWindows.h"
#include "app/ui/StationWiring.h"
#include "config/TFile_config.h"
#include "config/Workstation.h"
#include "setpoints/SetpointMap.h"
#include "setpoints/ui/TForm3.h"
#include "setpoints/ui/TForm6.h"
#include "setpoints/ui/TParamWriteF.h"
#include "setpoints/ui/ZonesTab.h"
#include "sim/SimBus.h"
#include "station/Station.h"
#include "station/ui/TForm1.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

void mouse(QWidget* w, QEvent::Type type) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

struct Boxes final : Dialogs {
  std::vector<std::string> messages;
  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string&, const std::string&, bool) override { return Answer::Cancel; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

class ParamWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    config->kol_inkub = 2;
    config->konfig_n[0] = 3;
    config->konfig_n[1] = 5;
    config->konfig_s[0].setUtf8("Инкубатор 3");
    config->konfig_s[1].setUtf8("Выводной 5");
    station = std::make_unique<Station>(*config, clock, std::filesystem::temp_directory_path());
    auto& z = station->ZON[0];
    z[0] = 3830;
    z[1] = 3780;
    z[2] = 3730;
    z[12] = 80;
    z[13] = 3800;
    z[14] = 3790;
    z[22] = static_cast<std::int16_t>(0xBC9E);
    z[19] = 0x0001;
    z[6] = 1;
  }
  std::unique_ptr<TFile_config> config = std::make_unique<TFile_config>();
  ManualClock clock;
  std::unique_ptr<Station> station;
};

TEST_F(ParamWindows, EditorShowsStepsAndWritesItsIncubator) {
  TParamWriteF pw(*station);
  Boxes boxes;
  pw.setDialogs(&boxes);
  std::vector<TWriteCom> written;
  std::vector<std::string> journal;
  pw.editor().writeDialog = [&] {
    written.push_back(station->WriteKom);
    return true;
  };
  pw.editor().journal = [&](const std::string& l) { journal.push_back(l); };
  int closed = 0;
  QObject::connect(&pw, &TParamWriteF::closedEditor, [&] { ++closed; });

  pw.show();
  EXPECT_EQ(pw.windowTitle(), "Настройки аварийных зон и параметров управления -> Инкубатор 3");
  EXPECT_EQ(pw.numberLabel()->text(), "3");
  ASSERT_EQ(pw.pages()->count(), 5);
  EXPECT_EQ(pw.pages()->tabText(3), " Вентиляция ");
  EXPECT_EQ(pw.text(PField::Working)->text(), "37.8");
  EXPECT_EQ(pw.text(PField::Heater)->text(), "80");
  EXPECT_EQ(pw.choice(PField::Sensor)->currentText(), "T2");
  EXPECT_EQ(pw.text(PField::VentPeriod)->text(), "30");
  EXPECT_EQ(pw.choice(PField::VentPeriod)->currentText(), "мин");
  EXPECT_EQ(pw.choice(PField::TraysOn)->currentText(), "Нет(ВЫВОД)");
  shoot(pw, "TParamWriteF.png");

  // Read-only until "Редактировать"; then an answer no longer overwrites the fields.
  EXPECT_FALSE(pw.pages()->widget(0)->isEnabled());
  pw.editButton()->click();
  EXPECT_TRUE(pw.pages()->widget(0)->isEnabled());
  station->ZON[0][1] = 3700;
  pw.editor().ReadBL(0);
  EXPECT_EQ(pw.text(PField::Working)->text(), "37.8");

  // "++" held for 12 ticks: one auto step, and the click of the release one more.
  QPushButton* up = pw.stepButton(PField::Working, 2);
  mouse(up, QEvent::MouseButtonPress);
  for (int t = 0; t < 12; ++t) pw.editor().Timer100();
  EXPECT_EQ(pw.text(PField::Working)->text(), "38.8");
  mouse(up, QEvent::MouseButtonRelease);
  EXPECT_FALSE(pw.editor().kB);
  EXPECT_EQ(pw.text(PField::Working)->text(), "39.8");
  pw.zapis(PField::Working)->click();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].Col, 1);
  EXPECT_EQ(written[0].Row, 1);
  EXPECT_EQ(written[0].b, 3980);
  EXPECT_EQ(written[0].k, 1);

  // What the operator types and chooses is what is written.
  pw.text(PField::VentPeriod)->setText("12");
  pw.choice(PField::VentPeriod)->setCurrentIndex(0);
  pw.zapis(PField::VentPeriod)->click();
  EXPECT_EQ(written.back().Row, 46);
  EXPECT_EQ(written.back().b, 12);
  EXPECT_EQ(written.back().k, 10);
  pw.text(PField::CoolRun)->setText("abc");
  pw.zapis(PField::CoolRun)->click();
  EXPECT_EQ(written.size(), 2u);
  EXPECT_EQ(boxes.messages, std::vector<std::string>{kRefused});
  EXPECT_EQ(journal, std::vector<std::string>{"Рабочая ТЕМП=39.8"});

  // "-->" moves on (the fields stay while editing); closing tells the main window.
  pw.nextButton()->click();
  EXPECT_EQ(pw.numberLabel()->text(), "5");
  EXPECT_EQ(pw.windowTitle(), "Настройки аварийных зон и параметров управления -> Выводной 5");
  pw.close();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(pw.editor().Okno_ParamWrite);
}

TEST_F(ParamWindows, ChoiceDialogsPreselectTheValueAndWriteTheChoice) {
  TWriteCom w{};
  int writes = 0;
  TForm6 f6(w);
  f6.writeDialog = [&] { ++writes; };
  EXPECT_EQ(f6.windowTitle(), "Реакция на аварии");
  QString preselected;
  QTimer::singleShot(0, &f6, [&] {
    for (auto* b : f6.findChildren<QRadioButton*>())
      if (b->isChecked()) preselected = b->text();
    shoot(f6, "TForm6.png");
    f6.choose(5);
    f6.writeButton()->click();
    f6.exitButton()->click();
  });
  f6.openFor(3, 2, 35);
  EXPECT_EQ(preselected, "1.5 мин");
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(w.Col, 2);
  EXPECT_EQ(w.Row, 55);
  EXPECT_EQ(w.b, 5);
  EXPECT_EQ(w.k, 10);

  // A sensor number the choice does not have selects nothing, and nothing is written.
  TForm3 f3(w);
  f3.writeDialog = [&] { ++writes; };
  EXPECT_EQ(f3.windowTitle(), "Выбор датчика Т?");
  QTimer::singleShot(0, &f3, [&] {
    EXPECT_EQ(f3.chosen(), -1);
    f3.writeButton()->click();
    f3.choose(2);
    shoot(f3, "TForm3.png");
    f3.writeButton()->click();
    f3.exitButton()->click();
  });
  f3.openFor(7, 1, 7);
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(w.Col, 1);
  EXPECT_EQ(w.Row, 6);
  EXPECT_EQ(w.b, 2);
  EXPECT_EQ(w.k, 1);
}

// The assembled program on a simulated hall: the toolbar button opens and closes the editor,
// which follows the answers only while it is open; the ventilation rows of "Зоны" open it
// modally on its ventilation page.
TEST(ParamEditorInTheProgram, ToolbarButtonAndZonesRowsOpenItAndAnswersReachIt) {
  constexpr double kStart = 46000.25;
  testing::ScratchInstall dir;
  ManualClock clock{kStart};
  SimBus sim;
  for (std::uint8_t a : {4, 9}) sim.addController(a);
  testing::writeHallConfig(dir.home / "config.cfg", {4, 9});
  // The current incubator, shared with the detail window, is kept in the settings file.
  testing::writeIni(dir.home / "Vetrostan.INI", {"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]",
                                                 "RUN_WIN=0", "[inkub]", "nk_Opros=0"});
  auto ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
  ws->message = [](const std::string&) {};
  auto bus = std::make_unique<BusStation>(*ws, sim);
  AppWindows w = createWindows(*ws, false, appLinks(*bus));
  connectStation(w, *bus);
  std::int64_t nowUs = 0;
  auto run = [&](std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); };
  ASSERT_NE(w.paramWriteF, nullptr);
  ASSERT_NE(w.form3, nullptr);
  ASSERT_NE(w.form6, nullptr);
  TParamWriteF* pw = w.paramWriteF;
  QToolButton* button = w.form1->paramButton();

  button->click();
  EXPECT_TRUE(pw->isVisible());
  sim.controller(4)->setZon(13, 3850);
  run(3000);
  EXPECT_EQ(pw->text(PField::CoolOn)->text(), "38.5");
  EXPECT_EQ(pw->windowTitle(), "Настройки аварийных зон и параметров управления -> " +
                                   QString::fromStdString(testing::hallName(4)));

  // Closed: the button goes up and answers no longer reach the fields.
  pw->close();
  EXPECT_FALSE(button->isChecked());
  sim.controller(4)->setZon(13, 3900);
  run(3000);
  EXPECT_EQ(pw->text(PField::CoolOn)->text(), "38.5");

  // "Вентиляция период" in "Зоны": the editor, modal, on " Вентиляция ", fresh values.
  bool modal = false;
  int page = -1;
  QString coolOn;
  QTimer::singleShot(0, pw, [&] {
    modal = pw->isModal() && pw->isVisible();
    page = pw->pages()->currentIndex();
    coolOn = pw->text(PField::CoolOn)->text();
    pw->close();
  });
  w.form1->zonesTab()->zonTDblClick(24, 0);
  EXPECT_TRUE(modal);
  EXPECT_EQ(page, 3);
  EXPECT_EQ(coolOn, "39");

  w.form1.reset();
  bus.reset();
}

}  // namespace
}  // namespace vs
