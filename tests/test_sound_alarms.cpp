// Alarm sounds end to end in virtual time: simulated controllers raise C2 alarm bits, the
// assembled bus station decodes them and its sequencer plays the clips on a recording player
// whose clips last as long as the test says. Also the zone classification of displayed values.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/BusStation.h"
#include "common/DateTime.h"
#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "sim/SimBus.h"
#include "station/SoundAlarms.h"
#include "station/Zones.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

namespace fs = std::filesystem;

// Plays in the test's virtual time and writes down what it was asked to do.
class RecordingPlayer final : public SoundPlayer {
 public:
  RecordingPlayer(const std::int64_t& nowUs, fs::path folder)
      : nowUs_(nowUs), folder_(std::move(folder)) {}

  struct Opened {
    std::int64_t atMs;
    std::string file;  // relative to "sound"
  };
  std::vector<Opened> opened;
  std::vector<std::int64_t> closedAtMs;
  std::map<std::string, std::int64_t> lengthMs;  // default 1.5 s
  bool refuses = false;                          // a machine that plays nothing at all

  bool open(const fs::path& file) override {
    current_ = file.lexically_relative(folder_).generic_string();
    opened.push_back({nowUs_ / 1000, current_});
    playing_ = false;
    if (refuses) trouble_ = {SoundTrouble::Kind::NoDevice, "no card"};
    return !refuses;
  }
  bool play() override {
    if (refuses) return false;
    playing_ = true;
    startUs_ = nowUs_;
    return true;
  }
  bool isPlaying() override {
    const auto it = lengthMs.find(current_);
    const std::int64_t len = it == lengthMs.end() ? 1500 : it->second;
    return playing_ && nowUs_ < startUs_ + len * 1000;
  }
  void close() override {
    closedAtMs.push_back(nowUs_ / 1000);
    playing_ = false;
  }
  SoundTrouble takeTrouble() override { return std::exchange(trouble_, SoundTrouble{}); }

  std::vector<std::string> files() const {
    std::vector<std::string> f;
    for (const Opened& o : opened) f.push_back(o.file);
    return f;
  }

 private:
  const std::int64_t& nowUs_;
  fs::path folder_;
  std::string current_;
  bool playing_ = false;
  std::int64_t startUs_ = 0;
  SoundTrouble trouble_;
};

using Files = std::vector<std::string>;

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class SoundHall : public ::testing::Test {
 protected:
  static constexpr double kStart = 46000.25;

  void SetUp() override {
    for (std::uint8_t a : {7, 12}) sim.addController(a);
    testing::writeHallConfig(dir.home / "config.cfg", {7, 12});
    for (const char* f : {"7/7.mp3", "12/12.mp3", "геркон.mp3", "отсекатель.mp3"})
      testing::ScratchInstall::write(dir.home / "sound" / f, "ID3");
    clock.set(kStart);
  }

  void TearDown() override {
    bus.reset();
    ws.reset();
  }

  // A serving station linking at start, with these extra settings lines.
  void start(const std::vector<std::string>& extra) {
    std::vector<std::string> lines{"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]", "RUN_WIN=0"};
    lines.insert(lines.end(), extra.begin(), extra.end());
    testing::writeIni(dir.home / "Vetrostan.INI", lines);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    bus = std::make_unique<BusStation>(*ws, sim);
    bus->sound.setPlayer(&player);
    ws->startUp();
  }

  void runMs(std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); }
  // On to the second whose tick has just looked at scan position `i`, so that alarms raised now
  // reach their slots in slot order.
  void runToScan(int i) {
    for (int s = 0; s < 13 && bus->sound.zvuk_i != i; ++s) runMs(1000);
    ASSERT_EQ(bus->sound.zvuk_i, i);
  }

  SimController& ctl(std::uint8_t a) { return *sim.controller(a); }

  testing::ScratchInstall dir;
  ManualClock clock;
  SimBus sim;
  std::int64_t nowUs = 0;
  RecordingPlayer player{nowUs, dir.home / "sound"};
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
};

