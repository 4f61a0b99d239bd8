#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "bus/FrameCodec.h"
#include "sim/SimController.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs wire bytes through the real receive state machine; the last good frame, if any.
std::optional<RS232_T> decode(const Bytes& wire) {
  FrameCodec codec;
  std::optional<RS232_T> got;
  codec.onGoodFrame = [&](const RS232_T& f) { got = f; };
  for (auto b : wire) codec.Obrabotka_N(b);
  return got;
}

// A request from the station as a device receives it.
RS232_T request(std::uint8_t pol, std::uint8_t kadr, const Bytes& data) {
  Bytes wire(kMaxWireFrame);
  wire.resize(encodeFrame(pol, kStationAddress, kadr, data.data(),
                          static_cast<std::uint8_t>(data.size()), wire.data()));
  return *decode(wire);
}

// Sends a request to the controller; the decoded answer, if it gave one.
std::optional<RS232_T> ask(SimController& c, std::uint8_t pol, std::uint8_t kadr, const Bytes& data,
                           std::int64_t nowMs = 0) {
  auto a = c.onFrame(request(pol, kadr, data), nowMs);
  if (!a) return std::nullopt;
  auto f = decode(a->wire);
  EXPECT_TRUE(f.has_value()) << "the answer's CRC must hold";
  return f;
}

std::optional<RS232_T> poll(SimController& c, std::int64_t nowMs = 0) {
  return ask(c, c.address(), 0, {0x00}, nowMs);
}

Bytes data(const RS232_T& f) {
  return Bytes(f.Dann.begin(), f.Dann.begin() + f.Kol_d);
}

int word(const RS232_T& f, std::size_t i) {
  return f.Dann[i] | (f.Dann[i + 1] << 8);
}

TEST(SimController, StatusAnswerCarriesEveryFieldAtItsOffset) {
  SimController c(5);
  c.setVersions(0x0A0B, 0x0708, 0x0102);
  c.setByte(StatusAt::GsmSost, 0x33);
  c.setC1(0x1122);
  c.setC2(0x0410);
  c.setT1(3781);
  c.setT2(3774);
  c.setT3(3752);
  c.setHumidity(55);
  c.setC4(0x02);
  c.setU1(2200);
  c.setByte(StatusAt::VrSek, 17);
  c.setByte(StatusAt::VrMin, 42);
  c.setWord(StatusAt::SMotor, 120);
  c.setC3(0x0020);
  c.setWord(StatusAt::StPovorot, 1234);
  c.setC5(0x0506);
  c.setWord(StatusAt::VersiaLotki, 14);
  c.setWord(StatusAt::StNarabotka, 15000);
  c.setWord(StatusAt::CO2, 600);
  c.setWord(StatusAt::Tots, 3760);

  const auto a = c.onFrame(request(5, 0, {0x00}), 0);
  ASSERT_TRUE(a.has_value());
  // Preamble, start, receiver 222, sender 5, kind 0, 122 data bytes, answer type 5.
  EXPECT_EQ(Bytes(a->wire.begin(), a->wire.begin() + 8),
            (Bytes{0x00, 0x00, 0xAA, 0xDE, 0x05, 0x00, 0x7A, 0x05}));
  const auto f = decode(a->wire);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Kol_d, 122);
  const std::pair<std::size_t, std::uint8_t> expected[] = {
      {0, 5},     {1, 0x02},   {2, 0x01},   {3, 0x33},   {7, 0x08},   {8, 0x07},   {17, 0x22},
      {18, 0x11}, {19, 0x10},  {20, 0x04},  {21, 0xC5},  {22, 0x0E},  {23, 0xBE},  {24, 0x0E},
      {25, 0xA8}, {26, 0x0E},  {27, 55},    {28, 0x02},  {29, 0x98},  {30, 0x08},  {31, 17},
      {32, 42},   {33, 120},   {34, 0},     {37, 0x0B},  {38, 0x0A},  {39, 0x20},  {40, 0x00},
      {43, 0xC4}, {44, 0x0E},  {104, 0xD2}, {105, 0x04}, {106, 0x06}, {107, 0x05}, {108, 14},
      {109, 0},   {110, 0x98}, {111, 0x3A}, {118, 0x58}, {119, 0x02}, {120, 0xB0}, {121, 0x0E},
  };
  for (const auto& [i, b] : expected) EXPECT_EQ(f->Dann[i], b) << "data byte " << i;
  // The lifelike defaults: working temperature 37.80 inside bounds 37.30 .. 38.30.
  EXPECT_EQ(word(*f, 41), 3830);
  EXPECT_EQ(word(*f, 45), 3730);
  // Words 31..34 and the fields from byte 104 on are the same bytes, read two ways.
  EXPECT_EQ(static_cast<std::uint16_t>(c.zon(31)) >> 8, 0xD2);
  EXPECT_EQ(static_cast<std::uint16_t>(c.zon(32)), 0x0604);
}

