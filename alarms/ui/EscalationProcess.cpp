#include "alarms/ui/EscalationProcess.h"

#include <QProcessEnvironment>
#include <QTimer>
#include <memory>

namespace vs {

namespace {

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// What the command said last on its standard error is the likeliest reason of its failure.
constexpr qsizetype kErrorTail = 200;

}  // namespace

EscalationProcess::EscalationProcess(QObject* parent) : QObject(parent) {}

EscalationProcess::~EscalationProcess() {
  // Nobody is left to hear of the commands still running: they end with the program.
  for (QProcess* p : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
    p->disconnect();
    p->kill();
    p->waitForFinished(200);
  }
}

void EscalationProcess::run(const EscalationRequest& request,
                            std::function<void(const std::string&)> failed) {
  if (waiting_.size() >= kMaxWaiting) {
    if (failed) failed("очередь команд оповещения переполнена");
    return;
  }
  waiting_.push_back({request, std::move(failed)});
  // Started from the event loop, not from inside the engine's tick.
  QTimer::singleShot(0, this, [this] { startNext(); });
}

void EscalationProcess::startNext() {
  while (running_ < kMaxRunning && !waiting_.empty()) {
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    start(std::move(job));
  }
}

void EscalationProcess::start(Job job) {
  QStringList args = QProcess::splitCommand(q(job.request.command));
  if (args.isEmpty()) {
    if (job.failed) job.failed("пустая команда");
    emit finished();
    return;
  }
  const QString program = args.takeFirst();
  auto* p = new QProcess(this);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [key, value] : job.request.environment) env.insert(q(key), q(value));
  p->setProcessEnvironment(env);
  p->setStandardInputFile(QProcess::nullDevice());
  p->setStandardOutputFile(QProcess::nullDevice());

  auto failed = std::make_shared<std::function<void(const std::string&)>>(std::move(job.failed));
  auto errTail = std::make_shared<QByteArray>();
  auto timedOut = std::make_shared<bool>(false);
  auto tell = [failed](const QString& why) {
    if (*failed) (*failed)(why.toStdString());
  };
  connect(p, &QProcess::readyReadStandardError, p, [p, errTail] {
    *errTail += p->readAllStandardError();
    if (errTail->size() > kErrorTail) *errTail = errTail->right(kErrorTail);
  });
  auto* limit = new QTimer(p);
  limit->setSingleShot(true);
  connect(limit, &QTimer::timeout, p, [p, timedOut] {
    *timedOut = true;
    p->kill();
  });
  connect(p, &QProcess::errorOccurred, this, [this, p, program, tell](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;  // the others end in finished()
    tell(program + " не запускается: " + p->errorString());
    done(p);
  });
  connect(p, &QProcess::finished, this,
          [this, p, tell, errTail, timedOut](int code, QProcess::ExitStatus status) {
            const QString said = QString::fromUtf8(*errTail).simplified();
            const QString tail = said.isEmpty() ? QString() : ": " + said;
            if (*timedOut)
              tell(QStringLiteral("работала дольше %1 с и прервана").arg(timeoutMs / 1000.0));
            else if (status == QProcess::CrashExit)
              tell("завершилась аварийно" + tail);
            else if (code != 0)
              tell(QStringLiteral("код выхода %1").arg(code) + tail);
            done(p);
          });
  ++running_;
  limit->start(timeoutMs);
  p->start(program, args);
}

void EscalationProcess::done(QProcess* p) {
  p->disconnect(this);
  p->deleteLater();
  --running_;
  emit finished();
  startNext();
}

}  // namespace vs
