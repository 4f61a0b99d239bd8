// Alarms that wait for a person, over the simulated hall in virtual time: raised and cleared by
// the answers and the link supervision, announced again until acknowledged, shelved, kept
// across a restart, escalated through the runner; and the list file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "alarms/AlarmFile.h"
#include "alarms/AlarmList.h"
#include "config/SettingsFile.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::occurrences;
using testing::ScratchInstall;

constexpr std::uint16_t kTempHigh = 1u << 2;  // "Темп. выше зоны", slot 2
constexpr std::uint16_t kTempLow = 1u << 3;   // "Темп. ниже зоны", slot 3

// Every clip the sequencer opens, relative to "sound"; clips end at once.
class ClipLog final : public SoundPlayer {
 public:
  explicit ClipLog(fs::path folder) : folder_(std::move(folder)) {}
  std::vector<std::string> opened;
  bool open(const fs::path& file) override {
    opened.push_back(file.lexically_relative(folder_).generic_string());
    return true;
  }
  bool play() override { return true; }
  bool isPlaying() override { return false; }
  void close() override {}
  std::size_t count(const std::string& clip) const {
    std::size_t n = 0;
    for (const std::string& f : opened) n += f == clip ? 1 : 0;
    return n;
  }
  // Number clips ("N/N.mp3") opened.
  std::size_t numberClips() const {
    std::size_t n = 0;
    for (const std::string& f : opened) n += f.find('/') != std::string::npos ? 1 : 0;
    return n;
  }

 private:
  fs::path folder_;
};

// Takes every request and answers each with a failure when told to.
class FakeRunner final : public EscalationRunner {
 public:
  explicit FakeRunner(const std::int64_t& nowUs) : nowUs_(nowUs) {}
  struct Run {
    std::int64_t atMs;
    EscalationRequest request;
  };
  std::vector<Run> runs;
  std::string failWith;
  void run(const EscalationRequest& r, std::function<void(const std::string&)> failed) override {
    runs.push_back({nowUs_ / 1000, r});
    if (!failWith.empty()) failed(failWith);
  }

 private:
  const std::int64_t& nowUs_;
};

std::string env(const EscalationRequest& r, const std::string& name) {
  for (const auto& [k, v] : r.environment)
    if (k == name) return v;
  return "<unset>";
}

class AlarmHall : public testing::BusHall {
 protected:
  void SetUp() override {
    BusHall::SetUp();
    for (int a : testing::kAddresses)
      ScratchInstall::write(dir.home / "sound" / std::to_string(a) / (std::to_string(a) + ".mp3"),
                            "ID3");
    ScratchInstall::write(dir.home / "sound" / "high.mp3", "ID3");
    ScratchInstall::write(dir.home / "sound" / "low.mp3", "ID3");
    for (const char* clip : {"t1.mp3", "link.mp3", "usb.mp3"})
      ScratchInstall::write(dir.home / "sound" / clip, "ID3");
  }

  // A serving station with these "Alarm" keys and clips for the two temperature kinds.
  void startWith(const std::vector<std::string>& alarmKeys) {
    extraIni = {"[ZVUK]",          "z2=high.mp3", "z3=low.mp3", "z11=t1.mp3",
                "z14=link.mp3", "z15=usb.mp3", "[Alarm]"};
    extraIni.insert(extraIni.end(), alarmKeys.begin(), alarmKeys.end());
    start();
    bus->sound.setPlayer(&clips);
    bus->alarms.list.station = "hall-pc";
  }
  // The program ended and started again on the same folder and hall.
  void restart() {
    ws->shutDown();
    bus.reset();
    ws.reset();
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    bus = std::make_unique<BusStation>(*ws, sim);
    bus->sound.setPlayer(&clips);
    ws->startUp();
  }

  AlarmList& list() { return bus->alarms.list; }
  const Alarm* alarm(int n, AlarmKind k) { return list().find({n, k}); }
  std::string stateOf(int n, AlarmKind k) {
    const Alarm* a = alarm(n, k);
    return a ? alarmStateName(list().state(*a)) : "gone";
  }
  // Runs second by second until `done` holds; the seconds it took, or -1 after `limit`.
  template <typename F>
  int runUntil(F done, int limit) {
    for (int s = 0; s <= limit; ++s) {
      if (done()) return s;
      runMs(1000);
    }
    return -1;
  }

  ClipLog clips{dir.home / "sound"};
};

