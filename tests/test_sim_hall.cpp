#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"
#include "sim/SimHall.h"

namespace vs {
namespace {

using Addresses = std::vector<std::uint8_t>;

TEST(SimHallFile, AddressLists) {
  EXPECT_EQ(parseAddressList("5,85,170"), (Addresses{5, 85, 170}));
  EXPECT_EQ(parseAddressList(" 1-3, 2 ,7 "), (Addresses{1, 2, 3, 7}));
  EXPECT_EQ(parseAddressList("251"), (Addresses{251}));
  for (const char* bad : {"", "0", "252", "3-1", "a", "1,,2", "1-", "-3", "5;6", "0x05x"})
    EXPECT_FALSE(parseAddressList(bad).has_value()) << bad;
}

TEST(SimHallFile, ReadsGlobalAndPerIncubatorKeys) {
  const std::string text =
      "# a small hall\n"
      "addresses = 3, 10-11\n"
      "delay_ms = 4\n"
      "silent_share = 0.5   # every other poll\n"
      "seed = 9\n"
      "live = yes\n"
      "\n"
      "10.T1 = 3900\r\n"
      "10.T2=3850\n"
      "10.BL = 61\n"
      "10.C2 = 0x0420\n"
      "10.delay_ms = 12\n"
      "10.damper = 1\n"
      "11.never_answers = on\n"
      "11.short_length = 2\n"
      "11.line = 3\n"
      "hub = 1\n"
      "hub_answer = wrong_check\n"
      "hub_version = 0x0007\n"
      "20.T3 = 3700\n";  // not listed: added
  std::vector<std::string> errors;
  const HallConfig c = parseHallConfig(text, errors);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(c.addresses, (Addresses{3, 10, 11, 20}));

  SimBus bus;
  buildHall(bus, c);
  ASSERT_EQ(bus.controllers().size(), 4u);
  const SimController& plain = *bus.controller(3);
  EXPECT_EQ(plain.options().answerDelayMs, 4);
  EXPECT_DOUBLE_EQ(plain.options().silentShare, 0.5);
  EXPECT_TRUE(plain.options().live);
  const SimController& ten = *bus.controller(10);
  EXPECT_EQ(ten.word(StatusAt::T1), 3900);
  EXPECT_EQ(ten.word(StatusAt::T2), 3850);
  EXPECT_EQ(ten.byte(StatusAt::BL), 61);
  EXPECT_EQ(ten.word(StatusAt::C2), 0x0420);
  EXPECT_EQ(ten.options().answerDelayMs, 12);
  EXPECT_TRUE(ten.hasDamper());
  EXPECT_TRUE(bus.controller(11)->options().neverAnswers);
  EXPECT_EQ(bus.controller(11)->options().shortLength, 2);
  EXPECT_EQ(bus.controller(20)->word(StatusAt::T3), 3700);
  // Seeds differ per controller, so their silences do not march in step.
  EXPECT_NE(plain.options().seed, ten.options().seed);
  // Behind the hub: line 1 unless given, the hub's memory routing each to its line.
  ASSERT_NE(bus.hub(), nullptr);
  EXPECT_EQ(bus.lineBaud(), 230400u);
  EXPECT_EQ(bus.hub()->answer, SimHubAnswer::WrongCheck);
  EXPECT_EQ(bus.hub()->version, 0x0007);
  EXPECT_EQ(bus.controller(11)->hubLine, 3);
  EXPECT_EQ(bus.hub()->routeOf(11), 3);
  EXPECT_EQ(bus.hub()->routeOf(3), 1);
  EXPECT_EQ(bus.hub()->routeOf(4), 0);
}

TEST(SimHallFile, ReportsBadLinesByNumberAndKeepsTheRest) {
  const std::string text =
      "addresses = 1\n"
      "no equals sign\n"
      "colour = red\n"
      "silent_share = 1.5\n"
      "1.T1 = hot\n"
      "300.T1 = 3800\n"
      "1.seed = 4\n"
      "1.T2 = 3760\n"
      "1.line = 5\n"
      "hub_answer = maybe\n";
  std::vector<std::string> errors;
  const HallConfig c = parseHallConfig(text, errors);
  ASSERT_EQ(errors.size(), 8u);
  EXPECT_EQ(errors[0].rfind("line 2:", 0), 0u);
  EXPECT_EQ(errors[5].rfind("line 7:", 0), 0u);
  EXPECT_DOUBLE_EQ(c.silentShare, 0.0);
  EXPECT_EQ(c.entries.at(1).t2, 3760);
  EXPECT_FALSE(c.entries.at(1).t1.has_value());
}

TEST(SimHall, DemoHallAnswersLikeAHall) {
  SimBus bus;
  demoHall(bus);
  ASSERT_EQ(bus.controllers().size(), 12u);
  FrameCodec codec;
  std::set<int> answered;
  std::vector<RS232_T> frames(256);
  codec.write = [&](const std::uint8_t* p, std::int32_t n) {
    return static_cast<std::int32_t>(bus.write(p, static_cast<std::size_t>(n)));
  };
  codec.onGoodFrame = [&](const RS232_T& f) {
    answered.insert(f.Otpr);
    frames[f.Otpr] = f;
  };
  ASSERT_TRUE(bus.open("sim"));
  // Two rounds, so that the one that skips an answer now and then is heard.
  for (int round = 0; round < 2; ++round) {
    for (int a = 1; a <= 12; ++a) {
      const std::uint8_t d[] = {0};
      codec.send(static_cast<std::uint8_t>(a), 0, d, 1);
      bus.advance(100);
      std::uint8_t buf[600];
      const long long n = bus.read(buf, sizeof buf);
      for (long long k = 0; k < n; ++k) codec.Obrabotka_N(buf[k]);
    }
  }
  EXPECT_EQ(answered, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12}));
  EXPECT_EQ(bus.counters().collisions, 0u);
  auto c2 = [&](int a) { return frames[a].Dann[19] | (frames[a].Dann[20] << 8); };
  auto c3 = [&](int a) { return frames[a].Dann[39] | (frames[a].Dann[40] << 8); };
  EXPECT_NE(c2(4) & SimController::kAlarmBits, 0);
  EXPECT_EQ(c2(1), 0);
  EXPECT_EQ(c2(7) & 0x0400, 0x0400);
  EXPECT_EQ(c3(6) & 0x0200, 0x0200);
  EXPECT_EQ(c3(11) & 0x0080, 0x0080);
  EXPECT_EQ(frames[11].Dann[41 + 2 * 19] & 1, 1);  // hatching
}

}  // namespace
}  // namespace vs
