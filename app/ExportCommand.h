// The command line's --export: one log converted to a spreadsheet beside it, without windows.
#pragma once
#include <iosfwd>

#include "app/Options.h"

namespace vs {

// Converts `opt.exportLog` with `opt.exportAverage` and `opt.exportFormat`. On success the
// result line and the workbook's path go to `out` and the status is 0; on failure the reason
// goes to `err` and the status is 1.
int runExport(const Options& opt, std::ostream& out, std::ostream& err);
// The same on standard output and standard error.
int runExport(const Options& opt);

}  // namespace vs
