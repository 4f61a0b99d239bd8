// The measurement logs: every sample reaches its file, raw or in its average, across batches,
// at shut-down and after a failed write; the files keep their 40-byte records.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "history/LogFile.h"
#include "history/LogWriter.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

using testing::BusHall;
using testing::ScratchInstall;

template <typename Record>
std::vector<Record> records(const std::filesystem::path& p) {
  std::vector<Record> out;
  std::string error;
  EXPECT_TRUE(readLog(p, out, error)) << p << ": " << error;
  return out;
}

// The hall with logging on for its first two incubators; 85 has a damper board at 30°.
class LoggedHall : public BusHall {
 protected:
  void startLogging(bool averaging) {
    configure = [averaging](TFile_config& c) {
      c.usrednenie10 = averaging ? 11 : 0;
      for (std::size_t r : {0u, 1u}) {
        c.konfig_Write[r] = 1;
        c.konfig_f[r].setUtf8("Инк " + std::to_string(r + 1));
      }
    };
    ctl(85).fitDamper(true);
    ctl(85).placeDamper(30);
    ctl(85).setDamperAngle(30, 0);
    std::filesystem::create_directories(dir.home / "file");
    start();
    bus->station.listeners.add(StatusStep::MainTable, [this](const StatusEvent& e) {
      if (e.nk < 2) ++answers[e.nk];
    });
  }
  std::filesystem::path fil(int r) const {
    return dir.home / "file" / ("Инк " + std::to_string(r + 1) + ".fil");
  }
  std::filesystem::path zon(int r) const {
    return dir.home / "file" / ("Инк " + std::to_string(r + 1) + ".0il");
  }
  int answers[2] = {0, 0};
};