// The whole road: an alarm on at the first answer stays quiet; rising bits are announced with
// the incubator's number, the kind clip on the next whole second after it, one silent second,
// then the scan goes on one slot a second; bits 9 and 14 are one announcement; falling edges
// say nothing; a slot without a file plays only the number.
TEST_F(SoundHall, RisingAlarmsAreAnnouncedNumberThenKindOneSlotPerSecond) {
  ctl(12).setAlarmBits(1u << 2);
  start({"[ZVUK]", "z4=геркон.mp3", "z9=отсекатель.mp3"});
  runMs(15'000);
  EXPECT_EQ(player.files(), Files{}) << "an alarm already on at the first answer";

  runToScan(0);
  ctl(7).setAlarmBits(1u << 4);
  ctl(12).setAlarmBits((1u << 2) | (1u << 9) | (1u << 14));
  runMs(20'000);
  ASSERT_EQ(player.files(), (Files{"7/7.mp3", "геркон.mp3", "12/12.mp3", "отсекатель.mp3"}));
  const auto& o = player.opened;
  EXPECT_EQ(o[0].atMs % 1000, 0) << "clips start on the 1 s tick";
  EXPECT_EQ(o[1].atMs - o[0].atMs, 2000) << "1.5 s number clip, kind clip on the next second";
  EXPECT_EQ(o[2].atMs - o[1].atMs, 7000) << "1.5 s kind clip, a silent second, slots 5..9";
  EXPECT_EQ(o[3].atMs - o[2].atMs, 2000);

  ctl(7).setAlarmBits(0);
  ctl(12).setAlarmBits(1u << 14);  // 2 and 9 fall, 14 stays
  runMs(15'000);
  EXPECT_EQ(player.opened.size(), 4u) << "falling edges and bits that stay say nothing";

  ctl(12).setAlarmBits((1u << 14) | (1u << 2));
  runMs(15'000);
  EXPECT_EQ(player.files(),
            (Files{"7/7.mp3", "геркон.mp3", "12/12.mp3", "отсекатель.mp3", "12/12.mp3"}))
      << "bit 2 rose again; its slot has no file, so the number is the whole announcement";
  EXPECT_EQ(dir.journal().find("Звуков"), std::string::npos) << dir.journal();
}

// Any key in the main window during the number clip: the clip stops and the kind clip follows
// on the next tick.
TEST_F(SoundHall, KeyPressEndsTheNumberClipAndTheKindClipFollows) {
  player.lengthMs["7/7.mp3"] = 5000;
  start({"[ZVUK]", "z4=геркон.mp3"});
  runMs(3000);
  ctl(7).setAlarmBits(1u << 4);
  for (int s = 0; s < 15 && player.opened.empty(); ++s) runMs(1000);
  ASSERT_EQ(player.files(), Files{"7/7.mp3"});
  const std::int64_t numberAt = player.opened[0].atMs;

  runMs(500);
  bus->sound.zvuk_off();
  EXPECT_EQ(player.closedAtMs, std::vector<std::int64_t>{numberAt + 500});
  runMs(3000);
  ASSERT_EQ(player.files(), (Files{"7/7.mp3", "геркон.mp3"}));
  EXPECT_EQ(player.opened[1].atMs, numberAt + 1000);
}

// Sound alarms off: flags are consumed without a sound. Switched on again, what rose meanwhile
// stays quiet and only what rises afterwards is heard. The chosen names go out at shut-down.
TEST_F(SoundHall, SoundOffConsumesAlarmsAndSwitchingOnAnnouncesOnlyNewOnes) {
  start({"ZWUK_ON=0", "[ZVUK]", "z4=геркон.mp3", "z9=отсекатель.mp3"});
  runMs(3000);
  ctl(7).setAlarmBits(1u << 4);
  runMs(15'000);
  EXPECT_EQ(player.files(), Files{});
  EXPECT_EQ(bus->sound.zvuk_, (std::array<bool, kAlarmSoundSlots>{})) << "the flag was consumed";

  runToScan(10);
  ctl(12).setAlarmBits(1u << 9);
  runMs(2000);
  ASSERT_TRUE(bus->sound.zvuk_[9]) << "raised while off, not yet at its turn";
  ws->settings.ZWUK_ON = 1;  // what a click in the general settings does
  runMs(15'000);
  EXPECT_EQ(player.files(), Files{});

  ctl(12).setAlarmBits((1u << 9) | (1u << 15));
  runMs(15'000);
  EXPECT_EQ(player.files(), Files{"12/12.mp3"}) << "slot 10 has no file";

  bus->sound.zvuk[10] = "мотор.mp3";  // as the "Звуки" tab sets it
  ASSERT_TRUE(ws->shutDown());
  Settings saved;
  loadSettings(dir.home / "Vetrostan.INI", saved);
  EXPECT_EQ(saved.zvuk[4], "геркон.mp3");
  EXPECT_EQ(saved.zvuk[10], "мотор.mp3");
}

// A player that cannot play anything, a file that is not there, a name that would leave the
// folder "sound", a clip that never ends: the scan goes on as if each clip had been played,
// nothing outside "sound" is touched, and each kind of trouble reaches the journal once.
TEST_F(SoundHall, PlayerTroubleNeverStallsTheScanAndIsJournalledOnce) {
  player.refuses = true;
  start({"[ZVUK]", "z4=геркон.mp3", "z5=..\\..\\..\\etc\\hostname", "z9=нет.mp3"});
  runMs(3000);
  for (int round = 0; round < 2; ++round) {
    runToScan(0);
    ctl(7).setAlarmBits((1u << 4) | (1u << 5) | (1u << 9));
    runMs(12'000);
    ctl(7).setAlarmBits(0);
    runMs(2000);
  }
  const Files once{"7/7.mp3", "геркон.mp3", "7/7.mp3", "7/7.mp3"};
  Files twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(player.files(), twice) << "every announcement was tried, none stalled the scan";

  player.refuses = false;
  player.lengthMs["7/7.mp3"] = 3'600'000;  // a player that hangs on its clip
  ctl(7).setAlarmBits(1u << 4);
  runMs(80'000);
  EXPECT_EQ(player.files().back(), "геркон.mp3") << "the hung clip was stopped after a minute";

  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, "Нет звукового устройства"), 1u) << j;
  EXPECT_EQ(occurrences(j, "ведёт за пределы папки sound"), 1u) << j;
  EXPECT_EQ(occurrences(j, "Звуковой файл не найден: "), 1u) << j;
  EXPECT_NE(j.find((dir.home / "sound" / "нет.mp3").string()), std::string::npos) << j;
  EXPECT_EQ(occurrences(j, "играет дольше 60 с"), 1u) << j;
}

// Bounds are signed and a value on a bound is within; temperatures use ZON_ words 2 (lower) and
// 0 (upper), humidity words 8 (lower) and 7 (upper).
TEST(Zones, EqualityIsWithinComparisonsAreSignedAndTheRightWordsAreBounds) {
  auto t = std::make_unique<StationTables>();
  auto& z = t->ZON_[3];
  z[0] = 3800;
  z[2] = -50;
  z[7] = 60;
  z[8] = 40;
  EXPECT_EQ(temperatureZone(*t, 3, -51), Zone::Below);
  EXPECT_EQ(temperatureZone(*t, 3, -50), Zone::Within);
  EXPECT_EQ(temperatureZone(*t, 3, 3800), Zone::Within);
  EXPECT_EQ(temperatureZone(*t, 3, 3801), Zone::Above);
  t->BL[3] = 39;
  EXPECT_EQ(humidityZone(*t, 3), Zone::Below);
  t->BL[3] = 60;
  EXPECT_EQ(humidityZone(*t, 3), Zone::Within);
  t->BL[3] = 61;
  EXPECT_EQ(humidityZone(*t, 3), Zone::Above);
  EXPECT_EQ(temperatureZone(*t, 256, 99999), Zone::Within) << "a row outside the table";
}

}  // namespace
}  // namespace vs
