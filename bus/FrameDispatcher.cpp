#include "bus/FrameDispatcher.h"

namespace vs {

void FrameDispatcher::setConsumer(std::uint8_t answerType, FrameSink sink) {
  switch (answerType) {
    case kAnswerStatus:
    case kAnswerTrays:
    case kAnswerSchedule:
    case kAnswerGsm:
    case kAnswerHub:
      consumers_[answerType] = std::move(sink);
      break;
    default:
      break;
  }
}

void FrameDispatcher::dispatch(const RS232_T& frame) const {
  if (updateRunning && updateRunning()) {
    if (firmwareUpdate) firmwareUpdate(frame);
    return;
  }
  if (frame.Kol_d == 0) return;
  const auto& sink = consumers_[frame.Dann[0]];
  if (sink) sink(frame);
}

}  // namespace vs
