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
    testing::writeHallConfig(dir.home / "config.cfg", kAddresses);
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
}

TEST_F(HeadlessE2e, MissingAdapterNeitherStopsNorHangsTheProgram) {
  launch((dir.root / "no-such-tty").string());
  // The 1 s tick has run after the failed open: the timers go on.
  EXPECT_TRUE(waitFor([&] { return fs::exists(dir.home / "dan.dan"); }, 10000));
  ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
  terminate();
  EXPECT_NE(dir.journal().find("программа ЗАКРЫТА!"), std::string::npos);
}

TEST_F(HeadlessE2e, MissingAdapterIsNamedOnStandardError) {
  const fs::path missing = dir.root / "no-such-tty";
  launch(missing.string());
  EXPECT_TRUE(waitFor([&] { return fs::exists(dir.home / "dan.dan"); }, 10000));
  const std::string err = terminate();
  EXPECT_NE(err.find("Не удалось открыть порт USB!"), std::string::npos) << err;
  EXPECT_NE(err.find(missing.string()), std::string::npos) << err;
}

}  // namespace
}  // namespace vs
