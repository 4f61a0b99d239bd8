// The poll cycle on its own: what the 100 ms and 1 s ticks send and show, with the bus replaced
// by a list of the frames handed to the sender.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/TFile_config.h"
#include "station/Station.h"

namespace vs {
namespace {

struct Sent {
  int pol, kadr;
  std::vector<std::uint8_t> data;
  int tick;  // 100 ms tick at which it was sent
};

class PollTest : public ::testing::Test {
 protected:
  PollTest() : st(config, clock, home()) {
    setRows({11, 12, 13});
    st.controls.RUN_WIN = 0;
    st.controls.USB_Serial_Number = "FT12345";
    st.hooks.send = [this](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                           std::uint8_t len) {
      sent.push_back({pol, kadr, std::vector<std::uint8_t>(d, d + len), ticks});
      st.noteSent();
    };
    st.hooks.UsbCreate = [this] { events.push_back("UsbCreate"); };
    st.hooks.Open_Usb = [this](const std::string& s) { events.push_back("Open_Usb " + s); };
    st.hooks.Close_USB = [this] { events.push_back("Close_USB"); };
    st.hooks.rsChanged = [this](bool d) { events.push_back(d ? "RS down" : "RS up"); };
    st.hooks.usbNo = [this](bool v) { usbNo = v; };
    st.hooks.nameCell = [this](int nk) { nameCells.push_back(nk); };
  }

  static std::filesystem::path home() {
    auto p = std::filesystem::path(::testing::TempDir()) / "poll_cycle";
    std::filesystem::create_directories(p);
    return p;
  }

  void setRows(std::vector<int> numbers) {
    config.kol_inkub = static_cast<std::uint8_t>(numbers.size());
    for (std::size_t r = 0; r < numbers.size(); ++r) {
      config.konfig_n[r] = static_cast<std::uint16_t>(numbers[r]);
      config.konfig_o[r] = 1;
    }
  }

  // Runs n ticks of 100 ms, with the 1 s tick after every tenth, as the program's timers do.
  void run(int n) {
    for (int i = 0; i < n; ++i) {
      ++ticks;
      st.Timer2();
      if (ticks % 10 == 0) st.Timer1();
    }
  }

  // A status answer of two bytes from `sender`, as the dispatch hands it on.
  void answer(int sender) {
    RS232_T f{};
    f.Otpr = static_cast<std::uint8_t>(sender);
    f.Kol_d = 2;
    f.Dann[0] = 5;
    st.onStatusFrame(f);
  }

  std::vector<int> polledAddresses() const {
    std::vector<int> v;
    for (const auto& s : sent)
      if (s.kadr == 0) v.push_back(s.pol);
    return v;
  }

  ManualClock clock;
  TFile_config config{};
  Station st;
  std::vector<Sent> sent;
  std::vector<std::string> events;
  std::vector<int> nameCells;
  bool usbNo = false;
  int ticks = 0;
};

TEST_F(PollTest, FirstTickCreatesTheLinkAndOpensTheAdapterWhenAskedTo) {
  run(1);
  EXPECT_EQ(events, (std::vector<std::string>{"UsbCreate", "RS down", "Open_Usb FT12345"}));
  EXPECT_EQ(st.usb_rab, 1);
  EXPECT_TRUE(st.controls.RS);
  run(20);
  EXPECT_EQ(events.size(), 3u) << "only the first tick does that";
}

TEST_F(PollTest, WithoutTheStartSettingNothingIsOpenedOrSent) {
  st.controls.RUN_WIN = 1;
  run(120);
  EXPECT_EQ(events, (std::vector<std::string>{"UsbCreate"}));
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(usbNo) << "no frame for more than ten seconds";
}

TEST_F(PollTest, TimerPollsWalkTheRowsWithTheirPollFlagSet) {
  config.konfig_o[1] = 0;
  st.controls.Compyter = 1;  // "Старый": only the timer polls
  st.hooks.mimicPanels = [] { return std::make_pair(1, 2); };
  std::vector<int> refreshed;
  st.hooks.dispetchW = [&](int row) {
    refreshed.push_back(row);
    throw std::runtime_error("a failing mimic refresh is ignored");
  };
  run(60);
  // Ticks 10, 20: rows 0 and 2; tick 30 ends the cycle; tick 40 starts the next one.
  EXPECT_EQ(polledAddresses(), (std::vector<int>{11, 13, 11, 13}));
  EXPECT_EQ(sent[0].tick, 10);
  EXPECT_EQ(sent[1].tick, 20);
  EXPECT_EQ(sent[2].tick, 40);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>{0});
  EXPECT_EQ(refreshed, (std::vector<int>{0, 1, 0, 1}))
      << "panels tek_ink0..kol_Na as rows k - 1, at each cycle end, past a failure";
}

TEST_F(PollTest, PollCarriesTheGsmTerminalFlag) {
  st.controls.on_off_GSM = true;
  run(10);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>{1});
}

