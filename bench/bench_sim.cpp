// The simulated hall in virtual time: one poll cycle over 251 incubators answering at once, the
// master waiting for each answer before the next poll. Reports simulated frames per second of
// CPU time, and the bus time a cycle takes on a 38 400-baud line (bus_ms_per_cycle).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bus/FrameCodec.h"
#include "sim/SimBus.h"
#include "sim/SimHall.h"

namespace {

void BM_SimPollCycle251(benchmark::State& state) {
  vs::SimBus bus;
  vs::uniformHall(bus, 251);
  bus.open(vs::SimBus::kSerial);
  vs::FrameCodec codec;
  std::int64_t answers = 0;
  codec.write = [&](const std::uint8_t* p, std::int32_t n) {
    return static_cast<std::int32_t>(bus.write(p, static_cast<std::size_t>(n)));
  };
  codec.onGoodFrame = [&](const vs::RS232_T&) { ++answers; };
  std::uint8_t buf[512];
  std::int64_t busUs = 0;
  for (auto _ : state) {
    const std::int64_t start = bus.nowUs();
    for (int a = 1; a <= 251; ++a) {
      const std::int64_t before = answers;
      const std::uint8_t d[] = {0};
      codec.send(static_cast<std::uint8_t>(a), 0, d, 1);
      // Straight to the moment the line falls quiet, then read what came.
      while (auto next = bus.nextEventUs()) bus.advanceToUs(*next);
      const long long n = bus.read(buf, sizeof buf);
      for (long long k = 0; k < n; ++k) codec.Obrabotka_N(buf[k]);
      if (answers != before + 1) state.SkipWithError("an answer was lost");
    }
    busUs += bus.nowUs() - start;
  }
  state.SetItemsProcessed(answers);
  state.counters["bus_ms_per_cycle"] =
      static_cast<double>(busUs) / 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SimPollCycle251)->Unit(benchmark::kMillisecond);

}  // namespace
