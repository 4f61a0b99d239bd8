#include "history/ChartData.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace vs {

namespace {

inline void values(const TFile& r, double* v) {
  v[0] = r.T1;
  v[1] = r.T2;
  v[2] = r.T3;
  v[3] = r.BL;
  v[4] = static_cast<double>(r.zsl) - 10.0;
  v[5] = (r.C2 & 0x4000) ? 20.0 : 0.0;  // cut-off valve
  v[6] = (r.C1 & 0x0100) ? 21.0 : 1.0;  // cooling
  v[7] = (r.C2 & 0x8000) ? 22.0 : 2.0;  // motor
}

// Moves a progress bar by one every (n div 100) + 1 records without a division per record.
class Progress {
 public:
  Progress(std::size_t n, const ReadProgress& report) : report_(report), step_(n / 100 + 1) {
    left_ = step_;
  }
  void tick() {
    if (--left_ != 0) return;
    left_ = step_;
    if (report_ && percent_ < 100) report_(++percent_);
  }

 private:
  const ReadProgress& report_;
  std::size_t step_;
  std::size_t left_;
  int percent_ = 0;
};

// Brings points down to the lowest and highest value of each series per pixel column. The
// columns divide [from, to]; a point outside it gets a column of its own beyond the ends,
// so a clock set back or a damaged time never drags good points with it. Without a usable
// span the columns are runs of consecutive points instead. A point that closes a pause, or
// one that lands in another column than the last, begins a new column: no column merges
// points across a gap or across a jump in time.
class Decimator {
 public:
  Decimator(const int* shown, int count, ChartColumns& out)
      : shown_(shown), count_(count), out_(out) {}

  void setup(int columns, TDateTime from, TDateTime to, std::size_t expected) {
    const double span = to - from;
    byCount_ = !(std::isfinite(span) && span > 0 && std::isfinite(from));
    from_ = from;
    to_ = to;
    columns_ = columns;
    scale_ = byCount_ ? 0.0 : columns / span;
    perColumn_ =
        std::max<std::size_t>(1, (expected + columns - 1) / static_cast<std::size_t>(columns));
    index_ = 0;
    n_ = 0;
  }

  void add(TDateTime t, bool white, const double* v) {
    const long long c = column(t);
    if (n_ == 0 || white || c != col_) {
      flush();
      col_ = c;
      t0_ = t1_ = t;
      white_ = white;
      n_ = 1;
      for (int i = 0; i < count_; ++i) {
        lo_[i] = hi_[i] = v[shown_[i]];
        loAt_[i] = hiAt_[i] = 0;
      }
      return;
    }
    t1_ = t;
    for (int i = 0; i < count_; ++i) {
      const double x = v[shown_[i]];
      // A value that is not a number gives way to any that is: a damaged record does not
      // hide its column.
      if (x < lo_[i] || std::isnan(lo_[i])) {
        lo_[i] = x;
        loAt_[i] = n_;
      }
      if (x > hi_[i] || std::isnan(hi_[i])) {
        hi_[i] = x;
        hiAt_[i] = n_;
      }
    }
    ++n_;
  }

  // Puts the open column into the output: one point when it holds one, else two at its first
  // and last moment carrying each series' extremes in the order they came.
  void flush() {
    if (n_ == 0) return;
    out_.x.push_back(t0_);
    out_.white.push_back(white_ ? 1 : 0);
    if (n_ > 1) {
      out_.x.push_back(t1_);
      out_.white.push_back(0);
    }
    for (int i = 0; i < count_; ++i) {
      auto& y = out_.y[static_cast<std::size_t>(shown_[i])];
      if (n_ == 1) {
        y.push_back(lo_[i]);
      } else if (loAt_[i] <= hiAt_[i]) {
        y.push_back(lo_[i]);
        y.push_back(hi_[i]);
      } else {
        y.push_back(hi_[i]);
        y.push_back(lo_[i]);
      }
    }
    n_ = 0;
  }

 private:
  long long column(TDateTime t) {
    if (byCount_) return static_cast<long long>(index_++ / perColumn_);
    double c = std::floor((t - from_) * scale_);
    if (c >= columns_ && t <= to_) c = columns_ - 1;  // the end of the span is the last column's
    constexpr double kFar = 1e15;  // far beyond any plot, still exact as an integer
    return static_cast<long long>(std::clamp(c, -kFar, kFar));
  }

