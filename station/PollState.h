// What the poll cycle keeps between ticks, and the single pending command that any part of the
// program may place for the next 100 ms tick to send.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace vs {

constexpr std::size_t kKom485mSize = 301;
using Kom485m = std::array<std::uint8_t, kKom485mSize>;

// Places one command in kom485m: byte 1 receiver, 2 frame kind, 3 L, 4.. data, and the pending
// flag (byte 0) last, so that the tick never sends a half-written command. A command still
// pending is replaced.
inline void putKom485m(Kom485m& k, std::uint8_t receiver, std::uint8_t kind,
                       const std::uint8_t* data, std::uint8_t len) {
  k[1] = receiver;
  k[2] = kind;
  k[3] = len;
  for (std::size_t i = 0; i < len; ++i) k[4 + i] = data[i];
  k[0] = 1;
}

struct PollState {
  std::int32_t oprosN = -1;                    // row polled last; -1 at the start of a cycle
  std::array<std::int32_t, 256> tab_otvetR{};  // polls since the row's last answer, up to 10
  std::array<std::int32_t, 256> tab_otvet{};   // tab_otvetR as it was when the cycle started
  std::int32_t st_timer = 0;                   // 100 ms ticks since the last timer-driven poll
  std::int32_t com_rabota = 0;                 // seconds since the last frame was sent
  std::int32_t usb_rab = 0;  // 1 once the first 100 ms tick has created the USB link
  std::int32_t serverP = 0;  // station mode 0..4
  bool serverUD = false;     // remote station (modes 3, 4)
  bool serverTEK = false;    // serving station (modes 1, 2)
  std::int32_t danWst = 0;   // seconds to the next shared-file exchange
  Kom485m kom485m{};         // pending command: flag, receiver, kind, L, data
};

// The main window's controls that steer the poll cycle.
struct PollControls {
  bool RS = false;       // "Работа" down: the bus work is on
  int PeriodSE = 1;      // "Период опроса", seconds, 1..100
  bool otladka = false;  // "Отладка" down: only one block is polled
  int otlad = 1;         // the incubator number of that block
  int Compyter = 0;  // "Мощность компьютера": 0 "Современный", 1 "Старый"
  int RUN_WIN = 1;  // "Связь при запуске программы ": 0 "Запускать", 1 "нет"
  bool on_off_GSM = false;  // the GSM window's "Терминал" is down: polls carry 1
  std::string USB_Serial_Number;

  bool modern() const { return Compyter == 0; }
};

// Flags of the parts that take the bus from the poll cycle (program queue, interactive write,
// program write, firmware update). They live here so that the poll cycle and the decoding can
// test them; their owners set them.
struct TWriteCom {
  std::int32_t Col = 0;  // incubator position + 1
  std::int32_t Row = 0;  // word index, item code or damper parameter number
  std::uint16_t b = 0;   // value to write
  bool z = false;        // write cycle active: no status polls while set
  std::uint8_t k = 0;    // write kind: 1 setpoint word, 10 configuration item, 211 damper
};

struct WriteINKFlag {
  bool z = false;  // a program request is being written
};

// The steps of a write cycle, alike for the operator's writes (WrK) and the programs' (WrI):
// the station moves either on with a status answer, from AwaitFirst and AwaitSecond.
enum WriteStep : std::int32_t {
  Idle = 0,
  Send = 1,
  AwaitFirst = 2,
  FirstAnswer = 3,
  BeforeCheck = 4,
  AwaitSecond = 5,
  SecondAnswer = 6,
  After = 7,  // the program engine's pause after a confirmation
  Delay = 10
};

struct BusGates {
  bool time_zadanie = false;  // a program queue is being executed: no status polls
  TWriteCom WriteKom{};
  std::int32_t WrK = 0;           // interactive write engine state
  WriteINKFlag WriteI{};          // the program write engine's active flag
  std::int32_t WrI = 0;           // program write engine state
  std::int32_t obnovlenie = 0;    // > 0 while a firmware update owns the bus
  std::int32_t svaz_st_norm = 0;  // update window: ticks since the last status answer
  bool obn_oN = false;            // update window: the bootloader has answered
};

}  // namespace vs
