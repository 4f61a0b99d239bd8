// A whole station in virtual time: the station engine behind the frame codec, the dispatch and
// the USB link, on a simulated RS-485 line with controllers. The ticks run in the program's
// order: the 20 ms read pass, then the 100 ms tick, then the 1 s tick. Optionally the read pass
// also runs as soon as bytes arrive (a read driven by the port's own signal).
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"
#include "bus/UsbLink.h"
#include "common/DateTime.h"
#include "config/TFile_config.h"
#include "sim/SimBus.h"
#include "station/Station.h"

namespace vs::test {

class VirtualStation {
 public:
  explicit VirtualStation(std::filesystem::path home = std::filesystem::temp_directory_path())
      : station(config, clock, std::move(home)), link(bus) {
    codec.write = [this](const std::uint8_t* b, std::int32_t n) {
      ++framesSent;
      return link.UsbWrite(b, n);
    };
    codec.onSent = [this] { station.noteSent(); };
    codec.inputIgnored = [this] { return station.inputIgnored(); };
    codec.onGoodFrame = [this](const RS232_T& f) { dispatcher.dispatch(f); };
    dispatcher.setConsumer(kAnswerStatus, [this](const RS232_T& f) { station.onStatusFrame(f); });
    dispatcher.updateRunning = [this] { return station.obnovlenie > 0; };
    link.Obrabotka_N = [this](std::uint8_t b) { codec.Obrabotka_N(b); };
    station.hooks.send = [this](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                                std::uint8_t len) { codec.send(pol, kadr, d, len); };
    station.hooks.UsbCreate = [this] { link.UsbCreate(); };
    station.hooks.Open_Usb = [this](const std::string& s) { link.Open_Usb(s); };
    station.hooks.Close_USB = [this] { link.Close_USB(); };
    station.hooks.usbNo = [this](bool v) { usbNoShown = v; };
    station.controls.USB_Serial_Number = SimBus::kSerial;
    station.controls.RUN_WIN = 0;  // the link comes up with the first tick
    config.kol_inkub = 1;
    syncClock();
  }

  // Rows 0..n-1 with addresses first, first+1, ..., all polled, each with a controller that
  // answers at once.
  void addIncubators(int n, int first = 1) {
    config.kol_inkub = static_cast<std::uint8_t>(n);
    for (int r = 0; r < n; ++r) {
      const auto row = static_cast<std::size_t>(r);
      config.konfig_n[row] = static_cast<std::uint16_t>(first + r);
      config.konfig_o[row] = 1;
      config.konfig_s[row].setUtf8("Инкубатор " + std::to_string(first + r));
      bus.addController(static_cast<std::uint8_t>(first + r));
    }
  }

  // Runs the ticks for `ms` of virtual time.
  void runMs(std::int64_t ms) { runUntilUs(nowUs_ + ms * 1000); }

  void runUntilUs(std::int64_t endUs) {
    while (nowUs_ < endUs) {
      const std::int64_t nextTick = (nowUs_ / kReadUs + 1) * kReadUs;
      std::int64_t next = std::min(nextTick, endUs);
      if (readOnArrival) next = std::min(next, bus.nextEventUs().value_or(next));
      if (readOnArrival) next = std::min(next, nowUs_ + 1000);
      next = std::max(next, nowUs_ + 1);
      bus.advanceToUs(next);
      nowUs_ = next;
      syncClock();
      if (readOnArrival && bus.bytesWaiting() > 0) link.UsbRead();
      if (nowUs_ % kReadUs == 0) tick();
    }
  }

  std::int64_t nowUs() const { return nowUs_; }

  ManualClock clock;
  TFile_config config{};
  Station station;
  SimBus bus;
  UsbLink link;
  FrameCodec codec;
  FrameDispatcher dispatcher;
  bool readOnArrival = false;
  bool usbNoShown = false;
  long long framesSent = 0;

 private:
  static constexpr std::int64_t kReadUs = 20'000;

  void tick() {
    link.Timer1Timer();
    if (nowUs_ % 100'000 == 0) station.Timer2();
    if (nowUs_ % 1'000'000 == 0) station.Timer1();
  }
  void syncClock() { clock.set(kStart + static_cast<double>(nowUs_) / 86'400'000'000.0); }

  static constexpr double kStart = 46000.5;
  std::int64_t nowUs_ = 0;
};

}  // namespace vs::test
