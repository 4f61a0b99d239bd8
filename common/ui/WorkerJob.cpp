#include "common/ui/WorkerJob.h"

#include <QMetaObject>
#include <exception>
#include <utility>

namespace vs {

WorkerJob::WorkerJob(QObject* parent) : QObject(parent) {
  // One job runs; a second thread lets the next start while a stopped one winds down.
  pool_.setMaxThreadCount(2);
}

WorkerJob::~WorkerJob() {
  stop_.request_stop();
  ++current_;
  pool_.waitForDone();
  // What the jobs posted back is dropped with this object.
}

void WorkerJob::cancel() {
  if (!running_) return;
  stop_.request_stop();
  stop_ = std::stop_source();
  ++current_;
  running_ = false;
}

void WorkerJob::start(Job job) {
  cancel();
  const quint64 id = ++current_;
  running_ = true;
  const std::stop_token token = stop_.get_token();
  // The worker touches nothing of this object but posting to it, which is thread-safe; the
  // posts are looked at on the user-interface thread, where `current_` lives.
  pool_.start([this, id, token, job = std::move(job)] {
    const JobProgress report = [this, id](int percent) {
      QMetaObject::invokeMethod(
          this,
          [this, id, percent] {
            if (id == current_) emit progress(percent);
          },
          Qt::QueuedConnection);
    };
    std::function<void()> done;
    QString why;
    try {
      done = job(token, report);
    } catch (const std::exception& e) {
      why = QString::fromUtf8(e.what());
    } catch (...) {
      why = "сбой чтения";
    }
    QMetaObject::invokeMethod(
        this,
        [this, id, done = std::move(done), why] {
          if (id != current_) return;
          running_ = false;
          if (done)
            done();
          else
            emit failed(why.isEmpty() ? QString("сбой чтения") : why);
        },
        Qt::QueuedConnection);
  });
}

}  // namespace vs
