#include "report/ShiftReport.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <system_error>

#include "common/AtomicFile.h"
#include "config/TFile_config.h"
#include "history/LogFile.h"
#include "programs/ProgramScheduler.h"
#include "report/ReportJournal.h"
#include "station/StationTables.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

constexpr double kSecondsPerDay = 86400.0;

// C2 bits of a faulty sensor: T1 shares its sensor with the humidity.
constexpr std::uint16_t kFaultT1 = 1u << 10;
constexpr std::uint16_t kFaultT2 = 1u << 11;
constexpr std::uint16_t kFaultT3 = 1u << 12;

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

// The usual time between two records of a log, as a median over a histogram of eight bins an
// octave (1/16 s .. 36 h), so that a walk holds no list of its intervals.
class PaceHistogram {
 public:
  void add(double seconds) {
    if (!(seconds > 0)) return;
    const int bin =
        std::clamp(static_cast<int>(std::floor(std::log2(seconds) * 8.0)) + kZero, 0, kBins - 1);
    ++bins_[static_cast<std::size_t>(bin)];
    ++count_;
  }
  // 0 when nothing was added.
  double median() const {
    if (count_ == 0) return 0;
    long long seen = 0;
    for (int i = 0; i < kBins; ++i) {
      seen += bins_[static_cast<std::size_t>(i)];
      if (seen * 2 >= count_) return std::exp2((i - kZero + 0.5) / 8.0);
    }
    return 0;
  }

 private:
  static constexpr int kZero = 32;  // bin of 1 s
  static constexpr int kBins = kZero + 17 * 8;
  std::array<long long, kBins> bins_{};
  long long count_ = 0;
};

// One value's figures while the log is walked.
struct Running {
  long long n = 0;
  double sum = 0, min = 0, max = 0;
  double outside = 0;               // seconds, from intervals no longer than gapSeconds
  std::vector<double> longOutside;  // longer intervals after a sample outside the zone
  bool prevOutside = false;         // the previous sample was usable and outside
  void take(double v) {
    if (n == 0) min = max = v;
    min = std::min(min, v);
    max = std::max(max, v);
    sum += v;
    ++n;
  }
};

// Walks the part of a log that lies in [from, to) and gathers the figures.
//
// Time without an answer: a sample stands for the time until the next one while they follow at
// the log's pace; an interval longer than the silence threshold (gapSeconds, and at least five
// times the log's usual interval, since a hall of many incubators or a log averaged over ten
// answers is sampled seldom) counts whole as time without an answer. So do the time from the
// shift's start to the first sample and from the last sample to the shift's end (to "now" for
// the shift under way), when longer than the threshold. Time outside the zone: each usable
// sample outside stands for the interval until the next one, or for one usual interval before a
// silence.
class LogFigures {
 public:
  LogFigures(const ReportInput& in, const ReportIncubator& inc, IncubatorReport& out)
      : in_(in), inc_(inc), out_(out) {
    from_ = in.shift.start;
    to_ = std::min(in.shift.end, std::max(in.now, in.shift.start));
  }

  // False when stopped.
  bool run(std::stop_token stop) {
    LogSlices<TFile> log;
    std::string error;
    std::error_code ec;
    const bool exists = fs::exists(inc_.log, ec);
    if (ec) {
      // Not known whether there is a log (a folder that cannot be read): said, not "нет записи".
      out_.hasLog = true;
      out_.logProblem = ec.message();
      return true;
    }
    if (!exists) return true;  // no log: "нет записи"
    out_.hasLog = true;
    if (!log.open(inc_.log, error)) {
      out_.logProblem = error;
      return true;
    }
    const bool read = walkSlices<TFile>(
        log, firstAtOrAfter(log, from_),
        [&](std::span<const TFile> slice) {
          if (stop.stop_requested()) return false;
          for (const TFile& r : slice) {
            if (!isDate(r.dt)) continue;
            if (r.dt >= to_) return false;  // past the shift: the walk ends
            if (r.dt >= from_) sample(r);
          }
          return true;
        },
        error);
    if (stop.stop_requested()) return false;
    if (!read) out_.logProblem = error;
    finish();
    return true;
  }

 private:
  double secondsOf(TDateTime t) const {
    return (continuousDays(t) - continuousDays(from_)) * kSecondsPerDay;
  }

