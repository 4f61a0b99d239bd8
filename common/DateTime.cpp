#include "common/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

namespace vs {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kEpochOffset = 25569;  // 1970-01-01 as days since 1899-12-30

}  // namespace

TDateTime encodeDateTime(const LocalDateTime& t) {
  const std::int64_t days =
      daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) +
      kEpochOffset;
  const double frac = (t.hour * 3600.0 + t.minute * 60.0 + t.second + t.msec / 1000.0) / 86400.0;
  // Before 30.12.1899 the records count the days back and the time of day forward from them:
  // 29.12.1899 06:00 is -1.25, not -0.75.
  return days < 0 ? static_cast<double>(days) - frac : static_cast<double>(days) + frac;
}

TDateTime continuousDays(TDateTime d) {
  if (!(d < 0)) return d;
  const double whole = std::trunc(d);
  return whole + (whole - d);
}

bool isDate(TDateTime d) {
  // 01.01.0001 00:00 (-693593) .. 01.01.0001 23:59:59.999 .. 31.12.9999 23:59:59.999
  return std::isfinite(d) && d > -693594.0 && d < 2958466.0;
}

LocalDateTime decodeDateTime(TDateTime d) {
  LocalDateTime t;
  if (!isDate(d)) return t;
  auto ms = static_cast<std::int64_t>(std::llround(continuousDays(d) * 86'400'000.0));
  std::int64_t days = ms / 86'400'000;
  std::int64_t rest = ms % 86'400'000;
  if (rest < 0) {
    rest += 86'400'000;
    --days;
  }
  civilFromDays(days - kEpochOffset, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3'600'000);
  t.minute = static_cast<int>(rest / 60'000 % 60);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.msec = static_cast<int>(rest % 1000);
  return t;
}

std::string formatDateTime(TDateTime d) {
  const LocalDateTime t = decodeDateTime(d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return buf;
}

std::string isoDateTime(TDateTime t) {
  const LocalDateTime d = decodeDateTime(t);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return buf;
}

bool parseIsoDateTime(const std::string& s, TDateTime& out) {
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':')
    return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
    if (s[i] < '0' || s[i] > '9') return false;
  auto num = [&s](std::size_t at, std::size_t n) { return std::stoi(s.substr(at, n)); };
  LocalDateTime d;
  d.year = num(0, 4);
  d.month = num(5, 2);
  d.day = num(8, 2);
  d.hour = num(11, 2);
  d.minute = num(14, 2);
  d.second = num(17, 2);
  if (d.year < 1900 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 ||
      d.minute > 59 || d.second > 59)
    return false;
  out = encodeDateTime(d);
  // 31.02 and the like come back as another day: no date of the calendar.
  return decodeDateTime(out) == d;
}

TDateTime localDateTime(std::chrono::system_clock::time_point t) {
  const std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &tt);
#else
  localtime_r(&tt, &tm);
#endif
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
  return encodeDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                         tm.tm_sec, static_cast<int>(ms < 0 ? 0 : ms)});
}

TDateTime SystemClock::now() const {
  return localDateTime(std::chrono::system_clock::now());
}

}  // namespace vs
