#include "app/ui/AutoShiftReports.h"

#include <memory>
#include <utility>

#include "app/BusStation.h"
#include "app/ShiftReportInput.h"
#include "config/Workstation.h"
#include "report/ui/ReportPdf.h"

namespace vs {

ShiftReportJobs::ShiftReportJobs(QObject* parent) : QObject(parent) {
  connect(&loader_, &WorkerJob::failed, this, [this](const QString& why) {
    // The sheet's job ended on an exception: said like any other failure of it.
    if (!current_.has_value()) return;
    const Shift s = *current_;
    current_.reset();
    emit finished(s, false, {}, why);
    next();
  });
}

void ShiftReportJobs::add(ReportInput in) {
  waiting_.push_back(std::move(in));
  if (!loader_.running()) next();
}

void ShiftReportJobs::next() {
  if (waiting_.empty() || loader_.running()) return;
  ReportInput in = std::move(waiting_.front());
  waiting_.pop_front();
  current_ = in.shift;
  loader_.start([this, in = std::move(in)](std::stop_token stop, const JobProgress&) mutable {
    const Shift shift = in.shift;
    const std::filesystem::path home = in.home;
    const ShiftReport r = buildShiftReport(std::move(in), stop);
    std::vector<std::filesystem::path> written;
    std::string why;
    const bool ok = !r.cancelled && writeShiftReportFiles(r, home, written, why);
    QStringList paths;
    for (const auto& p : written) paths << QString::fromStdU16String(p.u16string());
    return std::function<void()>([this, shift, ok, paths, why = QString::fromStdString(why)] {
      current_.reset();
      emit finished(shift, ok, paths, why);
      next();
    });
  });
}

AutoShiftReports::AutoShiftReports(Workstation& ws, BusStation& bus, QObject* parent)
    : QObject(parent), ws_(ws), bus_(bus), clock_(ws.clock) {
  clock_.start(shiftStartsOf(ws.settings), ws.home());
  connect(&jobs_, &ShiftReportJobs::finished, this,
          [this](const Shift& s, bool ok, const QStringList& written, const QString& why) {
            const std::string shift = shiftMoment(s.start);
            if (ok) {
              const std::string line =
                  "Отчёт за смену " + shift + " записан: " + written.join(", ").toStdString();
              ws_.journal.Err(line);
              if (ws_.notice) ws_.notice(line);
            } else {
              ws_.report("Отчёт за смену " + shift + " не записан: " + why.toStdString());
            }
          });
  connect(&timer_, &QTimer::timeout, this, &AutoShiftReports::tick);
  timer_.start(1000);
}

void AutoShiftReports::tick() {
  const std::optional<Shift> due = clock_.tick();
  if (!due) return;
  // The last samples of the shift are still in the log writer's batches.
  bus_.logs.flushAll();
  jobs_.add(shiftReportInput(ws_, bus_.station, *due));
}

}  // namespace vs
