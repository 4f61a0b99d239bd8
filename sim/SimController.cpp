#include "sim/SimController.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vs {
namespace {

constexpr std::uint8_t kKindPoll = 0;
constexpr std::uint8_t kKindCommand = 101;
constexpr std::uint8_t kKindNewNumber = 100;
constexpr std::uint8_t kKindFactoryReset = 120;
constexpr std::uint8_t kKindGsmFirst = 223;  // GSM module settings and commands
constexpr std::uint8_t kKindGsmLast = 227;
constexpr std::uint8_t kServiceAddress = 0;
constexpr int kMaxIncubatorNumber = 251;
constexpr std::uint8_t kActionAlarmReset = 4;
constexpr double kSettleMs = 300'000.0;  // the readings settle with a time constant of 5 min

// Setpoint words a write of kind 1 may change.
constexpr bool writableWord(int k) {
  // Word 19 whole: program execution switches hatching and ventilation in one write.
  return (k >= 0 && k <= 2) || (k >= 6 && k <= 19) || k == 23 || k == 24;
}

// Configuration items of write kind 10: the word and the byte of it (0 low, 1 high) they set.
struct Item {
  std::uint8_t code;
  std::uint8_t word;
  std::uint8_t high;
};
constexpr Item kItems[] = {{40, 19, 0}, {41, 19, 1}, {42, 20, 0}, {44, 21, 0}, {45, 21, 1},
                           {46, 22, 0}, {47, 22, 1}, {52, 25, 0}, {53, 25, 1}, {54, 26, 0},
                           {55, 26, 1}, {56, 27, 0}, {57, 27, 1}, {60, 31, 0}};

// A slow swing of amplitude 1 with the given period, deterministic in time.
double wave(std::int64_t ms, double periodS, double phase) {
  return std::sin(2.0 * std::numbers::pi * static_cast<double>(ms) / (periodS * 1000.0) + phase);
}

std::uint16_t clampU16(double v) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 65535L));
}

