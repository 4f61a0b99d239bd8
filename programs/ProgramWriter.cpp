#include "programs/ProgramWriter.h"

#include <string>

#include "programs/ProgramScheduler.h"
#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"
#include "station/Station.h"

namespace vs {

namespace {
constexpr int kDelayTicks = 5;          // 0.5 s before the write goes out
constexpr int kFirstAnswerTicks = 50;   // 5 s for the answer to the write
constexpr int kCheckDelayTicks = 10;    // 1 s before the check request
constexpr int kSecondAnswerTicks = 20;  // 2 s for the answer to the check
constexpr int kAfterTicks = 10;         // 1 s after a confirmation
constexpr int kDamperRow = 13;
}  // namespace

bool ProgramWriter::busy() const {
  return station_.WriteI.z;
}

void ProgramWriter::take(TInk_Isp& queue, int index) {
  if (index < 0 || index >= TInk_Isp::kSize) return;
  const auto i = static_cast<std::size_t>(index);
  queue_ = &queue;
  WriteI.Col = queue.nom_bloka[i];
  WriteI.Row = queue.p_nom[i];
  WriteI.b = static_cast<std::uint16_t>(queue.p[i]);
  WriteI.b_st = static_cast<std::uint16_t>(queue.p_st[i]);
  WriteI.k = static_cast<std::uint8_t>(queue.n1_10[i]);
  WriteI.n_tek = index;
  ++WriteI.n;
  station_.WriteI.z = true;
  station_.WrI = Delay;
  StWrI = kDelayTicks;
}

void ProgramWriter::sendFrame() {
  const int col = WriteI.Col;
  if (col < 0 || col >= kMaxRows) return;
  const auto address =
      static_cast<std::uint8_t>(station_.config().konfig_n[static_cast<std::size_t>(col)] & 0xFF);
  std::uint8_t kind = WriteI.k, row = 0;
  if (WriteI.Row == kDamperRow) {
    kind = 211;
    row = kDamperRow;
    maska = 0x00FF;
  } else {
    row = static_cast<std::uint8_t>(rasp[static_cast<std::size_t>(WriteI.Row)] - 1);
    maska = 0xFFFF;
  }
  writer_.komWrite(address, kind, row, static_cast<std::uint8_t>(WriteI.b & 0xFF),
                   static_cast<std::uint8_t>(WriteI.b >> 8));
}

void ProgramWriter::Timer100ms() {
  std::int32_t& WrI = station_.WrI;
  const auto say = [this](const std::string& line) {
    if (report) report(line);
  };
  // A request whose row is not one of the table's (a damaged queue entry) is not written.
  const bool rowKnown =
      WriteI.Row == kDamperRow || (WriteI.Row >= 1 && WriteI.Row < static_cast<int>(rasp.size()));
  const bool colKnown = WriteI.Col >= 0 && WriteI.Col < kMaxRows;
  switch (WrI) {
    case Delay:
      if (StWrI > 0)
        --StWrI;
      else
        WrI = Send;
      break;
    case Send: {
      if (!rowKnown || !colKnown) {
        say("   Запрос не выполнен: неизвестная уставка " + std::to_string(WriteI.Row));
        WrI = Idle;
        station_.WriteI.z = false;
        break;
      }
      sendFrame();
      const std::string caption =
          WriteI.Row == kDamperRow
              ? std::string("Заслонки(градусы)")
              : std::string(
                    ustav[static_cast<std::size_t>(rasp[static_cast<std::size_t>(WriteI.Row)])]);
      say(std::to_string(WriteI.n) + ". блок № " +
          std::to_string(station_.config().konfig_n[static_cast<std::size_t>(WriteI.Col)]) +
          " Изменить:" + caption + "->" + std::to_string(WriteI.b_st & maska) + " на " +
          std::to_string(WriteI.b) + ".");
      WrI = AwaitFirst;
      StWrI = kFirstAnswerTicks;
      break;
    }
    case AwaitFirst:
      if (StWrI > 0) {
        --StWrI;
      } else {
        say("   Первый ответ не получен, жаль...");
        WrI = Idle;
        StWrI = 0;
        station_.WriteI.z = false;
      }
      break;
    case FirstAnswer:
      WrI = BeforeCheck;
      StWrI = kCheckDelayTicks;
      break;
    case BeforeCheck:
      if (StWrI > 0) {
        --StWrI;
      } else {
        sendFrame();
        say("   Отправляем проверочный запрос");
        WrI = AwaitSecond;
        StWrI = kSecondAnswerTicks;
      }
      break;
    case AwaitSecond:
      if (StWrI > 0) {
        --StWrI;
      } else {
        say("   Второй ответ не получен, жаль...");
        WrI = Idle;
        station_.WriteI.z = false;
      }
      break;
    case SecondAnswer: {
      const auto c = static_cast<std::size_t>(colKnown ? WriteI.Col : 0);
      const int now = WriteI.Row == kDamperRow
                          ? station_.ZASL[c][13]
                          : static_cast<std::uint16_t>(station_.ZON[c][static_cast<std::size_t>(
                                rasp[static_cast<std::size_t>(rowKnown ? WriteI.Row : 1)] - 1)]);
      say("   Получен второй ответ." + std::to_string(maska & now));
      if (queue_ && WriteI.n_tek >= 0 && WriteI.n_tek < TInk_Isp::kSize)
        queue_->isp[static_cast<std::size_t>(WriteI.n_tek)] = true;
      WrI = After;
      StWrI = kAfterTicks;
      station_.WriteI.z = false;
      break;
    }
    case After:
      if (StWrI > 0)
        --StWrI;
      else
        WrI = Idle;
      break;
    default:
      break;
  }
}

}  // namespace vs
