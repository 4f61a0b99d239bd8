// One long job at a time on a worker thread of its own pool (a chart's read, a shift's sheet). A
// job is a plain function of values (what it was given when it started, a stop token, a
// progress callback); what it returns is run back on the user-interface thread, unless the job
// was stopped or replaced meanwhile. It never waits for a job but when it is destroyed: then it
// stops the job and waits for it, so that no job outlives the window it works for.
#pragma once
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <stop_token>

namespace vs {

// Called by a job with its share done, 0..100.
using JobProgress = std::function<void(int percent)>;

class WorkerJob : public QObject {
  Q_OBJECT

 public:
  // Runs on the worker. The function it returns runs on the user-interface thread; it must
  // carry the job's result by value.
  using Job = std::function<std::function<void()>(std::stop_token, const JobProgress&)>;

  explicit WorkerJob(QObject* parent = nullptr);
  ~WorkerJob() override;

  // Starts `job`, stopping the one running first (its result is dropped).
  void start(Job job);
  // Stops the running job; its result is dropped. Nothing when none runs.
  void cancel();
  // A job was started and its result has not yet come back.
  bool running() const { return running_; }

 signals:
  // The running job's share done, 0..100, on the user-interface thread.
  void progress(int percent);
  // The running job ended on an exception (out of memory, say), with its words.
  void failed(const QString& why);

 private:
  QThreadPool pool_;
  std::stop_source stop_;
  quint64 current_ = 0;  // the job whose result counts
  bool running_ = false;
};

}  // namespace vs
