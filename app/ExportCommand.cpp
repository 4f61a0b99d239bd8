#include "app/ExportCommand.h"

#include <iostream>
#include <string>

#include "history/LogExport.h"

namespace vs {

int runExport(const Options& opt, std::ostream& out, std::ostream& err) {
  ExportOptions o;
  o.average = opt.exportAverage;
  o.format = opt.exportFormat;
  const ExportResult r = EreadF(opt.exportLog, o);
  if (!r.ok) {
    err << "Vetrostan: " << r.error << '\n';
    return 1;
  }
  const std::u8string path = r.workbook.u8string();
  out << r.line << '\n' << std::string(path.begin(), path.end()) << '\n';
  return 0;
}

int runExport(const Options& opt) {
  return runExport(opt, std::cout, std::cerr);
}

}  // namespace vs
