#include "app/ReportCommand.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <system_error>

#include "app/ShiftReportInput.h"
#include "common/AtomicFile.h"
#include "config/ConfigStore.h"
#include "config/SettingsFile.h"
#include "history/DanFile.h"
#include "station/StatusDecoder.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

}  // namespace

bool parseReportDate(const std::string& s, int& year, int& month, int& day) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (s[i] < '0' || s[i] > '9') return false;
  const int y = std::stoi(s.substr(0, 4)), m = std::stoi(s.substr(5, 2)),
            d = std::stoi(s.substr(8, 2));
  if (y < 1900 || m < 1 || m > 12 || d < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  year = y;
  month = m;
  day = d;
  return true;
}

void zonesFromDanFile(const fs::path& home, std::vector<ReportIncubator>& incubators) {
  if (std::all_of(incubators.begin(), incubators.end(),
                  [](const ReportIncubator& i) { return i.zone.known; }))
    return;  // the station knows every zone: the file is not read
  auto dan = std::make_unique<TdanWm>();
  if (readFilePrefix(home / "dan.dan", dan.get(), sizeof(TdanWm)) !=
      static_cast<long long>(sizeof(TdanWm)))
    return;
  auto tables = std::make_unique<StationTables>();
  for (ReportIncubator& inc : incubators) {
    if (inc.zone.known || inc.row < 0 || inc.row >= kDanRows) continue;
    const TdanW& e = dan->d[static_cast<std::size_t>(inc.row)];
    // Only an answer of this very incubator, whole enough to hold the setpoint words.
    const int len = std::min<int>(e.kol_z, kDanMaxData);
    if (e.n_t != inc.row || e.n_s != inc.number || len < 2) continue;
    decodeStatusFields(*tables, inc.row, e.d.data() + 1, len);
    computeBounds(*tables, inc.row);
    const auto& z = tables->ZON_[static_cast<std::size_t>(inc.row)];
    inc.zone.known = true;
    inc.zone.tLow = z[2];
    inc.zone.tHigh = z[0];
    inc.zone.hLow = z[8];
    inc.zone.hHigh = z[7];
  }
}

int runReport(const Options& opt, const fs::path& registryDir, const Clock& clock,
              const ReportPdfWriter& pdf, std::ostream& out, std::ostream& err) {
  int year = 0, month = 0, day = 0;
  if (!parseReportDate(opt.reportDate, year, month, day)) {
    err << "Vetrostan: --report: \"" << opt.reportDate << "\" is not a date YYYY-MM-DD\n";
    return 1;
  }
  Settings settings;
  std::vector<std::string> problems;
  loadSettings(opt.home / "Vetrostan.INI", settings, &problems);
  for (const std::string& p : problems) err << "Vetrostan: " << p << '\n';
  const ShiftStarts starts = shiftStartsOf(settings);

  auto store = std::make_unique<ConfigStore>(opt.home, registryDir);
  store->readOnly = true;
  // A folder without any copy would give the empty configuration of a new installation: a
  // sheet of nothing, most likely a mistyped --home.
  std::error_code ec;
  if (!fs::exists(store->configFile(), ec) && !fs::exists(store->registryFile(), ec)) {
    err << "Vetrostan: --report: no plant configuration in " << utf8Of(opt.home) << " ("
        << utf8Of(store->configFile()) << " and " << utf8Of(store->registryFile())
        << " are missing)\n";
    return 1;
  }
  std::string said;
  auto tell = [&said](const std::string& s) { said += (said.empty() ? "" : "; ") + s; };
  store->message = tell;
  store->report = tell;
  store->read_config();
  if (store->held()) {
    err << "Vetrostan: --report: no plant configuration could be read in " << utf8Of(opt.home)
        << (said.empty() ? std::string() : ": " + said) << '\n';
    return 1;
  }

  int made = 0;
  for (const Shift& shift : shiftsBegunOn(starts, year, month, day)) {
    // A shift still to come has no sheet yet; one written now would pass for its sheet later.
    if (shift.start > clock.now()) {
      err << "Vetrostan: --report: the shift " << shiftMoment(shift.start)
          << " has not begun yet: no sheet\n";
      continue;
    }
    ++made;
    // The day a program had when the shift ended (or now, for the shift under way).
    std::vector<ReportIncubator> incubators =
        reportIncubators(opt.home, store->config, nullptr, std::min(shift.end, clock.now()));
    zonesFromDanFile(opt.home, incubators);
    ReportInput in;
    in.home = opt.home;
    in.hall = reportHall(settings);
    in.shift = shift;
    in.now = clock.now();
    in.sensors = settings.kol_t() + 1;
    in.gapSeconds =
        reportGapSeconds(settings.Opros_period, settings.Compyter == 1, usableRows(store->config));
    in.incubators = std::move(incubators);
    const ShiftReport r = buildShiftReport(std::move(in));
    for (const std::string& p : r.problems) err << "Vetrostan: " << p << '\n';
    std::string why;
    const fs::path csv = reportFile(opt.home, shift, ".csv");
    if (!writeReportFile(csv, reportCsv(r), why)) {
      err << "Vetrostan: --report: " << why << '\n';
      return 1;
    }
    out << utf8Of(csv) << '\n';
    const fs::path file = reportFile(opt.home, shift, ".pdf");
    if (!pdf || !pdf(r, file, why)) {
      err << "Vetrostan: --report: " << (pdf ? why : std::string("no PDF writer")) << '\n';
      return 1;
    }
    out << utf8Of(file) << '\n';
  }
  if (made == 0) {
    err << "Vetrostan: --report: no shift of " << opt.reportDate << " has begun yet\n";
    return 1;
  }
  return 0;
}

}  // namespace vs
