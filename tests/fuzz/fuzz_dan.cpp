// Any bytes as the shared data file of a remote station: the names, poll flags and every stored
// answer are replayed through the status decoding without reading or writing past a record.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/TFile_config.h"
#include "station/Station.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vs::ManualClock clock;
  static vs::TFile_config config{};
  config.kol_inkub = 251;
  vs::Station st(config, clock, "/nonexistent");
  st.serverP = 3;
  st.serverUD = true;
  st.controls.RS = true;
  long long sum = 0;
  st.listeners.add(vs::StatusStep::MainTable, [&](const vs::StatusEvent& e) {
    sum += st.T1[static_cast<std::size_t>(e.nk)] + st.ugol[static_cast<std::size_t>(e.nk)];
  });
  std::memcpy(&st.dan.danR, data, std::min(size, sizeof st.dan.danR));
  st.dan.replayRead();
  return static_cast<int>(sum & 0);
}