const AlarmKind kHigh = slotKind(2);
const AlarmKind kLow = slotKind(3);

TEST_F(AlarmHall, WaitingAlarmIsAnnouncedEveryRepeatUntilAcknowledged) {
  startWith({"Repeat=60", "Escalate=0"});
  runMs(3000);
  ctl(5).setAlarmBits(kTempHigh);
  ASSERT_GE(runUntil([&] { return alarm(5, kHigh) != nullptr; }, 5), 0);
  EXPECT_EQ(stateOf(5, kHigh), "active-unacknowledged");

  runMs(20'000);  // the rising bit's own announcement, as before
  EXPECT_EQ(clips.count("5/5.mp3"), 1u);
  EXPECT_EQ(clips.count("high.mp3"), 1u);
  runMs(60'000);
  EXPECT_EQ(clips.count("5/5.mp3"), 2u) << "once a minute while it waits";
  EXPECT_EQ(clips.count("high.mp3"), 2u);
  runMs(60'000);
  EXPECT_EQ(clips.count("5/5.mp3"), 3u);

  EXPECT_EQ(list().acknowledgeAll("оператор"), 1);
  EXPECT_EQ(stateOf(5, kHigh), "active-acknowledged");
  runMs(300'000);
  EXPECT_EQ(clips.count("5/5.mp3"), 3u) << "an acknowledged alarm is quiet";

  ctl(5).setAlarmBits(0);
  runMs(3000);
  EXPECT_EQ(stateOf(5, kHigh), "gone") << "cleared and acknowledged leaves the list";
  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, "АВАРИЯ! №5 «Инкубатор 5»: Темп. выше зоны"), 1u);
  EXPECT_EQ(occurrences(j, "Авария квитирована (оператор): №5 «Инкубатор 5»: Темп. выше зоны"), 1u);
  EXPECT_EQ(occurrences(j, "Авария снята: №5 «Инкубатор 5»: Темп. выше зоны"), 1u);
}

TEST_F(AlarmHall, RepeatZeroKeepsTheSingleAnnouncementAndAnAlarmOnAtStartIsListedSilently) {
  ctl(85).setAlarmBits(kTempLow);  // on before the first answer
  startWith({"Repeat=0", "Escalate=0"});
  runMs(3000);
  EXPECT_EQ(stateOf(85, kLow), "active-unacknowledged");
  ctl(5).setAlarmBits(kTempHigh);
  runMs(400'000);
  EXPECT_EQ(clips.count("5/5.mp3"), 1u);
  EXPECT_EQ(clips.count("85/85.mp3"), 0u) << "on at the first answer: no sound";
  EXPECT_EQ(list().unacknowledgedCount(), 2);
}

// A faulty sensor keeps the silence of its rise, but a fault nobody has acknowledged is heard
// at every repeat like any other waiting alarm, with its own clip; the sequencer's other slots
// keep their pace beside it.
TEST_F(AlarmHall, FaultySensorIsSilentAtItsRiseAndHeardAtEachRepeat) {
  startWith({"Repeat=60", "Escalate=0"});
  runMs(3000);
  ctl(5).setSensorFault(1, true);
  ctl(85).setAlarmBits(kTempLow);
  ASSERT_GE(runUntil([&] { return alarm(5, AlarmKind::SensorT1) != nullptr; }, 5), 0);
  runMs(20'000);
  EXPECT_EQ(clips.count("t1.mp3"), 0u) << "a sensor fault has no sound as it rises";
  EXPECT_EQ(clips.count("low.mp3"), 1u);
  runMs(60'000);
  EXPECT_EQ(clips.count("t1.mp3"), 1u) << "the first repeat";
  EXPECT_EQ(clips.count("low.mp3"), 2u);
  EXPECT_EQ(clips.count("5/5.mp3"), 1u);
  EXPECT_EQ(list().acknowledgeIncubator(5, "оператор"), 1);
  runMs(120'000);
  EXPECT_EQ(clips.count("t1.mp3"), 1u);
  EXPECT_EQ(clips.count("low.mp3"), 4u);
}

TEST_F(AlarmHall, SilentIncubatorRaisesNoLinkWhenItsNameTurnsYellowAndItsAnswerClearsIt) {
  startWith({"Repeat=0", "Escalate=0"});
  runMs(3000);
  ctl(85).options().neverAnswers = true;
  runMs(3000);
  EXPECT_EQ(alarm(85, AlarmKind::NoLink), nullptr) << "a few missed answers are no alarm";
  ASSERT_GE(runUntil([&] { return alarm(85, AlarmKind::NoLink) != nullptr; }, 60), 0);
  EXPECT_FALSE(st().nameCellLinked(1)) << "raised as the name turns yellow";
  EXPECT_EQ(stateOf(85, AlarmKind::NoLink), "active-unacknowledged");
  EXPECT_EQ(alarm(5, AlarmKind::NoLink), nullptr);
  // No status bit announces a silent incubator: the list does, once (Repeat=0).
  ASSERT_GE(runUntil([&] { return clips.count("link.mp3") == 1; }, 13), 0);
  ASSERT_GE(clips.opened.size(), 2u);
  EXPECT_EQ(clips.opened[clips.opened.size() - 2], "85/85.mp3") << "its number first";
  runMs(60'000);
  EXPECT_EQ(clips.count("link.mp3"), 1u);

  ctl(85).options().neverAnswers = false;
  ASSERT_GE(runUntil([&] { return !alarm(85, AlarmKind::NoLink)->active; }, 5), 0);
  EXPECT_EQ(st().tab_otvetR[1], 0) << "cleared by its answer";
  EXPECT_EQ(stateOf(85, AlarmKind::NoLink), "cleared-unacknowledged");
  list().acknowledgeIncubator(85, "оператор");
  EXPECT_EQ(stateOf(85, AlarmKind::NoLink), "gone");
  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, "АВАРИЯ! №85 «Инкубатор 85»: Нет связи"), 1u);
  EXPECT_EQ(occurrences(j, "Авария снята: №85 «Инкубатор 85»: Нет связи"), 1u);
}

TEST_F(AlarmHall, PulledAdapterRaisesUsbAlarmWithTheIndicatorAndItsReturnClearsIt) {
  startWith({"Repeat=0", "Escalate=0"});
  runMs(15'000);
  EXPECT_EQ(alarm(0, AlarmKind::Usb), nullptr);
  sim.unplug();
  const int after = runUntil([&] { return alarm(0, AlarmKind::Usb) != nullptr; }, 30);
  ASSERT_GE(after, 0);
  EXPECT_GE(after, 10) << "not before the indicator shows";
  EXPECT_GT(st().com_rabota, 10);
  EXPECT_EQ(stateOf(0, AlarmKind::Usb), "active-unacknowledged");
  ASSERT_GE(runUntil([&] { return clips.count("usb.mp3") == 1; }, 13), 0) << "heard at once";
  EXPECT_EQ(clips.count("0/0.mp3"), 0u) << "the station's own alarm has no number clip";

  sim.plugIn();  // the link opens it again by itself
  ASSERT_GE(runUntil([&] { return !alarm(0, AlarmKind::Usb)->active; }, 10), 0);
  EXPECT_EQ(stateOf(0, AlarmKind::Usb), "cleared-unacknowledged");
  EXPECT_EQ(occurrences(dir.journal(), "АВАРИЯ! Станция: USB не работает"), 1u);
}

TEST_F(AlarmHall, ShelvedIncubatorIsQuietUntilTheShelvingEnds) {
  startWith({"Repeat=60", "Escalate=0"});
  runMs(3000);
  ASSERT_TRUE(list().shelve(5, 120, "наладчик"));
  EXPECT_FALSE(list().shelve(85, 0, "наладчик"));
  ctl(5).setAlarmBits(kTempHigh);
  runMs(30'000);
  EXPECT_EQ(stateOf(5, kHigh), "shelved");
  EXPECT_EQ(clips.count("5/5.mp3"), 0u) << "a shelved incubator is not announced";
  EXPECT_EQ(list().unacknowledgedCount(), 1);

  runMs(95'000);  // the shelving ends by itself after 120 s
  EXPECT_FALSE(list().shelved(5));
  EXPECT_EQ(stateOf(5, kHigh), "active-unacknowledged");
  EXPECT_GE(runUntil([&] { return clips.count("5/5.mp3") == 1; }, 13), 0)
      << "a waiting alarm is heard on its return (within one scan of the sequencer)";
  runMs(62'000);
  EXPECT_EQ(clips.count("5/5.mp3"), 2u);

  ASSERT_TRUE(list().shelve(85, 100'000, "наладчик"));
  EXPECT_NEAR((list().shelvedUntil(85) - clock.now()) * 86400.0, 86400.0, 0.01)
      << "no longer than a day";
  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, "(наладчик): №5 «Инкубатор 5»"), 1u);
  EXPECT_EQ(occurrences(j, "Аварии возвращены: №5 «Инкубатор 5»"), 1u);
}

TEST_F(AlarmHall, ListSurvivesARestartWithoutSecondRaises) {
  startWith({"Repeat=60", "Escalate=0"});
  runMs(3000);
  ctl(5).setAlarmBits(kTempHigh);
  ctl(85).setAlarmBits(kTempLow);
  runMs(3000);
  ASSERT_EQ(list().acknowledgeIncubator(85, "оператор"), 1);
  const TDateTime raised = alarm(5, kHigh)->raised;
  runMs(2000);
  const std::size_t heard = clips.count("5/5.mp3");

  restart();
  runMs(5000);
  EXPECT_EQ(stateOf(5, kHigh), "active-unacknowledged");
  EXPECT_EQ(stateOf(85, kLow), "active-acknowledged");
  EXPECT_EQ(alarm(85, kLow)->acknowledgedBy, "оператор");
  EXPECT_DOUBLE_EQ(std::round(alarm(5, kHigh)->raised * 86400.0), std::round(raised * 86400.0));
  EXPECT_EQ(clips.count("5/5.mp3"), heard) << "not raised (nor announced) a second time";
  runMs(60'000);
  EXPECT_EQ(clips.count("5/5.mp3"), heard + 1) << "still waiting: still repeated";
  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, "АВАРИЯ!"), 2u);
}

TEST_F(AlarmHall, EscalationRunsEscalateAfterRaiseThenEveryRepeatUntilAcknowledged) {
  startWith({"Repeat=20", "Escalate=30", "Command=notify --hall"});
  FakeRunner runner(nowUs);
  runner.failWith = "код выхода 3";
  list().setRunner(&runner);
  runMs(3000);
  ctl(5).setAlarmBits(kTempHigh);
  ASSERT_GE(runUntil([&] { return alarm(5, kHigh) != nullptr; }, 5), 0);
  const std::int64_t raisedMs = nowUs / 1000;  // the answer came within the last second
  runMs(25'000);
  EXPECT_TRUE(runner.runs.empty());
  runMs(50'000);
  ASSERT_EQ(runner.runs.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const std::int64_t want = raisedMs + 30'000 + 20'000 * static_cast<std::int64_t>(i);
    EXPECT_GE(runner.runs[i].atMs, want - 1000) << i;
    EXPECT_LE(runner.runs[i].atMs, want + 1000) << i;
  }
  const EscalationRequest& r = runner.runs[0].request;
  EXPECT_EQ(r.command, "notify --hall");
  EXPECT_EQ(env(r, "VETROSTAN_INCUBATOR"), "5");
  EXPECT_EQ(env(r, "VETROSTAN_NAME"), "Инкубатор 5");
  EXPECT_EQ(env(r, "VETROSTAN_ALARM"), "Темп. выше зоны");
  EXPECT_EQ(env(r, "VETROSTAN_STATE"), "active-unacknowledged");
  EXPECT_EQ(env(r, "VETROSTAN_SINCE"), isoDateTime(alarm(5, kHigh)->raised));
  EXPECT_EQ(env(r, "VETROSTAN_STATION"), "hall-pc");

  ctl(5).setAlarmBits(0);  // cleared but nobody answered: still goes out, with its state
  runMs(20'000);
  ASSERT_EQ(runner.runs.size(), 4u);
  EXPECT_EQ(env(runner.runs[3].request, "VETROSTAN_STATE"), "cleared-unacknowledged");
  list().acknowledgeAll("оператор");
  runMs(200'000);
  EXPECT_EQ(runner.runs.size(), 4u);
  EXPECT_EQ(occurrences(dir.journal(), "Команда оповещения не выполнена (код выхода 3)"), 1u)
      << "a failing command is journalled once per alarm";
}

TEST_F(AlarmHall, EscalationWithoutRepeatRunsOnceAndNeverForShelvedOrRemoteStations) {
  startWith({"Repeat=0", "Escalate=10", "Command=notify"});
  FakeRunner runner(nowUs);
  list().setRunner(&runner);
  runMs(3000);
  list().shelve(85, 3600, "наладчик");
  ctl(5).setAlarmBits(kTempHigh);
  ctl(85).setAlarmBits(kTempHigh);
  runMs(3000);
  st().serverP = 3;  // a remote station: the serving one sends what goes out
  runMs(30'000);
  EXPECT_TRUE(runner.runs.empty());
  st().serverP = 1;
  runMs(120'000);
  ASSERT_EQ(runner.runs.size(), 1u);
  EXPECT_EQ(env(runner.runs[0].request, "VETROSTAN_INCUBATOR"), "5");
}

// 251 incubators raising the same alarm at once: every one is in the list, and what is heard
// is what the sequencer queues for one kind, not one announcement per incubator.
TEST_F(AlarmHall, WholeHallRaisingAtOnceHoldsTheListAndDoesNotMultiplyAnnouncements) {
  std::vector<std::uint8_t> all;
  for (int a = 1; a <= 251; ++a) {
    all.push_back(static_cast<std::uint8_t>(a));
    if (!sim.controller(static_cast<std::uint8_t>(a)))
      sim.addController(static_cast<std::uint8_t>(a));
    ScratchInstall::write(dir.home / "sound" / std::to_string(a) / (std::to_string(a) + ".mp3"),
                          "ID3");
  }
  configure = [&all](TFile_config& c) {
    c.kol_inkub = 251;
    for (std::size_t r = 0; r < all.size(); ++r) {
      c.konfig_n[r] = all[r];
      c.konfig_o[r] = 1;
      c.konfig_s[r].setUtf8(testing::hallName(all[r]));
    }
  };
  startWith({"Repeat=60", "Escalate=0"});
  runMs(30'000);
  for (std::uint8_t a : all) ctl(a).setAlarmBits(kTempHigh);
  runMs(30'000);
  ASSERT_EQ(list().size(), 251u);
  EXPECT_EQ(list().unacknowledgedCount(), 251);
  const std::size_t first = clips.numberClips();
  EXPECT_LE(first, 3u) << "the rising bits collapse into the kind's one flag, as before";
  runMs(240'000);
  const std::size_t repeats = clips.numberClips() - first;
  EXPECT_GE(repeats, 3u);
  EXPECT_LE(repeats, 5u) << "one announcement of the kind a minute, whatever the count";
  std::set<std::string> named;
  for (const std::string& f : clips.opened)
    if (f.find('/') != std::string::npos) named.insert(f);
  EXPECT_GE(named.size(), 4u) << "the repeats name the waiting incubators in turn";
  EXPECT_EQ(occurrences(dir.journal(), "АВАРИЯ!"), 251u);
  EXPECT_EQ(occurrences(ScratchInstall::read(dir.home / "alarms.txt"), "alarm\t"), 251u);
}

// A second copy on the folder only watches: it shows the list as the first copy writes it, and
// a file caught half-written keeps what it showed.
TEST_F(AlarmHall, WatchingCopyFollowsTheListTheFirstCopyWrites) {
  startWith({"Repeat=0", "Escalate=0"});
  runMs(3000);
  AlarmList watched(clock);
  AlarmStore follower(watched, dir.home);
  follower.readOnly = true;
  follower.load();
  EXPECT_EQ(watched.size(), 0u);

  ctl(5).setAlarmBits(kTempHigh);
  runMs(3000);
  follower.follow();
  ASSERT_NE(watched.find({5, kHigh}), nullptr) << "raised by the first copy";
  EXPECT_FALSE(watched.find({5, kHigh})->acknowledged);
  list().acknowledgeAll("оператор");
  runMs(2000);
  follower.follow();
  ASSERT_NE(watched.find({5, kHigh}), nullptr);
  EXPECT_EQ(watched.find({5, kHigh})->acknowledgedBy, "оператор");

  ScratchInstall::write(dir.home / "alarms.txt", "# Vetrostan alarm list 1\nalarm\t5");
  follower.follow();
  EXPECT_EQ(watched.find({5, kHigh})->acknowledgedBy, "оператор") << "a torn file is not taken";
  EXPECT_EQ(dir.journal().find("повреждён"), std::string::npos) << "nor said: it is not ours";
}

TEST_F(AlarmHall, DamagedListFileIsSaidOnceAndKeptUntilTheListHasChanged) {
  const fs::path file = dir.home / "alarms.txt";
  ScratchInstall::write(file, "not a list\n");
  startWith({"Repeat=0", "Escalate=0"});
  runMs(10'000);
  EXPECT_EQ(occurrences(dir.journal(), "повреждён"), 1u);
  EXPECT_EQ(ScratchInstall::read(file), "not a list\n") << "nothing of ours to write yet";

  ctl(5).setAlarmBits(kTempHigh);
  runMs(3000);
  EXPECT_EQ(occurrences(ScratchInstall::read(file), "alarm\t5\tz2\t"), 1u);
  EXPECT_EQ(ScratchInstall::read(fs::path(file) += ".bad"), "not a list\n");
  EXPECT_EQ(occurrences(dir.journal(), "повреждён"), 1u);
}

TEST_F(AlarmHall, MissingListFileIsSaidOnceAndStartedEmpty) {
  startWith({"Repeat=0", "Escalate=0"});
  runMs(3000);
  EXPECT_EQ(occurrences(dir.journal(), "не найден: начат пустой список"), 1u);
  EXPECT_EQ(ScratchInstall::read(dir.home / "alarms.txt"), std::string(kAlarmFileHeader) + "\n");
  restart();
  runMs(3000);
  EXPECT_EQ(occurrences(dir.journal(), "не найден: начат пустой список"), 1u);
}

TEST(AlarmFile, WritesAndReadsEveryFieldAndSkipsWhatItDoesNotKnow) {
  Alarm a;
  a.key = {85, AlarmKind::SensorT2};
  a.name = "Шкаф\t2";
  a.raised = encodeDateTime({2026, 12, 10, 14, 5, 0, 0});
  a.active = false;
  a.escalated = true;
  a.acknowledged = false;
  Alarm b;
  b.key = {0, AlarmKind::Usb};
  b.raised = encodeDateTime({2026, 12, 10, 9, 0, 7, 0});
  b.acknowledged = true;
  b.acknowledgedAt = encodeDateTime({2026, 12, 10, 9, 1, 0, 0});
  b.acknowledgedBy = "веб 10.0.0.7";
  const AlarmList::Shelf s{85, encodeDateTime({2026, 12, 11, 8, 0, 0, 0}), "наладчик"};
  const std::string text = formatAlarmFile({a, b}, {s});
  EXPECT_EQ(text,
            "# Vetrostan alarm list 1\n"
            "alarm\t85\tt2\t2026-12-10T14:05:00\t0\t1\t-\t\tШкаф 2\n"
            "alarm\t0\tusb\t2026-12-10T09:00:07\t1\t0\t2026-12-10T09:01:00\tвеб 10.0.0.7\t\n"
            "shelf\t85\t2026-12-11T08:00:00\tналадчик\n");

  const ParsedAlarmFile p =
      parseAlarmFile(text + "alarm\t5\tz99\t2026-12-10T14:05:00\t1\t0\t-\t\t\n" +
                     "alarm\t5\tz1\t2026-02-31T14:05:00\t1\t0\t-\t\t\n\r\n");
  EXPECT_TRUE(p.headerOk);
  ASSERT_EQ(p.alarms.size(), 2u);
  EXPECT_EQ(p.alarms[0].key.kind, AlarmKind::SensorT2);
  EXPECT_EQ(p.alarms[0].name, "Шкаф 2");
  EXPECT_FALSE(p.alarms[0].active);
  EXPECT_TRUE(p.alarms[0].escalated);
  EXPECT_TRUE(p.alarms[1].acknowledged);
  EXPECT_EQ(p.alarms[1].acknowledgedBy, "веб 10.0.0.7");
  ASSERT_EQ(p.shelves.size(), 1u);
  EXPECT_EQ(p.shelves[0].by, "наладчик");
  EXPECT_EQ(p.badLines, (std::vector<int>{5, 6})) << "an unknown kind, no such day";
}

TEST(AlarmSettings, SecondsOutsideADayTakeTheirDefaultAndAreSaid) {
  ScratchInstall dir;
  testing::writeIni(dir.home / "Vetrostan.INI",
                    {"[Alarm]", "Repeat=-5", "Escalate=120", "Command=/usr/bin/notify -x \"a b\""});
  Settings s;
  std::vector<std::string> problems;
  loadSettings(dir.home / "Vetrostan.INI", s, &problems);
  EXPECT_EQ(s.alarmRepeat, 300);
  EXPECT_EQ(s.alarmEscalate, 120);
  EXPECT_EQ(s.alarmCommand, "/usr/bin/notify -x \"a b\"");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("[Alarm] Repeat=-5"), std::string::npos);
}

}  // namespace
}  // namespace vs
