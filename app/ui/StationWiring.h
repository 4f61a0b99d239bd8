// Runs the bus station on the program's timers and connects it to the windows: the top bar,
// the main table's row texts and name cells, the settings tab's poll controls, the schedule
// debug window.
#pragma once
#include <QObject>
#include <QTimer>

#include "app/BusStation.h"
#include "app/ui/AppWindows.h"

namespace vs {

class StationTimers : public QObject {
  Q_OBJECT
 public:
  // Starts the 20 ms, 100 ms and 1 s timers of the station.
  explicit StationTimers(BusStation& bus, QObject* parent = nullptr);

 private:
  QTimer t20_, t100_, t1000_;
};

// The engine parts of the bus station that windows show or work on, for createWindows().
AppLinks appLinks(BusStation& bus);

// Connects the station to the windows created by createWindows().
void connectStation(AppWindows& w, BusStation& bus);

}  // namespace vs
