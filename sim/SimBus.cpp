#include "sim/SimBus.h"

#include <algorithm>

namespace vs {
namespace {

constexpr unsigned kLineBits = 11;  // start, 8 data, 2 stop
constexpr std::size_t kCompactAt = 4096;

}  // namespace

SimBus::SimBus() {
  deviceRx_.onGoodFrame = [this](const RS232_T& f) { onFrameHeard(f); };
}

SimBus::~SimBus() = default;

SimController& SimBus::addController(std::uint8_t address) {
  owned_.push_back(std::make_unique<SimController>(address));
  devices_.push_back(owned_.back().get());
  return *owned_.back();
}

SimController* SimBus::controller(std::uint8_t address) {
  for (auto& c : owned_)
    if (c->address() == address) return c.get();
  return nullptr;
}

SimDevice& SimBus::own(std::unique_ptr<SimDevice> device) {
  ownedDevices_.push_back(std::move(device));
  devices_.push_back(ownedDevices_.back().get());
  return *ownedDevices_.back();
}

void SimBus::attach(SimDevice& device) {
  devices_.push_back(&device);
}

void SimBus::detach(SimDevice& device) {
  std::erase(devices_, &device);
}

std::int64_t SimBus::wireTimeUs(std::size_t n, unsigned bitsPerByte, std::uint32_t baud) {
  if (bitsPerByte == 0 || baud == 0) return 0;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(n) * bitsPerByte * 1'000'000ULL /
                                   baud);
}

std::int64_t SimBus::Tx::byteStartUs(std::size_t k) const {
  return startUs + wireTimeUs(k, bits, baud);
}

void SimBus::sync() {
  advanceToUs(timeSource_ ? timeSource_() : now_);
}

std::optional<std::int64_t> SimBus::nextEventUs() const {
  std::optional<std::int64_t> best;
  for (const Tx& tx : line_) {
    if (tx.next >= tx.bytes.size()) continue;
    const std::int64_t e = tx.byteStartUs(tx.next + 1);
    if (!best || e < *best) best = e;
  }
  return best;
}

void SimBus::advanceToUs(std::int64_t us) {
  if (us < now_) return;
  for (;;) {
    Tx* first = nullptr;
    std::int64_t firstEnd = 0;
    for (Tx& tx : line_) {
      if (tx.next >= tx.bytes.size()) continue;
      const std::int64_t e = tx.byteStartUs(tx.next + 1);
      if (e <= us && (!first || e < firstEnd)) {
        first = &tx;
        firstEnd = e;
      }
    }
    if (!first) break;
    now_ = std::max(now_, firstEnd);
    deliver(*first);
    // Answers decided on that byte go on the line only now: putting them on while walking the
    // line would move the transmissions under our feet.
    auto answers = std::move(pendingAnswers_);
    pendingAnswers_.clear();
    for (auto& a : answers) {
      Tx tx;
      tx.fromMaster = false;
      tx.startUs = now_ + std::max<std::int64_t>(a.delayUs, 0);
      tx.bits = instant_ ? 0 : kLineBits;
      tx.baud = lineBaud_;
      tx.bytes = std::move(a.wire);
      ++counters_.answers;
      putOnLine(std::move(tx));
    }
    std::erase_if(line_, [](const Tx& tx) { return tx.next >= tx.bytes.size(); });
  }
  now_ = us;
}

void SimBus::putOnLine(Tx tx) {
  tx.garbled.assign(tx.bytes.size(), false);
  if (tx.bytes.empty()) return;
  const std::int64_t s0 = tx.startUs;
  const std::int64_t e0 = tx.endUs();
  for (Tx& other : line_) {
    const std::int64_t s1 = other.startUs;
    const std::int64_t e1 = other.endUs();
    if (!(s0 < e1 && s1 < e0)) continue;  // no overlap (an instant wire never overlaps)
    ++counters_.collisions;
    auto spoil = [this](Tx& t, std::int64_t from, std::int64_t to) {
      for (std::size_t k = t.next; k < t.bytes.size(); ++k) {
        if (t.byteStartUs(k) < to && from < t.byteStartUs(k + 1) && !t.garbled[k]) {
          t.garbled[k] = true;
          ++counters_.garbledBytes;
        }
      }
    };
    spoil(other, s0, e0);
    spoil(tx, s1, e1);
  }
  line_.push_back(std::move(tx));
}

