// The program's command line: the working folder, the mode without windows, and whatever else
// was given, kept for the options that later parts of the program add.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "sheet/SheetFormat.h"

namespace vs {

struct Options {
  std::filesystem::path home;        // working folder; the program's folder unless --home is given
  bool headless = false;             // no windows: messages go to the journal and standard error
  bool demo = false;                 // the simulated hall in its own folder, DIR/demo
  std::filesystem::path screenshot;  // --screenshot DIR: save pictures of the windows and quit
  std::filesystem::path exportLog;   // --export FILE: convert this log to a spreadsheet and quit
  int exportAverage = 10;            // --average 1|10|100|1000: records per row of the export
  SheetFormat exportFormat = SheetFormat::Xls;  // --format xls|xlsx|csv
  // --web [ADDR:]PORT: serve the read-only web view there (127.0.0.1 unless ADDR is given);
  // empty: as the settings file says.
  std::string web;
  // Options this parser does not know, in the order given.
  std::vector<std::string> extra;
  std::string error;  // non-empty when the command line cannot be used
};

// Parses the arguments after the program name. `programDir` is the default working folder.
// "--home DIR" and "--home=DIR" are both accepted, and so for every option with a value.
Options parseOptions(const std::vector<std::string>& args, const std::filesystem::path& programDir);

}  // namespace vs
