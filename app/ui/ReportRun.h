// --report on the command line: the sheets drawn without windows, on Qt's offscreen platform.
#pragma once
#include "app/Options.h"

namespace vs {

// Runs runReport with the PDF painter under a QGuiApplication; the program's exit status.
int runReportCommand(const Options& opt, int argc, char** argv);

}  // namespace vs
