#include <gtest/gtest.h>

#include <vector>

#include "bus/FrameCodec.h"
#include "sim/SimBus.h"
#include "sim/SimHall.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

// At 38 400 baud with 11 bits a byte: one byte takes 286.458 us, a 9-byte poll 2578 us.
constexpr std::int64_t kPollUs = 2578;
constexpr std::int64_t kByteUs = 286;

// The station's side: the real codec writing to the bus and decoding what it reads back.
struct Master {
  SimBus& bus;
  FrameCodec codec;
  std::vector<RS232_T> frames;
  Bytes received;

  explicit Master(SimBus& b) : bus(b) {
    codec.write = [this](const std::uint8_t* p, std::int32_t n) {
      return static_cast<std::int32_t>(bus.write(p, static_cast<std::size_t>(n)));
    };
    codec.onGoodFrame = [this](const RS232_T& f) { frames.push_back(f); };
    EXPECT_TRUE(bus.open(SimBus::kSerial));
  }
  void poll(std::uint8_t address) {
    const std::uint8_t d[] = {0};
    codec.send(address, 0, d, 1);
  }
  void pump() {
    std::uint8_t buf[300];
    long long n;
    while ((n = bus.read(buf, sizeof buf)) > 0) {
      for (long long k = 0; k < n; ++k) {
        received.push_back(buf[k]);
        codec.Obrabotka_N(buf[k]);
      }
    }
  }
};

std::int64_t bytesUs(std::int64_t n, std::int64_t baud = 38400) {
  return n * 11'000'000 / baud;
}

TEST(SimBus, PollAndAnswerTakeTheirWireTime) {
  SimBus bus;
  bus.addController(5);
  Master m(bus);
  m.poll(5);
  // The controller has the poll only once its last byte is through.
  bus.advanceToUs(kPollUs - 1);
  EXPECT_EQ(bus.controller(5)->counters().polls, 0u);
  bus.advanceToUs(kPollUs);
  EXPECT_EQ(bus.controller(5)->counters().polls, 1u);
  // It answers at once; the master can read each byte once it has fully arrived.
  bus.advanceToUs(kPollUs + kByteUs - 1);
  EXPECT_EQ(bus.bytesWaiting(), 0);
  bus.advanceToUs(kPollUs + kByteUs);
  EXPECT_EQ(bus.bytesWaiting(), 1);
  bus.advance(200);
  m.pump();
  ASSERT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(m.frames[0].Otpr, 5);
  EXPECT_EQ(m.frames[0].Kol_d, 122);
  const auto w = static_cast<std::int64_t>(m.received.size());
  EXPECT_GE(w, 3 + 127);  // preamble, start and 127 frame bytes, more if any were escaped

  // Again, to see exactly when the last byte lands.
  SimBus bus2;
  bus2.addController(5);
  Master m2(bus2);
  m2.poll(5);
  bus2.advanceToUs(kPollUs + bytesUs(w) - 1);
  EXPECT_EQ(bus2.bytesWaiting(), w - 1);
  bus2.advanceToUs(kPollUs + bytesUs(w));
  EXPECT_EQ(bus2.bytesWaiting(), w);
}

TEST(SimBus, AnswerDelayAndBaudRateMoveTheTiming) {
  SimBus bus;
  bus.addController(5).options().answerDelayMs = 7;
  Master m(bus);
  m.poll(5);
  bus.advanceToUs(kPollUs + 7000 + kByteUs - 1);
  EXPECT_EQ(bus.bytesWaiting(), 0);
  bus.advanceToUs(kPollUs + 7000 + kByteUs);
  EXPECT_EQ(bus.bytesWaiting(), 1);

  SimBus slow;
  slow.setLineBaud(9600);
  slow.addController(5);
  Master s(slow);
  EXPECT_TRUE(slow.configure(LineSettings{9600, 8, 2, 0, 0}));
  s.poll(5);
  slow.advanceToUs(bytesUs(9, 9600) - 1);
  EXPECT_EQ(slow.controller(5)->counters().polls, 0u);
  slow.advanceToUs(bytesUs(9, 9600));
  EXPECT_EQ(slow.controller(5)->counters().polls, 1u);
}

