// Runs the bus station on the program's timers and connects it to the windows: the top bar,
// the main table's row texts and name cells, the settings tab's poll controls, the schedule
// debug window.
#pragma once
#include <QObject>
#include <QTimer>

#include "alarms/ui/EscalationProcess.h"
#include "app/BusStation.h"
#include "app/ui/AppWindows.h"

namespace vs {

class StationTimers : public QObject {
  Q_OBJECT
 public:
  // Starts the 20 ms, 100 ms and 1 s timers of the station, and gives its alarm list the
  // runner of the escalation commands and the host name they are told.
  explicit StationTimers(BusStation& bus, QObject* parent = nullptr);
  ~StationTimers() override;

 private:
  BusStation& bus_;
  QTimer t20_, t100_, t1000_;
  EscalationProcess escalation_;
};

// The engine parts of the bus station that windows show or work on, for createWindows().
AppLinks appLinks(BusStation& bus);

// Connects the station to the windows created by createWindows().
void connectStation(AppWindows& w, BusStation& bus);

}  // namespace vs