TEST(SimController, ParameterWritesShowInTheAnswerThatFollows) {
  SimController c(7);
  // Working temperature 37.50: word 1, bytes A6 0E. The answer to the write already has it.
  auto a = ask(c, 7, 101, {5, 1, 1, 0xA6, 0x0E, 0});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->Otpr, 7);
  EXPECT_EQ(a->Dann[43], 0xA6);
  EXPECT_EQ(a->Dann[44], 0x0E);
  EXPECT_EQ(c.zon(1), 3750);
  EXPECT_EQ(poll(c)->Dann[43], 0xA6);

  // Configuration items each set one byte of their word.
  ask(c, 7, 101, {5, 10, 40, 1, 0, 0});     // hatching: word 19 low byte
  ask(c, 7, 101, {5, 10, 41, 0, 0, 0});     // ventilation off: word 19 high byte
  ask(c, 7, 101, {5, 10, 55, 0x83, 0, 0});  // alarm delay 1.5 min with the bell: word 26 high
  ask(c, 7, 101, {5, 10, 60, 3, 0, 0});     // ventilation equipment: word 31 low byte
  const auto p = poll(c);
  EXPECT_EQ(word(*p, 41 + 2 * 19), 0x0001);
  EXPECT_EQ(p->Dann[41 + 2 * 26 + 1], 0x83);
  EXPECT_EQ(p->Dann[41 + 2 * 31], 3);
  EXPECT_EQ(c.counters().applied, 5u);

  // Negative values travel as two's complement.
  ask(c, 7, 101, {5, 1, 2, 0xCE, 0xFF, 0});
  EXPECT_EQ(c.zon(2), -50);
}

TEST(SimController, WritesItDoesNotUnderstandChangeNothingButAreAnswered) {
  SimController c(7);
  const auto before = c.image();
  const Bytes ignored[] = {
      {5, 1, 3, 0x10, 0x00, 0},  // calibration word: not writable
      {5, 1, 35, 1, 0, 0},       // past the 35 words
      {5, 10, 43, 1, 0, 0},      // no such item
      {5, 77, 1, 1, 0, 0},       // no such write kind
      {5, 211, 13, 30, 0, 0},    // damper item, but no damper board
      {5, 1, 1},                 // cut short
      {9, 1, 2, 3},              // unknown command
  };
  for (const auto& d : ignored) {
    const auto a = ask(c, 7, 101, d);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->Kol_d, 122);
  }
  EXPECT_EQ(c.image(), before);
  EXPECT_EQ(c.counters().applied, 0u);
  EXPECT_EQ(c.counters().commands, 7u);
}

TEST(SimController, ActionCommandsAreRecordedAndValue4ResetsTheAlarms) {
  SimController c(3);
  c.setAlarmBits(0x8024);
  c.setSensorFault(1, true);
  ASSERT_EQ(c.word(StatusAt::C2), 0x8424);
  ASSERT_TRUE(ask(c, 3, 101, {6, 7, 1, 0, 0}).has_value());
  EXPECT_EQ(c.word(StatusAt::C2), 0x8424);
  const auto a = ask(c, 3, 101, {6, 4, 1, 0, 0});
  EXPECT_EQ(word(*a, StatusAt::C2), 0x0400);  // the sensor fault stays
  EXPECT_EQ(c.actions(), (Bytes{7, 4}));
}

