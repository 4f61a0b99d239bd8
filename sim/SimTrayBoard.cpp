#include "sim/SimTrayBoard.h"

#include <algorithm>
#include <cmath>

namespace vs {
namespace {

std::uint8_t toBcd(int v) {
  return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | v % 10);
}
int fromBcd(std::uint8_t b) {
  return (b >> 4) * 10 + (b & 0x0F);
}

void putWord(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
  d[at] = static_cast<std::uint8_t>(v & 0xFF);
  d[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> SimTrayBoard::report(std::int64_t nowMs) const {
  std::vector<std::uint8_t> d(kReportSize, 0);
  d[0] = 10;
  putWord(d, 1, version);
  const TDateTime now = clockAt(nowMs);
  const LocalDateTime t = decodeDateTime(now);
  const auto day = static_cast<long long>(std::floor(now));
  d[4] = toBcd(t.second);
  d[5] = toBcd(t.minute);
  d[6] = toBcd(t.hour);
  d[7] = static_cast<std::uint8_t>(((day % 7) + 7 + 5) % 7 + 1);
  d[8] = toBcd(t.day);
  d[9] = toBcd(t.month);
  d[10] = toBcd(t.year % 100);
  // The turn cycle runs on the board's uptime; bytes 12..15 overlay the clock block's tail.
  const std::int64_t up = std::max<std::int64_t>(nowMs, 0) / 1000;
  const std::int64_t cycle = std::max<std::int64_t>(settings.period, 1) * 60;
  putWord(d, 12, static_cast<std::uint32_t>(cycle - up % cycle));
  putWord(d, 14, static_cast<std::uint32_t>(up & 0xFFFF));
  d[20] = settings.trolleys;
  putWord(d, 21, settings.period);
  putWord(d, 23, settings.workTime);
  d[25] = settings.limitType;
  d[26] = settings.mode;
  d[27] = settings.thirdSwitch;
  d[28] = settings.wholeHours ? 1 : 0;
  const bool turning = up % cycle < settings.workTime;
  putWord(d, 29, (turning ? 1u : 0u) | (static_cast<std::uint32_t>(settings.trolleys) << 4));
  if (shortLength > 0 && static_cast<std::size_t>(shortLength) < d.size())
    d.resize(static_cast<std::size_t>(shortLength));
  return d;
}

void SimTrayBoard::setting(const std::uint8_t* d, int len, std::int64_t nowMs) {
  if (len >= 9 && d[0] == 11) {
    clockRequests.emplace_back(d, d + 9);
    LocalDateTime t;
    t.second = fromBcd(d[1]);
    t.minute = fromBcd(d[2]);
    t.hour = fromBcd(d[3]);
    t.day = fromBcd(d[5]);
    t.month = fromBcd(d[6]);
    t.year = 2000 + fromBcd(d[7]);
    base_ = encodeDateTime(t);
    baseMs_ = nowMs;
  } else if (len >= 4 && d[0] == 12) {
    const auto v = static_cast<std::uint16_t>(d[2] | (d[3] << 8));
    if (d[1] == 2) settings.period = v;
    if (d[1] == 4) settings.workTime = v;
  } else if (len >= 3 && d[0] == 13) {
    switch (d[1]) {
      case 1:
        settings.trolleys = d[2] & 0x0F;
        break;
      case 6:
        settings.limitType = d[2];
        break;
      case 7:
        settings.mode = d[2];
        break;
      case 8:
        settings.thirdSwitch = d[2];
        break;
      case 9:
        settings.wholeHours = d[2] != 0;
        break;
      default:
        break;
    }
  }
}

std::optional<SimAnswer> SimTrayBoard::onFrame(const RS232_T& f, std::int64_t nowMs) {
  if (f.Pol == 0 && f.Kadr == 111) {
    setting(f.Dann.data(), f.Kol_d, nowMs);
    return std::nullopt;
  }
  if (f.Pol != address_ || f.Kadr != 0 || f.Kol_d < 1) return std::nullopt;
  const std::vector<std::uint8_t> d = report(nowMs);
  return makeAnswer(address_, d.data(), static_cast<std::uint8_t>(d.size()), answerDelayMs * 1000);
}

}  // namespace vs
