#include "station/SoundAlarms.h"

#include <system_error>
#include <utility>

namespace vs {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNoDevice =
    "Нет звукового устройства: звуковые аварийные сообщения не слышны";

std::string utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

fs::path pathOf(const std::string& utf8Name) {
  return fs::path(std::u8string(utf8Name.begin(), utf8Name.end()));
}

}  // namespace

fs::path fileInFolder(const fs::path& folder, const std::string& name) {
  fs::path out = folder;
  bool named = false;
  std::string part;
  // One part of the name: "." and empty parts (doubled or leading separators) stay where they
  // are; ".." and a drive would leave the folder.
  auto take = [&]() {
    if (part.empty() || part == ".") {
      part.clear();
      return true;
    }
    if (part == ".." || part.find(':') != std::string::npos) return false;
    out /= pathOf(part);
    named = true;
    part.clear();
    return true;
  };
  for (char c : name) {
    if (c != '/' && c != '\\') {
      part += c;
      continue;
    }
    if (!take()) return {};
  }
  if (!take()) return {};
  return named ? out : fs::path{};
}

SoundAlarms::SoundAlarms(fs::path home) : folder_(std::move(home) / "sound") {}

fs::path SoundAlarms::numberClip(int N) const {
  const std::string n = std::to_string(N);
  return folder_ / n / (n + ".mp3");
}

fs::path SoundAlarms::kindClip(int slot) const {
  if (slot < 0 || slot >= kAlarmSoundSlots) return {};
  return fileInFolder(folder_, zvuk[static_cast<std::size_t>(slot)]);
}

void SoundAlarms::zvuk_prov(StationTables& t, int nk, int N) {
  if (nk < 0 || nk >= static_cast<int>(t.C2.size())) return;
  const auto n = static_cast<std::size_t>(nk);
  const unsigned now = t.C2[n];
  const unsigned before = t.C2k[n];
  if (now != before) {
    for (int i = 0; i < 16; ++i) {
      if (i >= 10 && i <= 13) continue;  // sensor faults have no sound
      const unsigned bit = 1u << i;
      if ((now & bit) == 0 || (before & bit) != 0) continue;
      const auto slot = static_cast<std::size_t>(i < 14 ? i : i - 5);
      zvuk_[slot] = true;
      zvuk_num_slot[slot] = N;
      zvuk_num = N;
    }
  }
  t.C2k[n] = t.C2[n];
}

bool SoundAlarms::playing() {
  if (!player_) return false;
  const bool on = player_->isPlaying();
  noteTrouble();
  return on;
}

void SoundAlarms::zvukPUSK() {
  if (playing()) {
    // A clip the operator started with "Проиграть" is his to end; one of the sequencer that
    // never ends is stopped, so that the alarms after it are still heard.
    if (zvuk_sled != 2 && zvuk_sled != 3) return;
    if (++playingFor_ <= kMaxClipSeconds) return;
    failures.failed("zvuk-stuck:" + utf8(current_),
                    "Звуковой файл " + utf8(current_) + " играет дольше " +
                        std::to_string(kMaxClipSeconds) + " с: остановлен");
    player_->close();
  }
  playingFor_ = 0;
  if (zvuk_sled == 3) {  // the kind clip has ended: one silent second
    zvuk_sled = -1;
    return;
  }
  if (zvuk_sled == 2) zvukON_num();
  if (zvuk_sled > 0) return;
  zvuk_i = zvuk_i >= 11 ? 0 : zvuk_i + 1;
  int slot = -1;
  if (zvuk_i < kSoundSlots) {
    if (zvuk_[static_cast<std::size_t>(zvuk_i)]) slot = zvuk_i;
  } else {
    constexpr int extras = kAlarmSoundSlots - kSoundSlots;
    for (int i = 0; i < extras && slot < 0; ++i) {
      const int s = kSoundSlots + (extraTurn_ + i) % extras;
      if (zvuk_[static_cast<std::size_t>(s)]) {
        slot = s;
        extraTurn_ = (s - kSoundSlots + 1) % extras;
      }
    }
  }
  if (slot >= 0) {
    const auto s = static_cast<std::size_t>(slot);
    zvuk_num = zvuk_num_slot[s];
    zvuk_sled = 1;
    zvukON(slot + 1);
    zvuk_[s] = false;
  }
}