  const int* shown_;
  int count_;
  ChartColumns& out_;
  bool byCount_ = true;
  TDateTime from_ = 0, to_ = 0;
  int columns_ = 1;
  double scale_ = 0;
  std::size_t perColumn_ = 1;
  std::size_t index_ = 0;

  long long col_ = 0;
  TDateTime t0_ = 0, t1_ = 0;
  bool white_ = false;
  std::size_t n_ = 0;
  double lo_[kLogSeries] = {}, hi_[kLogSeries] = {};
  std::size_t loAt_[kLogSeries] = {}, hiAt_[kLogSeries] = {};
};

// Where points go: kept as they come while they are few, then, once they pass kKeepFactor x
// columns, the ones kept are run through the decimator and so is every later one.
class PointSink {
 public:
  PointSink(const std::array<bool, kLogSeries>& shown, int columns, TDateTime from, TDateTime to,
            std::size_t expected)
      : count_(pick(shown, shown_)),
        columns_(columns),
        from_(from),
        to_(to),
        expected_(expected),
        limit_(columns > 0 ? static_cast<std::size_t>(columns) * kKeepFactor : 0),
        decimator_(shown_, count_, out_) {}
  PointSink(const PointSink&) = delete;
  PointSink& operator=(const PointSink&) = delete;

  void add(TDateTime t, bool white, const double* v) {
    if (decimating_) {
      decimator_.add(t, white, v);
      return;
    }
    out_.x.push_back(t);
    out_.white.push_back(white ? 1 : 0);
    for (int i = 0; i < count_; ++i)
      out_.y[static_cast<std::size_t>(shown_[i])].push_back(v[shown_[i]]);
    if (limit_ != 0 && out_.x.size() > limit_) startDecimating();
  }

  ChartPoints finish() {
    if (decimating_) decimator_.flush();
    ChartPoints p;
    p.columns = std::move(out_);
    p.decimated = decimating_;
    out_.clear();
    return p;
  }

 private:
  void startDecimating() {
    ChartColumns kept = std::move(out_);
    out_.clear();
    decimating_ = true;
    decimator_.setup(columns_, from_, to_, expected_);
    double v[kLogSeries] = {};
    for (std::size_t k = 0; k < kept.x.size(); ++k) {
      for (int i = 0; i < count_; ++i)
        v[shown_[i]] = kept.y[static_cast<std::size_t>(shown_[i])][k];
      decimator_.add(kept.x[k], kept.white[k] != 0, v);
    }
  }

  static int pick(const std::array<bool, kLogSeries>& shown, int* into) {
    int n = 0;
    for (int s = 0; s < kLogSeries; ++s)
      if (shown[static_cast<std::size_t>(s)]) into[n++] = s;
    return n;
  }

