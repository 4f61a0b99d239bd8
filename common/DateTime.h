// Date-times as the records keep them: days since 1899-12-30 as a double, local time, the
// fraction being the time of day. This is the one place that converts them.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace vs {

using TDateTime = double;

struct LocalDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
  bool operator==(const LocalDateTime&) const = default;
};

TDateTime encodeDateTime(const LocalDateTime& t);
// A value that names a moment of the years 1..9999. Anything else (not a number, infinite, out
// of range) is no date: it decodes as 30.12.1899 00:00, the date-time of nothing.
bool isDate(TDateTime d);
// The same moment on a line without the turn at 30.12.1899, for differences between moments:
// a date-time before it counts its days back and its time of day forward (-1.25 is 29.12.1899
// 06:00, which is -0.75 here). Later ones are returned as they are.
TDateTime continuousDays(TDateTime d);
LocalDateTime decodeDateTime(TDateTime d);

// A moment of the system clock as a local date-time (a file's modification time, now).
TDateTime localDateTime(std::chrono::system_clock::time_point t);

// "DD.MM.YYYY HH:MM:SS", the way the station shows and journals a moment.
std::string formatDateTime(TDateTime d);
// A local date-time as ISO 8601 without a zone, "2026-12-10T14:05:00".
std::string isoDateTime(TDateTime t);
// The reverse (years from 1900 on); false for anything else.
bool parseIsoDateTime(const std::string& s, TDateTime& out);

// Source of the current local date-time. The program uses the system clock, tests a fake one.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual TDateTime now() const = 0;
};

// The system's local time.
class SystemClock final : public Clock {
 public:
  TDateTime now() const override;
};

// A clock that only moves when told to; for tests and virtual-time runs.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(TDateTime start = 46000.5) : t_(start) {}
  TDateTime now() const override { return t_; }
  void set(TDateTime t) { t_ = t; }
  void advanceMs(std::int64_t ms) { t_ += static_cast<double>(ms) / 86'400'000.0; }

 private:
  TDateTime t_;
};

}  // namespace vs
