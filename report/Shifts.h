// The shifts of the hall: the times of day at which one shift hands over to the next (settings
// "Report", key "Shifts", "08:00,20:00" by default). A shift runs from its start to the next
// start, the last of the day to the first of the next day. Local time, as every date-time of the
// program.
#pragma once
#include <string>
#include <vector>

#include "common/DateTime.h"

namespace vs {

inline constexpr const char* kDefaultShifts = "08:00,20:00";
inline constexpr int kMaxShifts = 24;

// The shift starts as minutes after midnight, ascending, without repeats, 1..kMaxShifts of them.
using ShiftStarts = std::vector<int>;

// "HH:MM,HH:MM,...": hours 0..23 (one or two digits), minutes two digits, spaces around the
// times allowed; given in any order. False for anything else (an empty text, a repeated time,
// more than kMaxShifts times); `out` is then left as it was.
bool parseShifts(const std::string& text, ShiftStarts& out);
// The starts again as "08:00,20:00".
std::string formatShifts(const ShiftStarts& starts);

struct Shift {
  TDateTime start = 0;
  TDateTime end = 0;  // the next shift's start
  bool operator==(const Shift&) const = default;
};

// Every shift that began on the local date year-month-day, in order.
std::vector<Shift> shiftsBegunOn(const ShiftStarts& starts, int year, int month, int day);
// The shift that holds `moment` (a moment at a start belongs to the shift that begins then).
Shift shiftAt(const ShiftStarts& starts, TDateTime moment);
// The end of the shift that holds `moment`: when the next report falls due.
TDateTime shiftEnd(const ShiftStarts& starts, TDateTime moment);

// The files' name for a shift: its start as "2026-12-10_08-00".
std::string shiftStem(const Shift& s);
// "10.12.2026 08:00", the way the sheet shows a moment of a shift.
std::string shiftMoment(TDateTime t);

}  // namespace vs
