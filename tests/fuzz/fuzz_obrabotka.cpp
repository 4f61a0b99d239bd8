// Any byte stream through the receive state machine and the dispatch: no crash, no access
// outside the receive record.
#include <cstddef>
#include <cstdint>

#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vs::FrameCodec codec;
  vs::FrameDispatcher dispatch;
  unsigned sum = 0;
  for (int t : {5, 10, 51, 222, 233}) {
    dispatch.setConsumer(static_cast<std::uint8_t>(t), [&sum](const vs::RS232_T& f) {
      for (unsigned k = 0; k < f.Kol_d; ++k) sum += f.Dann[k];
    });
  }
  codec.onGoodFrame = [&](const vs::RS232_T& f) { dispatch.dispatch(f); };
  for (std::size_t k = 0; k < size; ++k) codec.Obrabotka_N(data[k]);
  return static_cast<int>(sum & 0);
}
