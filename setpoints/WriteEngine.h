// The interactive write engine that every editing window shares: an editor fills
// `WriteKom` (Col, Row, b, k) and opens the write dialog, whose activation starts one cycle:
// polls stop, the write frame is queued in kom485m, the controller's answer is awaited, a check
// request follows, its answer is awaited, and polls resume. The station moves the cycle on
// with the step signal of each status answer (WrK 2 -> 3, 5 -> 6); TimeCallBackKom does the
// rest, once per 100 ms tick, on the same thread as everything else.
//
// Also the two ways of queuing a command in kom485m without the dialog: komWrite (parameter
// write) and KomAvt (action command).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "station/Station.h"

namespace vs {

// Log lines of the write dialog.
inline constexpr const char* kLogSent = "Отправлена команда на изменение.";
inline constexpr const char* kLogNoFirst = "Первый ответ не получен, жаль...";
inline constexpr const char* kLogFirst = "Получен первый ответ.";
inline constexpr const char* kLogCheck = "Отправляем проверочный запрос";
inline constexpr const char* kLogNoSecond = "Второй ответ не получен, жаль...";
inline constexpr const char* kLogSecond = "Получен второй ответ.";
inline constexpr const char* kLogNoRow = "Нет такого блока в списке. Не выполнено.";
inline constexpr const char* kLogNotOwner = "Станция не ведёт опрос шины. Не выполнено.";

class WriteEngine {
 public:
  // Engine states (WrK).
  using enum WriteStep;
  static constexpr int kDelayTicks = 5;         // 0.5 s from activation to the write
  static constexpr int kFirstAnswerTicks = 20;  // 2 s for the answer to the write
  static constexpr int kCheckDelayTicks = 10;   // 1 s from that answer to the check request
  // 2 s for the answer to the check request. Without a limit a controller that falls silent
  // after the first answer would keep the whole bus from being polled.
  static constexpr int kSecondAnswerTicks = 20;

  explicit WriteEngine(Station& station);
  WriteEngine(const WriteEngine&) = delete;
  WriteEngine& operator=(const WriteEngine&) = delete;

  // The write dialog's log (WriteRE), oldest line first, and who shows it.
  std::vector<std::string> WriteRE;
  std::function<void()> logChanged;
  // The cycle has ended with the second answer: the dialog closes.
  std::function<void()> closeDialog;
  // Event journal lines (Err): every confirmed write, with incubator, item, old and new value.
  std::function<void(const std::string&)> journal;
  // A write that was not confirmed: the journal and the operator's notice, since the dialog
  // may already be closed while the cycle runs on.
  std::function<void(const std::string&)> report;

  std::int32_t stWr = 0;  // countdown, in 100 ms ticks

  // Activation of the write dialog, and its "Повторить": starts a cycle for WriteKom.
  void activate();
  // One step of the cycle; every 100 ms for the life of the program.
  void TimeCallBackKom();
  // A cycle is under way (WriteKom.z).
  bool running() const { return station_.WriteKom.z; }

  // Queues a parameter write in kom485m: kind 101, data 5, kom, row, lo, hi, 0.
  void komWrite(std::uint8_t nom, std::uint8_t kom, std::uint8_t row, std::uint8_t lo,
                std::uint8_t hi);
  // Queues an action command in kom485m: kind 101, data 6, value, 1, 0, 0. No cycle, no check.
  void KomAvt(std::uint8_t addr, std::uint8_t value);

 private:
  void log(const std::string& line);
  void endCycle();
  // The journal's words for this write: "блок № 5, Рабочая Темп. 37.80 -> 37.50".
  std::string describe() const;
  void failed(const char* why);

  Station& station_;
  std::uint8_t address_ = 0;     // where the write went; the check request goes there too
  std::optional<int> oldValue_;  // the value as reported when the cycle started
};

}  // namespace vs
