// GSM answers of any bytes and lengths, one after the other as the receive buffer keeps them,
// through the GSM engine in terminal mode: no crash, no read past the frame, the line being
// assembled never over 255 characters, the number never over 14 digits and the log bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/DateTime.h"
#include "notify/GsmP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vs::TFile_config config{};
  static vs::ManualClock clock;
  vs::Station station(config, clock, {});
  vs::GsmP gsm(station);
  gsm.setTerminal(true);
  vs::RS232_T frame{};
  frame.Otpr = 1;
  // Each frame: one length byte, then that many data bytes (as far as the input reaches).
  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t len = data[at++];
    const std::size_t n = len < size - at ? len : size - at;
    for (std::size_t k = 0; k < n; ++k) frame.Dann[k] = data[at + k];
    frame.Kol_d = len;
    at += n;
    gsm.terminal(frame);
    gsm.Timer1s();
    if (gsm.sGSM.size() > vs::kGsmMaxLine) std::abort();
    if (gsm.settings.number.size() > static_cast<std::size_t>(vs::kGsmMaxDigits)) std::abort();
    if (gsm.log.size() > 2u * static_cast<std::size_t>(gsm.kolGSM) + 1u) std::abort();
  }
  return 0;
}
