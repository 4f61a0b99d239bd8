// Plausibility of a loaded plant configuration record: whether a copy of it read from disk is
// one that this program (or the one it replaces) could have written, or junk.
#pragma once
#include <string>

#include "config/TFile_config.h"

namespace vs {

// Empty when the record is plausible, else a short Russian reason naming the first fault found.
// Checked: the count of incubators, every Boolean byte of the flag tables, the length byte of
// every name and log file name, every line number and every program date-time. Left alone:
// `usrednenie10`, the reserved bytes, the padding and `N_Time00`, which the program never
// reads and older installations may have filled with anything.
std::string configProblem(const TFile_config& c);

}  // namespace vs
