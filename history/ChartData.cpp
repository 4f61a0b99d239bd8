#include "history/ChartData.h"

#include <cmath>

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

// The per-point part shared by both views: the pause since the previous moment, which is
// taken over whether or not this one is drawn, then the point unless its time is 0. A time
// that is not a number (a damaged record) is skipped like 0 and makes the next point close a
// gap, as no pause can be judged across it.
class Points {
 public:
  Points(const ChartOptions& o, ChartColumns& out, TDateTime first)
      : o_(o), out_(out), prev_(std::isfinite(first) ? first : 0.0) {
    for (int s = 0; s < kLogSeries; ++s)
      if (o_.shown[static_cast<std::size_t>(s)]) shown_[count_++] = s;
  }

  void add(TDateTime dt, const double* v) {
    const double gap = std::round((dt - prev_) * 1440.0);
    const bool finite = std::isfinite(dt);
    prev_ = finite ? dt : 0.0;
    if (dt == 0.0 || !finite) return;
    out_.x.push_back(dt);
    out_.white.push_back(o_.markGaps && gap > static_cast<double>(o_.gapMinutes) ? 1 : 0);
    for (int i = 0; i < count_; ++i)
      out_.y[static_cast<std::size_t>(shown_[i])].push_back(v[shown_[i]]);
  }

  void reserve(std::size_t n) {
    out_.x.reserve(n);
    out_.white.reserve(n);
    for (int i = 0; i < count_; ++i) out_.y[static_cast<std::size_t>(shown_[i])].reserve(n);
  }

 private:
  const ChartOptions& o_;
  ChartColumns& out_;
  TDateTime prev_;
  int shown_[kLogSeries] = {};
  int count_ = 0;
};

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

void KNreadF(const std::vector<TFile>& records, const ChartOptions& options, ChartColumns& out,
             const ReadProgress& progress) {
  out.clear();
  const std::size_t n = records.size();
  if (n == 0) return;
  Points points(options, out, records.front().dt);
  Progress bar(n, progress);
  const int q = averagingFactor(options.averaging);
  double v[kLogSeries];
  if (q == 1) {
    points.reserve(n);
    for (const TFile& r : records) {
      values(r, v);
      points.add(r.dt, v);
      bar.tick();
    }
    return;
  }
  points.reserve(n / static_cast<std::size_t>(q));
  double sum[kLogSeries] = {};
  int inGroup = 0;
  for (const TFile& r : records) {
    values(r, v);
    for (int s = 0; s < kLogSeries; ++s) sum[s] += v[s];
    if (++inGroup == q) {
      for (int s = 0; s < kLogSeries; ++s) {
        v[s] = sum[s] / q;
        sum[s] = 0;
      }
      inGroup = 0;
      points.add(r.dt, v);
    }
    bar.tick();
  }
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

}  // namespace vs
