// The hall as the web view shows it, built from the station's tables, the plant configuration
// and the alarm captions: one JSON document for the whole table, JSON of the rows that changed
// since the last call, and the alarm events. It hears every decoded answer (on the bus or
// replayed from the shared data file) through the station's listeners.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "common/DateTime.h"
#include "station/StatusListeners.h"
#include "web/AlarmEvents.h"

namespace vs {
class Station;
struct Settings;
}  // namespace vs

namespace vs::web {

class HallFeed {
 public:
  HallFeed(const Station& st, const Settings& settings) : st_(st), settings_(settings) {}

  // Registers the feed on the station's listeners, after every other step of an answer. The
  // listener holds the feed weakly: a feed that is gone is simply not told any more.
  static void attach(const std::shared_ptr<HallFeed>& feed, Station& st);

  // One decoded answer: its time, its alarm edges, and the row marked as changed.
  void onAnswer(int nk, std::uint8_t sender, TDateTime time);

  // {"title", "mode", "answers", "kolT", "alarmSeq", "rows": [...]}.
  std::string hallJson() const;
  std::string rowJson(int nk) const;
  // The rows answered since the last call, and those whose link state changed without an
  // answer, as a JSON array; empty when there are none.
  std::string takeChangedRows();

  // Called after each answer was taken in (the server plans its next event from it).
  std::function<void()> onChange;

  const AlarmEvents& alarms() const { return alarms_; }
  // Decoded answers since start, as "Опрос" shows them.
  long long answers() const;
  // The link state of row nk as the main table draws its name cell, without touching it.
  bool linked(int nk) const;

 private:
  const Station& st_;
  const Settings& settings_;
  AlarmEvents alarms_;
  std::array<TDateTime, 256> lastAnswer_{};
  std::array<bool, 256> changed_{};
  std::array<signed char, 256> linkSent_{};  // link state last sent: 0 unknown, 1 lost, 2 linked
};

}  // namespace vs::web