TEST_F(LoggedHall, RawLogHoldsEveryAnswerInOrderAndTheRestIsWrittenAtShutDown) {
  startLogging(false);
  runMs(47'000);
  ASSERT_GT(answers[0], 25);
  ASSERT_NE(answers[0] % 10, 0) << "the test wants a batch still open at shut-down";
  // Before shut-down only whole batches of ten are on disk.
  EXPECT_EQ(records<TFile>(fil(0)).size(), static_cast<std::size_t>(answers[0] / 10 * 10));
  ws->shutDown();

  for (int r : {0, 1}) {
    const auto fil_ = records<TFile>(fil(r));
    ASSERT_EQ(fil_.size(), static_cast<std::size_t>(answers[r])) << "row " << r;
    for (std::size_t i = 1; i < fil_.size(); ++i) ASSERT_GT(fil_[i].dt, fil_[i - 1].dt);
    EXPECT_GE(fil_.front().dt, kStart);
    EXPECT_LE(fil_.back().dt, clock.now());
    // One setpoint record per batch, the last one for the part written at shut-down.
    const auto zon_ = records<TFileZon>(zon(r));
    EXPECT_EQ(zon_.size(), static_cast<std::size_t>((answers[r] + 9) / 10));
    EXPECT_EQ(zon_.back().dt, fil_.back().dt);
    EXPECT_EQ(zon_.back().ustT, st().ZON[static_cast<std::size_t>(r)][1]);
    EXPECT_EQ(zon_.back().zsl, st().ZASL[static_cast<std::size_t>(r)][13]);
  }
  const TFile& a = records<TFile>(fil(0)).back();
  EXPECT_DOUBLE_EQ(a.T1, st().T1k[0] / 100.0);
  EXPECT_DOUBLE_EQ(a.T3, st().T3k[0] / 100.0);
  EXPECT_EQ(a.BL, st().BL[0]);
  EXPECT_EQ(a.C2, st().C2[0]);
  EXPECT_EQ(a.zsl, 0) << "no damper board on 5";
  EXPECT_EQ(records<TFile>(fil(1)).back().zsl, 40) << "damper at 30° on 85";
  EXPECT_EQ(dir.journal().find("не записан"), std::string::npos);
}

TEST_F(LoggedHall, MissingFolderIsToldOnceAndTheSamplesWaitForIt) {
  startLogging(true);
  std::filesystem::remove_all(dir.home / "file");
  runMs(25'000);
  const int before = answers[0];
  ASSERT_GE(before, 20);
  const std::string j = dir.journal();
  EXPECT_EQ(testing::occurrences(j, "не существует: журналы измерений не записываются"), 1u) << j;
  std::filesystem::create_directories(dir.home / "file");
  ws->shutDown();
  // Every sample is in an average: two full batches and the rest, nothing lost meanwhile.
  const auto fil_ = records<TFile>(fil(0));
  EXPECT_EQ(fil_.size(), static_cast<std::size_t>((answers[0] + 9) / 10));
  EXPECT_NE(dir.journal().find("есть: журналы измерений записываются"), std::string::npos);
}

// The engine on its own, with values that change from sample to sample.
struct Samples {
  ScratchInstall dir;
  TFile_config config{};
  std::unique_ptr<StationTables> tables = std::make_unique<StationTables>();
  LogWriter logs{dir.home, config, *tables};
  std::vector<std::string> told;

  explicit Samples(bool averaging) {
    config.kol_inkub = 1;
    config.konfig_Write[0] = 1;
    config.konfig_f[0].setUtf8("x");
    config.usrednenie10 = averaging ? 11 : 0;
    std::filesystem::create_directories(dir.home / "file");
    logs.failures.report = [this](const std::string& t) { told.push_back(t); };
  }
  // Sample i: T1 = i °C, humidity i %, at day 46000 + i seconds.
  void take(int from, int to) {
    for (int i = from; i <= to; ++i) {
      tables->T1k[0] = i * 100;
      tables->BL[0] = static_cast<std::uint8_t>(i);
      logs.capture(0, 46000.0 + i / 86400.0);
    }
  }
  std::vector<TFile> fil() { return records<TFile>(dir.home / "file" / "x.fil"); }
};

TEST(LogWriter, AveragedRecordIsTheMeanOfExactlyItsTenSamples) {
  Samples s(true);
  s.take(1, 25);
  s.logs.flushAll();
  const auto r = s.fil();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_DOUBLE_EQ(r[0].T1, 5.5);   // 1..10
  EXPECT_DOUBLE_EQ(r[1].T1, 15.5);  // 11..20
  EXPECT_DOUBLE_EQ(r[2].T1, 23.0);  // 21..25, written at shut-down
  EXPECT_EQ(r[0].BL, 5);            // 55 / 10, truncated
  EXPECT_DOUBLE_EQ(r[1].dt, 46000.0 + 20 / 86400.0) << "time of the batch's last sample";
  // Turning averaging off takes effect with the next batch; nothing is lost at the switch.
  s.config.usrednenie10 = 7;  // anything but 11 is off
  s.take(26, 35);
  EXPECT_EQ(s.fil().size(), 13u);
}

TEST(LogWriter, FailedWritesKeepTheSamplesBoundedAndTellOnce) {
  Samples s(false);
  const auto fil = s.dir.home / "file" / "x.fil";
  setWriteFault([&](const std::filesystem::path& p) { return p == fil; });
  s.take(1, 30);
  EXPECT_EQ(s.logs.heldBack(0), 30u);
  ASSERT_EQ(s.told.size(), 1u);
  EXPECT_NE(s.told[0].find("не записан (No space left on device)"), std::string::npos) << s.told[0];
  setWriteFault({});
  s.take(31, 40);
  auto r = s.fil();
  ASSERT_EQ(r.size(), 40u);
  for (std::size_t i = 0; i < r.size(); ++i) ASSERT_DOUBLE_EQ(r[i].T1, static_cast<double>(i + 1));
  ASSERT_EQ(s.told.size(), 2u);
  EXPECT_NE(s.told[1].find("снова записывается"), std::string::npos);

  // A disk that stays full: the oldest give way, the memory stays bounded, told once.
  setWriteFault([&](const std::filesystem::path& p) { return p == fil; });
  const int many = static_cast<int>(LogWriter::kBacklog) + 30;
  s.take(41, 40 + many);
  EXPECT_EQ(s.logs.heldBack(0), LogWriter::kBacklog);
  EXPECT_EQ(s.told.size(), 4u) << "one line for the failure, one for the dropping";
  setWriteFault({});
  s.logs.flushAll();
  r = s.fil();
  ASSERT_EQ(r.size(), 40u + LogWriter::kBacklog);
  EXPECT_DOUBLE_EQ(r[40].T1, 71.0) << "the 30 oldest were dropped";
  EXPECT_DOUBLE_EQ(r.back().T1, static_cast<double>(40 + many));
  EXPECT_NE(s.told.back().find("отброшено записей: 30"), std::string::npos) << s.told.back();
}

TEST(LogWriter, PartialRecordAtTheEndIsCutSoNewRecordsStayAligned) {
  Samples s(false);
  TFile old{};
  old.dt = 45000.0;
  std::string bytes(reinterpret_cast<const char*>(&old), sizeof old);
  bytes += "abc";  // an older program stopped in the middle of a record
  ScratchInstall::write(s.dir.home / "file" / "x.fil", bytes);
  s.take(1, 10);
  const auto r = s.fil();
  ASSERT_EQ(r.size(), 11u);
  EXPECT_DOUBLE_EQ(r[1].T1, 1.0);
  EXPECT_DOUBLE_EQ(s.logs.vremN[0], 45000.0) << "start of the log from its first record";
  ASSERT_FALSE(s.told.empty());
  EXPECT_NE(s.told[0].find("(3 байт) отрезана"), std::string::npos);
}

}  // namespace
}  // namespace vs