  int shown_[kLogSeries] = {};
  int count_;
  int columns_;
  TDateTime from_, to_;
  std::size_t expected_;
  std::size_t limit_;
  bool decimating_ = false;
  ChartColumns out_;
  Decimator decimator_;
};

bool usableTime(TDateTime t) {
  return std::isfinite(t) && t != 0.0;
}

// The time a log spans, for the pixel columns: about its first and last record times, each the
// middle one of the first (last) few usable times, so that a damaged time at either end does
// not stretch the span over centuries. False when the log has no usable time in its first or
// last slice, or a read failed (`error` set then).
template <typename Record>
bool logSpan(LogSlices<Record>& log, TDateTime& from, TDateTime& to, std::string& error) {
  constexpr std::size_t kLook = 15;
  const std::size_t n = log.size();
  std::vector<TDateTime> t;
  std::span<const Record> head = log.read(0);
  for (std::size_t i = 0; i < head.size() && t.size() < kLook; ++i)
    if (usableTime(head[i].dt)) t.push_back(head[i].dt);
  if (log.failed()) {
    error = log.error();
    return false;
  }
  if (t.empty()) return false;
  std::nth_element(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(t.size() / 2), t.end());
  from = t[t.size() / 2];
  t.clear();
  const std::size_t tailAt =
      n > LogSlices<Record>::kSliceRecords ? n - LogSlices<Record>::kSliceRecords : 0;
  std::span<const Record> tail = log.read(tailAt);
  for (std::size_t i = tail.size(); i-- > 0 && t.size() < kLook;)
    if (usableTime(tail[i].dt)) t.push_back(tail[i].dt);
  if (log.failed()) {
    error = log.error();
    return false;
  }
  if (t.empty()) return false;
  std::nth_element(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(t.size() / 2), t.end());
  to = t[t.size() / 2];
  return true;
}

constexpr TDateTime kNoTime = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void ChartColumns::clear() {
  x.clear();
  white.clear();
  for (auto& c : y) c.clear();
}

std::array<double, kLogSeries> logValues(const TFile& r) {
  std::array<double, kLogSeries> v{};
  values(r, v.data());
  return v;
}

std::array<double, kSetpointSeries> setpointValues(const TFileZon& z) {
  const double t = z.ustT;
  const double blv = z.ustBLv;
  return {
      t / 100.0,
      (z.ustOhlv <= t / 2 ? t + z.ustOhlv : z.ustOhlv) / 100.0,
      (z.ustOhln <= t / 2 ? t - z.ustOhln : z.ustOhln) / 100.0,
      blv,
      z.ustBLn <= blv / 2 ? blv - z.ustBLn : static_cast<double>(z.ustBLn),
      static_cast<double>(z.Trab) + 1.0,
      static_cast<double>(z.Chim),
      static_cast<double>(z.zsl),
  };
}

int averagingFactor(int buttons) {
  return buttons == 1 || buttons == 100 || buttons == 1000 ? buttons : 10;
}

long long gapThreshold(const GapInputs& in, int averaging) {
  const int a = averagingFactor(averaging);
  const long long q = a == 1 ? 10 : a;
  long long r = static_cast<long long>(in.PeriodSE) * q * 5;
  if (in.old) r *= in.kol_inkub;
  return r;
}

// The per-point part of both views: the pause since the previous moment, which is taken
// over whether or not this one is drawn, then the point unless its time is 0. A time that is
// not a number (a damaged record) is skipped like 0 and makes the next point close a gap, as
// no pause can be judged across it. Points outside a zoomed range are judged, not kept.
struct ChartBuilder::Impl {
  Impl(const ChartRequest& r, TDateTime first, TDateTime spanFrom, TDateTime spanTo,
       std::size_t expected)
      : o(r.options),
        q(averagingFactor(r.options.averaging)),
        ranged(r.ranged()),
        from(r.from),
        to(r.to),
        prev(std::isfinite(first) ? first : 0.0),
        sink(r.options.shown, r.columns, ranged ? r.from : spanFrom, ranged ? r.to : spanTo,
             expected) {}

  void point(TDateTime dt, const double* v) {
    const double gap = std::round((dt - prev) * 1440.0);
    const bool finite = std::isfinite(dt);
    prev = finite ? dt : 0.0;
    if (dt == 0.0 || !finite) return;
    if (ranged && !(dt >= from && dt <= to)) return;
    sink.add(dt, o.markGaps && gap > static_cast<double>(o.gapMinutes), v);
  }