TEST_F(PollTest, PendingCommandGoesOutBeforeAnyPoll) {
  st.controls.Compyter = 1;  // "Старый": the poll schedule keeps counting
  const std::uint8_t data[6] = {5, 1, 3, 0x10, 0x0E, 0};
  putKom485m(st.kom485m, 12, 101, data, 6);
  run(10);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].pol, 12);
  EXPECT_EQ(sent[0].kadr, 101);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>(data, data + 6));
  EXPECT_EQ(sent[0].tick, 1);
  EXPECT_EQ(st.kom485m[0], 0);
  EXPECT_EQ(sent[1].kadr, 0);
  EXPECT_EQ(sent[1].tick, 10);

  // In the middle of a cycle too; a second command written before the tick replaces the first.
  putKom485m(st.kom485m, 13, 101, data, 6);
  const std::uint8_t other[5] = {6, 4, 1, 0, 0};
  putKom485m(st.kom485m, 11, 101, other, 5);
  run(1);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2].pol, 11);
  EXPECT_EQ(sent[2].data, std::vector<std::uint8_t>(other, other + 5));
  run(9);
  EXPECT_EQ(sent.back().tick, 20) << "the next poll is still due at tick 20";
  EXPECT_EQ(polledAddresses(), (std::vector<int>{11, 12}));
}

TEST_F(PollTest, WithAModernComputerAnySendRestartsThePollTimeOut) {
  // Every send restarts the time-out, so a timer poll never follows a frame whose answer may
  // still be on its way.
  const std::uint8_t data[1] = {9};
  putKom485m(st.kom485m, 12, 101, data, 1);
  run(10);
  ASSERT_EQ(sent.size(), 1u) << "the poll of tick 10 waits a full period after the command";
  run(1);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].tick, 11);
  // An answer brings the next poll at once, and the timer then waits a full period again.
  run(3);
  answer(11);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2].pol, 12);
  EXPECT_EQ(sent[2].tick, 14);
  run(9);
  EXPECT_EQ(sent.size(), 3u);
  run(1);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[3].tick, 24);
  EXPECT_EQ(sent[3].pol, 13) << "the silent row 12 is left behind";
  EXPECT_EQ(st.tab_otvetR[1], 1);
}

TEST_F(PollTest, SilentIncubatorClimbsToTenAndItsAnswerResetsIt) {
  setRows({21});
  st.controls.Compyter = 1;
  run(10 * 12);
  EXPECT_EQ(polledAddresses().size(), 6u) << "every other period ends a cycle";
  run(10 * 10);
  EXPECT_EQ(st.tab_otvetR[0], 10);
  EXPECT_EQ(st.tab_otvet[0], 10);
  // The name cell is redrawn before every poll and again from the fifth unanswered one on.
  const auto redraws = std::count(nameCells.begin(), nameCells.end(), 0);
  EXPECT_GE(redraws, 10 + 6);
  answer(21);
  EXPECT_EQ(st.tab_otvetR[0], 0);
  EXPECT_EQ(st.tab_otvet[0], 10) << "the table's copy changes only when a cycle starts";
}

TEST_F(PollTest, NoPollFlagsNoFramesAndTheLinkIndicatorAfterElevenSeconds) {
  for (auto& o : config.konfig_o) o = 0;
  run(100);
  EXPECT_FALSE(usbNo) << "ten seconds without a frame are still normal";
  run(10);
  EXPECT_TRUE(usbNo);
  EXPECT_TRUE(sent.empty());
  config.konfig_o[2] = 1;
  run(30);
  EXPECT_FALSE(sent.empty());
  EXPECT_FALSE(usbNo) << "hidden at the first second after a frame";
}

