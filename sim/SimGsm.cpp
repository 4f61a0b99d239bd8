#include "sim/SimGsm.h"

#include <algorithm>

namespace vs {
namespace {

constexpr std::uint8_t kAnswerGsmType = 222;
constexpr std::uint8_t kKindSettings = 223;
constexpr std::uint8_t kKindBalance = 224;
constexpr std::uint8_t kKindSmsTest = 225;
constexpr std::uint8_t kKindReset = 226;
constexpr std::uint8_t kKindVersion = 227;

// Code points of UTF-8 text (at most three bytes a character, which covers Cyrillic).
std::vector<std::uint32_t> codePoints(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    std::uint32_t cp = b;
    std::size_t n = 1;
    if (b >= 0xE0 && i + 2 < s.size()) {
      cp = (b & 0x0Fu) << 12 | (static_cast<std::uint8_t>(s[i + 1]) & 0x3Fu) << 6 |
           (static_cast<std::uint8_t>(s[i + 2]) & 0x3Fu);
      n = 3;
    } else if (b >= 0xC0 && i + 1 < s.size()) {
      cp = (b & 0x1Fu) << 6 | (static_cast<std::uint8_t>(s[i + 1]) & 0x3Fu);
      n = 2;
    }
    out.push_back(cp);
    i += n;
  }
  return out;
}

}  // namespace

std::uint8_t SimGsm::statusByte() const {
  return static_cast<std::uint8_t>(0x80 | (settings.on ? 0x10 : 0) | (settings.mask & 0x0F));
}

std::string SimGsm::ussdLine(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (std::uint32_t cp : codePoints(utf8))
    for (int shift = 12; shift >= 0; shift -= 4) hex += kHex[(cp >> shift) & 0x0F];
  return "+CUSD: 0, \"" + hex + "000D000A\",72";
}

void SimGsm::onRequest(const RS232_T& f, std::int64_t nowMs) {
  const std::uint8_t* d = f.Dann.data();
  switch (f.Kadr) {
    case kKindSettings: {
      if (f.Kol_d < 4) return;
      const std::size_t n = std::min<std::size_t>(d[3], f.Kol_d - 4u);
      settings.on = d[0] != 0;
      settings.mask = d[1] & 0x0F;
      settings.delay = d[2];
      settings.number.assign(reinterpret_cast<const char*>(d + 4), n);
      if (7 + n < f.Kol_d) settings.code = d[7 + n];
      ++settingsHeard;
      outbox += "OK\r";
      return;
    }
    case kKindBalance:
      outbox += "OK\r" + ussdLine(balance) + "\r";
      break;
    case kKindSmsTest:
      outbox += "+CMGS: 5\rOK\r";
      break;
    case kKindReset:
      outbox += "OK\rRDY\r";
      lastReportMs_ = nowMs;  // a modem starting again reports its signal only later
      break;
    case kKindVersion:
      outbox += version + "\rOK\r";
      break;
    default:
      return;
  }
  commands.push_back(f.Kadr);
}

std::vector<std::uint8_t> SimGsm::answer(std::int64_t nowMs) {
  if (nowMs - lastReportMs_ >= reportEveryMs) {
    lastReportMs_ = nowMs;
    outbox += "+CSQ: " + std::to_string(signal) + ",0\r+COPS: 0,0,\"MTS RUS\"\r";
  }
  std::vector<std::uint8_t> d(kAnswerHead, 0);
  d[0] = kAnswerGsmType;
  d[1] = settings.on ? 1 : 0;
  d[2] = settings.mask;
  d[3] = settings.delay;
  std::size_t digits = 0;
  for (char c : settings.number) {
    if (c < '0' || c > '9' || digits == 14) continue;
    const auto v = static_cast<std::uint8_t>(c - '0');
    d[5 + digits / 2] |= static_cast<std::uint8_t>(digits % 2 == 0 ? v << 4 : v);
    ++digits;
  }
  d[4] = static_cast<std::uint8_t>(digits);
  d[12] = settings.code;
  const std::size_t n = std::min({pieceSize, outbox.size(), std::size_t{255} - kAnswerHead});
  d[13] = static_cast<std::uint8_t>(n);
  d.insert(d.end(), outbox.begin(), outbox.begin() + static_cast<std::ptrdiff_t>(n));
  outbox.erase(0, n);
  return d;
}

}  // namespace vs
