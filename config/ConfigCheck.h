// How a loaded plant configuration record is judged: whether any installation could have
// written it at all, and which of its values are odd (the program reads them its own way).
#pragma once
#include <string>
#include <vector>

#include "config/TFile_config.h"

namespace vs {

// Empty when some installation could have written the record, else the Russian reason: a count
// of incubators above the 251 rows the record holds. (A copy of the wrong length is refused by
// whoever reads it.) Nothing else makes a record unusable.
std::string configRefusal(const TFile_config& c);

// Every value that this program would not have written, each as a short Russian phrase that
// names the field, the row and how it is read: a Boolean byte other than 0 or 1 (read as on), a
// length byte past its field (the text is cut to the field), a line outside 0..4 (sent to the
// hub as its low seven bits), a program date-time that is no date (shown and run as none).
// Left alone: `usrednenie10`, the reserved bytes, the padding and `N_Time00`, which the program
// never reads and older installations may have filled with anything.
std::vector<std::string> configOddities(const TFile_config& c);

// One journal line for the oddities of a copy: the first few named, the rest counted.
std::string oddityLine(const std::vector<std::string>& oddities);

}  // namespace vs
