// A configuration saved from the windows comes back at the next start as it was saved, odd
// values and all, and the same hall is polled: a line beyond the hub's four, a line above 127
// and a program start before 1899 are an operator's typing, not a reason to blank the hall.
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QPushButton>
#include <QTableWidget>

#include "bus/ui/TForm100.h"
#include "common/DateTime.h"
#include "config/ConfigStore.h"
#include "config/ui/SettingsTab.h"
#include "programs/ui/ProgramPanel.h"
#include "programs/ui/TForm2.h"
#include "tests/test_config_tempdir.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

struct ConfigRestart : HallProgram {
  std::vector<std::string> said;

  // Ends the program as it ends, then starts it again on the same working folder and hall.
  void restart() {
    ws->shutDown();
    w.form1.reset();
    w = AppWindows{};
    bus.reset();
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { said.push_back(m); };
    bus = std::make_unique<BusStation>(*ws, sim);
    w = createWindows(*ws, false, appLinks(*bus));
    connectStation(w, *bus);
  }
  bool allAnswered() {
    for (std::size_t n = 0; n < 3; ++n)
      if (!st().zvukON1[n]) return false;
    return true;
  }
};

TEST_F(ConfigRestart, OddLinesAndAnEarlyStartSavedFromTheWindowsPollTheSameHallAfterARestart) {
  startProgram({5, 6, 7}, {"[UST]", "RS485_4=1"}, [](TFile_config& c) {
    for (std::size_t r = 0; r < 3; ++r) c.konfig_linia[r] = static_cast<std::uint8_t>(r + 1);
    c.konfig_s[2].setUtf8("Выводной");
  });
  ws->message = [this](const std::string& m) { said.push_back(m); };

  // A start on 01.01.1800 08:00 through the program window's picker, kept with its question.
  ASSERT_NE(w.form2, nullptr);
  w.form2->question = [](const QString&, const QString&) { return true; };
  w.form2->message = [](const QString&) {};
  w.form2->openFor(2);
  ProgramPanel& panel = *w.form2->programs();
  panel.editButton()->click();
  panel.startDate()->setDate(QDate(1800, 1, 1));
  ASSERT_EQ(panel.startDate()->date(), QDate(1800, 1, 1)) << "the picker allows it";
  panel.release();
  const TDateTime early = ws->store.config.N_DateTime[2];
  EXPECT_EQ(decodeDateTime(early).year, 1800);

  // Lines 5 and 133 typed into the list and remembered.
  SettingsTab* tab = w.form1->settingsTab();
  tab->refresh();
  tab->cellEdited(1, 3, "5");
  tab->cellEdited(2, 3, "133");
  ASSERT_TRUE(tab->remember());
  runHallMs(1500);  // the scheduler's pass saves the day count as well
  // The hall is then run without the hub (no simulated hub sits on this line), so that every
  // controller can answer whatever line the configuration names.
  ASSERT_NE(w.form100, nullptr);
  w.form100->rs485Box()->click();
  ASSERT_FALSE(bus->link.RS485_4);
  const std::string saved = fileBytes(dir.home / "config.cfg");
  ASSERT_EQ(saved.size(), sizeof(TFile_config));
  EXPECT_EQ(fileBytes(dir.registry / "config"), saved);

  said.clear();
  restart();
  EXPECT_FALSE(ws->store.held());
  const TFile_config& c = ws->store.config;
  EXPECT_EQ(c.kol_inkub, 3);
  EXPECT_EQ(c.konfig_linia[0], 5);
  EXPECT_EQ(c.konfig_linia[1], 133);
  EXPECT_EQ(c.konfig_linia[2], 3);
  EXPECT_EQ(c.N_DateTime[2], early);
  EXPECT_EQ(c.konfig_s[2].utf8(), "Выводной");
  // The list shows what was saved, once the hub's column is there.
  SettingsTab* list = w.form1->settingsTab();
  list->setHub(true);
  EXPECT_EQ(list->stringGrid2()->item(0, 3)->text(), "5");
  EXPECT_EQ(list->stringGrid2()->item(1, 3)->text(), "133");
  list->setHub(false);

  std::vector<std::uint64_t> before;
  for (std::uint8_t a : {5, 6, 7}) before.push_back(ctl(a).counters().answers);
  runHallMs(3000);
  EXPECT_TRUE(allAnswered());
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_GT(ctl(static_cast<std::uint8_t>(5 + i)).counters().answers, before[i]) << i;
  // Taken without a word to the operator; the journal names the odd lines once.
  EXPECT_TRUE(said.empty()) << (said.empty() ? "" : said.front());
  const std::string journal = dir.journal();
  EXPECT_NE(journal.find("konfig_linia[0] = 5 (линия вне 0..4); konfig_linia[1] = 133"),
            std::string::npos);
  EXPECT_EQ(journal.find("пустая конфигурация"), std::string::npos);
  // And the copies are the ones saved, apart from what the scheduler keeps up to date.
  const std::string now = fileBytes(dir.home / "config.cfg");
  EXPECT_EQ(now.substr(offsetof(TFile_config, konfig_linia), 3),
            saved.substr(offsetof(TFile_config, konfig_linia), 3));
}

}  // namespace
}  // namespace vs::testing
