// The program's escalation runner with real commands: a script that writes its environment and
// arguments to a file, a failing command, a missing one, one that runs too long, and a burst of
// requests that is taken a few at a time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "alarms/ui/EscalationProcess.h"

namespace vs {
namespace {

// Lets the event loop run until `done` holds or `ms` have passed.
template <typename F>
bool waitFor(F done, int ms = 10'000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

std::string script(const QTemporaryDir& dir, const char* name, const std::string& body) {
  const QString path = dir.filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(("#!/bin/sh\n" + body).c_str());
  f.close();
  f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
  return path.toStdString();
}

EscalationRequest request(const std::string& command) {
  EscalationRequest r;
  r.key = {5, slotKind(2)};
  r.command = command;
  r.environment = {{"VETROSTAN_INCUBATOR", "5"},
                   {"VETROSTAN_NAME", "Инкубатор 5"},
                   {"VETROSTAN_ALARM", "Темп. выше зоны"},
                   {"VETROSTAN_STATE", "active-unacknowledged"},
                   {"VETROSTAN_SINCE", "2026-12-10T14:05:00"},
                   {"VETROSTAN_STATION", "hall-pc"}};
  return r;
}

TEST(EscalationProcess, CommandGetsTheAlarmInItsEnvironmentAndItsArgumentsWithoutAShell) {
  QTemporaryDir dir;
  const std::string out = dir.filePath("out.txt").toStdString();
  const std::string s = script(dir, "notify.sh",
                               "env | grep '^VETROSTAN_' | sort > \"$1\"\n"
                               "printf '%s|' \"$@\" >> \"$1\"\n");
  EscalationProcess runner;
  std::vector<std::string> failures;
  int ended = 0;
  QObject::connect(&runner, &EscalationProcess::finished, [&] { ++ended; });
  runner.run(request(s + " " + out + " \"два слова\" \"$HOME\" ;rm"),
             [&](const std::string& why) { failures.push_back(why); });
  ASSERT_TRUE(waitFor([&] { return ended == 1; }));
  EXPECT_TRUE(failures.empty()) << failures.front();
  QFile f(QString::fromStdString(out));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()).toStdString(),
            "VETROSTAN_ALARM=Темп. выше зоны\n"
            "VETROSTAN_INCUBATOR=5\n"
            "VETROSTAN_NAME=Инкубатор 5\n"
            "VETROSTAN_SINCE=2026-12-10T14:05:00\n"
            "VETROSTAN_STATE=active-unacknowledged\n"
            "VETROSTAN_STATION=hall-pc\n" +
                out + "|два слова|$HOME|;rm|");
}

TEST(EscalationProcess, FailuresAreHandedBackInWords) {
  QTemporaryDir dir;
  EscalationProcess runner;
  runner.timeoutMs = 300;
  std::vector<std::string> failures;
  auto note = [&](const std::string& why) { failures.push_back(why); };
  runner.run(request(script(dir, "fails.sh", "echo 'no modem' >&2\nexit 3\n")), note);
  runner.run(request(dir.filePath("missing").toStdString()), note);
  runner.run(request(script(dir, "hangs.sh", "exec sleep 20\n")), note);
  runner.run(request("  "), note);
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(waitFor([&] { return failures.size() == 4 && runner.running() == 0; }));
  EXPECT_LT(t.elapsed(), 5000) << "the long command is ended, not waited for";
  std::sort(failures.begin(), failures.end());
  EXPECT_NE(failures[0].find("missing не запускается"), std::string::npos) << failures[0];
  EXPECT_EQ(failures[1], "код выхода 3: no modem");
  EXPECT_EQ(failures[2], "пустая команда");
  EXPECT_EQ(failures[3], "работала дольше 0.3 с и прервана");
}

TEST(EscalationProcess, BurstOfRequestsRunsAFewAtATime) {
  QTemporaryDir dir;
  const std::string s = script(dir, "slow.sh", "sleep 0.2\n");
  EscalationProcess runner;
  int ended = 0, most = 0;
  QObject::connect(&runner, &EscalationProcess::finished, [&] { ++ended; });
  for (int i = 0; i < 12; ++i) runner.run(request(s), nullptr);
  EXPECT_EQ(runner.running(), 0) << "nothing starts inside the caller's tick";
  ASSERT_TRUE(waitFor([&] {
    most = std::max(most, runner.running());
    return ended == 12;
  }));
  EXPECT_EQ(most, EscalationProcess::kMaxRunning);
}

}  // namespace
}  // namespace vs
