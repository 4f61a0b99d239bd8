// The program's timers in virtual time for an assembled bus station on the simulated line: the
// line, the clock and the ticks move together in 20 ms steps, the ticks in the program's order
// (20 ms read pass, then the 100 ms tick, then the 1 s tick).
#pragma once
#include <cstdint>

#include "app/BusStation.h"
#include "common/DateTime.h"
#include "sim/SimBus.h"

namespace vs::testing {

// Runs `ms` of virtual time from `nowUs` (microseconds since `start`, a local date-time).
inline void runHall(std::int64_t& nowUs, double start, SimBus& sim, ManualClock& clock,
                    BusStation& bus, std::int64_t ms) {
  for (const std::int64_t end = nowUs + ms * 1000; nowUs < end;) {
    nowUs += 20'000;
    sim.advanceToUs(nowUs);
    clock.set(start + static_cast<double>(nowUs) / 86'400'000'000.0);
    bus.tick20ms();
    if (nowUs % 100'000 == 0) bus.tick100ms();
    if (nowUs % 1'000'000 == 0) bus.tick1s();
  }
}

// The modal write dialog in virtual time: the write cycle that WriteKom describes runs to its
// end (10 s at most); true when the check answer confirmed it.
inline bool runWriteDialog(std::int64_t& nowUs, double start, SimBus& sim, ManualClock& clock,
                           BusStation& bus) {
  bool confirmed = false;
  bus.writer.closeDialog = [&confirmed] { confirmed = true; };
  bus.writer.activate();
  for (int i = 0; i < 100 && bus.station.WriteKom.z; ++i)
    runHall(nowUs, start, sim, clock, bus, 100);
  bus.writer.closeDialog = nullptr;
  return confirmed;
}

}  // namespace vs::testing
