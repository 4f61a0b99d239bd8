#include "report/Shifts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vs {

namespace {

constexpr long long kMsPerDay = 86'400'000;
constexpr long long kMsPerMinute = 60'000;

// Whole milliseconds on a continuous line, so that a moment at a start is never a hair before it.
long long msOf(TDateTime t) {
  return std::llround(continuousDays(t) * static_cast<double>(kMsPerDay));
}
TDateTime dateTimeOf(long long ms) {
  const double d = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  // Back from the continuous line: before 30.12.1899 the day counts back, the time forward.
  if (d >= 0) return d;
  const double day = std::floor(d);
  return day - (d - day);
}
long long floorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

bool parseTime(const std::string& s, int& minutes) {
  std::size_t a = s.find_first_not_of(' ');
  std::size_t b = s.find_last_not_of(' ');
  if (a == std::string::npos) return false;
  const std::string t = s.substr(a, b - a + 1);
  const std::size_t colon = t.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2 || t.size() != colon + 3) return false;
  int h = 0, m = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (i == colon) continue;
    if (t[i] < '0' || t[i] > '9') return false;
    (i < colon ? h : m) = (i < colon ? h : m) * 10 + (t[i] - '0');
  }
  if (h > 23 || m > 59) return false;
  minutes = h * 60 + m;
  return true;
}

}  // namespace

bool parseShifts(const std::string& text, ShiftStarts& out) {
  ShiftStarts starts;
  std::size_t from = 0;
  while (true) {
    const std::size_t comma = text.find(',', from);
    const std::string part =
        text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    int m = 0;
    if (!parseTime(part, m)) return false;
    starts.push_back(m);
    if (starts.size() > static_cast<std::size_t>(kMaxShifts)) return false;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  std::sort(starts.begin(), starts.end());
  if (std::adjacent_find(starts.begin(), starts.end()) != starts.end()) return false;
  out = std::move(starts);
  return true;
}

std::string formatShifts(const ShiftStarts& starts) {
  std::string s;
  for (int m : starts) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d:%02d", (m / 60) % 100, m % 60);
    if (!s.empty()) s += ',';
    s += b;
  }
  return s;
}

std::vector<Shift> shiftsBegunOn(const ShiftStarts& starts, int year, int month, int day) {
  std::vector<Shift> out;
  LocalDateTime d;
  d.year = year;
  d.month = month;
  d.day = day;
  const long long midnight = msOf(encodeDateTime(d));
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const long long s = midnight + starts[i] * kMsPerMinute;
    const long long e = i + 1 < starts.size() ? midnight + starts[i + 1] * kMsPerMinute
                                              : midnight + kMsPerDay + starts[0] * kMsPerMinute;
    out.push_back({dateTimeOf(s), dateTimeOf(e)});
  }
  return out;
}

Shift shiftAt(const ShiftStarts& starts, TDateTime moment) {
  const ShiftStarts& st = starts.empty() ? ShiftStarts{0} : starts;
  const long long ms = msOf(moment);
  const long long midnight = floorDiv(ms, kMsPerDay) * kMsPerDay;
  const long long inDay = ms - midnight;
  // Before the day's first start the shift is the previous day's last one.
  long long start = midnight - kMsPerDay + st.back() * kMsPerMinute;
  long long end = midnight + st.front() * kMsPerMinute;
  for (std::size_t i = 0; i < st.size(); ++i) {
    if (inDay < st[i] * kMsPerMinute) break;
    start = midnight + st[i] * kMsPerMinute;
    end = i + 1 < st.size() ? midnight + st[i + 1] * kMsPerMinute
                            : midnight + kMsPerDay + st.front() * kMsPerMinute;
  }
  return {dateTimeOf(start), dateTimeOf(end)};
}

TDateTime shiftEnd(const ShiftStarts& starts, TDateTime moment) {
  return shiftAt(starts, moment).end;
}

std::string shiftStem(const Shift& s) {
  const LocalDateTime t = decodeDateTime(s.start);
  char b[40];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d_%02d-%02d", t.year, t.month, t.day, t.hour, t.minute);
  return b;
}

std::string shiftMoment(TDateTime t) {
  const LocalDateTime d = decodeDateTime(t);
  char b[40];
  std::snprintf(b, sizeof b, "%02d.%02d.%04d %02d:%02d", d.day, d.month, d.year, d.hour, d.minute);
  return b;
}

}  // namespace vs
