// An in-process RS-485 line behind the serial-port interface: the master's adapter on one end,
// simulated devices on the other, driven by virtual time.
//
// The wire is modelled byte by byte: a byte takes (start + data + parity + stop) bits at the
// baud rate, 11 bits at 38 400 baud by default. The master's bytes reach the devices only once
// they are fully on the line; a device answers after its answer delay, and the master can read
// each answer byte only when it has fully arrived. The line is half-duplex: where two
// transmissions overlap in time, the overlapping bytes of both are lost to noise (they read as
// 0xFF), which breaks their frames as on a real line. A master whose line settings do not match
// the devices' hears only noise and is heard as noise.
//
// Time moves only through advanceTo()/advance(), or, with a time source set, to the source's
// time at every serial call, so the same bus serves tests in virtual time and a demo in real
// time.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"
#include "bus/SerialBackend.h"
#include "sim/SimController.h"
#include "sim/SimDevice.h"
#include "sim/SimHub.h"

namespace vs {

struct SimBusCounters {
  std::uint64_t masterFrames = 0;   // frames the master wrote (counted by their start bytes)
  std::uint64_t masterBytes = 0;    // bytes the master wrote
  std::uint64_t framesHeard = 0;    // good frames the devices received
  std::uint64_t answers = 0;        // transmissions the devices started
  std::uint64_t bytesToMaster = 0;  // bytes that reached the master's receive queue
  std::uint64_t collisions = 0;     // pairs of transmissions that overlapped
  std::uint64_t garbledBytes = 0;   // bytes lost to those overlaps
};

class SimBus final : public SerialBackend {
 public:
  static constexpr const char* kSerial = "SIM00001";
  static constexpr const char* kDescription = "Simulated RS-485 hall";
  static constexpr std::uint8_t kNoise = 0xFF;  // what a garbled byte reads as

  SimBus();
  ~SimBus() override;

  // A controller owned by the bus. Several at one address all answer (and collide).
  SimController& addController(std::uint8_t address);
  // The first owned controller at this address, or null.
  SimController* controller(std::uint8_t address);
  const std::vector<std::unique_ptr<SimController>>& controllers() const { return owned_; }
  // Another kind of device (a board), owned by the bus from now on.
  SimDevice& own(std::unique_ptr<SimDevice> device);
  // A device owned elsewhere; it must outlive the bus or be detached.
  void attach(SimDevice& device);
  void detach(SimDevice& device);
  // Puts a four-line hub between the adapter and the devices (once; later calls return the
  // same hub): the line runs at the hub's rate from now on, and each device hears only the
  // frames routed onto its `hubLine`.
  SimHub& addHub();
  SimHub* hub() { return hub_.get(); }

  // Time, in microseconds since the bus was made. The source must not go backwards.
  using TimeSource = std::function<std::int64_t()>;
  void setTimeSource(TimeSource usNow) { timeSource_ = std::move(usNow); }
  // Moves to the source's time (if any) and lets everything due by then happen.
  void sync();
  void advanceToUs(std::int64_t us);
  void advanceUs(std::int64_t us) { advanceToUs(now_ + us); }
  void advanceTo(std::int64_t ms) { advanceToUs(ms * 1000); }
  void advance(std::int64_t ms) { advanceUs(ms * 1000); }
  std::int64_t nowUs() const { return now_; }
  std::int64_t nowMs() const { return now_ / 1000; }
  // When the next byte finishes on the line, if any is on its way.
  std::optional<std::int64_t> nextEventUs() const;

  // The devices' line: baud rate (38 400 by default) with 8 data bits, no parity, 2 stop bits.
  void setLineBaud(std::uint32_t baud) { lineBaud_ = baud; }
  std::uint32_t lineBaud() const { return lineBaud_; }
  // Bytes take no time on the line (a real serial line in front already takes it).
  void setInstantWire(bool instant) { instant_ = instant; }
  // Time n bytes of `bitsPerByte` bits take at `baud`, in microseconds (rounded down).
  static std::int64_t wireTimeUs(std::size_t n, unsigned bitsPerByte, std::uint32_t baud);

  // Pulling the adapter out: the open port then fails every call until it is closed and opened
  // again after plugIn(); list() is empty meanwhile.
  void unplug();
  void plugIn() { plugged_ = true; }
  bool plugged() const { return plugged_; }

  const SimBusCounters& counters() const { return counters_; }

  // SerialBackend: one adapter, serial number "SIM00001"; open by that number or by "sim".
  std::vector<SerialPortInfo> list() override;
  bool open(const std::string& serialOrPath) override;
  void close() override;
  bool isOpen() const override { return open_; }
  bool configure(const LineSettings& line) override;
  long long bytesWaiting() override;
  long long read(std::uint8_t* buf, std::size_t n) override;
  long long write(const std::uint8_t* buf, std::size_t n) override;

 private:
  struct Tx {
    bool fromMaster = false;
    std::int64_t startUs = 0;
    unsigned bits = 11;  // per byte; 0 on an instant wire
    std::uint32_t baud = 38400;
    std::vector<std::uint8_t> bytes;
    std::vector<bool> garbled;
    std::size_t next = 0;  // next byte to finish
    std::int64_t byteStartUs(std::size_t k) const;
    std::int64_t endUs() const { return byteStartUs(bytes.size()); }
  };

  bool masterMatchesLine() const;
  unsigned masterBits() const;
  void putOnLine(Tx tx);
  void deliver(Tx& tx);
  void onFrameHeard(const RS232_T& f);

  std::vector<std::unique_ptr<SimController>> owned_;
  std::vector<std::unique_ptr<SimDevice>> ownedDevices_;
  std::vector<SimDevice*> devices_;
  std::unique_ptr<SimHub> hub_;
  TimeSource timeSource_;
  std::int64_t now_ = 0;
  std::uint32_t lineBaud_ = 38400;
  bool instant_ = false;
  std::deque<Tx> line_;
  std::vector<SimAnswer> pendingAnswers_;
  FrameCodec deviceRx_;  // every device hears the same bytes, so one receiver serves them all
  std::int64_t masterBusyUntilUs_ = 0;
  std::vector<std::uint8_t> rx_;
  std::size_t rxHead_ = 0;
  bool open_ = false;
  bool lost_ = false;
  bool plugged_ = true;
  LineSettings masterLine_;
  SimBusCounters counters_;
};

}  // namespace vs