void put16(SimController::Status& s, std::size_t i, std::uint16_t v) {
  s[i] = static_cast<std::uint8_t>(v & 0xFF);
  s[i + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(SimController::Status& s, std::size_t i, std::uint32_t v) {
  put16(s, i, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(s, i + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint16_t get16(const SimController::Status& s, std::size_t i) {
  return static_cast<std::uint16_t>(s[i] | (s[i + 1] << 8));
}

}  // namespace

SimController::SimController(std::uint8_t address) : address_(address) {
  image_[StatusAt::Type] = 5;
  image_[StatusAt::ModuleFlags] = 0x05;  // sound generator built in, display normal
  setVersions(310, 0x8000 | 105, 0x8000 | 23);
  setC1(0x0004);  // trays turned right
  setC3(0x0020);  // sensor T3 fitted
  setC4(0x02);    // alarm bounds may be given as offsets
  setT1(3781);
  setT2(3774);
  setT3(3752);
  setHumidity(55);
  setU1(2200);
  setWord(StatusAt::SMotor, 120);
  setWord(StatusAt::StPovorot, 1234);
  setWord(StatusAt::VersiaLotki, 14);
  put32(image_, StatusAt::StNarabotka, 15'000);
  setWord(StatusAt::CO2, 600);
  setWord(StatusAt::Tots, 3760);
  restoreDefaults();
  image_[StatusAt::VrMin] = 59;
  image_[StatusAt::VrSek] = 59;
  rng_ = options_.seed;
}

void SimController::restoreDefaults() {
  // Words 0..30 and the low byte of word 31; the rest of words 31..34 is the turn count, C5,
  // the tray board version and the run-time counter, which a reset leaves alone.
  static constexpr std::int16_t kDefaults[31] = {
      3830,  // 0 upper temperature bound (absolute)
      3780,  // 1 working temperature 37.80
      3730,  // 2 lower temperature bound
      0,
      0,
      0,  // 3..5 calibration offsets
      0,  // 6 working sensor T1
      65,
      45,  // 7, 8 humidity alarm bounds
      58,
      52,   // 9, 10 humidity control thresholds
      5,    // 11 humidity control time, min
      100,  // 12 heater power
      3800,
      3790,  // 13, 14 cooling on / off
      30,
      60,  // 15, 16 cooling run / pause, s
      60,
      15,                                 // 17, 18 tray period (min) / run (s)
      0x0100,                             // 19 incubation, ventilation on
      0x0001,                             // 20 sound on
      0x0000,                             // 21 humidity sensor HIH6131-i2s, no CO2, no reed alarm
      static_cast<std::int16_t>(0xBC9E),  // 22 ventilation every 30 min for 60 s
      30,
      5,       // 23, 24 humidifier pause / run, s
      0x0000,  // 25 limit switches closing, stop by any switch
      0x0100,  // 26 cooling alarm on, alarm delay 30 s
      0x0100,  // 27 no motor alarm, controller model 1
      0,
      0,
      0,  // 28..30
  };
  for (int k = 0; k < 31; ++k) setZon(k, kDefaults[k]);
  image_[StatusAt::Zon + 62] = 1;  // word 31 low byte: program ventilation
}

void SimController::setOptions(const SimControllerOptions& o) {
  options_ = o;
  rng_ = o.seed;
}

std::uint16_t SimController::word(std::size_t i) const {
  return i + 1 < kStatusSize ? get16(image_, i) : 0;
}

void SimController::setByte(std::size_t i, std::uint8_t v) {
  if (i < kStatusSize) image_[i] = v;
}

void SimController::setWord(std::size_t i, std::uint16_t v) {
  if (i + 1 < kStatusSize) put16(image_, i, v);
}

std::int16_t SimController::zon(int k) const {
  if (k < 0 || k >= kWords) return 0;
  return static_cast<std::int16_t>(word(StatusAt::Zon + 2 * static_cast<std::size_t>(k)));
}

void SimController::setZon(int k, std::int16_t v) {
  if (k < 0 || k >= kWords) return;
  setWord(StatusAt::Zon + 2 * static_cast<std::size_t>(k), static_cast<std::uint16_t>(v));
}

void SimController::setTemp(std::size_t at, int v) {
  setWord(at, static_cast<std::uint16_t>(std::clamp(v, 0, 65535)));
}

void SimController::setHumidity(int percent) {
  setByte(StatusAt::BL, static_cast<std::uint8_t>(std::clamp(percent, 0, 100)));
}

void SimController::setAlarmBits(std::uint16_t bits) {
  const auto c2 = word(StatusAt::C2);
  setC2(static_cast<std::uint16_t>((c2 & ~kAlarmBits) | (bits & kAlarmBits)));
}

void SimController::setSensorFault(int sensor, bool faulty) {
  if (sensor < 1 || sensor > 3) return;
  const auto bit = static_cast<std::uint16_t>(1u << (9 + sensor));
  const auto c2 = word(StatusAt::C2);
  setC2(static_cast<std::uint16_t>(faulty ? (c2 | bit) : (c2 & ~bit)));
}

void SimController::setVersions(std::uint16_t avt, std::uint16_t ind, std::uint16_t xmeg) {
  setWord(StatusAt::VersiaAvt, avt);
  setWord(StatusAt::VersiaInd, ind);
  setWord(StatusAt::VersiaXmeg, xmeg);
}

void SimController::fitDamper(bool fitted) {
  const auto c3 = word(StatusAt::C3);
  setC3(static_cast<std::uint16_t>(fitted ? (c3 | 0x0200) : (c3 & ~0x0200)));
}

void SimController::fitGsm(bool fitted) {
  if (!fitted)
    gsm_.reset();
  else if (!gsm_)
    gsm_.emplace();
}

void SimController::setDamperAngle(int degrees, std::int64_t nowMs) {
  fromAngle_ = damperAngle(nowMs);
  fromMs_ = nowMs;
  calibMs_ = -1;
  damper_.setAngle = static_cast<std::uint8_t>(std::clamp(degrees, 0, 90));
}

void SimController::placeDamper(int degrees) {
  damper_.setAngle = static_cast<std::uint8_t>(std::clamp(degrees, 0, 90));
  fromAngle_ = damper_.setAngle;
  fromMs_ = 0;
  calibMs_ = -1;
}

int SimController::damperAngle(std::int64_t nowMs) const {
  const int target = std::min<int>(damper_.setAngle, 90);
  if (calibMs_ >= 0) {
    // Calibration: down to 0 degrees, up to 90, back to the set angle, 10 degrees a second.
    auto t = static_cast<int>(std::clamp<std::int64_t>((nowMs - calibMs_) / 100, 0, 1000));
    if (t < calibFrom_) return calibFrom_ - t;
    t -= calibFrom_;
    if (t < 90) return t;
    t -= 90;
    return std::max(target, 90 - t);
  }
  const auto travelled =
      static_cast<int>(std::clamp<std::int64_t>((nowMs - fromMs_) / 1000, 0, 90));
  if (fromAngle_ < target) return std::min(target, fromAngle_ + travelled);
  return std::max(target, fromAngle_ - travelled);
}

std::uint16_t SimController::damperReading(int degrees) const {
  const double span = static_cast<double>(damper_.r1) - static_cast<double>(damper_.r0);
  return clampU16(damper_.r0 + span * std::clamp(degrees, 0, 90) / 90.0);
}

SimController::Status SimController::status(std::int64_t nowMs) const {
  Status s = image_;
  if (options_.live) {
    const double phase = 0.7 * address_;
    // The part of a working-temperature step that the readings have not followed yet.
    const double lag =
        lagDelta_ *
        std::exp(-static_cast<double>(std::max<std::int64_t>(nowMs - lagAtMs_, 0)) / kSettleMs);
    const std::size_t temps[3] = {StatusAt::T1, StatusAt::T2, StatusAt::T3};
    for (int k = 0; k < 3; ++k) {
      const std::uint16_t raw = get16(image_, temps[k]);
      if (raw == 0) continue;  // a sensor that reads nothing keeps reading nothing
      const double amp = k == 2 ? 4.0 : 9.0;
      const double drift = amp * wave(nowMs, 420.0 + 60.0 * k, phase + k) +
                           4.0 * wave(nowMs, 97.0 + 11.0 * k, 2.0 * phase + k);
      put16(s, temps[k], clampU16(raw + lag + drift));
    }
    if (image_[StatusAt::BL] != 0)
      s[StatusAt::BL] = static_cast<std::uint8_t>(std::clamp(
          std::lround(image_[StatusAt::BL] + 2.0 * wave(nowMs, 660.0, phase)), 0L, 100L));
    const std::uint32_t hours = get16(image_, StatusAt::StNarabotka) |
                                (std::uint32_t{get16(image_, StatusAt::StNarabotka + 2)} << 16);
    put32(s, StatusAt::StNarabotka,
          hours + static_cast<std::uint32_t>(std::max<std::int64_t>(nowMs, 0) / 3'600'000));
    // Trays turn every word-17 minutes while incubating (word 19 bit 0 clear).
    const std::int64_t periodS = 60LL * zon(17);
    if (periodS > 0 && (zon(19) & 1) == 0 && nowMs >= 0) {
      const std::int64_t elapsedS = nowMs / 1000;
      const std::int64_t turns = elapsedS / periodS;
      const std::int64_t left = periodS - 1 - elapsedS % periodS;
      s[StatusAt::VrMin] = static_cast<std::uint8_t>(std::min<std::int64_t>(left / 60, 255));
      s[StatusAt::VrSek] = static_cast<std::uint8_t>(left % 60);
      put16(s, StatusAt::StPovorot,
            static_cast<std::uint16_t>(get16(image_, StatusAt::StPovorot) + turns));
      if (turns % 2 == 1) {
        const auto c1 = get16(image_, StatusAt::C1);
        put16(s, StatusAt::C1, static_cast<std::uint16_t>(c1 ^ 0x000C));  // right <-> left
      }
    }
  }
  if (gsm_) {
    s[StatusAt::GsmSost] = gsm_->statusByte();
    s[StatusAt::ModuleFlags] = static_cast<std::uint8_t>((s[StatusAt::ModuleFlags] & ~0x02) |
                                                         (gsm_->settings.on ? 0x02 : 0));
  }
  if (hasDamper()) {
    s[StatusAt::ZaslBoard] =
        static_cast<std::uint8_t>((damper_.answers ? 0x80 : 0) | (damper_.number & 0x3F));
    put16(s, StatusAt::ZaslVoltage, damper_.voltage);
    put16(s, StatusAt::ZaslR0, damper_.r0);
    put16(s, StatusAt::ZaslR1, damper_.r1);
    s[StatusAt::ZaslSetAngle] = damper_.setAngle;
    s[StatusAt::ZaslCheckTime] = damper_.checkTime;
    put16(s, StatusAt::ZaslVersion, damper_.version);
    put16(s, StatusAt::ZaslR, damperReading(damperAngle(nowMs)));
  }
  return s;
}

bool SimController::applyWrite(std::uint8_t kind, std::uint8_t code, std::uint16_t value,
                               std::int64_t nowMs) {
  switch (kind) {
    case 1:
      if (!writableWord(code)) return false;
      if (code == 1 && options_.live) {
        // The readings follow the new working temperature, slowly.
        const double delta = static_cast<double>(static_cast<std::int16_t>(value)) - zon(1);
        const double lagNow =
            lagDelta_ *
            std::exp(-static_cast<double>(std::max<std::int64_t>(nowMs - lagAtMs_, 0)) / kSettleMs);
        for (std::size_t at : {StatusAt::T1, StatusAt::T2, StatusAt::T3})
          if (word(at) != 0) setTemp(at, static_cast<int>(std::lround(word(at) + delta)));
        lagDelta_ = lagNow - delta;
        lagAtMs_ = nowMs;
      }
      setZon(code, static_cast<std::int16_t>(value));
      return true;
    case 10:
      for (const Item& it : kItems) {
        if (it.code != code) continue;
        setByte(StatusAt::Zon + 2u * it.word + it.high, static_cast<std::uint8_t>(value & 0xFF));
        return true;
      }
      return false;
    case 211:
      return applyDamper(code, value, nowMs);
    default:
      return false;
  }
}

bool SimController::applyDamper(std::uint8_t item, std::uint16_t value, std::int64_t nowMs) {
  if (!hasDamper()) return false;
  switch (item) {
    case 12:
      damper_.checkTime = static_cast<std::uint8_t>(std::min<std::uint16_t>(value, 90));
      return true;
    case 13:
      if (value == 255) {  // factory settings
        const SimDamper factory;
        damper_.checkTime = factory.checkTime;
        setDamperAngle(factory.setAngle, nowMs);
      } else {
        setDamperAngle(value, nowMs);
      }
      return true;
    case 21:
      ++counters_.calibrations;
      calibFrom_ = damperAngle(nowMs);
      calibMs_ = nowMs;
      return true;
    default:
      return false;
  }
}

double SimController::nextRandom() {
  // splitmix64: small, fast and the same on every platform.
  std::uint64_t z = (rng_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * 0x1.0p-53;
}

std::optional<SimAnswer> SimController::answer(std::int64_t nowMs) {
  if (options_.silentShare > 0.0 && nextRandom() < options_.silentShare) {
    ++counters_.silenced;
    return std::nullopt;
  }
  const Status s = status(nowMs);
  std::size_t len = kStatusSize;
  if (options_.shortLength > 0 && static_cast<std::size_t>(options_.shortLength) < kStatusSize)
    len = static_cast<std::size_t>(options_.shortLength);
  ++counters_.answers;
  return makeAnswer(address_, s.data(), static_cast<std::uint8_t>(len),
                    std::max<std::int64_t>(options_.answerDelayMs, 0) * 1000);
}

std::optional<SimAnswer> SimController::onFrame(const RS232_T& f, std::int64_t nowMs) {
  if (options_.neverAnswers) return std::nullopt;
  if (f.Pol == kServiceAddress) {
    if (f.Kadr == kKindFactoryReset) {
      restoreDefaults();
    } else if (f.Kadr == kKindNewNumber && f.Kol_d >= 1 && f.Dann[0] >= 1 &&
               f.Dann[0] <= kMaxIncubatorNumber) {
      address_ = f.Dann[0];
    }
    return std::nullopt;
  }
  if (f.Pol != address_) return std::nullopt;
  if (f.Kadr == kKindPoll) {
    if (f.Kol_d < 1) return std::nullopt;
    ++counters_.polls;
    if (f.Dann[0] == 1) ++counters_.checks;
    if (silentLeft_ > 0) {
      --silentLeft_;
      ++counters_.silenced;
      return std::nullopt;
    }
    auto a = answer(nowMs);
    if (a && gsm_ && f.Dann[0] == 1) {
      // The GSM frame goes first: the station polls on only after the status answer.
      const std::vector<std::uint8_t> g = gsm_->answer(nowMs);
      const SimAnswer ga = makeAnswer(address_, g.data(), static_cast<std::uint8_t>(g.size()), 0);
      a->wire.insert(a->wire.begin(), ga.wire.begin(), ga.wire.end());
    }
    return a;
  }
  if (gsm_ && f.Kadr >= kKindGsmFirst && f.Kadr <= kKindGsmLast) {
    gsm_->onRequest(f, nowMs);
    return std::nullopt;
  }
  if (f.Kadr != kKindCommand || f.Kol_d < 1) return std::nullopt;
  ++counters_.commands;
  if (options_.refusesWrites) return std::nullopt;
  if (silentLeft_ > 0) {
    --silentLeft_;
    ++counters_.silenced;
    return std::nullopt;
  }
  if (f.Dann[0] == 5 && f.Kol_d >= 5) {
    const auto value = static_cast<std::uint16_t>(f.Dann[3] | (f.Dann[4] << 8));
    if (applyWrite(f.Dann[1], f.Dann[2], value, nowMs)) ++counters_.applied;
  } else if (f.Dann[0] == 6 && f.Kol_d >= 2) {
    actions_.push_back(f.Dann[1]);
    if (f.Dann[1] == kActionAlarmReset) setAlarmBits(0);
    ++counters_.applied;
  }
  auto a = answer(nowMs);
  if (a && f.Dann[0] == 5) silentLeft_ = std::max(options_.silentAfterWrite, 0);
  return a;
}

}  // namespace vs
