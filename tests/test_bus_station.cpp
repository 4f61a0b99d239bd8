// The assembled bus station in virtual time: a workstation in a scratch folder, its settings
// file and plant configuration on disk, the bus engine over a simulated line with three
// controllers, the program's ticks in the program's order.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "common/DateTime.h"
#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "sim/SimBus.h"
#include "station/PollState.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

using testing::BusHall;
using testing::kAddresses;
using testing::occurrences;


TEST_F(BusHall, OpensTheAdapterAtStartAndDecodesEveryRow) {
  start();
  EXPECT_FALSE(sim.isOpen()) << "the adapter waits for the first 100 ms tick";
  runMs(100);
  EXPECT_TRUE(sim.isOpen());
  EXPECT_TRUE(st().controls.RS);
  EXPECT_EQ(bus->link.USB_Serial_Number, "SIM00001");

  runMs(2400);  // mid-cycle: every poll of this cycle has its answer
  for (std::size_t n = 0; n < kAddresses.size(); ++n) {
    const int a = kAddresses[n];
    SCOPED_TRACE("row " + std::to_string(n));
    EXPECT_EQ(st().T1[n], 3700 + a);
    EXPECT_EQ(st().T2[n], 3600 + a);
    EXPECT_EQ(st().T3[n], 3500 + a);
    EXPECT_EQ(st().BL[n], 40 + a % 50);
    EXPECT_EQ(st().ZON[n][1], 3780);
    EXPECT_EQ(st().kol_byte_opros[n], 122);
    EXPECT_EQ(st().tab_otvetR[n], 0);
  }
  EXPECT_EQ(sim.counters().collisions, 0u);
  EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(BusHall, WithoutLinkAtStartTheAdapterStaysClosedUnlessHeadless) {
  start(1, "1");
  runMs(3000);
  EXPECT_FALSE(sim.isOpen());
  EXPECT_EQ(sim.counters().masterBytes, 0u);
  EXPECT_EQ(st().T1[0], 0);

  // The same installation run without windows links whatever the setting says.
  bus.reset();
  ws.reset();
  ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
  bus = std::make_unique<BusStation>(*ws, sim);
  bus->workFromStart();
  ws->startUp();
  runMs(3000);
  EXPECT_TRUE(sim.isOpen());
  EXPECT_EQ(st().T1[2], 3700 + 170);
}

TEST_F(BusHall, SilentControllerClimbsToTenAndTheOthersKeepAnswering) {
  ctl(85).options().neverAnswers = true;
  start();
  runMs(30'500);
  EXPECT_EQ(st().tab_otvetR[1], 10);
  EXPECT_EQ(st().tab_otvetR[0], 0);
  EXPECT_EQ(st().tab_otvetR[2], 0);
  EXPECT_EQ(st().T1[1], 0) << "nothing was ever decoded for the silent row";
  EXPECT_EQ(st().T1[2], 3700 + 170);

  ctl(85).options().neverAnswers = false;
  runMs(2000);
  EXPECT_EQ(st().tab_otvetR[1], 0);
  EXPECT_EQ(st().T1[1], 3700 + 85);
}

TEST_F(BusHall, SharedFileHoldsEveryAnswerByteForByte) {
  ctl(85).setAlarmBits(1u << 2);  // a non-default C2, carried through untouched
  start(1);
  runMs(3000);
  auto dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan) << "no whole dan.dan in the working folder";
  EXPECT_EQ(dan->kol, 3);
  for (std::size_t n = 0; n < kAddresses.size(); ++n) {
    const std::uint8_t a = kAddresses[n];
    const TdanW& e = dan->d[n];
    SCOPED_TRACE("row " + std::to_string(n));
    EXPECT_EQ(testing::danEntryMismatch(e, a, ctl(a).status(sim.nowMs())), "");
    EXPECT_EQ(e.n_t, n);
    EXPECT_EQ(e.on, 1);
    EXPECT_EQ(e.on_sw, 1);
    EXPECT_LE(e.tab_otvetR, n == 0 ? 1 : 0) << "row 0's poll of the new cycle may be in flight";
    EXPECT_EQ(e.naim.utf8(), testing::hallName(a));
    EXPECT_GT(e.dt, kStart);
    EXPECT_LE(e.dt, clock.now());
  }
  // Written-out bytes of row 1: type 5, T1 = 3785 = 0x0EC9 at data 21, C2 alarm bit 2 at 19.
  EXPECT_EQ(dan->d[1].d[1 + 0], 5);
  EXPECT_EQ(dan->d[1].d[1 + 19], 0x04);
  EXPECT_EQ(dan->d[1].d[1 + 21], 0xC9);
  EXPECT_EQ(dan->d[1].d[1 + 22], 0x0E);
  EXPECT_EQ(dan->d[3].kol_z, 0) << "rows beyond the configuration stay empty";

  // A new reading reaches the file within the next cycle.
  ctl(170).setT1(3999);
  runMs(2000);
  dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan);
  EXPECT_EQ(testing::danEntryMismatch(dan->d[2], 170, ctl(170).status(sim.nowMs())), "");

  // A controller gone silent is marked as lost in the file, its last answer kept.
  ctl(5).options().neverAnswers = true;
  runMs(12'000);
  dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan);
  EXPECT_GE(dan->d[0].tab_otvetR, 5);
  EXPECT_EQ(dan->d[0].on, 0);
  EXPECT_EQ(testing::danEntryMismatch(dan->d[0], 5, ctl(5).status(0)), "");
  EXPECT_EQ(dan->d[1].on, 1);
}

