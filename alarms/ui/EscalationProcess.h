// The escalation runner of the program: each request is a program with its arguments, split as
// a command line and started without a shell, with the alarm in its environment. Nothing here
// waits: a few commands run at once and the rest queue, so a hall raising at once never holds
// up the bus; a command still running after 30 s is ended.
#pragma once
#include <QObject>
#include <QProcess>
#include <deque>
#include <functional>
#include <string>

#include "alarms/AlarmList.h"

namespace vs {

class EscalationProcess final : public QObject, public EscalationRunner {
  Q_OBJECT
 public:
  explicit EscalationProcess(QObject* parent = nullptr);
  ~EscalationProcess() override;

  void run(const EscalationRequest& request,
           std::function<void(const std::string& why)> failed) override;

  // A command still running after this long is ended.
  int timeoutMs = 30'000;
  static constexpr int kMaxRunning = 4;
  // Requests beyond this many waiting are refused (and said), rather than piling up for ever.
  static constexpr std::size_t kMaxWaiting = 1000;

  int running() const { return running_; }
  std::size_t waiting() const { return waiting_.size(); }

 signals:
  // A command has ended (or could not start); for tests and the log.
  void finished();

 private:
  struct Job {
    EscalationRequest request;
    std::function<void(const std::string&)> failed;
  };
  void startNext();
  void start(Job job);
  void done(QProcess* p);

  std::deque<Job> waiting_;
  int running_ = 0;
};

}  // namespace vs