TEST(SimController, ListensOnlyToItsOwnAddressAndTheServiceAddress) {
  SimController c(5);
  EXPECT_FALSE(ask(c, 6, 0, {0}).has_value());
  EXPECT_FALSE(ask(c, 6, 101, {5, 1, 1, 0x10, 0x0E, 0}).has_value());
  EXPECT_EQ(c.zon(1), 3780);
  EXPECT_FALSE(ask(c, 5, 0, {}).has_value());  // a poll without its data byte
  EXPECT_FALSE(ask(c, 5, 223, {1, 2}).has_value());
  EXPECT_EQ(c.counters().polls, 0u);
  EXPECT_EQ(ask(c, 5, 0, {1})->Otpr, 5);  // the check request is a poll like any other

  // Service address 0: new bus number (1..251 only), factory reset; neither is answered.
  EXPECT_FALSE(ask(c, 0, 100, {0}).has_value());
  EXPECT_FALSE(ask(c, 0, 100, {252}).has_value());
  EXPECT_EQ(c.address(), 5);
  EXPECT_FALSE(ask(c, 0, 100, {9}).has_value());
  EXPECT_EQ(c.address(), 9);
  EXPECT_EQ(poll(c)->Otpr, 9);
  EXPECT_FALSE(ask(c, 5, 0, {0}).has_value());

  ask(c, 9, 101, {5, 1, 1, 0x10, 0x0E, 0});
  c.setWord(StatusAt::StPovorot, 777);
  EXPECT_FALSE(ask(c, 0, 120, {0}).has_value());
  EXPECT_EQ(c.zon(1), 3780);
  EXPECT_EQ(c.word(StatusAt::StPovorot), 777);  // a factory reset keeps the counters
}

TEST(SimController, SilentShareIsRepeatableFromItsSeed) {
  SimControllerOptions o;
  o.silentShare = 0.25;
  o.seed = 42;
  SimController a(1), b(1);
  a.setOptions(o);
  b.setOptions(o);
  std::vector<bool> answeredA, answeredB;
  for (int k = 0; k < 2000; ++k) {
    answeredA.push_back(poll(a).has_value());
    answeredB.push_back(poll(b).has_value());
  }
  EXPECT_EQ(answeredA, answeredB);
  EXPECT_EQ(a.counters().answers + a.counters().silenced, 2000u);
  EXPECT_GT(a.counters().silenced, 400u);
  EXPECT_LT(a.counters().silenced, 600u);

  o.seed = 43;
  SimController d(1);
  d.setOptions(o);
  std::vector<bool> answeredD;
  for (int k = 0; k < 2000; ++k) answeredD.push_back(poll(d).has_value());
  EXPECT_NE(answeredA, answeredD);

  o.silentShare = 1.0;
  d.setOptions(o);
  for (int k = 0; k < 50; ++k) EXPECT_FALSE(poll(d).has_value());
}

TEST(SimController, ShortAnswersAreTheFirstBytesOfTheStatus) {
  SimController c(2);
  const auto full = data(*poll(c));
  c.options().shortLength = 1;
  const auto one = poll(c);
  EXPECT_EQ(one->Kol_d, 1);
  EXPECT_EQ(one->Dann[0], 5);
  c.options().shortLength = 30;
  EXPECT_EQ(data(*poll(c)), Bytes(full.begin(), full.begin() + 30));
  c.options().shortLength = 500;
  EXPECT_EQ(poll(c)->Kol_d, 122);
}

TEST(SimController, ADeadControllerNeitherAnswersNorApplies) {
  SimController c(4);
  c.options().neverAnswers = true;
  EXPECT_FALSE(poll(c).has_value());
  EXPECT_FALSE(ask(c, 4, 101, {5, 1, 1, 0x10, 0x0E, 0}).has_value());
  EXPECT_EQ(c.zon(1), 3780);
}

// The damper angle as the station computes it from the answer.
double angleFromAnswer(const RS232_T& f) {
  const double a = word(f, 35) * 45.0 / 64 / 100;
  const double b = word(f, 8) * 45.0 / 64 / 100;
  const double c = word(f, 10) * 45.0 / 64 / 100;
  return (a - b) * 90 / (c - b);
}