void SoundAlarms::zvukON(int k) {
  // Whatever happens to the number clip, the step ends as if it had been played, so the
  // sequencer never stays at "number clip asked".
  if (zvuk_on == 1) {
    zvuk_n_sound = k;
    if (zvuk_num > 0 && !playing()) start(numberClip(zvuk_num));
  }
  zvuk_sled = 2;
}

void SoundAlarms::zvukON_num() {
  if (zvuk_on != 1 || zvuk_n_sound < 1 || zvuk_n_sound > kAlarmSoundSlots) {
    zvuk_sled = 0;
    return;
  }
  if (playing()) return;  // tried again next second
  const int slot = zvuk_n_sound - 1;
  const fs::path file = kindClip(slot);
  if (file.empty()) {
    const std::string& name = zvuk[static_cast<std::size_t>(slot)];
    if (!name.empty())
      failures.failed("zvuk-name:" + soundKey(slot),
                      "Имя звукового файла \"" + name + "\" ([ZVUK] " + soundKey(slot) +
                          ") ведёт за пределы папки sound: файл не проигрывается");
    zvuk_sled = 0;  // a slot without a file: the number clip was the whole announcement
    return;
  }
  zvuk_sled = start(file) ? 3 : 0;
}

void SoundAlarms::zvuk_off() {
  if (player_) player_->close();
}

void SoundAlarms::setZvukOn(bool on) {
  if (on && zvuk_on != 1) zvuk_.fill(false);  // what rose while it was off stays quiet
  zvuk_on = on ? 1 : 0;
}

std::string SoundAlarms::playKind(int slot) {
  if (slot < 0 || slot >= kSoundSlots) return {};
  const std::string& name = zvuk[static_cast<std::size_t>(slot)];
  if (name.empty())
    return std::string("Звуковой файл не выбран: ") +
           kSoundCaptions[static_cast<std::size_t>(slot)];
  const fs::path file = kindClip(slot);
  if (file.empty())
    return "Имя звукового файла \"" + name + "\" ведёт за пределы папки sound: " + utf8(folder_);
  std::string why;
  start(file, &why);
  return why;
}

bool SoundAlarms::start(const fs::path& file, std::string* why) {
  current_ = file;
  playingFor_ = 0;
  if (!player_) {
    if (why) *why = kNoDevice;
    return false;
  }
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    const std::string text = "Звуковой файл не найден: " + utf8(file);
    failures.failed("zvuk-missing:" + utf8(file), text);
    if (why) *why = text;
    return false;
  }
  bool ok = player_->open(file);
  std::string trouble = noteTrouble();
  if (ok) {
    ok = player_->play();
    if (trouble.empty()) trouble = noteTrouble();
  }
  if (!ok && trouble.empty()) {
    trouble = "Звуковой файл не воспроизводится: " + utf8(file);
    failures.failed("zvuk-bad:" + utf8(file), trouble);
  }
  if (why) *why = trouble;
  return ok;
}

std::string SoundAlarms::noteTrouble() {
  std::string first;
  if (!player_) return first;
  // Bounded: a player that never runs dry must not hold up the tick.
  for (int n = 0; n < 8; ++n) {
    const SoundTrouble t = player_->takeTrouble();
    std::string text;
    switch (t.kind) {
      case SoundTrouble::Kind::None:
        return first;
      case SoundTrouble::Kind::NoDevice:
        text = kNoDevice;
        failures.failed("zvuk-device", text);
        break;
      case SoundTrouble::Kind::Undecodable:
        text = "Звуковой файл не воспроизводится: " + utf8(current_);
        if (!t.detail.empty()) text += " (" + t.detail + ")";
        failures.failed("zvuk-bad:" + utf8(current_), text);
        break;
    }
    if (first.empty()) first = text;
  }
  return first;
}

}  // namespace vs
