// The demo hall's mimic document: twelve incubator panels with their name, T1, humidity, tray
// and damper displays and a row of state and alarm icons, and one panel that follows the
// incubator under the mouse with every other kind of value.
#pragma once
#include <string>

#include "mimic/konstrT.h"

namespace vs {

// Fills `ks` (cleared first) with the demo document over the background picture `background`
// (a file name in "disp").
void buildDemoDispetch(konstrT& ks, const std::string& background);

}  // namespace vs
