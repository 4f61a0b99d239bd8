#include <gtest/gtest.h>

#include <vector>

#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"
#include "bus/crc.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes wireOf(std::uint8_t pol, std::uint8_t kadr, const Bytes& data) {
  Bytes out(kMaxWireFrame);
  out.resize(encodeFrame(pol, kStationAddress, kadr, data.data(),
                         static_cast<std::uint8_t>(data.size()), out.data()));
  return out;
}

// Collects every good frame fed through the state machine.
struct Receiver {
  FrameCodec codec;
  std::vector<RS232_T> frames;
  Receiver() {
    codec.onGoodFrame = [this](const RS232_T& f) { frames.push_back(f); };
  }
  void feed(const Bytes& bytes) {
    for (auto b : bytes) codec.Obrabotka_N(b);
  }
};

TEST(Crc8, TableAndCheckValue) {
  EXPECT_EQ(Crc8Table[0], 0x00);
  EXPECT_EQ(Crc8Table[1], 0x31);
  EXPECT_EQ(Crc8Table[128], 0x7A);
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(Count_CRC(abc, 3), 0xA9);
  EXPECT_EQ(crc8(0x12, 0x34), Crc8Table[0x12 ^ 0x34]);
}

TEST(BlokWopros, StatusPollsOfTheWorkedExamples) {
  EXPECT_EQ(wireOf(5, 0, {0x00}), (Bytes{0x00, 0x00, 0xAA, 0x05, 0xDE, 0x00, 0x01, 0x00, 0xA7}));
  EXPECT_EQ(wireOf(85, 0, {0x00}),
            (Bytes{0x00, 0x00, 0xAA, 0x55, 0x02, 0xDE, 0x00, 0x01, 0x00, 0x1A}));
  EXPECT_EQ(wireOf(170, 0, {0x00}),
            (Bytes{0x00, 0x00, 0xAA, 0x55, 0x01, 0xDE, 0x00, 0x01, 0x00, 0x89}));
}

TEST(BlokWopros, HandsOneStuffedFrameToTheWriterAndSignalsTheSend) {
  FrameCodec codec;
  Bytes written;
  int sent = 0;
  codec.write = [&](const std::uint8_t* p, std::int32_t n) {
    written.assign(p, p + n);
    return n;
  };
  codec.onSent = [&] { ++sent; };
  const std::uint8_t payload[] = {0xFF, 1, 0x00};  // element 0 ignored, L = 1, data 00
  codec.BlokWopros(85, 222, 0, payload);
  EXPECT_EQ(written, (Bytes{0x00, 0x00, 0xAA, 0x55, 0x02, 0xDE, 0x00, 0x01, 0x00, 0x1A}));
  EXPECT_EQ(sent, 1);

  // A frame the adapter did not take whole is no send (a pulled-out adapter must not look
  // busy); a throwing writer is caught and told once.
  std::vector<std::string> told;
  codec.failures.report = [&](const std::string& t) { told.push_back(t); };
  codec.write = [](const std::uint8_t*, std::int32_t n) { return n - 1; };
  codec.BlokWopros(5, 222, 0, payload);
  codec.write = [](const std::uint8_t*, std::int32_t) -> std::int32_t { throw 1; };
  codec.BlokWopros(5, 222, 0, payload);
  codec.BlokWopros(5, 222, 0, payload);
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(told.size(), 1u);
}

TEST(Obrabotka_N, ReceivesTheWorkedExamplesBackUnstuffed) {
  for (std::uint8_t addr : {5, 85, 170}) {
    Receiver r;
    r.feed(wireOf(addr, 0, {0x00}));
    ASSERT_EQ(r.frames.size(), 1u) << int(addr);
    EXPECT_EQ(r.frames[0].Pol, addr);
    EXPECT_EQ(r.frames[0].Otpr, 222);
    EXPECT_EQ(r.frames[0].Kadr, 0);
    EXPECT_EQ(r.frames[0].Kol_d, 1);
    EXPECT_EQ(r.frames[0].Dann[0], 0);
  }
}

TEST(Obrabotka_N, EscapesInDataAndInTheCrcByte) {
  // Data with both special bytes.
  Receiver r;
  r.feed(wireOf(1, 0, {0x55, 0xAA, 0x55}));
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.frames[0].Dann[0], 0x55);
  EXPECT_EQ(r.frames[0].Dann[1], 0xAA);
  EXPECT_EQ(r.frames[0].Dann[2], 0x55);

  // Find frames whose CRC byte is 0x55 and 0xAA; they go out escaped and are accepted.
  for (std::uint8_t want : {0x55, 0xAA}) {
    bool found = false;
    for (int d = 0; d < 256 && !found; ++d) {
      const std::uint8_t raw[] = {0xAA, 7, 222, 0, 1, static_cast<std::uint8_t>(d)};
      if (Count_CRC(raw, 6) != want) continue;
      found = true;
      const Bytes wire = wireOf(7, 0, {static_cast<std::uint8_t>(d)});
      ASSERT_EQ(wire[wire.size() - 2], 0x55);
      EXPECT_EQ(wire.back(), want == 0x55 ? 0x02 : 0x01);
      Receiver rr;
      rr.feed(wire);
      ASSERT_EQ(rr.frames.size(), 1u);
      EXPECT_EQ(rr.frames[0].Dann[0], d);
    }
    EXPECT_TRUE(found);
  }
}