TEST(SimBus, MasterFramesWrittenBackToBackQueueOnTheLine) {
  SimBus bus;
  bus.addController(5);
  bus.addController(6).options().answerDelayMs = 1000;  // keeps the line clear meanwhile
  Master m(bus);
  m.poll(6);
  m.poll(5);  // written at once, but goes out after the first
  bus.advanceToUs(2 * kPollUs - 1);
  EXPECT_EQ(bus.controller(5)->counters().polls, 0u);
  bus.advanceToUs(2 * kPollUs);
  EXPECT_EQ(bus.controller(5)->counters().polls, 1u);
  EXPECT_EQ(bus.counters().masterFrames, 2u);
}

TEST(SimBus, TalkingOverAnAnswerGarblesBoth) {
  SimBus bus;
  bus.addController(5);
  bus.addController(6);
  Master m(bus);
  m.poll(5);
  bus.advance(10);  // the answer of 5 is under way (it takes about 37 ms)
  ASSERT_GT(bus.bytesWaiting(), 0);
  m.poll(6);  // too early
  bus.advance(200);
  m.pump();
  EXPECT_TRUE(m.frames.empty());
  EXPECT_EQ(bus.controller(6)->counters().polls, 0u);
  EXPECT_EQ(bus.counters().collisions, 1u);
  EXPECT_GE(bus.counters().garbledBytes, 2u * 9);

  // Once the line is quiet the next exchange goes through.
  m.poll(6);
  bus.advance(200);
  m.pump();
  ASSERT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(m.frames[0].Otpr, 6);
}

TEST(SimBus, TwoControllersAtOneAddressCollide) {
  SimBus bus;
  bus.addController(7);
  bus.addController(7);
  Master m(bus);
  m.poll(7);
  bus.advance(200);
  m.pump();
  EXPECT_EQ(bus.counters().answers, 2u);
  EXPECT_EQ(bus.counters().collisions, 1u);
  EXPECT_TRUE(m.frames.empty());
  EXPECT_FALSE(m.received.empty());  // noise arrives all the same
}

TEST(SimBus, AMasterThatWaitsForEachAnswerNeverCollides) {
  SimBus bus;
  uniformHall(bus, 251);
  Master m(bus);
  for (int a = 1; a <= 251; ++a) {
    m.poll(static_cast<std::uint8_t>(a));
    const auto before = m.frames.size();
    for (int k = 0; k < 100 && m.frames.size() == before; ++k) {
      bus.advance(1);
      m.pump();
    }
    ASSERT_EQ(m.frames.size(), before + 1) << "incubator " << a;
    EXPECT_EQ(m.frames.back().Otpr, a);
  }
  EXPECT_EQ(bus.counters().collisions, 0u);
  EXPECT_EQ(bus.counters().masterFrames, 251u);
  EXPECT_EQ(bus.counters().answers, 251u);
  // About 40 ms a row on the wire, so the cycle took some ten seconds of bus time.
  EXPECT_GT(bus.nowMs(), 251 * 39);
  EXPECT_LT(bus.nowMs(), 251 * 42);
}

TEST(SimBus, SilentAndShortControllersAsTheMasterSeesThem) {
  SimBus bus;
  bus.addController(5).options().shortLength = 3;
  bus.addController(6).options().silentShare = 1.0;
  bus.addController(8).options().neverAnswers = true;
  Master m(bus);
  for (std::uint8_t a : {5, 6, 8}) {
    m.poll(a);
    bus.advance(100);
    m.pump();
  }
  ASSERT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(m.frames[0].Otpr, 5);
  EXPECT_EQ(m.frames[0].Kol_d, 3);
  EXPECT_EQ(bus.counters().answers, 1u);
}

