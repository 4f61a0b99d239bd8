// The shift's record sheet made by itself: at the end of every shift (and at start-up for one
// that ended while the station was off) the logs still buffered are written, what the sheet
// needs of the station is copied, and the sheet is made and written into "report" on a worker
// thread, one at a time. Written and failed sheets are told to the journal and the operator.
#pragma once
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <optional>

#include "common/ui/WorkerJob.h"
#include "report/ShiftReport.h"
#include "report/ShiftReportClock.h"

namespace vs {

class BusStation;
class Workstation;

// Makes and writes sheets on a worker, one after the other. Destroyed, it stops the one
// running and waits for it (a sheet half made is not written).
class ShiftReportJobs : public QObject {
  Q_OBJECT

 public:
  explicit ShiftReportJobs(QObject* parent = nullptr);

  void add(ReportInput in);
  bool busy() const { return loader_.running() || !waiting_.empty(); }

 signals:
  // One sheet ended: its files written, or why not (UTF-8 words).
  void finished(const vs::Shift& shift, bool ok, const QStringList& written, const QString& why);

 private:
  void next();

  WorkerJob loader_;
  std::deque<ReportInput> waiting_;
  std::optional<Shift> current_;  // the sheet being made
};

class AutoShiftReports : public QObject {
  Q_OBJECT

 public:
  // Starts watching the shifts of `ws`'s settings on `bus`'s station; ticks every second.
  AutoShiftReports(Workstation& ws, BusStation& bus, QObject* parent = nullptr);

  // One second of the watch (the timer calls it; tests call it in virtual time).
  void tick();
  ShiftReportJobs& jobs() { return jobs_; }
  const ShiftReportClock& clock() const { return clock_; }

 private:
  Workstation& ws_;
  BusStation& bus_;
  ShiftReportClock clock_;
  ShiftReportJobs jobs_;
  QTimer timer_;
};

}  // namespace vs
