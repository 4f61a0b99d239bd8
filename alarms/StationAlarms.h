// The alarm list fed by the station: every decoded answer raises and clears the incubator's C2
// alarms and sensor faults and clears its "Нет связи"; every second the link supervision
// raises "Нет связи" for a polled incubator whose name turns yellow (five polls unanswered at
// the start of the cycle) and "USB не работает" with the main window's indicator. Then the
// list's own second (shelvings, repeats, escalations) and the file.
#pragma once
#include <filesystem>

#include "alarms/AlarmFile.h"
#include "alarms/AlarmList.h"
#include "station/Station.h"

namespace vs {

struct Settings;

class StationAlarms {
 public:
  StationAlarms(Station& station, const Clock& clock, std::filesystem::path home)
      : list(clock), store(list, std::move(home)), st_(station) {
    list.nameOf = [this](int number) { return nameOf(number); };
  }
  StationAlarms(const StationAlarms&) = delete;
  StationAlarms& operator=(const StationAlarms&) = delete;

  AlarmList list;
  AlarmStore store;

  // The "Alarm" section of the settings.
  void applySettings(const Settings& s);
  // The list as the file left it; once, at start-up after the plant configuration.
  void load() { store.load(); }
  // The station's answer of row nk (at the sound check: C2 is decoded).
  void onAnswer(const StatusEvent& e);
  // After the station's 1 s tick.
  void tick1s();
  // At shut-down: what changed in the last second is not lost.
  void save() { store.save(); }

 private:
  std::string nameOf(int number) const;

  Station& st_;
  int seconds_ = 0;  // 1 s ticks since start
};

}  // namespace vs
