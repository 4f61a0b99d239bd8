// The demonstration hall: a working folder of its own with a plant configuration of the twelve
// simulated incubators and settings that open the simulated adapter at start.
#pragma once
#include <filesystem>

namespace vs {

// Serial number of the simulated hall's adapter.
inline constexpr const char* kDemoAdapter = "SIM00001";

// The demo's working folder inside `home`.
inline std::filesystem::path demoFolder(const std::filesystem::path& home) {
  return home / "demo";
}

// Creates the folder and, where they are missing, "config.cfg" and the settings file. Files
// already there (the operator's own changes to the demo) are left alone. False when the folder
// or a file cannot be written.
bool prepareDemoFolder(const std::filesystem::path& dir);

}  // namespace vs
