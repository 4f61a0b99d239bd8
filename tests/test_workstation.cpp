// Start-up and shut-down of the workstation on a scratch installation, and the window order.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/WindowOrder.h"
#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

struct Started {
  ScratchInstall dir;
  ManualClock clock{46000.5};
  std::vector<std::string> messages;
  std::unique_ptr<Workstation> ws;

  Workstation& make() {
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    return *ws;
  }
};

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TEST(WorkstationStartUp, FirstStartOnACleanMachineCreatesBothCopiesWithOneIncubator) {
  Started s;
  Workstation& ws = s.make();
  ws.startUp();

  const std::string file = ScratchInstall::read(s.dir.home / "config.cfg");
  ASSERT_EQ(file.size(), sizeof(TFile_config));
  EXPECT_EQ(static_cast<unsigned char>(file[0]), 1u);  // kol_inkub
  EXPECT_EQ(ScratchInstall::read(ws.store.registryFile()), file);
  EXPECT_EQ(ws.store.config.kol_inkub, 1);
  EXPECT_EQ(ws.store.config.konfig_n[0], 0);
  EXPECT_EQ(ws.store.config.konfig_o[0], 0);
  EXPECT_EQ(ws.countSpin, 1);
  // Defaults of a missing settings file.
  EXPECT_EQ(ws.kol_t(), 2);
  EXPECT_EQ(ws.settings.Opros_period, 1);
  EXPECT_EQ(ws.settings.ServerP, 0);
  EXPECT_EQ(count(s.dir.journal(), "программа Запущена"), 1u);
  // The start-up creates none of the data folders.
  EXPECT_FALSE(fs::exists(s.dir.home / "rezim"));
  EXPECT_FALSE(fs::exists(s.dir.home / "file"));
  EXPECT_TRUE(s.messages.empty());

  EXPECT_TRUE(ws.shutDown());
  EXPECT_EQ(count(s.dir.journal(), "программа ЗАКРЫТА!"), 1u);
  EXPECT_TRUE(fs::exists(ws.iniPath()));
  EXPECT_EQ(ws.iniPath().filename(), "Vetrostan.INI");
}

TEST(WorkstationStartUp, HooksRunInTheStartUpOrderWithTheirDataInPlace) {
  Started s;
  ScratchInstall::write(s.dir.home / "Vetrostan.INI", "[UST]\r\nOpros_period=7\r\n");
  Workstation& ws = s.make();
  std::vector<std::string> order;
  ws.onResetFlags.push_back([&] {
    order.push_back("flags");
    EXPECT_EQ(ws.settings.Opros_period, 1);  // not read yet
  });
  ws.onSettingsRead.push_back([&] {
    order.push_back("settings");
    EXPECT_EQ(ws.settings.Opros_period, 7);
    EXPECT_EQ(ws.store.config.kol_inkub, 0);  // configuration not loaded yet
  });
  ws.onConfigRead.push_back([&] {
    order.push_back("config");
    EXPECT_EQ(ws.store.config.kol_inkub, 1);
  });
  ws.onResetTables.push_back([&] { order.push_back("tables"); });
  ws.afterStartUp.push_back([&] {
    order.push_back("after");
    EXPECT_EQ(count(s.dir.journal(), "программа Запущена"), 1u);
  });
  ws.beforeShutDown.push_back([&] {
    order.push_back("shutdown");
    EXPECT_EQ(count(s.dir.journal(), "программа ЗАКРЫТА!"), 1u);  // journal line comes first
  });

  EXPECT_TRUE(ws.shutDown());  // before the start-up: nothing to do
  EXPECT_TRUE(order.empty());
  ws.startUp();
  ws.startUp();
  ws.shutDown();
  ws.shutDown();
  EXPECT_EQ(order, (std::vector<std::string>{"flags", "settings", "config", "tables", "after",
                                             "shutdown"}));
  const std::string j = s.dir.journal();
  EXPECT_EQ(count(j, "программа Запущена"), 1u);
  EXPECT_EQ(count(j, "программа ЗАКРЫТА!"), 1u);
  EXPECT_LT(j.find("программа Запущена"), j.find("программа ЗАКРЫТА!"));
}

