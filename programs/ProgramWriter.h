// The program write engine: writes one queued program request at a time into its controller,
// as the write dialog does for the operator's writes, but on its own state and with its own
// report: queue the write frame, await the controller's answer, send the write once more as a
// check, await the second answer, mark the request confirmed. Driven every 100 ms; the station
// moves it on with each decoded status answer (WrI 2 -> 3, 5 -> 6).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "station/PollState.h"

namespace vs {

class Station;
class WriteEngine;
struct TInk_Isp;

// The request being written.
struct TWriteINK {
  std::int32_t Col = 0;    // incubator position
  std::int32_t Row = 0;    // setpoint-table row (2, 10, 20, 22) or 13 for the damper
  std::uint16_t b = 0;     // value to write
  std::uint16_t b_st = 0;  // value reported when the request was made
  std::uint8_t k = 0;      // write kind from the queue
  std::int32_t n = 0;      // running number within the queue
  std::int32_t n_tek = 0;  // index in the queue
};

class ProgramWriter {
 public:
  // Engine states (WrI).
  using enum WriteStep;

  ProgramWriter(Station& station, WriteEngine& writer) : station_(station), writer_(writer) {}

  // One line of the report "Отчёт-Инкубация" (TForm5); without windows the journal.
  std::function<void(const std::string&)> report;

  TWriteINK WriteI;
  std::int32_t StWrI = 0;        // countdown in 100 ms ticks
  std::uint16_t maska = 0xFFFF;  // 0xFFFF setpoint words, 0x00FF damper

  // Takes queue entry `index` (the dispatcher): the write starts after 0.5 s.
  void take(TInk_Isp& queue, int index);
  // A new queue starts: the running number starts again.
  void newQueue() { WriteI.n = 0; }
  // One engine step, every 100 ms.
  void Timer100ms();
  bool busy() const;

 private:
  void sendFrame();
  Station& station_;
  WriteEngine& writer_;
  TInk_Isp* queue_ = nullptr;
};

}  // namespace vs
