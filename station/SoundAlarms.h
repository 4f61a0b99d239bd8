// The sound alarm: every alarm bit of status word C2 that rises on some incubator is announced
// by two clips, the incubator's number ("sound/N/N.mp3") and then the alarm kind (the file
// chosen for its slot in "sound"). zvuk_prov raises the flags from each decoded answer; the 1 s
// tick runs one step of the sequencer (zvukPUSK). One player plays one clip at a time.
#pragma once
#include <array>
#include <filesystem>
#include <string>

#include "common/FailureLog.h"
#include "station/SoundPlayer.h"
#include "station/StationTables.h"

namespace vs {

inline constexpr int kSoundSlots = 11;
// The alarms the status word's table does not announce by itself have slots of their own after
// the tab's: 11..13 a faulty sensor T1..T3, 14 an incubator that stopped answering ("Нет
// связи"), 15 the station's "USB не работает". Their files are named in the settings file
// ("z11".."z15"); the alarm list asks for their announcements.
inline constexpr int kAlarmSoundSlots = 16;

// Row captions of the "Звуки" tab, one per slot. Slot = C2 bit for bits 0..9; bit 14 shares
// slot 9 with bit 9, bit 15 is slot 10; bits 10..13 have no sound.
inline constexpr std::array<const char*, kSoundSlots> kSoundCaptions = {
    "Влажн. выше зоны",     "Влажн. ниже зоны",    "Темп. выше зоны",    "Темп. ниже зоны",
    "Герконы оба замкнуты", "Охлаждение работает", "Влажн. таймер упр.", "Геркон лев. таймер",
    "Геркон прав. таймер",  "Сработал отсекатель", "Мотор ниже скорость"};

// Settings file section and key of a slot's file name: "ZVUK", "z0" .. "z10".
inline constexpr const char* kSoundSection = "ZVUK";
inline std::string soundKey(int slot) {
  return "z" + std::to_string(slot);
}

// The file that `name` (as the settings file holds it, either separator) names inside
// `folder`. Empty when the name is empty or would lead outside the folder ("..", a drive);
// a leading separator does not leave the folder either.
std::filesystem::path fileInFolder(const std::filesystem::path& folder, const std::string& name);

class SoundAlarms {
 public:
  // `home` is the working folder; the clips lie in its folder "sound".
  explicit SoundAlarms(std::filesystem::path home);
  SoundAlarms(const SoundAlarms&) = delete;
  SoundAlarms& operator=(const SoundAlarms&) = delete;

  // The player the clips go to; without one every clip counts as played at once.
  void setPlayer(SoundPlayer* player) { player_ = player; }
  SoundPlayer* player() const { return player_; }

  std::array<bool, kAlarmSoundSlots> zvuk_{};  // pending announcement per slot
  // Incubator number of the answer that raised a flag last, and per slot the one that raised
  // that slot last: an announcement names the incubator of its own alarm, not whichever
  // incubator raised some other alarm after it.
  int zvuk_num = 0;
  std::array<int, kAlarmSoundSlots> zvuk_num_slot{};
  // Scan position 0..11: 0..10 the tab's slots, 11 the slots beyond them, one in turn, so that
  // the pace of the tab's alarms is the same whether or not others wait.
  int zvuk_i = 0;
  int zvuk_sled = 0;     // 0 or -1 idle, 1 number clip asked, 2 number clip, 3 kind clip
  int zvuk_n_sound = 0;  // slot + 1 of the alarm being announced
  // File name per slot, inside "sound" (the settings keys "z0".."z15"). Indexed by slot:
  // what the number `zvuk_n_sound` calls zvuk[zvuk_n_sound] is zvuk[zvuk_n_sound - 1] here.
  std::array<std::string, kAlarmSoundSlots> zvuk{};
  int zvuk_on = 1;  // 1: "Звуковые аварийные сообщения" = "Вкл"

  // A clip that cannot be played, a missing file, no sound device: each told once.
  FailureLog failures;

  // Called for every decoded answer of row nk from incubator N, after C2 was decoded and
  // before C2k follows it: rising edges raise their slot's flag.
  void zvuk_prov(StationTables& t, int nk, int N);
  // One step of the sequencer, every second.
  void zvukPUSK();
  // Starts the number clip of `zvuk_num` for slot k - 1; the station's own alarm (number 0)
  // has no number clip.
  void zvukON(int k);
  // Starts the kind clip of slot `zvuk_n_sound` - 1.
  void zvukON_num();
  // Closes the player: the clip that plays ends, the announcement goes on with its next clip.
  void zvuk_off();
  // Sound alarms on or off. Switched on, only alarms that rise from then on are announced.
  void setZvukOn(bool on);

  // "Проиграть": plays the slot's file at once, sound alarms on or off. Returns what keeps it
  // from playing, for the operator; empty when it plays.
  std::string playKind(int slot);

  const std::filesystem::path& soundFolder() const { return folder_; }
  std::filesystem::path numberClip(int N) const;
  // Empty when the slot has no file or its name leads outside "sound".
  std::filesystem::path kindClip(int slot) const;

  // A clip of the sequencer that still plays after this many seconds is stopped: a player that
  // hangs must not silence every later alarm.
  static constexpr int kMaxClipSeconds = 60;

 private:
  // Opens and starts `file`; false when nothing is heard (each failure told once). `why`,
  // when given, gets the reason for the operator.
  bool start(const std::filesystem::path& file, std::string* why = nullptr);
  // Takes the player's trouble with the clip started last and tells it once; returns it in
  // words, empty when there is none.
  std::string noteTrouble();
  bool playing();

  std::filesystem::path folder_;
  SoundPlayer* player_ = nullptr;
  std::filesystem::path current_;  // the clip started last
  int playingFor_ = 0;             // ticks the sequencer's clip has been seen playing
  int extraTurn_ = 0;              // the slot beyond the tab's that is looked at first
};

}  // namespace vs