TEST(SimController, DamperBoardReportsAPositionThatGivesItsAngle) {
  SimController c(6);
  c.fitDamper(true);
  auto f = poll(c);
  EXPECT_EQ(word(*f, StatusAt::C3) & 0x0200, 0x0200);
  // Board answering, damper 1; 24.0 V; calibration 0x0800 / 0x1800; set 45; 30 s; V3.
  EXPECT_EQ(Bytes(f->Dann.begin() + 4, f->Dann.begin() + 16),
            (Bytes{0x81, 0x05, 0xD9, 0x03, 0x00, 0x08, 0x00, 0x18, 45, 30, 0x03, 0x80}));
  EXPECT_EQ(word(*f, 35), 0x1000);
  EXPECT_DOUBLE_EQ(angleFromAnswer(*f), 45.0);

  // A new set angle: the damper travels one degree a second.
  ask(c, 6, 101, {5, 211, 13, 60, 0, 0}, 1000);
  EXPECT_EQ(poll(c, 1000)->Dann[12], 60);
  EXPECT_EQ(std::lround(angleFromAnswer(*poll(c, 11'000))), 55);
  EXPECT_EQ(std::lround(angleFromAnswer(*poll(c, 16'000))), 60);
  EXPECT_EQ(std::lround(angleFromAnswer(*poll(c, 99'000))), 60);

  ask(c, 6, 101, {5, 211, 13, 120, 0, 0}, 100'000);  // more than 90 is cut to 90
  EXPECT_EQ(poll(c, 100'000)->Dann[12], 90);
  ask(c, 6, 101, {5, 211, 12, 15, 0, 0}, 100'000);
  EXPECT_EQ(poll(c, 100'000)->Dann[13], 15);
  ask(c, 6, 101, {5, 211, 13, 255, 0, 0}, 200'000);  // factory settings
  f = poll(c, 200'000);
  EXPECT_EQ(f->Dann[12], 45);
  EXPECT_EQ(f->Dann[13], 30);
  ask(c, 6, 101, {5, 211, 21, 0, 0, 0}, 200'000);
  EXPECT_EQ(c.counters().calibrations, 1u);

  c.fitDamper(false);
  EXPECT_EQ(word(*poll(c), StatusAt::C3) & 0x0200, 0);
}

TEST(SimController, StaticUnlessLive) {
  SimController c(8);
  EXPECT_EQ(c.status(0), c.status(3'600'000));
  EXPECT_EQ(c.status(0), c.image());
}

TEST(SimController, LiveValuesDriftSlowlyAndRepeatForTheSameTime) {
  SimController a(8), b(8);
  a.options().live = true;
  b.options().live = true;
  int lo = 1 << 20, hi = 0, blLo = 100, blHi = 0;
  for (std::int64_t t = 0; t <= 3'600'000; t += 10'000) {
    const auto s = a.status(t);
    ASSERT_EQ(s, b.status(t));
    const int t1 = s[StatusAt::T1] | (s[StatusAt::T1 + 1] << 8);
    lo = std::min(lo, t1);
    hi = std::max(hi, t1);
    blLo = std::min<int>(blLo, s[StatusAt::BL]);
    blHi = std::max<int>(blHi, s[StatusAt::BL]);
  }
  EXPECT_GE(lo, 3781 - 20);
  EXPECT_LE(hi, 3781 + 20);
  EXPECT_GE(hi - lo, 5) << "the readings should move";
  EXPECT_GE(blLo, 53);
  EXPECT_LE(blHi, 57);
}

TEST(SimController, LiveReadingsFollowANewWorkingTemperature) {
  SimController c(8);
  c.options().live = true;
  auto t1At = [&](std::int64_t t) {
    const auto s = c.status(t);
    return s[StatusAt::T1] | (s[StatusAt::T1 + 1] << 8);
  };
  ask(c, 8, 101, {5, 1, 1, 0x74, 0x0E, 0}, 60'000);  // 37.00
  EXPECT_NEAR(t1At(60'000), 3781, 20);               // nothing happens at once
  EXPECT_NEAR(t1At(60'000 + 1'800'000), 3701, 20);   // settled half an hour later
}

TEST(SimController, LiveTraysTurnEveryPeriodWhileIncubating) {
  SimController c(8);
  c.options().live = true;
  auto s = c.status(0);
  EXPECT_EQ(s[StatusAt::VrMin], 59);
  EXPECT_EQ(s[StatusAt::VrSek], 59);
  s = c.status(61 * 60'000);  // one turn of the 60-minute period behind
  EXPECT_EQ(s[StatusAt::VrMin], 58);
  EXPECT_EQ(s[StatusAt::VrSek], 59);
  EXPECT_EQ(s[StatusAt::C1] & 0x0C, 0x08);  // turned left now
  EXPECT_EQ(s[StatusAt::StPovorot] | (s[StatusAt::StPovorot + 1] << 8), 1235);
  // The run-hours counter runs on, all four bytes of it.
  c.setWord(StatusAt::StNarabotka, 0xFFFF);
  c.setWord(StatusAt::StNarabotka + 2, 0x9000);
  s = c.status(2 * 3'600'000);
  EXPECT_EQ(Bytes(s.begin() + 110, s.begin() + 114), (Bytes{0x01, 0x00, 0x01, 0x90}));

  ask(c, 8, 101, {5, 10, 40, 1, 0, 0});  // hatching: trays stop
  s = c.status(61 * 60'000);
  EXPECT_EQ(s[StatusAt::C1] & 0x0C, 0x04);
  EXPECT_EQ(s[StatusAt::StPovorot] | (s[StatusAt::StPovorot + 1] << 8), 1234);
}

}  // namespace
}  // namespace vs
