// The demonstration hall: a working folder of its own with a plant configuration of the twelve
// simulated incubators, settings that open the simulated adapter at start and name the alarm
// sounds that scripts/make_sounds.sh speaks into its folder "sound", and a few alarms that rise
// and fall on the simulated controllers, so that the demo is heard as well as seen.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "common/DateTime.h"
#include "sim/SimDevice.h"

namespace vs {

class SimBus;

// Serial number of the simulated hall's adapter.
inline constexpr const char* kDemoAdapter = "SIM00001";

// The demo's working folder inside `home`.
inline std::filesystem::path demoFolder(const std::filesystem::path& home) {
  return home / "demo";
}

// File name, inside "sound", of the clip that scripts/make_sounds.sh speaks for an alarm slot.
inline std::string demoSoundName(int slot) {
  return "z" + std::to_string(slot) + ".mp3";
}

// Creates the folder and, where they are missing, "config.cfg" and the settings file. Files
// already there (the operator's own changes to the demo) are left alone, except that a
// settings file gets the names of the sound slots it lacks (and, without the section "ZVUK",
// from before the demo had sounds, the sound alarms switched on). False when the folder or a file cannot be written.
// The plant configuration puts four incubators on incubation programs (folder "rezim"),
// started some days before `now`, so automatic incubation is seen at work from the first start.
bool prepareDemoFolder(const std::filesystem::path& dir, TDateTime now);

// Alarms of the demo hall that come and go, on a cycle of bus time: "Герконы оба замкнуты" on
// incubator 3, "Влажн. ниже зоны" on incubator 8, "Мотор ниже скорость" on incubator 12. It
// listens on the line and changes the controllers' alarm bits as the bus time passes.
class DemoAlarms final : public SimDevice {
 public:
  static constexpr std::int64_t kCycleMs = 150'000;
  struct Alarm {
    std::uint8_t incubator;
    std::uint16_t bit;          // C2 bit
    std::int64_t fromMs, toMs;  // within the cycle
  };
  static constexpr Alarm kAlarms[3] = {
      {3, 4, 20'000, 50'000}, {8, 1, 60'000, 90'000}, {12, 15, 100'000, 120'000}};

  // Joins the line of `bus`; this object must outlive the bus.
  void attachTo(SimBus& bus);
  std::optional<SimAnswer> onFrame(const RS232_T& frame, std::int64_t nowMs) override;

 private:
  SimBus* bus_ = nullptr;
  bool on_[3] = {false, false, false};
};

}  // namespace vs