TEST(Obrabotka_N, NoiseBadCrcAndRestarts) {
  Receiver r;
  // Noise before the first 0xAA, including escapes and zeros.
  r.feed({0x13, 0x55, 0x01, 0x00, 0x00, 0x7F});
  EXPECT_TRUE(r.frames.empty());
  // A raw 0xAA in the middle of a frame abandons it; the following frame is taken.
  Bytes first = wireOf(9, 0, {5, 1, 2, 3, 4});
  first.resize(first.size() - 3);
  r.feed(first);
  r.feed(wireOf(10, 0, {5, 9}));
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.frames[0].Pol, 10);
  // A wrong CRC drops the frame silently and the machine waits for the next start.
  Bytes bad = wireOf(11, 0, {5, 1});
  bad.back() ^= 0x01;
  r.feed(bad);
  EXPECT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.codec.RS232.Nb, 0);
  r.feed(wireOf(12, 0, {5, 2}));
  EXPECT_EQ(r.frames.size(), 2u);
}

TEST(Obrabotka_N, LengthsZeroAndMaximumAndSplitAcrossPasses) {
  Receiver r;
  r.feed(wireOf(3, 0, {}));
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(r.frames[0].Kol_d, 0);

  Bytes big(255);
  for (std::size_t k = 0; k < big.size(); ++k) big[k] = static_cast<std::uint8_t>(k);
  const Bytes wire = wireOf(4, 0, big);
  // Split in two passes at every position in turn.
  for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
    Receiver s;
    s.feed(Bytes(wire.begin(), wire.begin() + static_cast<long>(cut)));
    s.feed(Bytes(wire.begin() + static_cast<long>(cut), wire.end()));
    ASSERT_EQ(s.frames.size(), 1u) << cut;
    EXPECT_EQ(s.frames[0].Kol_d, 255);
    for (std::size_t k = 0; k < 255; ++k) ASSERT_EQ(s.frames[0].Dann[k], k);
  }
}

TEST(Obrabotka_N, DataAreaIsNeverCleared) {
  Receiver r;
  r.feed(wireOf(1, 0, {5, 1, 2, 3, 4, 5}));
  r.feed(wireOf(1, 0, {5, 9}));
  ASSERT_EQ(r.frames.size(), 2u);
  EXPECT_EQ(r.codec.RS232.Dann[1], 9);
  EXPECT_EQ(r.codec.RS232.Dann[2], 2);  // left from the earlier frame
}

TEST(Obrabotka_N, IgnoredWhileInputIsOff) {
  Receiver r;
  bool remote = true;
  r.codec.inputIgnored = [&] { return remote; };
  r.feed(wireOf(1, 0, {5}));
  EXPECT_TRUE(r.frames.empty());
  remote = false;
  r.feed(wireOf(1, 0, {5}));
  EXPECT_EQ(r.frames.size(), 1u);
}

TEST(FrameDispatcher, RoutesByAnswerTypeAndDivertsDuringAnUpdate) {
  FrameDispatcher d;
  std::vector<int> got;
  for (int t : {5, 10, 51, 222, 233, 7}) {
    d.setConsumer(static_cast<std::uint8_t>(t), [&got, t](const RS232_T&) { got.push_back(t); });
  }
  Receiver r;
  r.codec.onGoodFrame = [&](const RS232_T& f) { d.dispatch(f); };
  for (int t : {5, 10, 51, 222, 233, 7, 0}) r.feed(wireOf(1, 0, {static_cast<std::uint8_t>(t)}));
  r.feed(wireOf(1, 0, {}));  // no answer type
  EXPECT_EQ(got, (std::vector<int>{5, 10, 51, 222, 233}));

  bool updating = true;
  int toUpdate = 0;
  d.updateRunning = [&] { return updating; };
  d.firmwareUpdate = [&](const RS232_T&) { ++toUpdate; };
  got.clear();
  r.feed(wireOf(1, 0, {5}));
  r.feed(wireOf(1, 0, {}));
  EXPECT_TRUE(got.empty());
  EXPECT_EQ(toUpdate, 2);
}

}  // namespace
}  // namespace vs
