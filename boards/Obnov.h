// The engine of the firmware-update window (TObnovF): entering and leaving the bootloader
// (Dispetcher), the bootloader query every 100 ms, the block transfers of "Запись" and
// "Контроль" (Write_obnov, Read_obnov), the bootloader's answers by frame kind (ReadObnovlenie),
// the lamps and labels the window mirrors, and the service requests of the "упр. GSM и звук" tab.
//
// Bootloader frames go to address 200 with sender 222 and are answered with the same kind:
//   201 query            data 0          answer: bytes 5..6 version, 7..8 board type (LE)
//   202 write one block  L, offset (BE), L image bytes (Kol_d = L + 5)   answer: accepted
//   203 compare a block  the same layout  answer: byte 0 = bytes that differed
//   205 start the main program, data 0
// and 199 (data 0) to address 0 makes the board enter its bootloader.
//
// One block is in flight at a time. An answer is awaited 1 s (10 ticks); the same block then
// goes again, up to 3 times, and after that the transfer stops as failed. The answers carry no
// offset, so a board slower than that answers both sends of one block: the first answer moves
// the transfer on, and the next block waits until the answers to the other sends are in, or
// until as long after the last send as the first answer took after the first. A late answer
// thus never moves the transfer a second time, and never meets the next block on the line.
// A write is followed by a compare of the same image, and only a compare without differences
// makes it "Завершено".
//
// Wiring: Station::hooks.Timer100ms -> Timer100ms, FrameDispatcher::firmwareUpdate ->
// ReadObnovlenie, StatusStep::UpdateWindow -> the window's module flags.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "boards/BitFile.h"
#include "bus/FrameCodec.h"
#include "station/Station.h"

namespace vs {

inline constexpr const char* kObnovCaption = "Обновление индикатора";
inline constexpr const char* kObnovLoaderOnline = "Загрузчик на связи";
inline constexpr const char* kObnovUnconfirmed = "Не подтверждено";
inline constexpr const char* kObnovNoLoader = "Загрузчика нет";
inline constexpr const char* kObnovMainProgram = "Нет связи с загрузчиком";
inline constexpr const char* kObnovDone = "Завершено";
inline constexpr const char* kObnovErrors = "Ошибок=";
inline constexpr const char* kObnovWrongBoard = "Прошивка не соответствует плате!";
inline constexpr const char* kObnovConfirmWrite = "Прошивка правильная. Пишем?";
inline constexpr const char* kObnovJournal = "Обновление ПО";
inline constexpr const char* kObnovCutQuestion =
    "Идёт обмен с загрузчиком: плата останется недописанной. Прервать?";

// Frame kinds of the bootloader.
enum ObnovKadr : std::uint8_t {
  kKadrEnter = 199,
  kKadrQuery = 201,
  kKadrWrite = 202,
  kKadrCompare = 203,
  kKadrStart = 205,
};
constexpr std::size_t kObnovBlock = 128;  // image bytes per block at most
constexpr int kObnovAnswerTicks = 10;     // 1 s for each block's answer
constexpr int kObnovResends = 3;          // a block goes at most 1 + 3 times
constexpr int kObnovQueryMinLength = 9;   // a 201 answer reaches its board code at 7..8
constexpr std::uint8_t kServiceAddress = 0;

// The data of one block frame: L, the image offset big-endian, then L image bytes.
std::vector<std::uint8_t> obnovBlock(std::uint32_t offset, const std::uint8_t* bytes,
                                     std::size_t length);

// What the service tab shows of the controller's module flags (status data bytes 5 and 3).
struct ModuleFlags {
  std::string gsm;        // "Вкл.ТЕЛЕОФИС", "Вкл.А6" or "выкл"
  std::string generator;  // "Встр. Ген" or "Внешний ген."
  std::string screen;     // "прямой" or "перевёрнутый"
  std::string logo;       // the logo brightness, decimal
};
// Nothing for an answer too short to carry byte 5.
std::optional<ModuleFlags> moduleFlags(const std::uint8_t* data, int length);

// What the window shows; the engine keeps it and the window mirrors it after `changed`.
struct ObnovView {
  std::string state;          // state label
  bool stateOnGreen = false;  // white on the green lamp after a bootloader answer
  std::string loader;         // bootloader label
  bool loaderGreen = false;   // bootloader lamp
  bool mainGreen = false;     // lamp under "Главная программа"
  std::string board;          // description of the board that answered
  std::string file, writeResult, compareResult, start;
  int writeMax = 0, writePos = 0, compareMax = 0, comparePos = 0;
  bool loaderDown = false, programDown = false;  // the "Загрузчик" / "Программа" toggles
};

class Obnov {
 public:
  explicit Obnov(Station& station) : station_(station) {}
  Obnov(const Obnov&) = delete;
  Obnov& operator=(const Obnov&) = delete;

