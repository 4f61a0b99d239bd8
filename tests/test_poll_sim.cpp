// The poll cycle against simulated controllers on a half-duplex line, in virtual time: the
// frames really travel, take their wire time and collide when two talk at once.
#include <gtest/gtest.h>

#include <cstdio>

#include "station/ScheduleDebug.h"
#include "tests/VirtualStation.h"

namespace vs {
namespace {

using test::VirtualStation;

TEST(PollSim, FastPollingFollowsTheAnswersAndOldComputersWaitForTheTimer) {
  VirtualStation modern;
  modern.addIncubators(5);
  modern.runMs(5000);
  VirtualStation old;
  old.addIncubators(5);
  old.station.controls.Compyter = 1;
  old.runMs(5000);

  std::uint64_t fast = 0, slow = 0;
  for (const auto& c : modern.bus.controllers()) fast += c->counters().answers;
  for (const auto& c : old.bus.controllers()) slow += c->counters().answers;
  // The old way: one poll per second from the first second on, less the cycle ends.
  EXPECT_EQ(slow, 4u);
  // Fast polling: each answer (about 40 ms of wire) brings the next poll until the cycle ends;
  // cycles start once a second.
  EXPECT_EQ(fast, 4u * 5u);
  EXPECT_EQ(modern.station.T1[4], 3781);
  EXPECT_EQ(modern.bus.counters().collisions, 0u);
}

TEST(PollSim, TimerPollNeverCollidesWithAnAnswerInFlight) {
  // Slow controllers and a dead one: the timer poll is the time-out of the dead one, and must
  // not go out while a slow controller is still answering the previous poll.
  VirtualStation vs;
  vs.addIncubators(30);  // a chain of answers that lasts longer than the poll period
  for (std::size_t i = 0; i < vs.bus.controllers().size(); ++i) {
    auto& c = *vs.bus.controllers()[i];
    c.options().answerDelayMs = 20 + static_cast<std::int64_t>(i * 37 % 60);
    if (i == 25) c.options().neverAnswers = true;
  }
  vs.runMs(60'000);
  EXPECT_EQ(vs.bus.counters().collisions, 0u);
  EXPECT_GT(vs.bus.controllers()[29]->counters().answers, 10u);
  EXPECT_EQ(vs.station.tab_otvetR[25], 10);
  EXPECT_EQ(vs.station.tab_otvetR[24], 0);
}

TEST(PollSim, PendingCommandIsTheFirstFrameOnTheLine) {
  VirtualStation vs;
  vs.addIncubators(3);
  scheduleDebugRequest(vs.station.kom485m, 3);  // to address 1: kind 101, data 5 50 4 0 0 0
  vs.runMs(150);
  const auto& c = *vs.bus.controller(1);
  EXPECT_EQ(c.counters().commands, 1u);
  EXPECT_EQ(c.counters().polls, 0u);
  EXPECT_EQ(vs.bus.counters().masterFrames, 1u);
}

TEST(PollSim, SilentIncubatorClimbsToTenAndComesBack) {
  VirtualStation vs;
  vs.addIncubators(2);
  vs.bus.controller(2)->options().neverAnswers = true;
  vs.runMs(25'500);  // a cycle every two seconds: the answer, the time-out, the cycle's end
  EXPECT_EQ(vs.station.tab_otvetR[1], 10);
  EXPECT_EQ(vs.station.tab_otvetR[0], 0);
  vs.bus.controller(2)->options().neverAnswers = false;
  vs.runMs(2'000);
  EXPECT_EQ(vs.station.tab_otvetR[1], 0);
  EXPECT_EQ(vs.station.tab_otvet[1], 10) << "the table's copy follows at the next cycle";
  vs.runMs(1'000);
  EXPECT_EQ(vs.station.tab_otvet[1], 0);
}

TEST(PollSim, DebugModeStoresTheChosenBlockInRowZero) {
  VirtualStation vs;
  vs.addIncubators(3);
  vs.bus.controller(3)->setT1(3900);
  vs.station.controls.otladka = true;
  vs.station.controls.otlad = 3;
  vs.runMs(3'100);
  EXPECT_EQ(vs.station.T1[0], 3900);
  EXPECT_EQ(vs.station.T1[2], 0);
  EXPECT_EQ(vs.bus.controller(1)->counters().polls, 0u);
  EXPECT_EQ(vs.bus.controller(3)->counters().polls, 3u) << "one poll a second, no fast polling";
}

TEST(PollSim, RemoteStationLeavesTheBusAlone) {
  VirtualStation vs;
  vs.addIncubators(3);
  vs.station.serverP = 4;
  vs.station.dan.Server_s = "/nonexistent/";
  vs.runMs(1'100);  // the first second behaves as a bus station
  const auto frames = vs.bus.counters().masterFrames;
  vs.runMs(30'000);
  EXPECT_EQ(vs.bus.counters().masterFrames, frames);
  EXPECT_FALSE(vs.usbNoShown);
}

// One full cycle of a large hall with fast polling, against the time the bytes themselves need
// on the wire (11 bits a byte at 38 400 baud). Prints the figures, for the read pass run as soon
// as bytes arrive and for the plain 20 ms read pass.
void measureFullCycle(bool readOnArrival) {
  VirtualStation vs;
  vs.readOnArrival = readOnArrival;
  vs.addIncubators(251);
  std::int64_t firstPollUs = -1, lastAnswerUs = -1;
  std::uint64_t bytesAtStart = 0, bytesAtEnd = 0;
  auto lineBytes = [&vs] {
    return vs.bus.counters().masterBytes + vs.bus.counters().bytesToMaster;
  };
  const auto onSend = vs.station.hooks.send;
  vs.station.hooks.send = [&](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                              std::uint8_t len) {
    if (pol == 1 && firstPollUs < 0) {
      firstPollUs = vs.nowUs();
      bytesAtStart = lineBytes();
    }
    onSend(pol, kadr, d, len);
  };
  vs.station.listeners.add(StatusStep::AnswerCount, [&](const StatusEvent& e) {
    if (e.nk == 250 && lastAnswerUs < 0) {
      lastAnswerUs = vs.nowUs();
      bytesAtEnd = lineBytes();  // the poll this answer brings is not sent yet
    }
  });
  vs.runMs(20'000);
  ASSERT_GE(firstPollUs, 0);
  ASSERT_GE(lastAnswerUs, 0);
  for (std::size_t r = 0; r < 251; ++r) EXPECT_EQ(vs.station.T1[r], 3781) << "row " << r;
  EXPECT_EQ(vs.bus.counters().collisions, 0u);

  const auto bytes = bytesAtEnd - bytesAtStart;
  const double wireS = static_cast<double>(bytes) * 11.0 / 38400.0;
  const double cycleS = static_cast<double>(lastAnswerUs - firstPollUs) / 1e6;
  std::printf(
      "[ figures  ] 251 incubators, 38400 baud, %s: cycle %.3f s, wire %.3f s "
      "(%llu bytes), cycle / wire = %.3f\n",
      readOnArrival ? "read on arrival" : "20 ms read pass", cycleS, wireS,
      static_cast<unsigned long long>(bytes), cycleS / wireS);
}

TEST(PollSim, FullCycleOf251IncubatorsReadOnArrival) {
  measureFullCycle(true);
}
TEST(PollSim, FullCycleOf251IncubatorsTwentyMsReadPass) {
  measureFullCycle(false);
}

}  // namespace
}  // namespace vs
