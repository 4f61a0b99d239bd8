// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the user-interface thread, so that the
// program ends through its normal shut-down. The handler only writes one byte into a pipe.
// The request is also kept: one that arrives while nobody listens yet (a box open during the
// start-up) is still there when the main loop runs.
#pragma once
#include <QObject>

class QSocketNotifier;

namespace vs {

class SignalWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SignalWatcher(QObject* parent = nullptr);
  ~SignalWatcher() override;

  // The first signal received, 0 while none has come.
  int requested() const { return requested_; }

 signals:
  void terminationRequested(int signal);

 private:
  QSocketNotifier* notifier_ = nullptr;
  int requested_ = 0;
};

}  // namespace vs
