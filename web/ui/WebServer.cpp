#include "web/ui/WebServer.h"

#include <QFile>
#include <QTcpSocket>
#include <utility>

#include "web/ActiveAlarms.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace vs::web {
namespace {

QByteArray resource(const char* name) {
  QFile f(QString::fromLatin1(":/web/") + QString::fromLatin1(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray utf8(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// What every answer carries: nothing cached, nothing sniffed, nothing framed, nothing loaded
// from elsewhere.
constexpr const char* kCommonHeaders =
    "Cache-Control: no-store\r\n"
    "X-Content-Type-Options: nosniff\r\n"
    "X-Frame-Options: DENY\r\n"
    "Referrer-Policy: no-referrer\r\n"
    "Content-Security-Policy: default-src 'self'; frame-ancestors 'none'\r\n"
    "Connection: close\r\n";

QByteArray sseEvent(const char* name, const std::string& data) {
  return QByteArray("event: ") + name + "\ndata: " + utf8(data) + "\n\n";
}

}  // namespace

WebServer::WebServer(std::shared_ptr<HallFeed> feed, QObject* parent)
    : QObject(parent),
      feed_(std::move(feed)),
      page_(resource("index.html")),
      alarmsPage_(resource("alarms.html")),
      script_(resource("app.js")),
      style_(resource("style.css")) {
  connect(&server_, &QTcpServer::newConnection, this, &WebServer::accept);
  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &WebServer::flush);
  feed_->onChange = [this] { scheduleFlush(); };
  sinceFlush_.start();
  houseTimer_.setInterval(1000);
  connect(&houseTimer_, &QTimer::timeout, this, &WebServer::housekeeping);
  sincePing_.start();
}

WebServer::~WebServer() {
  feed_->onChange = nullptr;
  stop();
}

bool WebServer::listen(const QHostAddress& address, quint16 port, QString* why) {
  server_.setListenBacklogSize(256);
  if (!server_.listen(address, port)) {
    if (why)
      *why = QString::fromUtf8("Веб-просмотр не запущен: адрес %1:%2 недоступен (%3)")
                 .arg(address.toString())
                 .arg(port)
                 .arg(server_.errorString());
    return false;
  }
  houseTimer_.start();
  return true;
}

void WebServer::stop() {
  server_.close();
  flushTimer_.stop();
  houseTimer_.stop();
  const auto sockets = conns_.keys();
  for (QTcpSocket* s : sockets) drop(s);
}

int WebServer::streamCount() const {
  int n = 0;
  for (const Conn& c : conns_) n += c.stream ? 1 : 0;
  return n;
}

void WebServer::accept() {
  while (QTcpSocket* s = server_.nextPendingConnection()) {
    connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    if (conns_.size() >= maxConnections_) {
      // Over the cap: told so at once and closed, without reading what it sends.
      s->write(QByteArray("HTTP/1.1 503 Service Unavailable\r\n") + kCommonHeaders +
               "Retry-After: 5\r\nContent-Length: 0\r\n\r\n");
      s->disconnectFromHost();
      continue;
    }
    Conn& c = conns_[s];
    c.since.start();
    connect(s, &QTcpSocket::readyRead, this, [this, s] { readFrom(s); });
    connect(s, &QTcpSocket::disconnected, this, [this, s] { conns_.remove(s); });
  }
}

void WebServer::readFrom(QTcpSocket* s) {
  auto it = conns_.find(s);
  if (it == conns_.end()) return;
  Conn& c = *it;
  if (c.answered || c.stream) {
    // Nothing after the head is taken; a client that goes on sending is let go.
    c.drained += s->readAll().size();
    if (c.drained > kMaxUnsent) drop(s);
    return;
  }
  const HeadLimits limits;
  // Never more than one byte past the limits (a head and the one body taken) is kept.
  const qint64 room = static_cast<qint64>(limits.maxHead + limits.maxBody) + 1 - c.in.size();
  c.in += s->read(room > 0 ? room : 0);
  const RequestHead head = parseRequestHead(
      std::string_view(c.in.constData(), static_cast<std::size_t>(c.in.size())), limits);
  switch (head.state) {
    case RequestHead::State::Incomplete:
      return;
    case RequestHead::State::Refused:
      refuse(s, c, head.status);
      return;
    case RequestHead::State::Complete:
      // A posted body is taken whole; one that does not come in time ends as a late head.
      if (c.in.size() < static_cast<qsizetype>(head.length + head.bodyLength)) return;
      respond(s, c, head);
      return;
  }
}

void WebServer::respond(QTcpSocket* s, Conn& c, const RequestHead& head) {
  const bool local = !allRemote_ && s->peerAddress().isLoopback();
  const Access access = decideAccess(local, head, token_);
  const bool headOnly = head.method == "HEAD";
  if (!access.allowed) {
    refuse(s, c, 401,
           QString::fromUtf8("Доступ только с ключом: откройте адрес с ?token=КЛЮЧ (ключ в файле "
                             "настроек Vetrostan.INI, раздел [Web], ключ Token)\n")
               .toUtf8(),
           headOnly);
    return;
  }
  QByteArray extra;
  if (access.setCookie)
    extra = QByteArray("Set-Cookie: ") + kTokenCookie + "=" + utf8(token_) +
            "; Path=/; HttpOnly; SameSite=Strict\r\n";
  switch (routeOf(head.path)) {
    case Route::HallPage:
      return send(s, c, 200, "text/html; charset=utf-8", page_, headOnly, extra);
    case Route::AlarmsPage:
      return send(s, c, 200, "text/html; charset=utf-8", alarmsPage_, headOnly, extra);
    case Route::Script:
      return send(s, c, 200, "text/javascript; charset=utf-8", script_, headOnly, extra);
    case Route::Style:
      return send(s, c, 200, "text/css; charset=utf-8", style_, headOnly, extra);
    case Route::HallJson:
      return send(s, c, 200, "application/json; charset=utf-8", utf8(feed_->hallJson()), headOnly,
                  extra);
    case Route::AlarmsJson: {
      long long after = 0;
      if (const auto v = queryValue(head.query, "after");
          v && !v->empty() && v->size() < 19 &&
          v->find_first_not_of("0123456789") == std::string::npos)
        after = std::stoll(*v);
      return send(s, c, 200, "application/json; charset=utf-8", utf8(feed_->alarms().json(after)),
                  headOnly, extra);
    }
    case Route::ActiveAlarmsJson:
      return send(s, c, 200, "application/json; charset=utf-8", utf8(activeJson()), headOnly,
                  extra);
    case Route::AcknowledgeJson:
      if (head.method != "POST")
        return send(s, c, 405, "text/plain; charset=utf-8", "405 Method Not Allowed\n", headOnly,
                    "Allow: POST\r\n");
      return acknowledge(s, c, head);
    case Route::Events:
      return openStream(s, c, headOnly, extra);
    case Route::NotFound:
      return refuse(s, c, 404, {}, headOnly);
  }
}

void WebServer::acknowledge(QTcpSocket* s, Conn& c, const RequestHead& head) {
  auto reply = [&](int status, const std::string& text) {
    send(s, c, status, "text/plain; charset=utf-8", utf8(text + "\n"), false);
  };
  if (!bearerMatches(head, token_))
    return reply(401,
                 "Квитирование только с ключом доступа: заголовок Authorization: Bearer КЛЮЧ "
                 "(ключ в файле настроек Vetrostan.INI, раздел [Web], ключ Token)");
  std::string why;
  const auto body = std::string_view(c.in.constData(), static_cast<std::size_t>(c.in.size()))
                        .substr(head.length, head.bodyLength);
  const auto request = parseAckBody(body, &why);
  if (!request) return reply(400, "Запрос не принят: " + why);
  if (!alarmList_) return reply(503, "Список аварий недоступен");
  if (mayAcknowledge_ && !mayAcknowledge_())
    return reply(403,
                 "Эта копия программы только наблюдает: квитирование на станции, которая "
                 "работает с шиной");
  QHostAddress peer = s->peerAddress();
  bool v4 = false;
  if (const quint32 a = peer.toIPv4Address(&v4); v4) peer = QHostAddress(a);
  const int n = applyAck(*alarmList_, *request, "веб " + peer.toString().toStdString());
  send(s, c, 200, "application/json; charset=utf-8",
       utf8("{\"acknowledged\":" + std::to_string(n) + "}"), false);
  sendActiveIfChanged();
}

std::string WebServer::activeJson() const {
  static const std::string kEmpty = "{\"unacknowledged\":0,\"alarms\":[]}";
  return alarmList_ ? activeAlarmsJson(*alarmList_) : kEmpty;
}

void WebServer::sendActiveIfChanged() {
  if (streamCount() == 0) return;
  std::string now = activeJson();
  if (now == activeSent_) return;
  broadcast(sseEvent("active", now));
  activeSent_ = std::move(now);
}

void WebServer::refuse(QTcpSocket* s, Conn& c, int status, const QByteArray& text, bool headOnly) {
  send(s, c, status, "text/plain; charset=utf-8",
       text.isEmpty() ? QByteArray::number(status) + ' ' + statusText(status) + '\n' : text,
       headOnly);
}

void WebServer::send(QTcpSocket* s, Conn& c, int status, const QByteArray& type,
                     const QByteArray& body, bool headOnly, const QByteArray& extraHeaders) {
  QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status) + "\r\n" +
                   kCommonHeaders + "Content-Type: " + type +
                   "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" +
                   extraHeaders + "\r\n";
  if (!headOnly) out += body;
  c.answered = true;
  c.since.restart();
  s->write(out);
  finish(s);
}

void WebServer::finish(QTcpSocket* s) {
  // Only the sending side is closed once the answer is out; what the client still sends is
  // read and dropped until it closes. Closing outright with its bytes unread would reset the
  // connection and could take the answer (a refusal, most often) with it.
  auto halfClose = [s] {
    if (s->bytesToWrite() > 0 || s->state() != QAbstractSocket::ConnectedState) return;
#ifdef _WIN32
    ::shutdown(static_cast<SOCKET>(s->socketDescriptor()), SD_SEND);
#else
    ::shutdown(static_cast<int>(s->socketDescriptor()), SHUT_WR);
#endif
  };
  s->flush();
  if (s->bytesToWrite() == 0)
    halfClose();
  else
    connect(s, &QTcpSocket::bytesWritten, s, halfClose);
}

void WebServer::openStream(QTcpSocket* s, Conn& c, bool headOnly, const QByteArray& extraHeaders) {
  QByteArray out = QByteArray("HTTP/1.1 200 OK\r\n") + kCommonHeaders +
                   "Content-Type: text/event-stream; charset=utf-8\r\n" + extraHeaders + "\r\n";
  if (headOnly) {
    c.answered = true;
    s->write(out);
    finish(s);
    return;
  }
  out += "retry: 2000\n\n";
  out += sseEvent("hall", feed_->hallJson());
  out += sseEvent("alarms", feed_->alarms().json());
  // The others are brought up to date first, so that one list is what every stream last got.
  sendActiveIfChanged();
  activeSent_ = activeJson();
  out += sseEvent("active", activeSent_);
  if (streamCount() == 0) {
    // What changed while nobody watched is in the snapshot just sent.
    feed_->takeChangedRows();
    alarmSeqSent_ = feed_->alarms().lastSeq();
  }
  c.stream = true;
  s->write(out);
}

void WebServer::scheduleFlush() {
  // The first change after a quiet spell goes out at once; a burst of answers is gathered into
  // one event at most every kFlushMs. Never from inside the station's own call.
  if (flushTimer_.isActive() || streamCount() == 0) return;
  const qint64 since = sinceFlush_.elapsed();
  flushTimer_.start(since >= kFlushMs ? 0 : static_cast<int>(kFlushMs - since));
}

void WebServer::broadcast(const QByteArray& data) {
  const auto sockets = conns_.keys();
  for (QTcpSocket* s : sockets) {
    const auto it = conns_.constFind(s);
    if (it == conns_.cend() || !it->stream) continue;
    if (s->bytesToWrite() > kMaxUnsent) {
      drop(s);  // it does not read: it must not hold the station's memory
      continue;
    }
    s->write(data);
  }
}

void WebServer::flush() {
  if (streamCount() == 0) return;
  sinceFlush_.restart();
  QByteArray out;
  if (const std::string rows = feed_->takeChangedRows(); !rows.empty())
    out += sseEvent("rows",
                    "{\"answers\":" + std::to_string(feed_->answers()) + ",\"rows\":" + rows + "}");
  if (feed_->alarms().lastSeq() != alarmSeqSent_) {
    out += sseEvent("alarms", feed_->alarms().json(alarmSeqSent_));
    alarmSeqSent_ = feed_->alarms().lastSeq();
  }
  if (sincePing_.elapsed() >= kPingMs) {
    out += ": ping\n\n";
    sincePing_.restart();
  }
  if (!out.isEmpty()) broadcast(out);
}

void WebServer::housekeeping() {
  const auto sockets = conns_.keys();
  for (QTcpSocket* s : sockets) {
    auto it = conns_.find(s);
    if (it == conns_.end() || it->stream) continue;
    // A head that does not arrive in time, or an answered client that does not go away.
    if (!it->answered && it->since.elapsed() > kHeadTimeoutMs)
      refuse(s, *it, 408);
    else if (it->answered && it->since.elapsed() > kHeadTimeoutMs)
      drop(s);
  }
  // Link states change without an answer, and a quiet stream still needs its ping.
  flush();
  sendActiveIfChanged();
}

void WebServer::drop(QTcpSocket* s) {
  conns_.remove(s);
  s->abort();
  s->deleteLater();
}

}  // namespace vs::web
