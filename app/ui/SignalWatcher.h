// Turns SIGINT and SIGTERM into a Qt signal on the user-interface thread, so that the program
// ends through its normal shut-down. The handler only writes one byte into a pipe.
#pragma once
#include <QObject>

class QSocketNotifier;

namespace vs {

class SignalWatcher : public QObject {
  Q_OBJECT

 public:
  explicit SignalWatcher(QObject* parent = nullptr);
  ~SignalWatcher() override;

 signals:
  void terminationRequested(int signal);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vs