  // Logs are written oldest first: the first record of the shift is found by halving.
  static std::size_t firstAtOrAfter(LogSlices<TFile>& log, TDateTime t) {
    std::size_t lo = 0, hi = log.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      const auto r = log.read(mid, 1);
      if (r.empty()) return 0;  // a read error: walk it all, the walk says why
      if (r[0].dt < t)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  bool outsideT(double celsius) const {
    const auto v = static_cast<std::int32_t>(std::llround(celsius * 100.0));
    return v < inc_.zone.tLow || v > inc_.zone.tHigh;
  }
  bool outsideH(int h) const { return h < inc_.zone.hLow || h > inc_.zone.hHigh; }

  void interval(double len) {
    if (len <= 0) return;
    if (len > in_.gapSeconds) gaps_.push_back(len);
    for (Running& v : values_) {
      if (!v.prevOutside) continue;
      if (len <= in_.gapSeconds)
        v.outside += len;
      else
        v.longOutside.push_back(len);
    }
  }

  void sample(const TFile& r) {
    const double t = secondsOf(r.dt);
    if (have_) {
      pace_.add(t - last_);
      interval(t - last_);
    } else {
      lead_ = t;
    }
    have_ = true;
    // A sample earlier than one before it (a clock set back) adds its values, not its time:
    // the intervals stay the pieces of one line through the shift.
    last_ = std::max(last_, t);
    const std::array<bool, 4> usable{!(r.C2 & kFaultT1), !(r.C2 & kFaultT2), !(r.C2 & kFaultT3),
                                     !(r.C2 & kFaultT1)};
    const std::array<double, 3> temps{r.T1, r.T2, r.T3};
    for (std::size_t k = 0; k < 4; ++k) {
      Running& v = values_[k];
      v.prevOutside = false;
      if (!usable[k]) continue;
      if (k < 3 && !std::isfinite(temps[k])) continue;
      const double value = k < 3 ? temps[k] : static_cast<double>(r.BL);
      v.take(value);
      if (inc_.zone.known) v.prevOutside = k < 3 ? outsideT(value) : outsideH(r.BL);
    }
  }

  void finish() {
    const double span = secondsOf(to_);
    const double pace = pace_.median();
    const double threshold = std::max(in_.gapSeconds, 5 * pace);
    double silent = 0;
    if (!have_) {
      silent = span;
    } else {
      const double tail = span - last_;
      for (Running& v : values_) {
        if (!v.prevOutside || tail <= 0) continue;
        if (tail <= in_.gapSeconds)
          v.outside += tail;
        else
          v.longOutside.push_back(tail);
      }
      if (lead_ > threshold) silent += lead_;
      // In a shift under way the last samples may still wait in the log writer's batch of
      // ten: a tail is silence only beyond that batch.
      const bool underWay = to_ < in_.shift.end;
      if (tail > (underWay ? std::max(threshold, 11 * pace) : threshold)) silent += tail;
      for (double g : gaps_)
        if (g > threshold) silent += g;
    }
    out_.minutesNoAnswer = std::max(0.0, silent) / 60.0;
    for (std::size_t k = 0; k < 4; ++k) {
      Running& v = values_[k];
      ReportFigure& f = k < 3 ? out_.t[k] : out_.humidity;
      f.samples = v.n;
      if (v.n > 0) {
        f.min = v.min;
        f.max = v.max;
        f.mean = v.sum / static_cast<double>(v.n);
      }
      if (!inc_.zone.known) {
        f.minutesOutside = -1;
        continue;
      }
      double outside = v.outside;
      for (double len : v.longOutside) outside += len <= threshold ? len : std::min(len, pace);
      f.minutesOutside = outside / 60.0;
    }
  }

  const ReportInput& in_;
  const ReportIncubator& inc_;
  IncubatorReport& out_;
  TDateTime from_ = 0, to_ = 0;
  std::array<Running, 4> values_{};  // T1, T2, T3, humidity
  PaceHistogram pace_;
  std::vector<double> gaps_;  // intervals longer than gapSeconds
  bool have_ = false;
  double lead_ = 0, last_ = 0;  // seconds after the shift's start
};

}  // namespace