TEST(SimBus, MismatchedLineSettingsGiveOnlyNoise) {
  SimBus bus;
  bus.addController(5);
  Master m(bus);
  ASSERT_TRUE(bus.configure(LineSettings{230400, 8, 2, 0, 0}));
  m.poll(5);
  bus.advance(100);
  m.pump();
  EXPECT_EQ(bus.controller(5)->counters().polls, 0u);
  EXPECT_TRUE(m.frames.empty());
}

TEST(SimBus, OneAdapterOpenedBySerialNumberOrSim) {
  SimBus bus;
  const auto ports = bus.list();
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].serialNumber, "SIM00001");
  EXPECT_EQ(ports[0].description, "Simulated RS-485 hall");
  const std::uint8_t b = 0;
  EXPECT_EQ(bus.write(&b, 1), -1);
  EXPECT_EQ(bus.bytesWaiting(), -1);
  EXPECT_FALSE(bus.configure(LineSettings{}));
  EXPECT_FALSE(bus.open("FT123456"));
  EXPECT_FALSE(bus.isOpen());
  EXPECT_TRUE(bus.open("sim"));
  EXPECT_TRUE(bus.isOpen());
  EXPECT_EQ(bus.bytesWaiting(), 0);
  bus.close();
  EXPECT_FALSE(bus.isOpen());
}

TEST(SimBus, UnpluggedAdapterFailsUntilReopened) {
  SimBus bus;
  bus.addController(5);
  Master m(bus);
  m.poll(5);
  bus.advance(20);  // half an answer in
  ASSERT_GT(bus.bytesWaiting(), 0);
  bus.unplug();
  std::uint8_t buf[8] = {};
  EXPECT_EQ(bus.bytesWaiting(), -1);
  EXPECT_EQ(bus.read(buf, sizeof buf), -1);
  EXPECT_EQ(bus.write(buf, 1), -1);
  EXPECT_TRUE(bus.list().empty());
  EXPECT_FALSE(bus.open(SimBus::kSerial));
  bus.advance(1000);  // the answer goes on meanwhile, to nobody

  bus.plugIn();
  EXPECT_EQ(bus.list().size(), 1u);
  EXPECT_TRUE(bus.open(SimBus::kSerial));
  bus.advance(100);
  EXPECT_EQ(bus.bytesWaiting(), 0);  // what was on its way before is gone
  m.poll(5);
  bus.advance(100);
  m.pump();
  ASSERT_EQ(m.frames.size(), 1u);
}

TEST(SimBus, AStaleHandleStaysDeadAfterReplugging) {
  SimBus bus;
  ASSERT_TRUE(bus.open(SimBus::kSerial));
  bus.unplug();
  bus.plugIn();
  EXPECT_TRUE(bus.isOpen());
  EXPECT_EQ(bus.bytesWaiting(), -1);
}

TEST(SimBus, FollowsItsTimeSource) {
  SimBus bus;
  bus.addController(5);
  std::int64_t clockUs = 1'000'000;
  bus.setTimeSource([&] { return clockUs; });
  Master m(bus);
  m.poll(5);  // written at 1 s
  clockUs += kPollUs + kByteUs;
  EXPECT_EQ(bus.bytesWaiting(), 1);
  clockUs += 100'000;
  m.pump();
  EXPECT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(bus.nowUs(), clockUs);
  EXPECT_FALSE(bus.nextEventUs().has_value());
}

TEST(SimBus, InstantWireDeliversWithoutDelay) {
  SimBus bus;
  bus.setInstantWire(true);
  bus.addController(5);
  Master m(bus);
  m.poll(5);
  m.pump();
  EXPECT_EQ(m.frames.size(), 1u);
  EXPECT_EQ(bus.nowUs(), 0);
}

}  // namespace
}  // namespace vs
