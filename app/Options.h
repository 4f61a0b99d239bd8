// What the program was told on its command line: the working folder, the mode without
// windows, the demo, the pictures, the web view, the log conversion and the shift report.
#pragma once
#include <filesystem>
#include <string>

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
  // FILE.fil: a measurement log drawn on "Графики" once the windows are up (absolute path).
  std::filesystem::path openLog;
  // --web [ADDR:]PORT: serve the read-only web view there (127.0.0.1 unless ADDR is given);
  // empty: as the settings file says.
  std::string web;
  // --report YYYY-MM-DD: write the sheets of every shift that began that day and quit.
  std::string reportDate;
};

}  // namespace vs
