// A scripted serial port for tests: the adapters it lists, the bytes it delivers, every write it
// took, and failures on demand (open refused, short write, adapter pulled out).
#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "bus/SerialBackend.h"

namespace vs {

class FakeSerialBackend : public SerialBackend {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // What list() shows; open() accepts any of these by serial number or by path.
  std::vector<SerialPortInfo> ports;
  bool refuseOpen = false;       // every open fails
  bool refuseConfigure = false;  // like a pseudo-terminal that rejects the line settings
  long long writeLimit = -1;     // most bytes one write takes; -1 takes all
  bool writeFails = false;       // write reports -1
  // Called with every block written (after it is recorded), e.g. by a simulated device that
  // answers by deliver().
  std::function<void(const Bytes&)> onWrite;

  // What happened.
  std::string openedName;  // name of the last successful open
  int opens = 0, closes = 0;
  std::vector<LineSettings> configured;  // every configure() while open
  std::vector<Bytes> writes;             // every block taken, cut to what was taken
  std::deque<std::uint8_t> rx;           // bytes waiting to be read

  static SerialPortInfo adapter(std::string serial, std::string description,
                                std::string path = {}) {
    return SerialPortInfo{std::move(serial), std::move(description), std::move(path)};
  }

  void deliver(const Bytes& bytes) { rx.insert(rx.end(), bytes.begin(), bytes.end()); }
  // The adapter is pulled out: every call on the open port fails until it is opened again.
  void unplug() {
    gone_ = true;
    ports.clear();
  }
  Bytes written() const {
    Bytes all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
  }

  std::vector<SerialPortInfo> list() override { return ports; }

  bool open(const std::string& serialOrPath) override {
    close();
    if (refuseOpen) return false;
    const bool known = std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) {
      return p.serialNumber == serialOrPath || (!p.path.empty() && p.path == serialOrPath);
    });
    if (!known) return false;
    open_ = true;
    gone_ = false;
    openedName = serialOrPath;
    ++opens;
    return true;
  }
  void close() override {
    if (!open_) return;
    open_ = false;
    rx.clear();
    ++closes;
  }
  bool isOpen() const override { return open_; }
  bool configure(const LineSettings& line) override {
    if (!open_ || gone_) return false;
    configured.push_back(line);
    return !refuseConfigure;
  }
  long long bytesWaiting() override {
    if (!open_ || gone_) return -1;
    return static_cast<long long>(rx.size());
  }
  long long read(std::uint8_t* buf, std::size_t n) override {
    if (!open_ || gone_) return -1;
    const std::size_t k = std::min(n, rx.size());
    std::copy_n(rx.begin(), k, buf);
    rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(k));
    return static_cast<long long>(k);
  }
  long long write(const std::uint8_t* buf, std::size_t n) override {
    if (!open_ || gone_ || writeFails) return -1;
    std::size_t k = n;
    if (writeLimit >= 0) k = std::min(n, static_cast<std::size_t>(writeLimit));
    writes.emplace_back(buf, buf + k);
    if (onWrite) onWrite(writes.back());
    return static_cast<long long>(k);
  }

 private:
  bool open_ = false;
  bool gone_ = false;
};

}  // namespace vs