ShiftReport buildShiftReport(ReportInput in, std::stop_token stop, const ReportProgress& progress) {
  ShiftReport r;
  r.hall = in.hall;
  r.shift = in.shift;
  if (in.now == 0) in.now = in.shift.end;
  r.made = in.now;
  r.sensors = std::clamp(in.sensors, 1, 3);
  if (!(in.gapSeconds > 0)) in.gapSeconds = 60;
  const std::size_t total = in.incubators.size();
  r.incubators.reserve(total);
  int told = -1;
  for (std::size_t i = 0; i < total; ++i) {
    if (stop.stop_requested()) {
      r.cancelled = true;
      return r;
    }
    IncubatorReport ir;
    ir.incubator = in.incubators[i];
    if (ir.incubator.logged && !ir.incubator.log.empty()) {
      LogFigures figures(in, ir.incubator, ir);
      if (!figures.run(stop)) {
        r.cancelled = true;
        return r;
      }
      if (!ir.logProblem.empty())
        r.problems.push_back("Журнал измерений " + utf8Of(ir.incubator.log) + ": " + ir.logProblem);
    }
    r.incubators.push_back(std::move(ir));
    const int pct = static_cast<int>((i + 1) * 90 / std::max<std::size_t>(total, 1));
    if (progress && pct != told) progress(told = pct);
  }

  ShiftEvents events;
  const TDateTime to = std::min(in.shift.end, std::max(in.now, in.shift.start));
  if (!readShiftEvents(in.home, in.shift.start, to, events, stop)) {
    r.cancelled = true;
    return r;
  }
  for (auto& p : events.problems) r.problems.push_back(std::move(p));
  for (ReportAlarm& a : events.alarms) {
    auto it = std::find_if(r.incubators.begin(), r.incubators.end(), [&](const IncubatorReport& x) {
      return a.number != 0 && x.incubator.number == a.number;
    });
    if (it == r.incubators.end())
      r.stationAlarms.push_back(std::move(a));
    else
      it->alarms.push_back(std::move(a));
  }
  for (ReportSetpoint& s : events.setpoints) {
    auto it = std::find_if(r.incubators.begin(), r.incubators.end(), [&](const IncubatorReport& x) {
      return x.incubator.number == s.number;
    });
    if (it != r.incubators.end()) it->setpoints.push_back(std::move(s));
  }
  if (progress) progress(100);
  return r;
}

std::vector<ReportIncubator> reportIncubators(const fs::path& home, const TFile_config& config,
                                              const StationTables* tables, TDateTime dayAt) {
  std::vector<ReportIncubator> out;
  const int kol = std::clamp<int>(config.kol_inkub, 0, kMaxRows);
  for (int nk = 0; nk < kol; ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    ReportIncubator inc;
    inc.row = nk;
    inc.number = config.konfig_n[n];
    inc.name = config.konfig_s[n].utf8();
    inc.logged = config.konfig_Write[n] != 0;
    const std::string base = config.konfig_f[n].utf8();
    // A name with a folder part is never written by the log writer: there is no log.
    if (inc.logged && base.find_first_of("/\\") == std::string::npos && base != "." && base != "..")
      inc.log = home / "file" / fs::path(base + ".fil");
    inc.program = config.konfig_INK[n] != 0;
    inc.programName = config.konfig_finkub[n].utf8();
    inc.day = config.konfig_DenTEK[n];
    const TDateTime begun = config.N_DateTime[n];
    if (dayAt != 0 && begun != 0 && isDate(begun)) inc.day = incubationDay(dayAt, begun);
    if (tables && tables->zvukON1[n]) {
      const auto& z = tables->ZON_[n];
      inc.zone.known = true;
      inc.zone.tLow = z[2];
      inc.zone.tHigh = z[0];
      inc.zone.hLow = z[8];
      inc.zone.hHigh = z[7];
    }
    out.push_back(std::move(inc));
  }
  return out;
}

fs::path reportFolder(const fs::path& home) {
  return home / "report";
}

fs::path reportFile(const fs::path& home, const Shift& s, const char* extension) {
  return reportFolder(home) / (shiftStem(s) + extension);
}

bool writeReportFile(const fs::path& path, const std::string& bytes, std::string& error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) {
    error = "папка " + utf8Of(path.parent_path()) + " не создана (" + ec.message() + ")";
    return false;
  }
  if (!writeFileAtomic(path, bytes)) {
    error = utf8Of(path) + " не записан (" +
            std::error_code(errno, std::generic_category()).message() + ")";
    return false;
  }
  return true;
}

}  // namespace vs
