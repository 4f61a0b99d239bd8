// The byte transport under the USB link: a serial port found by serial number or by device
// path. The program implements it with Qt SerialPort, the tests and the demo with the
// simulated bus.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vs {

struct SerialPortInfo {
  std::string serialNumber;  // the adapter's serial number; for ports without one, the device path
  std::string description;
  std::string path;  // device path ("/dev/ttyUSB0", "COM3"), empty when not applicable
};

struct LineSettings {
  std::uint32_t baud = 38400;
  std::uint8_t dataBits = 8;
  std::uint8_t stopBits = 2;  // D2XX code: 0 one stop bit, 2 two stop bits
  std::uint8_t parity = 0;    // none
  std::uint16_t flowControl = 0;
};

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // The adapters and ports present now, in a stable order.
  virtual std::vector<SerialPortInfo> list() = 0;
  // Opens the port with this serial number, or this device path. Closes any open port first.
  virtual bool open(const std::string& serialOrPath) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  virtual bool configure(const LineSettings& line) = 0;
  // Bytes waiting to be read without blocking; -1 when the port is closed or gone.
  virtual long long bytesWaiting() = 0;
  // Reads at most n bytes that are already waiting; -1 on error.
  virtual long long read(std::uint8_t* buf, std::size_t n) = 0;
  // Writes n bytes; returns the count accepted, -1 on error.
  virtual long long write(const std::uint8_t* buf, std::size_t n) = 0;
};

}  // namespace vs