TEST_F(PollTest, DebugModePollsOnlyTheChosenNumber) {
  st.controls.otladka = true;
  st.controls.otlad = 77;
  st.controls.Compyter = 0;
  run(50);
  EXPECT_EQ(polledAddresses(), (std::vector<int>{77, 77, 77, 77, 77}));
  EXPECT_EQ(st.tab_otvetR[0], 0) << "no row bookkeeping in debug mode";
  EXPECT_EQ(st.oprosN, -1);
}

TEST_F(PollTest, GatesStopThePolls) {
  int updateSteps = 0;
  st.hooks.Timer100ms = [&] { ++updateSteps; };
  run(1);
  EXPECT_EQ(updateSteps, 1);

  st.time_zadanie = true;
  run(30);
  EXPECT_TRUE(sent.empty());
  st.time_zadanie = false;
  st.WriteKom.z = true;
  run(30);
  EXPECT_TRUE(sent.empty());
  const std::uint8_t d[1] = {1};
  putKom485m(st.kom485m, 11, 101, d, 1);
  run(1);
  EXPECT_EQ(sent.size(), 1u) << "a write's own frames still go out";
  st.WriteKom.z = false;

  st.obnovlenie = 1;
  putKom485m(st.kom485m, 11, 101, d, 1);
  run(30);
  EXPECT_EQ(sent.size(), 1u) << "a firmware update owns the bus";
  EXPECT_EQ(updateSteps, 92) << "but its step runs on every tick";

  st.obnovlenie = 0;
  st.setRS(false);
  run(30);
  EXPECT_EQ(sent.size(), 1u);
  EXPECT_EQ(updateSteps, 92) << "nothing runs with the bus work off";
}

TEST_F(PollTest, RemoteStationSendsNothingAndShowsNoLinkIndicator) {
  st.serverP = 3;
  st.controls.RUN_WIN = 0;
  run(1);
  EXPECT_EQ(events.front(), "UsbCreate") << "the first second behaves as a bus station";
  run(9);
  const auto before = sent.size();
  const std::uint8_t d[1] = {1};
  putKom485m(st.kom485m, 11, 101, d, 1);
  run(200);
  EXPECT_EQ(sent.size(), before);
  EXPECT_FALSE(usbNo);
  EXPECT_TRUE(st.serverUD);
  EXPECT_FALSE(st.serverTEK);
  EXPECT_TRUE(st.inputIgnored());
}

TEST_F(PollTest, WorkButtonOpensAndClosesOnlyOnABusStation) {
  st.setRS(true);
  st.setRS(false);
  EXPECT_EQ(events, (std::vector<std::string>{"Open_Usb FT12345", "Close_USB"}));
  st.hooks.Open_Usb = [](const std::string&) { throw std::runtime_error("no adapter"); };
  EXPECT_NO_THROW(st.setRS(true));

  events.clear();
  st.serverP = 4;
  usbNo = true;
  st.setRS(false);
  EXPECT_FALSE(usbNo);
  st.danWst = 50;
  st.setRS(true);
  EXPECT_EQ(st.danWst, 1) << "the shared file is read within a second";
  EXPECT_TRUE(events.empty());
}

TEST_F(PollTest, AutomaticIncubationPanelCountsTheConfiguredRows) {
  std::vector<std::pair<bool, std::string>> shown;
  st.hooks.autoIncubation = [&](bool v, const std::string& s) { shown.emplace_back(v, s); };
  config.konfig_INK[0] = 1;
  config.konfig_INK[2] = 1;
  config.konfig_INK[5] = 1;  // not a configured row
  st.Timer1();
  config.konfig_INK = {};
  st.Timer1();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], std::make_pair(true, std::string("= 2")));
  EXPECT_FALSE(shown[1].first);
}

TEST_F(PollTest, SharedFileExchangePeriodFollowsTheMode) {
  st.serverP = 1;
  for (int s = 0; s < 5; ++s) st.Timer1();
  EXPECT_EQ(st.dan.danWi, 5) << "mode 1 writes every second";
  st.serverP = 2;
  st.danWst = 0;
  for (int s = 0; s < 120; ++s) st.Timer1();
  EXPECT_EQ(st.dan.danWi, 7) << "mode 2 once a minute";
  st.serverP = 0;
  st.danWst = 0;
  for (int s = 0; s < 5; ++s) st.Timer1();
  EXPECT_EQ(st.dan.danWi, 7) << "a passive station does not write";
}

}  // namespace
}  // namespace vs
