// The command line's --report: the sheets of every shift that began on one day, written into
// "report" of the working folder, without windows.
#pragma once
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>

#include "app/Options.h"
#include "common/DateTime.h"
#include "report/ShiftReport.h"

namespace vs {

// Draws the sheet as a PDF to a path (the window library's painter); false with the reason.
using ReportPdfWriter =
    std::function<bool(const ShiftReport&, const std::filesystem::path&, std::string&)>;

// "YYYY-MM-DD" as a date of the calendar; false for anything else.
bool parseReportDate(const std::string& text, int& year, int& month, int& day);

// The zones the station last saw, from the shared data file "dan.dan" of the working folder when
// it holds the answers of the same incubators, for those whose zone is not known yet; the others
// stay as they are.
void zonesFromDanFile(const std::filesystem::path& home, std::vector<ReportIncubator>& incubators);

// Writes the CSV and the PDF of every shift that began on `opt.reportDate` with the settings and
// the plant configuration of `opt.home` (`registryDir`: where the configuration's registry copy
// lies, empty for the user's). The paths written go to `out`, one a line, and the status is 0;
// a bad date, settings or configuration that cannot be used, or a file that cannot be written
// give the reason on `err` and status 1.
int runReport(const Options& opt, const std::filesystem::path& registryDir, const Clock& clock,
              const ReportPdfWriter& pdf, std::ostream& out, std::ostream& err);

}  // namespace vs
