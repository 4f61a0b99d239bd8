// Hands each good frame to its consumer by answer type (data byte 0): 5 status, 10 tray board,
// 51 schedule debug, 222 GSM module, 233 adapter/hub. While a firmware update runs, every good
// frame goes to the update instead. Other types and frames without data are dropped.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "bus/FrameCodec.h"

namespace vs {

enum AnswerType : std::uint8_t {
  kAnswerStatus = 5,
  kAnswerTrays = 10,
  kAnswerSchedule = 51,
  kAnswerGsm = 222,
  kAnswerHub = 233,
};

class FrameDispatcher {
 public:
  using FrameSink = FrameCodec::FrameSink;

  // True while a firmware update owns the bus (obnovlenie > 0).
  std::function<bool()> updateRunning;
  // TObnovF.ReadObnovlenie.
  FrameSink firmwareUpdate;

  // Registers the consumer of one of the five answer types; other types are ignored.
  void setConsumer(std::uint8_t answerType, FrameSink sink);
  void dispatch(const RS232_T& frame) const;

 private:
  std::array<FrameSink, 256> consumers_{};
};

}  // namespace vs
