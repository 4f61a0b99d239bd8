// The four-line hub seen from the windows: the adapter window's box switches the settings tab's
// "Линия (1..4)" column at once, "Запомнить!" downloads the table with its check byte saved,
// and a plant larger than the hub's table is warned about.
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>

#include "bus/ui/TForm100.h"
#include "config/ui/SettingsTab.h"
#include "station/Hub4RS485.h"
#include "tests/test_config_tempdir.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

struct HubWindows : HallProgram {};

TEST_F(HubWindows, TheBoxTheLineColumnAndRememberWorkTogether) {
  SimHub& hub = sim.addHub();
  startProgram({5, 85, 170}, {"[UST]", "RS485_4=1"}, [](TFile_config& c) {
    for (std::size_t r = 0; r < 3; ++r) c.konfig_linia[r] = static_cast<std::uint8_t>(r + 1);
  });
  for (std::uint8_t a : {5, 85, 170}) {
    ctl(a).hubLine = a == 5 ? 1 : a == 85 ? 2 : 3;
    hub.setRoute(a, ctl(a).hubLine);
  }
  SettingsTab* tab = w.form1->settingsTab();
  ASSERT_NE(w.form100, nullptr);
  EXPECT_EQ(tab->stringGrid2()->columnCount(), 4);

  // The box in the adapter window: the column goes and comes back without a restart.
  w.form100->rs485Box()->click();
  EXPECT_FALSE(bus->link.RS485_4);
  EXPECT_EQ(tab->stringGrid2()->columnCount(), 3);
  w.form100->rs485Box()->click();
  EXPECT_EQ(tab->stringGrid2()->columnCount(), 4);
  EXPECT_EQ(tab->stringGrid2()->horizontalHeaderItem(3)->text(), "Линия (1..4)");

  runHallMs(1000);
  // 170 moves to line 4 on paper: "Запомнить!" sends the table at the next 100 ms tick and
  // the saved configuration keeps its check byte.
  tab->cellEdited(3, 3, "4");
  ASSERT_TRUE(tab->remember());
  runHallMs(200);
  EXPECT_EQ(hub.downloads, 1);
  EXPECT_EQ(hub.lastTable[124], 0x84);
  const std::uint8_t crc = hubTable(ws->store.config).back();
  EXPECT_EQ(ws->store.config.konfig_crc, crc);
  const std::string saved = fileBytes(dir.home / "config.cfg");
  ASSERT_EQ(saved.size(), sizeof(TFile_config));
  EXPECT_EQ(static_cast<std::uint8_t>(saved[offsetof(TFile_config, konfig_crc)]), crc);
  EXPECT_TRUE(tab->statusLabel()->isVisibleTo(tab));
  EXPECT_TRUE(tab->statusLabel()->text().startsWith("Принято CRC("));
  EXPECT_FALSE(tab->hubWarning()->isVisibleTo(tab));

  // A plant of 130 taken in from a file: only 120 fit the hub's table.
  std::vector<std::uint8_t> many;
  for (int a = 1; a <= 130; ++a) many.push_back(static_cast<std::uint8_t>(a));
  writeHallConfig(dir.home / "big.cfg", many);
  ASSERT_TRUE(tab->openCfg(QString::fromStdString((dir.home / "big.cfg").string())));
  EXPECT_TRUE(tab->hubWarning()->isVisibleTo(tab));
  EXPECT_EQ(tab->hubWarning()->text(), SettingsTab::kHubLimitWarning);
  w.form100->rs485Box()->click();
  EXPECT_FALSE(tab->hubWarning()->isVisibleTo(tab));
}

}  // namespace
}  // namespace vs::testing
