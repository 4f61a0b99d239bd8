// The demo hall's past: two days of the logged incubators' answers, taken from the same
// simulated controllers the demo polls and written by the real log writer, once, into a demo
// folder that has no logs yet. The charts then have something to show from the first start:
// a day change of the working temperature, the cooling and the tray motor at work, a damper
// that moves, and a two-hour pause when the station was off.
#pragma once
#include <filesystem>
#include <string>

#include "common/DateTime.h"

namespace vs {

// Writes the history ending at `now` into `dir`/file for each row of `dir`/config.cfg with
// logging on, unless one of their logs already exists. False with `error` set when the logs
// could not be written.
bool recordDemoHistory(const std::filesystem::path& dir, TDateTime now, std::string& error);

}  // namespace vs
