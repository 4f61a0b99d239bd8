// Automatic incubation: every second each incubator's day is computed from its incubation
// start; every 61 s a command pass compares the program row of that day with what the
// controller reports and queues a write request for every value that differs (`zajvka`); the
// queue is handed, one request every 2 s, to the program write engine, while the poll cycle
// waits. The scheduler runs from start-up, with or without windows: a hall restarted after a
// power cut at night goes on with its programs by itself.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "common/DateTime.h"
#include "programs/ProgramWriter.h"

namespace vs {

class ConfigStore;
class Station;

// The request queue of one pass (TInk_Isp).
struct TInk_Isp {
  static constexpr int kSize = 501;             // entries 0..500
  std::int32_t tek = 0;                         // next entry to hand over
  std::int32_t kol = 0;                         // requests of the pass being executed
  std::array<std::uint8_t, kSize> nom_bloka{};  // incubator position
  std::array<std::int16_t, kSize> p{};          // value to write
  std::array<std::int16_t, kSize> p_st{};       // value reported when the request was made
  std::array<std::int16_t, kSize> p_nom{};      // setpoint-table row (2, 10, 20, 22) or 13
  std::array<bool, kSize> isp{};                // confirmed
  std::array<std::int16_t, kSize> n1_10{};      // write kind: 1 setpoint word, 10 damper
};

// Incubation day at `now` for a start at `start`: 1 during the first 24 hours from the start,
// 2 the next day, ...; before the start -n, where n is the number of whole days still to go
// (0 during the last day before the start).
int incubationDay(TDateTime now, TDateTime start);

// The next day-change moment after `now` for a program started at `start` whose day is `day`,
// and the day that starts then (1 when `day` is negative, else day + 1).
TDateTime nextDayChange(TDateTime now, TDateTime start, int day, int& startsDay);

// The program window's status lines for one incubator.
struct ProgramStatus {
  std::string tekuschee;   // "dd.mm.yyyy hh:nn:ss -> day"
  std::string dayCaption;  // "Первый день:" or "Смена дня:"
  std::string dayChange;   // "dd.mm.yyyy hh:nn:ss -> day"
  std::string rezult;      // "Результат:" line
  std::string vsego;       // "всего = " + por
  std::string ostalos;     // st_min + " сек"
  int day = 0;
};

class ProgramScheduler {
 public:
  ProgramScheduler(Station& station, ConfigStore& store, ProgramWriter& writer,
                   std::filesystem::path home);
  ProgramScheduler(const ProgramScheduler&) = delete;
  ProgramScheduler& operator=(const ProgramScheduler&) = delete;

  // What the scheduler asks of the rest of the program; any may be left empty.
  struct Hooks {
    // "Загрузчик" of the firmware-update window is down: no rows are looked up.
    std::function<bool()> loaderDown;
    // "Изменить" of the program window is down: no passes, no dispatch.
    std::function<bool()> editing;
    // A queue starts: the report window is shown (its log cleared first unless it is the
    // active window).
    std::function<void()> showReport;
    // The configuration changed (a day changed): save it.
    std::function<void()> saveConfig;
    // A pass had more requests than the queue holds: the journal and the operator.
    std::function<void(const std::string&)> overflow;
  } hooks;

  // The incubator the program window shows (its position), for the "Результат:" line.
  int shown = 0;
  // The scheduler runs from start-up; the program window's first showing only refreshes it.
  bool zap_ink = true;

  // Seconds to the next command pass, 60..0. The first pass waits 10 s for the first answers:
  // an incubator that has not answered yet gets no requests.
  std::int32_t st_min = 10;
  bool kn = false;           // this second is a command pass
  std::int32_t por = 0;      // requests found in the current second
  std::int32_t den_izm = 0;  // incubators whose day changed in the current second
  bool isp_inkub = false;    // a pass's queue is under way
  TInk_Isp zajvka;
  std::string rezult;  // "Результат:" of the shown incubator
  // Requests a pass found beyond the queue's room; they are left to the next pass.
  std::int32_t overflowed = 0;

  // The 1 s scheduler tick.
  void tick1s();
  // The 2 s dispatch tick.
  void tick2s();
  // Called every second by the program's timer: the dispatch every other second, counted from
  // the start of the queue.
  void tick1sDispatch();
  // Reloads every incubator's program from "rezim" (and its last day).
  void read_INk_all();
  // The row of incubator k's program for day d, or -1 when d is past its last row.
  int KomInkub(int k, int d);
  // Queues the requests of row i for incubator k.
  void KomInkubRUN(int k, int i);
  // Starts the queue of a pass.
  void ispolnenie();

  // The status lines of incubator k now; with `preview` computed from `start` instead of its
  // stored start.
  ProgramStatus status(int k, bool preview = false, TDateTime start = 0) const;

 private:
  Station& station_;
  ConfigStore& store_;
  ProgramWriter& writer_;
  std::filesystem::path home_;
  int dispatchPhase_ = 0;
};

}  // namespace vs