TEST(WorkstationShutDown, EveryShutDownKeyIsReadBackAtTheNextStartUp) {
  Started first;
  Workstation& ws = first.make();
  ws.startUp();
  // What the windows would put into the settings while the program runs.
  ws.beforeShutDown.push_back([&] {
    Settings& st = ws.settings;
    st.knT = {true, false, true, true};
    st.pripusk = false;
    st.RS485_4 = true;
    st.FON[2] = FontClass{0x0000FF00u, 14, 1 | 4, "DejaVu Sans"};
    st.FON[3].name = "Курсив";
    st.tableW = {150, 60, 61, 62, 63, 64, 65, 66};
    st.tableDefaultRowHeight = 44;
    st.ServerP = 2;
    st.formLeft = 10, st.formTop = 20, st.formWidth = 1000, st.formHeight = 640;
    st.zvuk[0] = "влажн.mp3";
    st.zvuk[10] = "мотор.mp3";
    st.Opros_period = 9;
    st.usbCom = 2;
    st.otlad = 85;
    st.usbSerialNumber = "FT12AB";
    // A general setting changed without closing its window is not stored at shut-down.
    st.KOL_T = 0;
  });
  ws.countSpin = 1;
  ASSERT_TRUE(ws.shutDown());
  const Settings saved = ws.settings;

  Workstation again(first.dir.home, first.clock, first.dir.registry);
  again.startUp();
  const Settings& st = again.settings;
  EXPECT_EQ(st.knT, saved.knT);
  EXPECT_EQ(st.pripusk, false);
  EXPECT_EQ(st.RS485_4, true);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(st.FON[i].color, saved.FON[i].color) << i;
    EXPECT_EQ(st.FON[i].size, saved.FON[i].size) << i;
    EXPECT_EQ(st.FON[i].style, saved.FON[i].style) << i;
    EXPECT_EQ(st.FON[i].name, saved.FON[i].name) << i;
  }
  // The table had six columns (KOL_T 0 in memory): columns 6 and 7 give the default width.
  EXPECT_EQ(st.tableW, (std::array<int, 8>{150, 60, 61, 62, 63, 64, 200, 200}));
  EXPECT_EQ(st.tableDefaultColWidth, 60);  // "Table_w1" is column 1's width when stored
  EXPECT_EQ(st.tableDefaultRowHeight, 44);
  EXPECT_EQ(st.ServerP, 2);
  EXPECT_EQ(st.formLeft, 10);
  EXPECT_EQ(st.formTop, 20);
  EXPECT_EQ(st.formWidth, 1000);
  EXPECT_EQ(st.formHeight, 640);
  EXPECT_EQ(st.zvuk, saved.zvuk);
  EXPECT_EQ(st.Opros_period, 9);
  EXPECT_EQ(st.usbCom, 2);
  EXPECT_EQ(st.otlad, 85);
  EXPECT_EQ(st.usbSerialNumber, "FT12AB");
  EXPECT_EQ(st.inkubKol, 1);
  EXPECT_EQ(st.KOL_T, 3);
}

TEST(WorkstationShutDown, AnUnwritableSettingsFileIsReportedNotPassedOver) {
  Started s;
  Workstation& ws = s.make();
  ws.startUp();
  fs::create_directories(ws.iniPath());  // a folder where the file should be
  EXPECT_FALSE(ws.shutDown());
  ASSERT_EQ(s.messages.size(), 1u);
  EXPECT_NE(s.messages[0].find("Vetrostan.INI"), std::string::npos);
  // The journal still records the end of the run.
  EXPECT_EQ(count(s.dir.journal(), "программа ЗАКРЫТА!"), 1u);
}

TEST(WorkstationStartUp, CountSpinShowsAtMostAHundredOfALargerConfiguration) {
  Started s;
  TFile_config big{};
  big.kol_inkub = 130;
  big.konfig_INK[3] = 1;
  big.konfig_finkub[3].setUtf8("prog.ink");
  ScratchInstall::write(s.dir.home / "config.cfg",
                        std::string(reinterpret_cast<const char*>(&big), sizeof big));
  TFile_INKconfig prog{};
  prog.kol = 2;
  prog.nDen[0] = 1;
  prog.nDen[1] = 21;
  ScratchInstall::write(s.dir.home / "rezim" / "prog.ink",
                        std::string(reinterpret_cast<const char*>(&prog), sizeof prog));
  Workstation& ws = s.make();
  ws.startUp();
  EXPECT_EQ(ws.store.config.kol_inkub, 130);
  EXPECT_EQ(ws.countSpin, 100);
  // The programs of rows with automatic incubation are loaded by the start-up.
  EXPECT_EQ(ws.store.config.konfig_DenKON[3], 21);
  ws.shutDown();
  IniFile ini;
  ASSERT_TRUE(ini.load(ws.iniPath()));
  EXPECT_EQ(ini.readInt("Inkub", "kol", -1), 100);
}

TEST(WorkstationSettings, ReloadAndNastrGoThroughTheSettingsFile) {
  Started s;
  Workstation& ws = s.make();
  int shown = 0;
  ws.onSettingsRead.push_back([&] { ++shown; });
  ws.startUp();
  ws.settings.KOL_T = 1;
  ws.settings.Help = 1;
  ASSERT_TRUE(ws.saveNastr());
  ScratchInstall::write(ws.iniPath(),
                        ScratchInstall::read(ws.iniPath()) + "[Form]\r\nWidth=1234\r\n");
  ws.reloadSettings();
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(ws.settings.formWidth, 1234);
  EXPECT_EQ(ws.settings.KOL_T, 1);
  EXPECT_EQ(ws.settings.Help, 1);
}

TEST(WindowOrder, MainWindowFirstAndEveryNameOnce) {
  EXPECT_EQ(kWindowOrder.front(), "TForm1");
  std::set<std::string_view> names(kWindowOrder.begin(), kWindowOrder.end());
  EXPECT_EQ(names.size(), kWindowOrder.size());
  EXPECT_LT(windowRank("TForm4"), windowRank("TFormUST"));
  EXPECT_LT(windowRank("TFormUST"), windowRank("TForm100"));
  EXPECT_LT(windowRank("TForm100"), windowRank("TForm14"));
  EXPECT_LT(windowRank("TForm14"), windowRank("TForm15"));
  EXPECT_EQ(windowRank("TForm16"), 23);
  EXPECT_EQ(windowRank("TForm99"), -1);
}

}  // namespace
}  // namespace vs
