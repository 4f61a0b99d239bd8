// The program without windows against the simulator program on a pseudo-terminal: the real
// serial code, the real timers and the real files, from start-up to the end by a signal.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/SettingsFile.h"
#include "history/LogFile.h"
#include "sim/SimController.h"
#include "tests/hall_home.h"
#include "tests/test_workstation_fixture.h"
#include "tests/ui/ChildProcess.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::ScratchInstall;

const std::vector<std::uint8_t> kAddresses{5, 85, 170};

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

using testing::isolatedEnvironment;
using testing::stopProcess;

class HeadlessE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo::exists(VETROSTAN_BIN) || !QFileInfo::exists(VETROSTAN_SIM_BIN))
      GTEST_SKIP() << "program or simulator not built";
    // The first incubator keeps a measurement log.
    testing::writeHallConfig(dir.home / "config.cfg", kAddresses, [](TFile_config& c) {
      c.konfig_Write[0] = 1;
      c.konfig_f[0].setUtf8("пять");
    });
    fs::create_directories(dir.home / "file");
  }
  void TearDown() override {
    stopProcess(program);
    stopProcess(sim);
  }

  // Own registry copy and single-instance lock: tests run in parallel.
  QProcessEnvironment env() { return isolatedEnvironment(dir.root); }

  // Starts the simulated hall and returns the path of its pseudo-terminal, or "" (5 s at most).
  std::string startSim() {
    sim.setProcessEnvironment(env());
    sim.start(VETROSTAN_SIM_BIN, {"--pty", "--addresses", "5,85,170"});
    if (!sim.waitForStarted(5000)) return {};
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && sim.state() == QProcess::Running) {
      if (!sim.canReadLine()) sim.waitForReadyRead(100);
      while (sim.canReadLine()) {
        const QString line = QString::fromUtf8(sim.readLine()).trimmed();
        if (line.startsWith("PTY ")) return line.mid(4).trimmed().toStdString();
      }
    }
    return {};
  }

  void launch(const std::string& adapter) {
    testing::writeIni(dir.home / "Vetrostan.INI",
                      {"[USB]", "usb-Serial_Number=" + adapter, "[Server]", "ServerP=1"});
    program.setProcessEnvironment(env());
    program.start(VETROSTAN_BIN, {"--headless", "--home", q(dir.home)});
    ASSERT_TRUE(program.waitForStarted(10000));
  }

  // Checks `done` every 50 ms until it holds, the program has ended or `ms` have passed.
  bool waitFor(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
      if (deadline.hasExpired() || program.state() == QProcess::NotRunning) return done();
      QThread::msleep(50);
    }
    return true;
  }

  // SIGTERM and the end of the program (15 s at most); its standard error.
  std::string terminate() {
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(15000)) << "still running 15 s after SIGTERM";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    return program.readAllStandardError().toStdString();
  }

  ScratchInstall dir;
  QProcess sim, program;
};

TEST_F(HeadlessE2e, PollsTheSimulatedHallIntoTheSharedFileAndEndsOnSigterm) {
  const std::string pty = startSim();
  ASSERT_FALSE(pty.empty()) << "the simulator printed no \"PTY <path>\" line";
  launch(pty);

  // The simulator's controllers keep still values, so their answers are known exactly.
  std::vector<SimController::Status> sent;
  for (std::uint8_t a : kAddresses) sent.push_back(SimController(a).status(0));
  std::string lastMismatch = "no whole dan.dan yet";
  const bool matched = waitFor(
      [&] {
        const auto dan = testing::readDan(dir.home / "dan.dan");
        if (!dan) return false;
        for (std::size_t n = 0; n < kAddresses.size(); ++n) {
          lastMismatch = testing::danEntryMismatch(dan->d[n], kAddresses[n], sent[n]);
          if (!lastMismatch.empty()) {
            lastMismatch = "row " + std::to_string(n) + ": " + lastMismatch;
            return false;
          }
        }
        return dan->kol == kAddresses.size();
      },
      15000);
  EXPECT_TRUE(matched) << lastMismatch;

  const std::string err = terminate();
  const std::string journal = dir.journal();
  EXPECT_NE(journal.find("программа Запущена"), std::string::npos) << err;
  EXPECT_NE(journal.find("программа ЗАКРЫТА!"), std::string::npos) << err;
  Settings s;
  loadSettings(dir.home / "Vetrostan.INI", s);
  EXPECT_EQ(s.usbSerialNumber, pty);
  EXPECT_EQ(s.ServerP, 1);

  // The log holds the answers of incubator 5, the last batch written at the end by SIGTERM:
  // one setpoint record per batch of ten, the part batch included.
  std::vector<TFile> fil;
  std::vector<TFileZon> zon;
  std::string error;
  ASSERT_TRUE(readLog(dir.home / "file" / "пять.fil", fil, error)) << error;
  ASSERT_TRUE(readLog(dir.home / "file" / "пять.0il", zon, error)) << error;
  ASSERT_FALSE(fil.empty());
  EXPECT_EQ(zon.size(), (fil.size() + 9) / 10);
  EXPECT_GT(fil.back().T1, 30.0);
  EXPECT_LT(fil.back().T1, 45.0);
  EXPECT_EQ(fil.back().dt, zon.back().dt);
}