  // Event journal lines (Err): the start of a write and every outcome of a transfer.
  std::function<void(const std::string&)> journal;
  // A failure the operator must see at once (the journal too, where the program wires it).
  std::function<void(const std::string&)> report;
  // A box with a title and OK only; and one with OK and Cancel (true for OK).
  std::function<void(const std::string& text, const std::string& title)> notice;
  std::function<bool(const std::string& text, const std::string& title)> confirm;
  // A question with Yes and No (true for Yes).
  std::function<bool(const std::string& text, const std::string& title)> askYesNo;
  // The view changed.
  std::function<void()> changed;

  ObnovView view;

  // The system's state of the update (obnovlenie, obn_oN and svaz_st_norm are the station's).
  bool obnovlenie_F = false;      // the window has been opened: the 100 ms handler works
  std::int32_t tip_kod = 0;       // board type code of the last bootloader answer
  std::vector<std::uint8_t> buf;  // the file being sent
  std::int32_t obn_i = 0;         // image length
  std::int32_t obn_kol = 0;       // image offset of the next block
  std::int32_t obn_err = 0;       // differing bytes summed during a compare
  std::int32_t obn_pusk = 0;      // 1 while a transfer runs
  std::int32_t disp_n = 0;        // state of the sequencer
  std::int32_t disp_st = 0;       // its wait, in ticks
  // Ticks since the last bootloader answer; a bootloader never heard is not on the line.
  std::int32_t svaz_st_obn = kObnovAnswerTicks;

  // The window is opened: mode off, nothing confirmed, bars and result labels cleared.
  void open();
  // The window closes. During a transfer the operator is asked first (false: it stays open);
  // a cut transfer is a failed one.
  bool close();
  // Every 100 ms while the bus work is on, before the poll cycle sends anything.
  void Timer100ms();
  void Dispetcher();
  // Every good frame while the update mode is on.
  void ReadObnovlenie(const RS232_T& frame);

  // "Загрузчик" and "Программа" pressed (the group keeps one down). During a transfer the
  // operator is asked first; false leaves everything as it was.
  bool zagruzchik();
  bool programma();
  // "Запись" and "Контроль" with the file the operator chose; nothing happens unless the
  // bootloader has answered in the update mode.
  void zapis(const std::filesystem::path& file);
  void kontrol(const std::filesystem::path& file);
  bool canTransfer() const { return station_.obnovlenie == 1 && station_.obn_oN && obn_pusk == 0; }
  bool transferRunning() const { return obn_pusk > 0; }

  // One request of the service tab for the poll cycle's pending command: address 0, one byte.
  void service(std::uint8_t kadr, std::uint8_t value);

 private:
  enum class Pass { None, Write, Verify, Compare };

  void send(std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data, std::uint8_t len);
  void sendBlock();
  void nextBlock();
  void finish();
  void fail(const std::string& label, const std::string& line);
  bool askCut();
  // An answer to a block: the count of differing bytes, none when a compare answer lacks it.
  void blockAnswered(std::optional<int> differing);
  void retryBlock();
  void startPass(Pass p);
  std::string& resultLabel();
  void notify() {
    if (changed) changed();
  }
  void say(const std::string& line) {
    if (journal) journal(line);
  }
  std::optional<BitFile> load(const std::filesystem::path& file);

  Station& station_;
  Pass pass_ = Pass::None;
  std::int32_t blockAt_ = 0;  // image offset of the block in flight
  bool queued_ = false;       // a transfer starts with the next tick
  int wait_ = 0;              // ticks since the block in flight last went
  int sinceFirst_ = 0;        // ticks since it first went
  int resends_ = 0;           // times it went again
  int unanswered_ = 0;        // its sends whose answers may still come
  bool draining_ = false;     // it is answered; the answers to its other sends are awaited
  int drainTicks_ = 0;        // how long after its last send they may come
};

}  // namespace vs
