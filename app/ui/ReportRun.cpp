#include "app/ui/ReportRun.h"

#include <QGuiApplication>
#include <iostream>
#include <string>
#include <system_error>

#include "app/Demo.h"
#include "app/DemoHistory.h"
#include "app/ReportCommand.h"
#include "report/ui/ReportPdf.h"

namespace vs {

int runReportCommand(const Options& opt, int argc, char** argv) {
  // No window is shown: the sheets need fonts and a painter, not a screen.
  // Whatever platform the environment names: a display may not be there.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  Options run = opt;
  std::filesystem::path registry;
  if (opt.demo) {
    // The demo hall's folder as the demo leaves it, with its history when it has none yet.
    run.home = demoFolder(opt.home);
    registry = run.home / "registry";
    const TDateTime now = SystemClock().now();
    if (!prepareDemoFolder(run.home, now))
      std::cerr << "Vetrostan: cannot prepare the demo folder " << run.home << '\n';
    std::string why;
    if (!recordDemoHistory(run.home, now, why))
      std::cerr << "Vetrostan: no history for the demo hall: " << why << '\n';
  }
  const SystemClock clock;
  return runReport(run, registry, clock, writeReportPdf, std::cout, std::cerr);
}

}  // namespace vs