  ChartOptions o;
  int q;
  bool ranged;
  TDateTime from, to;
  TDateTime prev;
  double sum[kLogSeries] = {};
  int inGroup = 0;
  PointSink sink;
};

ChartBuilder::ChartBuilder(const ChartRequest& request, TDateTime first, TDateTime spanFrom,
                           TDateTime spanTo, std::size_t expected)
    : impl_(new Impl(request, first, spanFrom, spanTo, expected)) {}

ChartBuilder::~ChartBuilder() {
  delete impl_;
}

void ChartBuilder::add(std::span<const TFile> records) {
  Impl& m = *impl_;
  double v[kLogSeries];
  if (m.q == 1) {
    for (const TFile& r : records) {
      values(r, v);
      m.point(r.dt, v);
    }
    return;
  }
  for (const TFile& r : records) {
    values(r, v);
    for (int s = 0; s < kLogSeries; ++s) m.sum[s] += v[s];
    if (++m.inGroup == m.q) {
      for (int s = 0; s < kLogSeries; ++s) {
        v[s] = m.sum[s] / m.q;
        m.sum[s] = 0;
      }
      m.inGroup = 0;
      m.point(r.dt, v);
    }
  }
}

ChartPoints ChartBuilder::finish() {
  return impl_->sink.finish();
}

void KNreadF(const std::vector<TFile>& records, const ChartOptions& options, ChartColumns& out,
             const ReadProgress& progress) {
  out.clear();
  if (records.empty()) return;
  ChartRequest r;
  r.options = options;
  ChartBuilder b(r, records.front().dt, kNoTime, kNoTime, 0);
  // In slices only so that a long pass can move a progress bar.
  Progress bar(records.size(), progress);
  constexpr std::size_t kStep = 4096;
  const std::span<const TFile> all(records);
  for (std::size_t at = 0; at < all.size(); at += kStep) {
    const auto part = all.subspan(at, std::min(kStep, all.size() - at));
    b.add(part);
    for (std::size_t i = 0; i < part.size(); ++i) bar.tick();
  }
  out = std::move(b.finish().columns);
}

void setpointColumns(const std::vector<TFileZon>& records,
                     const std::array<bool, kSetpointSeries>& shown, ChartColumns& out) {
  out.clear();
  out.x.reserve(records.size());
  out.white.assign(records.size(), 0);
  for (int s = 0; s < kSetpointSeries; ++s)
    if (shown[static_cast<std::size_t>(s)])
      out.y[static_cast<std::size_t>(s)].reserve(records.size());
  for (const TFileZon& z : records) {
    out.x.push_back(z.dt);
    const auto v = setpointValues(z);
    for (int s = 0; s < kSetpointSeries; ++s)
      if (shown[static_cast<std::size_t>(s)])
        out.y[static_cast<std::size_t>(s)].push_back(v[static_cast<std::size_t>(s)]);
  }
}

ChartColumns decimate(const ChartColumns& in, int columns, TDateTime from, TDateTime to) {
  std::array<bool, kLogSeries> shown{};
  for (std::size_t s = 0; s < shown.size(); ++s)
    shown[s] = in.y[s].size() == in.x.size() && !in.x.empty();
  PointSink sink(shown, columns, from, to, in.size());
  double v[kLogSeries] = {};
  for (std::size_t k = 0; k < in.size(); ++k) {
    for (std::size_t s = 0; s < shown.size(); ++s)
      if (shown[s]) v[s] = in.y[s][k];
    sink.add(in.x[k], in.white[k] != 0, v);
  }
  return std::move(sink.finish().columns);
}

ChartRead KNreadF(LogSlices<TFile>& log, const ChartRequest& request, ChartPoints& out,
                  std::string& error, std::stop_token stop, const ReadProgress& progress) {
  out = {};
  const std::size_t n = log.size();
  if (n == 0) return ChartRead::Done;
  try {
    const std::span<const TFile> head = log.read(0, 1);
    if (log.failed() || head.empty()) {
      error = log.failed() ? log.error() : "файл стал короче";
      return ChartRead::Failed;
    }
    const TDateTime first = head.front().dt;
    const std::size_t expected =
        n / static_cast<std::size_t>(averagingFactor(request.options.averaging));
    // The span is only needed when the points will be brought down over the whole log.
    TDateTime from = kNoTime, to = kNoTime;
    if (!request.ranged() && request.columns > 0 &&
        expected > static_cast<std::size_t>(request.columns) * kKeepFactor) {
      if (!logSpan(log, from, to, error) && log.failed()) return ChartRead::Failed;
    }
    ChartBuilder b(request, first, from, to, expected);
    const bool read = walkSlices<TFile>(
        log, 0,
        [&](std::span<const TFile> part) {
          if (stop.stop_requested()) return false;
          b.add(part);
          return true;
        },
        error, progress);
    if (stop.stop_requested()) return ChartRead::Cancelled;
    if (!read) return ChartRead::Failed;
    out = b.finish();
  } catch (const std::bad_alloc&) {
    out = {};
    error = "недостаточно памяти";
    return ChartRead::Failed;
  }
  return ChartRead::Done;
}

ChartRead setpointColumns(LogSlices<TFileZon>& log, const std::array<bool, kSetpointSeries>& shown,
                          int columns, ChartColumns& out, std::string& error, std::stop_token stop,
                          const ReadProgress& progress) {
  out.clear();
  const std::size_t n = log.size();
  if (n == 0) return ChartRead::Done;
  try {
    TDateTime from = kNoTime, to = kNoTime;
    if (columns > 0 && n > static_cast<std::size_t>(columns) * kKeepFactor) {
      if (!logSpan(log, from, to, error) && log.failed()) return ChartRead::Failed;
    }
    PointSink sink(shown, columns, from, to, n);
    const bool read = walkSlices<TFileZon>(
        log, 0,
        [&](std::span<const TFileZon> part) {
          if (stop.stop_requested()) return false;
          for (const TFileZon& z : part) {
            const auto v = setpointValues(z);
            sink.add(z.dt, false, v.data());
          }
          return true;
        },
        error, progress);
    if (stop.stop_requested()) return ChartRead::Cancelled;
    if (!read) return ChartRead::Failed;
    out = std::move(sink.finish().columns);
  } catch (const std::bad_alloc&) {
    out.clear();
    error = "недостаточно памяти";
    return ChartRead::Failed;
  }
  return ChartRead::Done;
}

}  // namespace vs
