// The schedule debug window "Отладка расписания": its one request and the line it shows for
// every schedule answer (answer type 51).
#pragma once
#include <string>

#include "bus/FrameCodec.h"
#include "station/PollState.h"

namespace vs {

// Places the debug request for radio item `itemIndex` (0 for "1") in kom485m: receiver 1,
// kind 101, data 5, 50, itemIndex + 1, 0, 0, 0.
void scheduleDebugRequest(Kom485m& kom485m, int itemIndex);

// "=" then data byte 1 as a signed byte, then bytes 2..9 unsigned, separated by single spaces.
std::string AvtoInkubLine(const RS232_T& frame);

}  // namespace vs