// The adapter behind a stable link (as udev's /dev/serial/by-id gives one): missing at start,
// plugged in, pulled out and plugged in again on the same link. The hall is never unwatched
// without a word, and polling comes back by itself each time.
TEST_F(HeadlessE2e, AdapterBehindAStableLinkIsFoundLostAndFoundAgain) {
  const fs::path link = dir.root / "serial-by-id-adapter";
  launch(link.string());

  // Missing at start: named on standard error, the timers go on and the shared file already
  // shows the configured hall, every row without link.
  ASSERT_TRUE(waitFor([&] { return testing::readDan(dir.home / "dan.dan") != nullptr; }, 10000));
  auto dan = testing::readDan(dir.home / "dan.dan");
  ASSERT_TRUE(dan);
  EXPECT_EQ(dan->kol, kAddresses.size());
  EXPECT_EQ(dan->d[2].naim.utf8(), testing::hallName(170));
  EXPECT_EQ(dan->d[2].on, 0);

  std::vector<SimController::Status> sent;
  for (std::uint8_t a : kAddresses) sent.push_back(SimController(a).status(0));
  const auto allAnswering = [&] {
    const auto d = testing::readDan(dir.home / "dan.dan");
    if (!d) return false;
    for (std::size_t n = 0; n < kAddresses.size(); ++n)
      if (!d->d[n].on || !testing::danEntryMismatch(d->d[n], kAddresses[n], sent[n]).empty())
        return false;
    return true;
  };
  const auto rowLost = [&] {
    const auto d = testing::readDan(dir.home / "dan.dan");
    return d && d->d[0].on == 0 && d->d[0].tab_otvetR >= 5;
  };
  const auto journalHas = [&](const std::string& what) {
    return dir.journal().find(what) != std::string::npos;
  };

  std::string pty = startSim();
  ASSERT_FALSE(pty.empty());
  fs::create_symlink(pty, link);
  EXPECT_TRUE(waitFor(allAnswering, 15000)) << "not found after it was plugged in";

  stopProcess(sim);  // pulled out
  EXPECT_TRUE(waitFor([&] { return journalHas("потеряна"); }, 10000));
  EXPECT_TRUE(waitFor(rowLost, 30000));

  pty = startSim();  // plugged in again: another device behind the same link
  ASSERT_FALSE(pty.empty());
  fs::remove(link);
  fs::create_symlink(pty, link);
  EXPECT_TRUE(waitFor([&] { return !rowLost() && allAnswering(); }, 15000))
      << "polling did not resume";

  const std::string err = terminate();
  EXPECT_NE(err.find("Не удалось открыть порт USB! =  " + link.string()), std::string::npos) << err;
  const std::string journal = dir.journal();
  const std::string lost = "Связь с адаптером " + link.string() + " потеряна";
  const std::string back = "Связь с адаптером " + link.string() + " восстановлена";
  EXPECT_EQ(journal.find(lost), journal.rfind(lost)) << "told once: " << journal;
  EXPECT_NE(journal.find(lost), std::string::npos) << journal;
  EXPECT_NE(journal.find(back, journal.find(lost)), std::string::npos) << journal;
  EXPECT_NE(err.find(lost), std::string::npos) << "standard error hears it too: " << err;
}

}  // namespace
}  // namespace vs
