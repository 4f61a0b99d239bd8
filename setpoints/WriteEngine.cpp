#include "setpoints/WriteEngine.h"

#include "setpoints/SetpointMap.h"

namespace vs {

namespace {
constexpr std::uint8_t kKindCommand = 101;
constexpr std::uint8_t kKindPoll = 0;
constexpr std::uint8_t kDataWrite = 5;
constexpr std::uint8_t kDataAction = 6;
constexpr std::uint8_t kCheckRequest = 1;  // a status poll whose data byte is 1
}  // namespace

WriteEngine::WriteEngine(Station& station) : station_(station) {}

void WriteEngine::komWrite(std::uint8_t nom, std::uint8_t kom, std::uint8_t row, std::uint8_t lo,
                           std::uint8_t hi) {
  const std::uint8_t data[6] = {kDataWrite, kom, row, lo, hi, 0};
  putKom485m(station_.kom485m, nom, kKindCommand, data, 6);
}

void WriteEngine::KomAvt(std::uint8_t addr, std::uint8_t value) {
  const std::uint8_t data[5] = {kDataAction, value, 1, 0, 0};
  putKom485m(station_.kom485m, addr, kKindCommand, data, 5);
}

void WriteEngine::activate() {
  TWriteCom& w = station_.WriteKom;
  w.z = true;
  WriteRE.clear();
  if (logChanged) logChanged();
  station_.WrK = Delay;
  stWr = kDelayTicks;
  oldValue_ = reportedValue(station_, w.Col - 1, w.k, w.Row);
}

void WriteEngine::TimeCallBackKom() {
  std::int32_t& WrK = station_.WrK;
  const TWriteCom& w = station_.WriteKom;
  switch (WrK) {
    case Delay:
      if (stWr > 0)
        --stWr;
      else
        WrK = Send;
      break;
    case Send: {
      // A remote station or a second copy must not send, and the answers it replays from the
      // shared file would otherwise confirm a write that never left.
      if (station_.serverP == 3 || station_.serverP == 4 || station_.observer) {
        log(kLogNotOwner);
        failed(kLogNotOwner);
        endCycle();
        break;
      }
      const int row = w.Col - 1;
      if (row < 0 || row >= kMaxRows) {
        log(kLogNoRow);
        failed(kLogNoRow);
        endCycle();
        break;
      }
      address_ = static_cast<std::uint8_t>(
          station_.config().konfig_n[static_cast<std::size_t>(row)] & 0xFF);
      komWrite(address_, w.k, static_cast<std::uint8_t>(w.Row & 0xFF),
               static_cast<std::uint8_t>(w.b & 0xFF), static_cast<std::uint8_t>(w.b >> 8));
      WrK = AwaitFirst;
      stWr = kFirstAnswerTicks;
      log(kLogSent);
      break;
    }
    case AwaitFirst:
      if (stWr > 0) {
        --stWr;
      } else {
        log(kLogNoFirst);
        failed(kLogNoFirst);
        endCycle();
      }
      break;
    case FirstAnswer:
      log(kLogFirst);
      WrK = BeforeCheck;
      stWr = kCheckDelayTicks;
      break;
    case BeforeCheck:
      if (stWr > 0) {
        --stWr;
      } else {
        // The state moves first: should the send fail, the time limit still ends the cycle.
        WrK = AwaitSecond;
        stWr = kSecondAnswerTicks;
        log(kLogCheck);
        const std::uint8_t check = kCheckRequest;
        if (station_.hooks.send) station_.hooks.send(address_, kKindPoll, &check, 1);
      }
      break;
    case AwaitSecond:
      if (stWr > 0) {
        --stWr;
      } else {
        log(kLogNoSecond);
        failed(kLogNoSecond);
        endCycle();
      }
      break;
    case SecondAnswer: {
      log(kLogSecond);
      std::string line = "Запись подтверждена: " + describe();
      const auto now = reportedValue(station_, w.Col - 1, w.k, w.Row);
      const int sent = w.k == 1 ? static_cast<std::int16_t>(w.b) : w.b;
      if (now && *now != sent)
        line += " (блок сообщает " + formatWriteValue(w.k, w.Row, *now) + ")";
      endCycle();
      if (journal) journal(line);
      if (closeDialog) closeDialog();
      break;
    }
    case Idle:
    case 7:
      break;
    default:  // 8, 9 and anything else: no such step
      endCycle();
      break;
  }
}

void WriteEngine::log(const std::string& line) {
  WriteRE.push_back(line);
  if (logChanged) logChanged();
}

void WriteEngine::endCycle() {
  station_.WrK = Idle;
  station_.WriteKom.z = false;
}

std::string WriteEngine::describe() const {
  const TWriteCom& w = station_.WriteKom;
  const int row = w.Col - 1;
  std::string s = "блок № ";
  s += row >= 0 && row < kMaxRows
           ? std::to_string(station_.config().konfig_n[static_cast<std::size_t>(row)])
           : "?";
  s += ", " + writeCaption(w.k, w.Row) + " ";
  s += oldValue_ ? formatWriteValue(w.k, w.Row, *oldValue_) : "?";
  s += " -> " + formatWriteValue(w.k, w.Row, w.b);
  return s;
}

void WriteEngine::failed(const char* why) {
  if (report) report("Запись не выполнена: " + describe() + ". " + why);
}

}  // namespace vs
