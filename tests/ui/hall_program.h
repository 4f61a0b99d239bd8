// The whole program's windows over a simulated hall in virtual time: a scratch working folder
// with the hall's configuration and a settings file, the bus station on the simulated line,
// every window created and connected as the program does it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BusStation.h"
#include "app/ui/AppWindows.h"
#include "app/ui/StationWiring.h"
#include "config/Workstation.h"
#include "sim/SimBus.h"
#include "station/ui/TForm1.h"
#include "tests/hall_home.h"
#include "tests/hall_time.h"
#include "tests/test_workstation_fixture.h"

namespace vs::testing {

struct HallProgram : ::testing::Test {
  static constexpr double kStart = 46000.25;
  ScratchInstall dir;
  ManualClock clock{kStart};
  SimBus sim;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<BusStation> bus;
  AppWindows w;
  std::int64_t nowUs = 0;

  // One controller per address; the settings file links the simulated adapter at start and
  // holds `ini` besides.
  void startProgram(const std::vector<std::uint8_t>& addresses, const std::vector<std::string>& ini,
                    const std::function<void(TFile_config&)>& configure = {}) {
    for (std::uint8_t a : addresses) sim.addController(a);
    writeHallConfig(dir.home / "config.cfg", addresses, configure);
    std::vector<std::string> lines{"[USB]", "usb-Serial_Number=SIM00001", "[Nastr]", "RUN_WIN=0"};
    lines.insert(lines.end(), ini.begin(), ini.end());
    writeIni(dir.home / "Vetrostan.INI", lines);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [](const std::string&) {};
    bus = std::make_unique<BusStation>(*ws, sim);
    w = createWindows(*ws, false, appLinks(*bus));
    connectStation(w, *bus);
  }
  void TearDown() override {
    w.form1.reset();
    bus.reset();
  }

  void runHallMs(std::int64_t ms) { runHall(nowUs, kStart, sim, clock, *bus, ms); }
  Station& st() { return bus->station; }
  SimController& ctl(std::uint8_t a) { return *sim.controller(a); }
};

}  // namespace vs::testing
