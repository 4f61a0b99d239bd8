// Clients of the web view for the window tests, all driven by the event loop of the test's own
// thread (the server runs on it too, so nothing here may block): plain requests, an event-stream
// reader, and a headless chromium steered over its debugging pipe.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTcpSocket>
#include <QThread>
#include <functional>
#include <optional>
#include <string>

namespace vs::testing {

// Runs the event loop until `done` holds or `ms` have passed; returns `done()`.
inline bool spinUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::usleep(500);
  }
  return true;
}

// Sends `request` as it stands and returns everything received until the server closes.
inline QByteArray rawExchange(quint16 port, const QByteArray& request, int ms = 5000) {
  QTcpSocket s;
  QByteArray got;
  bool closed = false;
  QObject::connect(&s, &QTcpSocket::readyRead, [&] { got += s.readAll(); });
  QObject::connect(&s, &QTcpSocket::disconnected, [&] { closed = true; });
  QObject::connect(&s, &QTcpSocket::errorOccurred, [&] { closed = true; });
  s.connectToHost("127.0.0.1", port);
  s.write(request);
  spinUntil([&] { return closed; }, ms);
  got += s.readAll();
  return got;
}

inline int statusOf(const QByteArray& response) {
  return response.startsWith("HTTP/1.1 ") ? response.mid(9, 3).toInt() : 0;
}

// Reads the event stream: every "event:"/"data:" pair in the order received, with the time of
// its arrival on `clock`.
struct SseClient {
  struct Event {
    QByteArray name, data;
    qint64 atMs;
  };
  QTcpSocket socket;
  QByteArray buffer;
  QList<Event> events;
  bool headerSeen = false;
  const QElapsedTimer* clock = nullptr;

  void open(quint16 port, const QElapsedTimer& c, const QByteArray& extraHeaders = {}) {
    clock = &c;
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { take(socket.readAll()); });
    socket.connectToHost("127.0.0.1", port);
    socket.write("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n");
  }
  void take(const QByteArray& bytes) {
    buffer += bytes;
    if (!headerSeen) {
      const qsizetype end = buffer.indexOf("\r\n\r\n");
      if (end < 0) return;
      headerSeen = true;
      buffer.remove(0, end + 4);
    }
    for (qsizetype end; (end = buffer.indexOf("\n\n")) >= 0;) {
      Event e{{}, {}, clock->elapsed()};
      for (const QByteArray& line : buffer.left(end).split('\n')) {
        if (line.startsWith("event: ")) e.name = line.mid(7);
        if (line.startsWith("data: ")) e.data = line.mid(6);
      }
      buffer.remove(0, end + 2);
      if (!e.name.isEmpty()) events.push_back(e);
    }
  }
  // The first event from `from` on whose data satisfies `match`; its index or -1.
  int find(const QByteArray& name, const std::function<bool(const QByteArray&)>& match,
           int from = 0) const {
    for (int i = from; i < events.size(); ++i)
      if (events[i].name == name && match(events[i].data)) return i;
    return -1;
  }
};

// A headless chromium with its DevTools protocol on file descriptors 3 and 4.
class Chromium {
 public:
  ~Chromium() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      for (int i = 0; i < 50 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(100000);
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (toChrome_ >= 0) ::close(toChrome_);
    if (fromChrome_ >= 0) ::close(fromChrome_);
  }

  bool start(const std::string& binary, const std::string& profileDir) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return false;
    ::signal(SIGPIPE, SIG_IGN);  // a browser that dies fails the call, not the test program
    // Everything the child needs is made before the fork: after it only plain system calls.
    const std::string profile = "--user-data-dir=" + profileDir;
    const int toChild = ::fcntl(in[0], F_DUPFD, 10), fromChild = ::fcntl(out[1], F_DUPFD, 10);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(toChild, 3);
      ::dup2(fromChild, 4);
      ::close_range(5, ~0U, 0);
      const int devnull = ::open("/dev/null", O_WRONLY);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execl(binary.c_str(), binary.c_str(), "--headless", "--no-sandbox", "--disable-gpu",
              "--disable-dev-shm-usage", "--no-first-run", "--remote-debugging-pipe",
              profile.c_str(), "about:blank", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(toChild);
    ::close(fromChild);
    ::close(in[0]);
    ::close(out[1]);
    toChrome_ = in[1];
    fromChrome_ = out[0];
    ::fcntl(fromChrome_, F_SETFL, O_NONBLOCK);
    return pid_ > 0;
  }

  // One protocol call; the result object, or nullopt after `ms` or on an error answer.
  std::optional<QJsonObject> call(const QString& method, const QJsonObject& params,
                                  const QString& session = {}, int ms = 10000) {
    QJsonObject msg{{"id", ++id_}, {"method", method}, {"params", params}};
    if (!session.isEmpty()) msg["sessionId"] = session;
    QByteArray bytes = QJsonDocument(msg).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    if (::write(toChrome_, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size())
      return std::nullopt;
    std::optional<QJsonObject> result;
    bool answered = false;
    spinUntil(
        [&] {
          char buf[65536];
          for (ssize_t n; (n = ::read(fromChrome_, buf, sizeof buf)) > 0;) in_.append(buf, n);
          for (qsizetype end; (end = in_.indexOf('\0')) >= 0;) {
            const QJsonObject m = QJsonDocument::fromJson(in_.left(end)).object();
            in_.remove(0, end + 1);
            if (m.value("id").toInt() != id_) continue;
            answered = true;
            if (m.contains("result")) result = m.value("result").toObject();
          }
          return answered;
        },
        ms);
    return result;
  }

  // Opens `url` in a new page and attaches to it; false when the browser does not answer.
  bool open(const QString& url) {
    const auto target = call("Target.createTarget", {{"url", url}});
    if (!target) return false;
    const auto attached =
        call("Target.attachToTarget", {{"targetId", target->value("targetId")}, {"flatten", true}});
    if (!attached) return false;
    session_ = attached->value("sessionId").toString();
    return !session_.isEmpty();
  }

  // The value of a JavaScript expression in the page, as a string ("" when it fails).
  QString eval(const QString& expression) {
    const auto r = call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}},
                        session_, 5000);
    if (!r) return {};
    return r->value("result").toObject().value("value").toVariant().toString();
  }

  // A picture of the page at `width` x `height` CSS pixels, written as PNG to `path`.
  bool screenshot(const QString& path, int width, int height) {
    if (!call("Emulation.setDeviceMetricsOverride",
              {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}},
              session_))
      return false;
    const auto shot = call("Page.captureScreenshot", {{"format", "png"}}, session_);
    if (!shot) return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(QByteArray::fromBase64(shot->value("data").toString().toLatin1())) > 0;
  }

  // Evaluates until the text satisfies `match` (or `ms` pass); returns the last text.
  QString waitFor(const QString& expression, const std::function<bool(const QString&)>& match,
                  int ms) {
    QString last;
    spinUntil([&] { return match(last = eval(expression)); }, ms);
    return last;
  }

 private:
  pid_t pid_ = -1;
  int toChrome_ = -1, fromChrome_ = -1;
  int id_ = 0;
  QByteArray in_;
  QString session_;
};

}  // namespace vs::testing
