// Time to take one status answer from the wire into the tables: the receive state machine, the
// dispatch by answer type, the status path and the decoding with its derived values.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"
#include "config/TFile_config.h"
#include "station/Station.h"

namespace {

struct Bench {
  Bench() : st(config, clock, "/nonexistent") {
    config.kol_inkub = 251;
    for (std::size_t r = 0; r < 251; ++r) {
      config.konfig_n[r] = static_cast<std::uint16_t>(r + 1);
      config.konfig_o[r] = 1;
    }
    st.controls.Compyter = 1;  // no next poll: only the answer is measured
    codec.onGoodFrame = [this](const vs::RS232_T& f) { dispatch.dispatch(f); };
    dispatch.setConsumer(vs::kAnswerStatus, [this](const vs::RS232_T& f) { st.onStatusFrame(f); });
    // A full answer from incubator 200 with the damper board and alarm bits, on the wire.
    std::array<std::uint8_t, 122> d{};
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 7 + 3);
    d[0] = 5;
    d[39] = 0x00, d[40] = 0x02;  // C3 bit 9
    d[28] = 0x02;                // relative bounds
    wire.resize(vs::kMaxWireFrame);
    wire.resize(vs::encodeFrame(222, 200, 0, d.data(), 122, wire.data()));
    frame.Otpr = 200;
    frame.Kol_d = 122;
    std::copy(d.begin(), d.end(), frame.Dann.begin());
  }
  vs::ManualClock clock;
  vs::TFile_config config{};
  vs::Station st;
  vs::FrameCodec codec;
  vs::FrameDispatcher dispatch;
  std::vector<std::uint8_t> wire;
  vs::RS232_T frame{};
};

void BM_AnswerFromWireToTables(benchmark::State& state) {
  Bench b;
  for (auto _ : state) {
    for (std::uint8_t byte : b.wire) b.codec.Obrabotka_N(byte);
  }
  benchmark::DoNotOptimize(b.st.T1[199]);
  state.SetItemsProcessed(state.iterations());
  state.counters["answers_decoded"] = static_cast<double>(b.st.answerCount);
}
BENCHMARK(BM_AnswerFromWireToTables);

void BM_StatusPathAndDecoding(benchmark::State& state) {
  Bench b;
  for (auto _ : state) b.st.onStatusFrame(b.frame);
  benchmark::DoNotOptimize(b.st.ZON_[199]);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StatusPathAndDecoding);

}  // namespace
