#include "boards/LotkiP.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "bus/FrameDispatcher.h"

namespace vs {
namespace {

std::uint16_t word(const std::uint8_t* d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}

// Two digits of a BCD byte as the board keeps them: tens in bits 4..6, units in bits 0..3.
std::string bcd(std::uint8_t b) {
  return std::to_string((b >> 4) & 0x07) + std::to_string(b & 0x0F);
}

std::uint8_t toBcd(int v) {
  return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | v % 10);
}

}  // namespace

LotkiReport decodeLotkiReport(const std::uint8_t* d, int length) {
  LotkiReport r;
  r.length = length;
  // A field is read only when all its bytes lie inside this frame's data: the receive buffer
  // past the length still holds earlier frames.
  const auto has = [length](std::size_t at, std::size_t n) {
    return static_cast<std::size_t>(std::max(length, 0)) >= at + n;
  };
  if (has(LotkiAt::Version, 2)) {
    const std::uint16_t v = word(d, LotkiAt::Version);
    r.version =
        std::string("Версия ПО - ") + ((v & 0x8000) ? "V" : "v") + std::to_string(v & 0x7FFF);
  }
  if (has(LotkiAt::Chasi, 7)) {
    const std::uint8_t* c = d + LotkiAt::Chasi;
    r.time = "Время  " + bcd(c[2]) + ":" + bcd(c[1]) + ":" + bcd(c[0]) + "  " + bcd(c[4]) + "." +
             bcd(c[5]) + ".20" + bcd(c[6]);
  }
  if (has(LotkiAt::Countdown, 2)) r.countdown = word(d, LotkiAt::Countdown);
  if (has(LotkiAt::Seconds, 2)) r.seconds = word(d, LotkiAt::Seconds);
  if (has(LotkiAt::Trolleys, 1)) r.trolleys = d[LotkiAt::Trolleys];
  if (has(LotkiAt::Period, 2)) r.period = word(d, LotkiAt::Period);
  if (has(LotkiAt::WorkTime, 2)) r.workTime = word(d, LotkiAt::WorkTime);
  if (has(LotkiAt::LimitType, 1)) r.limitType = d[LotkiAt::LimitType];
  if (has(LotkiAt::Mode, 1)) r.mode = d[LotkiAt::Mode];
  if (has(LotkiAt::ThirdSwitch, 1)) r.thirdSwitch = d[LotkiAt::ThirdSwitch];
  if (has(LotkiAt::WholeHours, 1)) r.wholeHours = (d[LotkiAt::WholeHours] & 1) != 0;
  if (has(LotkiAt::Flags, 2)) {
    const std::uint16_t f = word(d, LotkiAt::Flags);
    std::string s;
    for (int bit = 0; bit < 16; ++bit) {
      if (bit > 0) s += ' ';
      s += (f >> bit) & 1 ? '1' : '0';
    }
    r.flags = s;
  }
  return r;
}

void trayAnswered(Station& station, const RS232_T& frame) {
  const int nk = station.f_opros_inkub(frame.Otpr);
  if (nk >= 0) {
    const auto n = static_cast<std::size_t>(nk);
    station.tab_otvetR[n] = 0;
    station.kol_byte_opros[n] = frame.Kol_d;
  }
  const PollControls& c = station.controls;
  if (c.modern() && !c.otladka && station.serverP <= 2) station.f_tek_inkub();
}

void LotkiP::listen(FrameDispatcher& dispatcher) {
  dispatcher.setConsumer(kAnswerTrays, [this](const RS232_T& f) {
    trayAnswered(station_, f);
    terminal(f);
  });
}

void LotkiP::terminal(const RS232_T& frame) {
  TimeSV = 0;
  const int len = frame.Kol_d;
  for (std::size_t k = 0; k < chasi.size() && LotkiAt::Chasi + k < static_cast<std::size_t>(len);
       ++k)
    chasi[k] = frame.Dann[LotkiAt::Chasi + k];
  ++ul;
  const LotkiReport r = decodeLotkiReport(frame.Dann.data(), len);
  if (editing) {
    // The operator's values stay; the board's own settings come back once "Изменить" is up.
    last.version = r.version;
    last.time = r.time;
    last.flags = r.flags;
    last.length = r.length;
  } else {
    last = r;
  }
  if (onReport) onReport();
}

void LotkiP::put(const std::uint8_t* data, std::uint8_t len) {
  putKom485m(station_.kom485m, 0, kTrayRequestKind, data, len);
}

void LotkiP::zapis(LotkiParam p, std::uint8_t value) {
  const std::uint8_t data[3] = {13, static_cast<std::uint8_t>(p), value};
  put(data, 3);
}

std::string LotkiP::zapisNumber(LotkiParam p, const std::string& text) {
  const char* name = p == LotkiParam::Period ? "Период(мин):" : "Время работы(сек):";
  std::size_t b = text.find_first_not_of(' ');
  std::size_t e = text.find_last_not_of(' ');
  long v = -1;
  if (b != std::string::npos) {
    const auto [end, ec] = std::from_chars(text.data() + b, text.data() + e + 1, v);
    if (ec != std::errc() || end != text.data() + e + 1) v = -1;
  }
  if (v < 0 || v > 65535)
    return std::string("\"") + name + "\": нужно целое число от 0 до 65535, а введено \"" + text +
           "\". Ничего не отправлено.";
  const std::uint8_t data[4] = {12, static_cast<std::uint8_t>(p),
                                static_cast<std::uint8_t>(v & 0xFF),
                                static_cast<std::uint8_t>(v >> 8)};
  put(data, 4);
  return {};
}

void LotkiP::ustVremya() {
  const TDateTime now = clock_.now();
  const LocalDateTime t = decodeDateTime(now);
  // Day 0 (30.12.1899) was a Saturday; the board counts Monday as 1 .. Sunday as 7.
  const long long day = static_cast<long long>(std::floor(now));
  const int weekday = static_cast<int>(((day % 7) + 7 + 5) % 7) + 1;
  const std::uint8_t data[9] = {11,
                                toBcd(t.second),
                                toBcd(t.minute),
                                toBcd(t.hour),
                                static_cast<std::uint8_t>(weekday),
                                toBcd(t.day),
                                toBcd(t.month),
                                toBcd(t.year % 100),
                                0};
  put(data, 9);
}

}  // namespace vs