void SimBus::deliver(Tx& tx) {
  const std::size_t k = tx.next++;
  const bool heard = !tx.garbled[k] && masterMatchesLine();
  const std::uint8_t b = heard ? tx.bytes[k] : kNoise;
  if (tx.fromMaster) {
    deviceRx_.Obrabotka_N(b);
  } else if (open_ && !lost_) {
    rx_.push_back(b);
    ++counters_.bytesToMaster;
  }
}

SimHub& SimBus::addHub() {
  if (!hub_) hub_ = std::make_unique<SimHub>();
  lineBaud_ = SimHub::kBaud;
  return *hub_;
}

void SimBus::onFrameHeard(const RS232_T& f) {
  ++counters_.framesHeard;
  int route = SimHub::kAllLines;
  if (hub_) {
    bool consumed = false;
    if (auto a = hub_->onFrame(f, consumed)) pendingAnswers_.push_back(std::move(*a));
    if (consumed) return;
    route = hub_->routeOf(f.Pol);
  }
  for (SimDevice* d : devices_) {
    if (route != SimHub::kAllLines && d->hubLine != 0 && d->hubLine != route) continue;
    if (auto a = d->onFrame(f, now_ / 1000)) pendingAnswers_.push_back(std::move(*a));
  }
}

bool SimBus::masterMatchesLine() const {
  return masterLine_.baud == lineBaud_ && masterLine_.dataBits == 8 && masterLine_.parity == 0;
}

unsigned SimBus::masterBits() const {
  if (instant_) return 0;
  return 1u + masterLine_.dataBits + (masterLine_.parity != 0 ? 1u : 0u) +
         (masterLine_.stopBits == 2 ? 2u : 1u);
}

void SimBus::unplug() {
  plugged_ = false;
  if (open_) lost_ = true;
  rx_.clear();
  rxHead_ = 0;
}

std::vector<SerialPortInfo> SimBus::list() {
  if (!plugged_) return {};
  return {SerialPortInfo{kSerial, kDescription, ""}};
}

bool SimBus::open(const std::string& serialOrPath) {
  close();
  if (!plugged_ || (serialOrPath != kSerial && serialOrPath != "sim")) return false;
  sync();
  open_ = true;
  masterLine_ = LineSettings{};
  return true;
}

void SimBus::close() {
  open_ = false;
  lost_ = false;
  rx_.clear();
  rxHead_ = 0;
}

bool SimBus::configure(const LineSettings& line) {
  if (!open_ || lost_) return false;
  masterLine_ = line;
  return true;
}

long long SimBus::bytesWaiting() {
  sync();
  if (!open_ || lost_) return -1;
  return static_cast<long long>(rx_.size() - rxHead_);
}

long long SimBus::read(std::uint8_t* buf, std::size_t n) {
  sync();
  if (!open_ || lost_) return -1;
  const std::size_t take = std::min(n, rx_.size() - rxHead_);
  std::copy_n(rx_.begin() + static_cast<std::ptrdiff_t>(rxHead_), take, buf);
  rxHead_ += take;
  if (rxHead_ == rx_.size()) {
    rx_.clear();
    rxHead_ = 0;
  } else if (rxHead_ >= kCompactAt) {
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(rxHead_));
    rxHead_ = 0;
  }
  return static_cast<long long>(take);
}

long long SimBus::write(const std::uint8_t* buf, std::size_t n) {
  sync();
  if (!open_ || lost_) return -1;
  if (n == 0) return 0;
  Tx tx;
  tx.fromMaster = true;
  tx.startUs = std::max(now_, masterBusyUntilUs_);
  tx.bits = masterBits();
  tx.baud = masterLine_.baud;
  tx.bytes.assign(buf, buf + n);
  masterBusyUntilUs_ = tx.endUs();
  counters_.masterBytes += n;
  counters_.masterFrames += static_cast<std::uint64_t>(std::count(buf, buf + n, 0xAA));
  putOnLine(std::move(tx));
  return static_cast<long long>(n);
}

}  // namespace vs