TEST_F(BusHall, PassiveStationDecodesButWritesNoSharedFile) {
  start(0);
  runMs(3000);
  EXPECT_EQ(st().T1[1], 3700 + 85);
  EXPECT_FALSE(std::filesystem::exists(dir.home / "dan.dan"));
}

TEST_F(BusHall, RemoteStationSendsNothingOnceItKnowsItsMode) {
  start(3);
  runMs(1100);  // the first second runs as on a bus station, until the 1 s tick reads the mode
  const auto early = sim.counters().masterBytes;
  std::uint8_t reset[] = {6, 4, 1, 0, 0};
  putKom485m(st().kom485m, 85, 101, reset, sizeof reset);
  runMs(10'000);
  EXPECT_EQ(sim.counters().masterBytes, early);
  EXPECT_TRUE(ctl(85).actions().empty());
  EXPECT_EQ(st().kom485m[0], 1) << "the command waits; it is not sent";
}

TEST_F(BusHall, RemoteStationSendsNothingFromTheStart) {
  start(3);
  runMs(10'000);
  EXPECT_EQ(sim.counters().masterBytes, 0u);
  EXPECT_TRUE(log.frames.empty());
}

TEST_F(BusHall, PendingCommandGoesOutBeforeTheNextPoll) {
  start();
  runMs(1950);  // the first cycle is over; the next poll falls due at 2 s
  ASSERT_EQ(log.frames.size(), 3u);
  const std::size_t before = log.frames.size();
  std::uint8_t reset[] = {6, 4, 1, 0, 0};  // action 4: the operator's alarm reset
  putKom485m(st().kom485m, 85, 101, reset, sizeof reset);
  runMs(3000);
  ASSERT_GT(log.frames.size(), before + 1);
  EXPECT_EQ(log.frames[before].to, 85);
  EXPECT_EQ(log.frames[before].kind, 101);
  EXPECT_EQ(log.frames[before + 1].kind, 0) << "polling goes on after the command";
  EXPECT_EQ(ctl(85).actions(), std::vector<std::uint8_t>{4});
  EXPECT_EQ(st().kom485m[0], 0);
  EXPECT_EQ(sim.counters().collisions, 0u);
}

TEST_F(BusHall, ShutDownWritesTheAdapterAndTheStationMode) {
  sim.unplug();  // the adapter is missing at start: its setting must survive the run
  start(1);
  runMs(2000);
  EXPECT_FALSE(sim.isOpen());
  ASSERT_TRUE(ws->shutDown());
  Settings s;
  loadSettings(ws_ini(), s);
  EXPECT_EQ(s.usbSerialNumber, "SIM00001");
  EXPECT_EQ(s.ServerP, 1);
  EXPECT_EQ(s.RUN_WIN, 0) << "the shut-down leaves the general settings alone";
  const std::string journal = dir.journal();
  EXPECT_NE(journal.find("программа Запущена"), std::string::npos);
  EXPECT_NE(journal.find("программа ЗАКРЫТА!"), std::string::npos);

  // The next run: the operator opens the adapter by another name and changes the mode.
  sim.plugIn();
  bus.reset();
  ws.reset();
  ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
  bus = std::make_unique<BusStation>(*ws, sim);
  ws->startUp();
  runMs(1000);
  bus->link.Open_Usb("sim");
  st().serverP = 2;
  ASSERT_TRUE(ws->shutDown());
  loadSettings(ws_ini(), s);
  EXPECT_EQ(s.usbSerialNumber, "sim");
  EXPECT_EQ(s.ServerP, 2);
}

// The whole road of an adapter that is not there at start, appears, is pulled out and comes
// back: the hall is never unwatched without a word, and polling comes back by itself.
TEST_F(BusHall, AdapterMissingAtStartPulledAndReturnedIsToldOnceEachAndPollingResumes) {
  struct MessageView final : UsbLinkView {
    std::vector<std::string>& out;
    explicit MessageView(std::vector<std::string>& o) : out(o) {}
    void showMessage(const std::string& t) override { out.push_back(t); }
  } view(messages);
  sim.unplug();
  start(1);
  bus->link.setView(&view);
  std::vector<std::string> notices;
  ws->notice = [&](const std::string& t) { notices.push_back(t); };
  bool usbNo = false;
  st().hooks.usbNo = [&](bool shown) { usbNo = shown; };

  runMs(1000);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Не удалось открыть порт USB! =  SIM00001");
  // Before any answer the shared file already shows the configured hall, every row unlinked.
  auto dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan);
  EXPECT_EQ(dan->kol, 3);
  for (std::size_t n = 0; n < kAddresses.size(); ++n) {
    SCOPED_TRACE("row " + std::to_string(n));
    EXPECT_EQ(dan->d[n].n_t, n);
    EXPECT_EQ(dan->d[n].naim.utf8(), testing::hallName(kAddresses[n]));
    EXPECT_EQ(dan->d[n].on_sw, 1);
    EXPECT_EQ(dan->d[n].on, 0);
    EXPECT_EQ(dan->d[n].kol_z, 0);
    EXPECT_EQ(dan->d[n].d[0], 0);
  }
  runMs(10'000);
  EXPECT_TRUE(usbNo) << "nothing went out for more than 10 s";
  EXPECT_EQ(sim.counters().masterBytes, 0u);

  // Plugged in after start-up: found within 2 s, polled, the indicator gone.
  sim.plugIn();
  runMs(3000);
  EXPECT_TRUE(sim.isOpen());
  EXPECT_FALSE(usbNo);
  EXPECT_EQ(st().T1[2], 3700 + 170);
  EXPECT_EQ(messages.size(), 1u) << "the watch opens it without a message box";

  // Pulled out: told once, the indicator after 10 s, the rows lost in the shared file.
  sim.unplug();
  runMs(25'000);  // each row is polled every 4 s: five polls without answer
  EXPECT_TRUE(usbNo);
  dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan);
  EXPECT_EQ(dan->d[1].on, 0);
  EXPECT_GE(st().tab_otvetR[1], 5);

  // Back: polling resumes by itself.
  ctl(85).setT1(3333);
  sim.plugIn();
  runMs(4000);
  EXPECT_TRUE(sim.isOpen());
  EXPECT_FALSE(usbNo);
  EXPECT_EQ(st().T1[1], 3333);
  EXPECT_EQ(st().tab_otvetR[1], 0);

  const std::string journal = dir.journal();
  EXPECT_EQ(occurrences(journal, "Связь с адаптером SIM00001 потеряна"), 1u) << journal;
  EXPECT_EQ(occurrences(journal, "Связь с адаптером SIM00001 восстановлена"), 2u) << journal;
  EXPECT_EQ(notices.size(), 3u);
  EXPECT_EQ(sim.counters().collisions, 0u);
}

// A shared file that cannot be written, or a step of another part that throws, never stops the
// timers and never floods the journal: each is told when it starts, and the file when it ends.
TEST_F(BusHall, FailuresOnTheTimerPathsAreToldOnceAndTheTicksGoOn) {
  std::filesystem::create_directory(dir.home / "dan.dan");  // a folder in the file's place
  start(1);
  int sounds = 0;
  st().hooks.zvukPUSK = [&] {
    ++sounds;
    throw std::runtime_error("нет звукового устройства");
  };
  runMs(5000);
  EXPECT_EQ(st().T1[0], 3705) << "polling went on";
  EXPECT_EQ(sounds, 5) << "the failing step is tried again every second";

  std::filesystem::remove(dir.home / "dan.dan");
  runMs(2000);
  ASSERT_TRUE(testing::readDan(dir.home / "dan.dan"));

  const std::string journal = dir.journal();
  EXPECT_EQ(occurrences(journal, "Файл dan.dan не записывается"), 1u) << journal;
  EXPECT_EQ(occurrences(journal, "Файл dan.dan снова записывается"), 1u) << journal;
  EXPECT_EQ(occurrences(journal, "Сбой в zvukPUSK: нет звукового устройства"), 1u) << journal;
}

// A station mode the program does not know is not taken for the nearest one (a remote station
// that never polls): the default applies, the journal says so and the shut-down writes it.
TEST_F(BusHall, UnknownStationModeFallsBackToPassiveAndIsJournalled) {
  start(5);
  runMs(3000);
  EXPECT_EQ(st().serverP, 0);
  EXPECT_EQ(st().T1[1], 3700 + 85) << "the station polls";
  EXPECT_NE(dir.journal().find("ServerP=5"), std::string::npos) << dir.journal();
  ASSERT_TRUE(ws->shutDown());
  Settings s;
  loadSettings(ws_ini(), s);
  EXPECT_EQ(s.ServerP, 0);
}

}  // namespace
}  // namespace vs
