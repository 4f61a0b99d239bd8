// The web view's server: the hall page, the alarm page, their script and style (built into the
// program), the JSON of the hall, of the alarm events and of the alarm list, and one stream of
// server-sent events that carries every change. The one change a client can make is the
// acknowledgement of alarms, with the token. It runs on the user-interface thread and never
// waits on a client: sockets are written without blocking, a slow or silent client is dropped,
// and the number of open connections is capped.
#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "web/HallSnapshot.h"
#include "web/WebRequest.h"

class QTcpSocket;

namespace vs {
class AlarmList;
}

namespace vs::web {

class WebServer : public QObject {
  Q_OBJECT
 public:
  explicit WebServer(std::shared_ptr<HallFeed> feed, QObject* parent = nullptr);
  ~WebServer() override;

  // Starts listening; false with the reason in `why` (Russian) when the address cannot be had.
  bool listen(const QHostAddress& address, quint16 port, QString* why);
  quint16 port() const { return server_.serverPort(); }
  QHostAddress address() const { return server_.serverAddress(); }
  // Drops every client and stops listening.
  void stop();

  // The token a client from another machine must present.
  void setToken(std::string token) { token_ = std::move(token); }
  void setMaxConnections(int n) { maxConnections_ = n; }
  // The station's alarm list, shown and acknowledged on this thread; none: the list is empty
  // and nothing can be acknowledged.
  void setAlarmList(AlarmList* list) { alarmList_ = list; }
  // Whether this copy of the program may acknowledge now (a copy that only watches may not, as
  // its window may not); unset: it may.
  void setMayAcknowledge(std::function<bool()> may) { mayAcknowledge_ = std::move(may); }
  // Test seam: every client counts as one from another machine.
  void setAllPeersRemote(bool on) { allRemote_ = on; }

  int connectionCount() const { return static_cast<int>(conns_.size()); }
  int streamCount() const;

  // Limits: a head must arrive within this time; a stream client that lets this much pile up
  // unread is dropped.
  static constexpr int kHeadTimeoutMs = 10000;
  static constexpr qint64 kMaxUnsent = 1 << 20;
  static constexpr qint64 kFlushMs = 100;
  static constexpr int kPingMs = 15000;

 private:
  struct Conn {
    QByteArray in;
    QElapsedTimer since;
    bool answered = false;  // response written, closing
    bool stream = false;    // an open event stream
    qint64 drained = 0;     // bytes read and dropped after the head
  };

  void accept();
  void readFrom(QTcpSocket* s);
  void respond(QTcpSocket* s, Conn& c, const RequestHead& head);
  void refuse(QTcpSocket* s, Conn& c, int status, const QByteArray& text = {},
              bool headOnly = false);
  void send(QTcpSocket* s, Conn& c, int status, const QByteArray& type, const QByteArray& body,
            bool headOnly, const QByteArray& extraHeaders = {});
  // Closes the sending side once the answer has left.
  void finish(QTcpSocket* s);
  void openStream(QTcpSocket* s, Conn& c, bool headOnly, const QByteArray& extraHeaders);
  void acknowledge(QTcpSocket* s, Conn& c, const RequestHead& head);
  std::string activeJson() const;
  // The alarm list goes to the streams when it has changed (states also change with time, as
  // a shelving ends): checked every second and after each acknowledgement.
  void sendActiveIfChanged();
  void scheduleFlush();
  void flush();
  void housekeeping();
  void broadcast(const QByteArray& event);
  void drop(QTcpSocket* s);

  std::shared_ptr<HallFeed> feed_;
  QTcpServer server_;
  QHash<QTcpSocket*, Conn> conns_;
  QTimer flushTimer_, houseTimer_;
  QElapsedTimer sincePing_, sinceFlush_;
  long long alarmSeqSent_ = 0;
  AlarmList* alarmList_ = nullptr;
  std::function<bool()> mayAcknowledge_;
  std::string activeSent_;
  std::string token_;
  int maxConnections_ = 64;
  bool allRemote_ = false;
  QByteArray page_, alarmsPage_, script_, style_;
};

}  // namespace vs::web
