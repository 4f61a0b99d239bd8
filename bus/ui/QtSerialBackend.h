// The serial backend of the program: Qt SerialPort. Lists the ports (an adapter without a serial
// number shows its device path in its place), opens by serial number or by device path, and
// works without an event loop turning between calls: every query polls the port itself.
#pragma once
#include <QObject>
#include <QSerialPort>

#include "bus/SerialBackend.h"

namespace vs {

class QtSerialBackend : public QObject, public SerialBackend {
  Q_OBJECT
 public:
  explicit QtSerialBackend(QObject* parent = nullptr);
  ~QtSerialBackend() override;

  std::vector<SerialPortInfo> list() override;
  bool open(const std::string& serialOrPath) override;
  void close() override;
  bool isOpen() const override;
  // A setting the port refuses (a pseudo-terminal has no baud rate) makes the result false; the
  // others are still applied.
  bool configure(const LineSettings& line) override;
  // -1 once the port is closed or has failed (the adapter was pulled out); a failed port is
  // closed here and stays closed until opened again.
  long long bytesWaiting() override;
  long long read(std::uint8_t* buf, std::size_t n) override;
  long long write(const std::uint8_t* buf, std::size_t n) override;

  // True for "/dev/ttyUSB0", "/dev/pts/3", "COM3", "\\.\COM12": a port named by its path.
  static bool isDevicePath(const std::string& name);

 signals:
  // Bytes arrived. Delivered through the event loop, never from inside a call of this class.
  void bytesArrived();

 private:
  bool failed() const;

  QSerialPort port_;
};

}  // namespace vs
