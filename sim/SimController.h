// One simulated incubator controller at a bus address. It keeps the 122 data bytes of its status
// answer as one image, laid out as on the wire, answers status polls with it, applies parameter
// writes to its setpoint words and records action commands.
//
// What it understands (everything else addressed to it is ignored and not answered):
//   kind 0, L >= 1                    status poll (data byte 1 = check request): status answer
//   kind 101, data 5 k code lo hi 0   parameter write, applied, then a status answer carries it
//   kind 101, data 6 value 1 0 0      action command: recorded; value 4 also clears the alarm
//                                     bits of C2 (the operator's alarm reset); status answer
//   to address 0: kind 120            factory reset of the setpoint words, no answer
//   to address 0: kind 100, data n    new bus number n (1..251), no answer
//   kinds 223..227, with a GSM module  settings and commands of the module (SimGsm.h), no answer
// Write kinds: 1 setpoint word (words 0..2, 6..19, 23, 24), 10 configuration item (40, 41, 42,
// 44..47, 52..57, 60 each set one byte of its word), 211 damper board item (12 check time,
// 13 set angle, 255 = factory settings, 21 calibration start: the damper runs to 0 and to 90
// degrees and back to its set angle at 10 degrees/s). A write the controller does not
// understand changes nothing but is answered like any other, as the write engine expects.
// For the write engine's failures there are two awkward controllers: one that refuses writes
// (hears them, neither applies nor answers them) and one that answers a write and then stays
// silent for a number of requests (so the check request goes unanswered).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/SimDevice.h"
#include "sim/SimGsm.h"

namespace vs {

// Data-byte offsets of the status answer (answer type at 0).
struct StatusAt {
  static constexpr std::size_t Type = 0;
  static constexpr std::size_t VersiaXmeg = 1;
  static constexpr std::size_t GsmSost = 3;
  static constexpr std::size_t ModuleFlags = 5;
  static constexpr std::size_t VersiaInd = 7;
  static constexpr std::size_t C1 = 17;
  static constexpr std::size_t C2 = 19;
  static constexpr std::size_t T1 = 21;
  static constexpr std::size_t T2 = 23;
  static constexpr std::size_t T3 = 25;
  static constexpr std::size_t BL = 27;
  static constexpr std::size_t C4 = 28;
  static constexpr std::size_t U1 = 29;
  static constexpr std::size_t VrSek = 31;
  static constexpr std::size_t VrMin = 32;
  static constexpr std::size_t SMotor = 33;
  static constexpr std::size_t ZaslR = 35;  // damper sensor reading, with the damper board
  static constexpr std::size_t VersiaAvt = 37;
  static constexpr std::size_t C3 = 39;
  static constexpr std::size_t Zon = 41;  // word k at Zon + 2k, k = 0..34
  static constexpr std::size_t StPovorot = 104;
  static constexpr std::size_t C5 = 106;
  static constexpr std::size_t VersiaLotki = 108;
  static constexpr std::size_t StNarabotka = 110;
  static constexpr std::size_t CO2 = 118;
  static constexpr std::size_t Tots = 120;
  // The damper board's block, sent in bytes 4..16 when C3 bit 9 is set.
  static constexpr std::size_t ZaslBoard = 4;  // bit 7 board answers, bits 0..5 damper number
  static constexpr std::size_t ZaslVoltage = 6;
  static constexpr std::size_t ZaslR0 = 8;   // sensor reading at 0 degrees
  static constexpr std::size_t ZaslR1 = 10;  // sensor reading at 90 degrees
  static constexpr std::size_t ZaslSetAngle = 12;
  static constexpr std::size_t ZaslCheckTime = 13;
  static constexpr std::size_t ZaslVersion = 14;
};

// The damper board's own values, as it reports them.
struct SimDamper {
  std::uint8_t number = 1;      // damper number, 0..63
  bool answers = true;          // the board answers its controller
  std::uint16_t voltage = 985;  // raw; x 156 / 6400 = 24.0 V
  std::uint16_t r0 = 0x0800;    // raw sensor reading at 0 degrees (14.40 kOhm)
  std::uint16_t r1 = 0x1800;    // raw sensor reading at 90 degrees (43.20 kOhm)
  std::uint8_t setAngle = 45;
  std::uint8_t checkTime = 30;  // seconds
  std::uint16_t version = 0x8003;
};

struct SimControllerOptions {
  std::int64_t answerDelayMs = 0;  // from the end of the request to the first answer byte
  double silentShare = 0.0;        // share of requests left unanswered, 0..1
  std::uint64_t seed = 1;          // of the generator that picks the unanswered ones
  int shortLength = 0;             // answer with only this many data bytes (1..121); 0 = all
  bool neverAnswers = false;       // a dead controller: hears nothing, answers nothing
  bool live = false;  // temperatures and humidity drift, trays turn, counters run with time
  bool refusesWrites = false;  // kind-101 writes and actions: neither applied nor answered
  int silentAfterWrite = 0;    // requests left unanswered after each answered write
};

struct SimControllerCounters {
  std::uint64_t polls = 0;     // status polls addressed to it
  std::uint64_t checks = 0;    // of them, check requests (data byte 1)
  std::uint64_t commands = 0;  // kind-101 frames addressed to it
  std::uint64_t applied = 0;   // writes that changed its state
  std::uint64_t answers = 0;
  std::uint64_t silenced = 0;  // answers left out by the silent share
  std::uint64_t calibrations = 0;
};

class SimController final : public SimDevice {
 public:
  static constexpr std::size_t kStatusSize = 122;
  static constexpr int kWords = 35;
  static constexpr std::uint16_t kAlarmBits = 0xC3FF;  // C2 bits 0..9, 14, 15
  using Status = std::array<std::uint8_t, kStatusSize>;

