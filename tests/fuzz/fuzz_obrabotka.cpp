// Any byte stream through the receive state machine, the dispatch and the consumers the program
// registers: the status decoding, the tray board's report, the GSM module's answer and the
// hub's answer. No crash, no access outside the receive record or the tables.
#include <cstddef>
#include <cstdint>

#include "boards/LotkiP.h"
#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"
#include "bus/UsbLink.h"
#include "common/DateTime.h"
#include "notify/GsmP.h"
#include "sim/SimBus.h"
#include "station/Hub4RS485.h"
#include "station/Station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vs::TFile_config config = [] {
    vs::TFile_config c{};
    c.kol_inkub = 4;
    for (std::size_t r = 0; r < 4; ++r) {
      c.konfig_n[r] = static_cast<std::uint16_t>(r + 1);
      c.konfig_o[r] = 1;
    }
    return c;
  }();
  static vs::ManualClock clock;
  static vs::SimBus port;
  vs::Station station(config, clock, {});
  vs::UsbLink link(port);
  vs::Hub4RS485 hub(link, config, station.kom485m, station.controls.RS);
  vs::GsmP gsm(station);
  gsm.setTerminal(true);
  unsigned reports = 0;

  vs::FrameCodec codec;
  vs::FrameDispatcher dispatch;
  dispatch.setConsumer(vs::kAnswerStatus, [&](const vs::RS232_T& f) { station.onStatusFrame(f); });
  dispatch.setConsumer(vs::kAnswerTrays, [&](const vs::RS232_T& f) {
    vs::trayAnswered(station, f);
    reports += vs::decodeLotkiReport(f.Dann.data(), f.Kol_d).length > 0;
  });
  dispatch.setConsumer(vs::kAnswerGsm, [&](const vs::RS232_T& f) { gsm.terminal(f); });
  dispatch.setConsumer(vs::kAnswerHub, [&](const vs::RS232_T& f) { hub.terminalUSB(f); });
  codec.onGoodFrame = [&](const vs::RS232_T& f) { dispatch.dispatch(f); };
  for (std::size_t k = 0; k < size; ++k) codec.Obrabotka_N(data[k]);
  return static_cast<int>(reports & 0);
}
