// Alarms raised and cleared since start, from the rising and falling alarm bits of status word
// C2 of every decoded answer: a bounded list, newest last, each event numbered so that a client
// can ask for what came after the last one it has.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace vs::web {

// C2 bits that are alarms: 0..9, 14, 15 (10..12 are sensor faults, 13 has no meaning).
inline constexpr std::uint16_t kAlarmBits = 0xC3FF;

// The caption of an alarm bit: the sound slot's caption ("Сработал отсекатель" for 9 and 14).
const char* alarmCaption(int bit);

struct AlarmEvent {
  long long seq = 0;  // 1, 2, ... in the order seen
  TDateTime time = 0;
  int nk = 0;
  int number = 0;  // the incubator's bus address
  std::string name;
  int bit = 0;
  bool raised = true;
  // The alarm was already on at the row's first answer since start: when it rose is unknown.
  bool atFirstAnswer = false;
};

class AlarmEvents {
 public:
  explicit AlarmEvents(std::size_t capacity = 2000) : capacity_(capacity) {}

  // One decoded answer of row nk. Returns how many events it added.
  int observe(int nk, int number, std::string_view name, std::uint16_t c2, TDateTime time);

  long long lastSeq() const { return seq_; }
  const std::deque<AlarmEvent>& events() const { return events_; }
  // Events after `seq`, newest first, at most `max`, as a JSON array.
  std::string json(long long afterSeq = 0, std::size_t max = 500) const;

 private:
  std::size_t capacity_;
  long long seq_ = 0;
  std::deque<AlarmEvent> events_;
  std::array<std::uint16_t, 256> prev_{};
  std::array<bool, 256> seen_{};
};

}  // namespace vs::web