  explicit SimController(std::uint8_t address);

  std::uint8_t address() const { return address_; }
  void setAddress(std::uint8_t a) { address_ = a; }
  SimControllerOptions& options() { return options_; }
  const SimControllerOptions& options() const { return options_; }
  void setOptions(const SimControllerOptions& o);
  const SimControllerCounters& counters() const { return counters_; }
  // Values of the action commands received, oldest first.
  const std::vector<std::uint8_t>& actions() const { return actions_; }

  // The status data as it would be sent at bus time nowMs (the image plus what time moves).
  Status status(std::int64_t nowMs) const;
  // The stored image, without the damper block and anything that time moves.
  const Status& image() const { return image_; }

  std::uint8_t byte(std::size_t i) const { return i < kStatusSize ? image_[i] : 0; }
  std::uint16_t word(std::size_t i) const;
  void setByte(std::size_t i, std::uint8_t v);
  void setWord(std::size_t i, std::uint16_t v);

  std::int16_t zon(int k) const;
  void setZon(int k, std::int16_t v);

  // Temperatures in hundredths of a degree; the wire carries them unsigned, so below 0 is 0.
  void setT1(int v) { setTemp(StatusAt::T1, v); }
  void setT2(int v) { setTemp(StatusAt::T2, v); }
  void setT3(int v) { setTemp(StatusAt::T3, v); }
  void setHumidity(int percent);
  void setC1(std::uint16_t v) { setWord(StatusAt::C1, v); }
  void setC2(std::uint16_t v) { setWord(StatusAt::C2, v); }
  void setC3(std::uint16_t v) { setWord(StatusAt::C3, v); }
  void setC4(std::uint8_t v) { setByte(StatusAt::C4, v); }
  void setC5(std::uint16_t v) { setWord(StatusAt::C5, v); }
  void setU1(std::uint16_t tenthsOfVolt) { setWord(StatusAt::U1, tenthsOfVolt); }
  // Replaces the alarm bits of C2 (bits 0..9, 14, 15), keeping the sensor-fault bits.
  void setAlarmBits(std::uint16_t bits);
  // Sensor 1..3 faulty: C2 bit 10, 11 or 12.
  void setSensorFault(int sensor, bool faulty);
  void setVersions(std::uint16_t avt, std::uint16_t ind, std::uint16_t xmeg);

  // The damper board: C3 bit 9; its block goes into bytes 4..16 and 35, 36 of the answer, over
  // whatever the image holds there. The damper travels towards its set angle at 1 degree/s.
  void fitDamper(bool fitted);
  bool hasDamper() const { return (word(StatusAt::C3) & 0x0200) != 0; }
  SimDamper& damper() { return damper_; }
  const SimDamper& damper() const { return damper_; }
  // New set angle (0..90; more is cut to 90); the damper starts from where it is at nowMs.
  void setDamperAngle(int degrees, std::int64_t nowMs);
  int damperAngle(std::int64_t nowMs) const;
  // Set angle and position both at `degrees`, at rest.
  void placeDamper(int degrees);
  // Sensor reading of the damper at an angle, between the two calibration readings.
  std::uint16_t damperReading(int degrees) const;

  // A GSM module: its settings in status byte 3 (bit 7 set) and, while the module is on, bit 1
  // of the module flags; a poll with data byte 1 is answered with its GSM frame first.
  void fitGsm(bool fitted);
  SimGsm* gsm() { return gsm_ ? &*gsm_ : nullptr; }

  // The setpoint words and configuration bytes as they leave the factory.
  void restoreDefaults();

  std::optional<SimAnswer> onFrame(const RS232_T& frame, std::int64_t nowMs) override;

 private:
  void setTemp(std::size_t at, int v);
  bool applyWrite(std::uint8_t kind, std::uint8_t code, std::uint16_t value, std::int64_t nowMs);
  bool applyDamper(std::uint8_t item, std::uint16_t value, std::int64_t nowMs);
  std::optional<SimAnswer> answer(std::int64_t nowMs);
  double nextRandom();

  std::uint8_t address_;
  Status image_{};
  SimControllerOptions options_;
  SimControllerCounters counters_;
  std::vector<std::uint8_t> actions_;
  std::uint64_t rng_ = 1;
  int silentLeft_ = 0;  // requests still to leave unanswered after a write
  // After a change of the working temperature the readings settle towards it: the part of the
  // step still to come is lagDelta_ at lagAtMs_, decaying exponentially.
  double lagDelta_ = 0.0;
  std::int64_t lagAtMs_ = 0;
  SimDamper damper_;
  std::optional<SimGsm> gsm_;
  // Damper travel: from fromAngle_ at fromMs_ towards the set angle.
  int fromAngle_ = 45;
  std::int64_t fromMs_ = 0;
  // A calibration run started at calibMs_ (-1: none) from calibFrom_ degrees.
  std::int64_t calibMs_ = -1;
  int calibFrom_ = 0;
};

}  // namespace vs
