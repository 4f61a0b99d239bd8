// The demo hall's mimic: its background picture, drawn here, and its document in "disp", and
// the icon pictures in "img", where they are missing.
#pragma once
#include <filesystem>
#include <string>

namespace vs {

inline constexpr const char* kDemoBackground = "demo-hall.png";

// Writes into the demo's working folder `dir` what is missing of: "disp/demo-hall.png", the
// default document "disp/Vetrostan.cfg" (the twelve incubators of the demo hall) and the
// pictures of "img". Files already there (the operator's own changes) stay. False, with the
// reason in `why`, when something could not be written.
bool prepareDemoMimic(const std::filesystem::path& dir, std::string* why = nullptr);

}  // namespace vs
