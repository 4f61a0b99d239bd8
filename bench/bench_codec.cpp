// Frame codec throughput: building a status poll and a full status answer on the wire, and
// taking a stream of answers apart byte by byte. Figures are frames per second.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "bus/FrameCodec.h"
#include "sim/SimController.h"

namespace {

// A lifelike status answer: what a simulated controller sends.
std::vector<std::uint8_t> answerData(std::uint8_t address) {
  vs::SimController c(address);
  c.options().live = true;
  const auto s = c.status(123'456);
  return {s.begin(), s.end()};
}

void BM_EncodeStatusPoll(benchmark::State& state) {
  std::array<std::uint8_t, vs::kMaxWireFrame> out;
  const std::uint8_t data[] = {0};
  std::uint8_t address = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vs::encodeFrame(address, vs::kStationAddress, 0, data, 1, out.data()));
    benchmark::ClobberMemory();
    address = static_cast<std::uint8_t>(address % 251 + 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeStatusPoll);

void BM_EncodeStatusAnswer(benchmark::State& state) {
  std::array<std::uint8_t, vs::kMaxWireFrame> out;
  const auto data = answerData(85);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vs::encodeFrame(vs::kStationAddress, 85, 0, data.data(),
                                             static_cast<std::uint8_t>(data.size()), out.data()));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeStatusAnswer);

// Answers of 64 incubators back to back, fed one byte at a time as the 20 ms read pass does.
void BM_DecodeStatusAnswers(benchmark::State& state) {
  constexpr int kFrames = 64;
  std::vector<std::uint8_t> stream;
  std::array<std::uint8_t, vs::kMaxWireFrame> out;
  for (int a = 1; a <= kFrames; ++a) {
    const auto data = answerData(static_cast<std::uint8_t>(a));
    const auto n = vs::encodeFrame(vs::kStationAddress, static_cast<std::uint8_t>(a), 0,
                                   data.data(), static_cast<std::uint8_t>(data.size()), out.data());
    stream.insert(stream.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
  }
  vs::FrameCodec codec;
  std::int64_t good = 0;
  codec.onGoodFrame = [&](const vs::RS232_T&) { ++good; };
  for (auto _ : state) {
    for (auto b : stream) codec.Obrabotka_N(b);
  }
  if (good != kFrames * static_cast<std::int64_t>(state.iterations()))
    state.SkipWithError("frames lost in decoding");
  state.SetItemsProcessed(good);
  state.SetBytesProcessed(static_cast<std::int64_t>(stream.size()) * state.iterations());
}
BENCHMARK(BM_DecodeStatusAnswers);

}  // namespace
