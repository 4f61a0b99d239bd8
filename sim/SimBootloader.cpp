#include "sim/SimBootloader.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "boards/BitFile.h"
#include "sim/SimBus.h"
#include "sim/SimController.h"

namespace vs {
namespace {

constexpr std::uint8_t kLoaderAddress = 200;
constexpr int kMaxBlock = 128;

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Decimal or "0x" hexadecimal within lo..hi.
std::optional<long long> number(std::string_view s, long long lo, long long hi) {
  s = trimmed(s);
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  long long v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi)
    return std::nullopt;
  return v;
}

}  // namespace

std::string setBootloaderKey(std::optional<SimBootloaderOptions>& board, std::uint8_t& host,
                             std::string_view key, std::string_view value) {
  const std::string bad = "bad value for " + std::string(key);
  SimBootloaderOptions& b = board ? *board : board.emplace();
  if (key == "bootloader_drop_share") {
    const std::string_view t = trimmed(value);
    double v = -1;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || p != t.data() + t.size() || !(v >= 0.0 && v <= 1.0))
      return bad;
    b.dropShare = v;
    return {};
  }
  const long long hi = key == "bootloader_bad_offset" ? 0xFFFFFFFFLL
                       : key == "bootloader_delay_ms" ? 60'000
                       : key == "bootloader_host"     ? 251
                                                      : 0xFFFF;
  const auto v = number(value, key == "bootloader_host" ? 1 : 0, hi);
  if (key == "bootloader") {
    if (!v) return bad;
    b.type = static_cast<std::uint16_t>(*v);
  } else if (key == "bootloader_version") {
    if (!v) return bad;
    b.version = static_cast<std::uint16_t>(*v);
  } else if (key == "bootloader_delay_ms") {
    if (!v) return bad;
    b.delayUs = *v * 1000;
  } else if (key == "bootloader_bad_offset") {
    if (!v) return bad;
    b.badOffset = static_cast<std::uint32_t>(*v);
  } else if (key == "bootloader_host") {
    if (!v) return bad;
    host = static_cast<std::uint8_t>(*v);
  } else {
    return "unknown key " + std::string(key);
  }
  return {};
}

void putBootloader(SimBus& bus, SimBootloaderOptions o, std::uint8_t host, std::uint64_t seed) {
  o.seed = seed * 1000003ULL + 200;
  auto board = std::make_unique<SimBootloader>(std::move(o));
  if (host != 0) board->host(bus.controller(host));
  bus.own(std::move(board));
}

SimBootloader::SimBootloader(SimBootloaderOptions o)
    : o_(std::move(o)),
      memory_(boardMemory(o_.type), 0xFF),
      written_(memory_.size(), false),
      rng_(o_.seed) {}

bool SimBootloader::verified() const {
  return writtenEnd_ > 0 && holdsImage(writtenEnd_) && comparedTo_ >= writtenEnd_ &&
         !compareDiffers_;
}

bool SimBootloader::holdsImage(std::size_t n) const {
  if (n > written_.size()) return false;
  return std::all_of(written_.begin(), written_.begin() + static_cast<std::ptrdiff_t>(n),
                     [](bool w) { return w; });
}

void SimBootloader::setHostSilent(bool silent) {
  if (host_) host_->options().neverAnswers = silent;
}

std::optional<SimAnswer> SimBootloader::answer(std::uint8_t kadr,
                                               const std::vector<std::uint8_t>& data) {
  SimAnswer a;
  a.wire.resize(kMaxWireFrame);
  a.wire.resize(encodeFrame(kStationAddress, kLoaderAddress, kadr, data.data(),
                            static_cast<std::uint8_t>(data.size()), a.wire.data()));
  a.delayUs = o_.delayUs;
  return a;
}

bool SimBootloader::dropThisAnswer() {
  ++blockAnswers_;
  if (o_.dropAnswers.count(blockAnswers_) != 0) return true;
  if (o_.dropShare <= 0.0) return false;
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < o_.dropShare;
}

std::optional<SimAnswer> SimBootloader::block(const RS232_T& f) {
  const int length = f.Kol_d >= 1 ? f.Dann[0] : 0;
  if (length < 1 || length > kMaxBlock || f.Kol_d != length + 5) {
    ++refused;
    return std::nullopt;
  }
  std::uint32_t offset = 0;
  for (int i = 1; i <= 4; ++i) offset = offset << 8 | f.Dann[static_cast<std::size_t>(i)];
  if (static_cast<std::size_t>(offset) + static_cast<std::size_t>(length) > memory_.size()) {
    ++refused;
    return std::nullopt;
  }
  const std::uint8_t* bytes = f.Dann.data() + 5;
  std::uint8_t differing = 0;
  for (int i = 0; i < length; ++i) {
    const std::size_t at = offset + static_cast<std::size_t>(i);
    std::uint8_t b = bytes[i];
    if (f.Kadr == 202) {
      if (o_.badOffset && *o_.badOffset == at) b = static_cast<std::uint8_t>(~b);
      memory_[at] = b;
      written_[at] = true;
    } else if (memory_[at] != b) {
      ++differing;
    }
  }
  if (f.Kadr == 202) {
    comparedTo_ = 0;
    compareDiffers_ = false;
    ++writes;
    writeOffsets.push_back(offset);
    writeLengths.push_back(length);
    writtenEnd_ = std::max(writtenEnd_, static_cast<std::size_t>(offset) + length);
  } else {
    ++compares;
    compareOffsets.push_back(offset);
    if (offset == comparedTo_) comparedTo_ += static_cast<std::size_t>(length);
    compareDiffers_ = compareDiffers_ || differing != 0;
  }
  if (dropThisAnswer()) return std::nullopt;
  return answer(f.Kadr, {differing});
}

std::optional<SimAnswer> SimBootloader::onFrame(const RS232_T& f, std::int64_t) {
  if (f.Pol == 0 && f.Kadr == 199) {
    ++enters;
    inLoader_ = true;
    std::fill(written_.begin(), written_.end(), false);
    writtenEnd_ = comparedTo_ = 0;
    compareDiffers_ = false;
    setHostSilent(true);
    return std::nullopt;
  }
  if (f.Pol != kLoaderAddress || !inLoader_) return std::nullopt;
  switch (f.Kadr) {
    case 201: {
      ++queries;
      std::vector<std::uint8_t> d(9, 0);
      d[5] = static_cast<std::uint8_t>(o_.version & 0xFF);
      d[6] = static_cast<std::uint8_t>(o_.version >> 8);
      d[7] = static_cast<std::uint8_t>(o_.type & 0xFF);
      d[8] = static_cast<std::uint8_t>(o_.type >> 8);
      return answer(201, d);
    }
    case 202:
    case 203:
      return block(f);
    case 205:
      ++starts;
      // A board with a half-written program stays in its bootloader, so it can be written again.
      if (!verified()) return std::nullopt;
      inLoader_ = false;
      setHostSilent(false);
      return answer(205, {0});
    default:
      return std::nullopt;
  }
}

}  // namespace vs
