#include "bus/ui/QtSerialBackend.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vs {

QtSerialBackend::QtSerialBackend(QObject* parent) : QObject(parent) {
  // Queued, so that a read pass never starts inside the query that noticed the bytes.
  connect(&port_, &QSerialPort::readyRead, this, &QtSerialBackend::bytesArrived,
          Qt::QueuedConnection);
}

QtSerialBackend::~QtSerialBackend() {
  close();
}

bool QtSerialBackend::isDevicePath(const std::string& name) {
  if (name.empty()) return false;
  if (name.front() == '/') return true;
  if (name.rfind("\\\\.\\", 0) == 0) return true;
  static const QRegularExpression com(QStringLiteral("^COM[0-9]+$"),
                                      QRegularExpression::CaseInsensitiveOption);
  return com.match(QString::fromStdString(name)).hasMatch();
}

std::vector<SerialPortInfo> QtSerialBackend::list() {
  std::vector<SerialPortInfo> out;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialPortInfo p;
    p.path = info.systemLocation().toStdString();
    p.serialNumber = info.serialNumber().isEmpty() ? p.path : info.serialNumber().toStdString();
    QString description = info.description();
    if (description.isEmpty()) description = info.manufacturer();
    if (description.isEmpty()) description = info.portName();
    p.description = description.toStdString();
    out.push_back(std::move(p));
  }
  // The numbers in the adapter list follow this order; keep it the same from call to call.
  std::stable_sort(out.begin(), out.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return a.path < b.path;
  });
  return out;
}

bool QtSerialBackend::open(const std::string& serialOrPath) {
  close();
  if (serialOrPath.empty()) return false;
  const QString name = QString::fromStdString(serialOrPath);
  if (isDevicePath(serialOrPath)) {
    // A stable link (udev's /dev/serial/by-id/...) points at another ttyUSBn after a replug:
    // follow it at every open, so the port and its lock are those of the device itself.
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(serialOrPath, ec);
    if (ec && serialOrPath.front() == '/') return false;  // nothing there (yet)
    port_.setPortName(ec ? name : QString::fromStdString(real.string()));
  } else {
    const auto ports = QSerialPortInfo::availablePorts();
    auto it = std::find_if(ports.begin(), ports.end(),
                           [&](const QSerialPortInfo& i) { return i.serialNumber() == name; });
    if (it == ports.end()) {
      it = std::find_if(ports.begin(), ports.end(),
                        [&](const QSerialPortInfo& i) { return i.portName() == name; });
    }
    if (it == ports.end()) return false;
    port_.setPort(*it);
  }
  const bool ok = port_.open(QIODevice::ReadWrite);
  port_.clearError();
  return ok;
}

void QtSerialBackend::close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

bool QtSerialBackend::isOpen() const {
  return port_.isOpen();
}

bool QtSerialBackend::configure(const LineSettings& line) {
  if (!port_.isOpen()) return false;
  bool ok = port_.setBaudRate(static_cast<qint32>(line.baud));
  ok =
      port_.setDataBits(static_cast<QSerialPort::DataBits>(std::clamp<int>(line.dataBits, 5, 8))) &&
      ok;
  // Adapter codes: stop bits 0 one, 1 one and a half, 2 two; parity 0 none, 1 odd, 2 even,
  // 3 mark, 4 space; flow control 0 none, 0x100 RTS/CTS, 0x400 XON/XOFF.
  const auto stop = line.stopBits == 2   ? QSerialPort::TwoStop
                    : line.stopBits == 1 ? QSerialPort::OneAndHalfStop
                                         : QSerialPort::OneStop;
  ok = port_.setStopBits(stop) && ok;
  static constexpr QSerialPort::Parity kParity[] = {
      QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
      QSerialPort::MarkParity, QSerialPort::SpaceParity};
  ok = port_.setParity(line.parity < 5 ? kParity[line.parity] : QSerialPort::NoParity) && ok;
  const auto flow = line.flowControl == 0x100   ? QSerialPort::HardwareControl
                    : line.flowControl == 0x400 ? QSerialPort::SoftwareControl
                                                : QSerialPort::NoFlowControl;
  ok = port_.setFlowControl(flow) && ok;
  port_.clearError();  // a refused setting is no reason to take the port for lost
  return ok;
}

// A pulled-out adapter reports a resource error; a pseudo-terminal whose other side went away
// reports a read error (the read finds end of file). Both mean the port is gone.
bool QtSerialBackend::failed() const {
  switch (port_.error()) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
      return false;
    default:
      return true;
  }
}

long long QtSerialBackend::bytesWaiting() {
  if (!port_.isOpen()) return -1;
  // Moves what the driver holds into the port's buffer without waiting and without an event
  // loop; a pulled-out adapter shows here as a read error.
  port_.waitForReadyRead(0);
  if (failed()) {
    close();
    return -1;
  }
  port_.clearError();  // the zero wait reports a time-out when nothing came
  return port_.bytesAvailable();
}

long long QtSerialBackend::read(std::uint8_t* buf, std::size_t n) {
  if (!port_.isOpen()) return -1;
  const qint64 got = port_.read(reinterpret_cast<char*>(buf), static_cast<qint64>(n));
  return got;
}

long long QtSerialBackend::write(const std::uint8_t* buf, std::size_t n) {
  if (!port_.isOpen() || failed()) return -1;
  const qint64 put = port_.write(reinterpret_cast<const char*>(buf), static_cast<qint64>(n));
  // Hand the bytes to the driver now; without this they would wait for the event loop.
  port_.flush();
  if (failed()) return -1;
  return put;
}

}  // namespace vs
