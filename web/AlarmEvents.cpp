#include "web/AlarmEvents.h"

#include "station/SoundAlarms.h"
#include "web/Json.h"

namespace vs::web {

const char* alarmCaption(int bit) {
  if (bit >= 0 && bit <= 9) return kSoundCaptions[static_cast<std::size_t>(bit)];
  if (bit == 14) return kSoundCaptions[9];
  if (bit == 15) return kSoundCaptions[10];
  return "";
}

int AlarmEvents::observe(int nk, int number, std::string_view name, std::uint16_t c2,
                         TDateTime time) {
  if (nk < 0 || nk >= static_cast<int>(prev_.size())) return 0;
  const auto n = static_cast<std::size_t>(nk);
  const std::uint16_t now = c2 & kAlarmBits;
  const bool first = !seen_[n];
  const std::uint16_t before = first ? 0 : prev_[n];
  seen_[n] = true;
  prev_[n] = now;
  int added = 0;
  for (int bit = 0; bit < 16; ++bit) {
    const bool was = before & (1u << bit), is = now & (1u << bit);
    if (was == is) continue;
    AlarmEvent e;
    e.seq = ++seq_;
    e.time = time;
    e.nk = nk;
    e.number = number;
    e.name = std::string(name);
    e.bit = bit;
    e.raised = is;
    e.atFirstAnswer = first;
    events_.push_back(std::move(e));
    if (events_.size() > capacity_) events_.pop_front();
    ++added;
  }
  return added;
}

std::string AlarmEvents::json(long long afterSeq, std::size_t max) const {
  std::string out = "[";
  std::size_t n = 0;
  for (auto it = events_.rbegin(); it != events_.rend() && n < max && it->seq > afterSeq; ++it) {
    if (n++) out += ',';
    out += "{\"seq\":" + std::to_string(it->seq) + ",\"time\":";
    appendJsonString(out, formatDateTime(it->time));
    out += ",\"row\":" + std::to_string(it->nk) + ",\"number\":" + std::to_string(it->number) +
           ",\"name\":";
    appendJsonString(out, it->name);
    out += ",\"bit\":" + std::to_string(it->bit) + ",\"caption\":";
    appendJsonString(out, alarmCaption(it->bit));
    out += std::string(",\"raised\":") + (it->raised ? "true" : "false") +
           ",\"atFirstAnswer\":" + (it->atFirstAnswer ? "true" : "false") + '}';
  }
  out += ']';
  return out;
}

}  // namespace vs::web
