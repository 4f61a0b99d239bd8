// The assembled bus station in virtual time: a workstation in a scratch folder, its settings
// file and plant configuration on disk, the bus engine over a simulated line with three
// controllers, the program's ticks in the program's order.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "common/DateTime.h"
#include "config/Workstation.h"
#include "sim/SimBus.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs::testing {

// How often `what` occurs in `text`.
inline std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

inline const std::vector<std::uint8_t> kAddresses{5, 85, 170};

// Every frame the devices hear, in order.
struct FrameLog final : SimDevice {
  struct Heard {
    std::uint8_t to, kind;
  };
  std::vector<Heard> frames;
  std::optional<SimAnswer> onFrame(const RS232_T& f, std::int64_t) override {
    frames.push_back({f.Pol, f.Kadr});
    return std::nullopt;
  }
};

class BusHall : public ::testing::Test {
 protected:
  static constexpr double kStart = 46000.25;  // 09.12.2025 06:00

  void SetUp() override {
    for (std::uint8_t a : kAddresses) {
      SimController& c = sim.addController(a);
      // Different values per cabinet, so that an answer in the wrong row shows.
      c.setT1(3700 + a);
      c.setT2(3600 + a);
      c.setT3(3500 + a);
      c.setHumidity(40 + a % 50);
    }
    sim.attach(log);
    writeHallConfig(dir.home / "config.cfg", kAddresses);
    clock.set(kStart);
  }

  void TearDown() override {
    bus.reset();
    ws.reset();
  }

  // Called with the plant configuration before the station starts (logging flags, ...).
  std::function<void(TFile_config&)> configure;

  // Lines added at the end of the settings file start() writes.
  std::vector<std::string> extraIni;

  // The settings file of a serving station on the simulated adapter, linking at start.
  void start(int serverP = 1, const std::string& runWin = "0") {
    std::vector<std::string> ini{"[USB]", "usb-Serial_Number=SIM00001", "[Server]",
                                 "ServerP=" + std::to_string(serverP), "[Nastr]",
                                 "RUN_WIN=" + runWin};
    ini.insert(ini.end(), extraIni.begin(), extraIni.end());
    testing::writeIni(ws_ini(), ini);
    if (configure) writeHallConfig(dir.home / "config.cfg", kAddresses, configure);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    bus = std::make_unique<BusStation>(*ws, sim);
    ws->startUp();
  }

  std::filesystem::path ws_ini() const { return dir.home / "Vetrostan.INI"; }

  // The program's timers for `ms` of virtual time; line, clock and ticks move together.
  void runMs(std::int64_t ms) { testing::runHall(nowUs, kStart, sim, clock, *bus, ms); }

  SimController& ctl(std::uint8_t a) { return *sim.controller(a); }
  Station& st() { return bus->station; }

  ScratchInstall dir;
  ManualClock clock;
  FrameLog log;
  SimBus sim;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  std::vector<std::string> messages;
  std::int64_t nowUs = 0;
};

}  // namespace vs::testing
