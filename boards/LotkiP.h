// The tray-turning board: its reports (answer type 10) decoded for the window, the link lamp's
// half-second count, and the eight setting requests it understands, each placed in the poll
// cycle's pending command for address 0, frame kind 111.
//
// The board is a configured row under its own address. It answers the status poll with its
// report, which counts as that row's answer (trayAnswered); the dispatcher's consumer of type
// 10 does that, and with the window present also hands the report to terminal (listen).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bus/FrameCodec.h"
#include "common/DateTime.h"
#include "station/Station.h"

namespace vs {

class FrameDispatcher;

// Data bytes of the board's report (answer type at 0); 16-bit values little-endian.
struct LotkiAt {
  static constexpr std::size_t Version = 1;
  static constexpr std::size_t Chasi = 4;  // 13 bytes: s, min, h, weekday, day, month, year, ...
  static constexpr std::size_t ChasiSize = 13;
  static constexpr std::size_t Countdown = 12;
  static constexpr std::size_t Seconds = 14;
  static constexpr std::size_t Trolleys = 20;
  static constexpr std::size_t Period = 21;
  static constexpr std::size_t WorkTime = 23;
  static constexpr std::size_t LimitType = 25;
  static constexpr std::size_t Mode = 26;
  static constexpr std::size_t ThirdSwitch = 27;
  static constexpr std::size_t WholeHours = 28;
  static constexpr std::size_t Flags = 29;
  static constexpr std::size_t Size = 31;
};

constexpr std::uint8_t kTrayRequestKind = 111;

// One report as far as the frame carries it: a field lying past the frame's data is absent.
struct LotkiReport {
  int length = 0;
  std::optional<std::string> version;  // "Версия ПО - V3"
  std::optional<std::string> time;     // "Время  12:30:45  07.11.2026"
  std::optional<std::uint16_t> countdown, seconds, period, workTime;
  std::optional<std::uint8_t> trolleys, limitType, mode, thirdSwitch;
  std::optional<bool> wholeHours;
  std::optional<std::string> flags;  // "0 1 0 ..." bit 0 first
};

LotkiReport decodeLotkiReport(const std::uint8_t* data, int length);

// The board's report as the station's answer of its row: the row's no-answer count is cleared
// and its answer length kept; with fast polling the next row is polled at once.
void trayAnswered(Station& station, const RS232_T& frame);

// The setting requests; the numbers are the sub-command's parameter byte.
enum class LotkiParam : std::uint8_t {
  Trolleys = 1,
  Period = 2,
  WorkTime = 4,
  LimitType = 6,
  Mode = 7,
  ThirdSwitch = 8,
  WholeHours = 9,
};

class LotkiP {
 public:
  LotkiP(Station& station, const Clock& clock) : station_(station), clock_(clock) {}

  std::array<std::uint8_t, LotkiAt::ChasiSize> chasi{};
  std::int32_t ul = 0;      // reports received since start
  std::int32_t TimeSV = 5;  // half-second ticks since the last report; 5 and more: lamp yellow
  LotkiReport last;         // the latest report
  bool editing = false;  // "Изменить" down: the settings fields keep the operator's values

  // After every report (terminal), for the window.
  std::function<void()> onReport;

  // Makes the dispatcher's consumer of type 10 count the report as its row's answer and then
  // hand it to terminal.
  void listen(FrameDispatcher& dispatcher);
  // Every frame of answer type 10.
  void terminal(const RS232_T& frame);
  // Every 500 ms: counts towards the yellow lamp.
  void Timer500ms() {
    if (TimeSV < 5) ++TimeSV;
  }
  bool linkGreen() const { return TimeSV < 5; }
  std::string ulText() const { return std::to_string(ul); }

  // One-byte settings: the trolley mask (bit 0 first), an item index, whole hours 0/1.
  void zapis(LotkiParam p, std::uint8_t value);
  // "Период(мин):" and "Время работы(сек):" as typed: a whole number 0..65535 is sent and ""
  // returned; anything else sends nothing and the message says why.
  std::string zapisNumber(LotkiParam p, const std::string& text);
  // "Уст. Время": the computer's local date and time.
  void ustVremya();

 private:
  void put(const std::uint8_t* data, std::uint8_t len);

  Station& station_;
  const Clock& clock_;
};

}  // namespace vs
