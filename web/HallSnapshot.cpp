#include "web/HallSnapshot.h"

#include "config/Settings.h"
#include "config/Workstation.h"
#include "station/RowTexts.h"
#include "station/Station.h"
#include "station/Zones.h"
#include "web/Json.h"

namespace vs::web {
namespace {

// The table's texts carry a leading blank for alignment; the page aligns by itself.
std::string trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

void field(std::string& out, const char* name, const std::string& text) {
  out += ",\"";
  out += name;
  out += "\":";
  appendJsonString(out, text);
}

}  // namespace

void HallFeed::attach(const std::shared_ptr<HallFeed>& feed, Station& st) {
  std::weak_ptr<HallFeed> weak = feed;
  st.listeners.add(StatusStep::DetailTime, [weak](const StatusEvent& e) {
    if (auto f = weak.lock()) f->onAnswer(e.nk, e.sender, e.time);
  });
}

void HallFeed::onAnswer(int nk, std::uint8_t sender, TDateTime time) {
  if (nk < 0 || nk >= kMaxRows) return;
  const auto n = static_cast<std::size_t>(nk);
  lastAnswer_[n] = time;
  changed_[n] = true;
  alarms_.observe(nk, sender, st_.config().konfig_s[n].utf8(), st_.C2[n], time);
  if (onChange) onChange();
}

long long HallFeed::answers() const {
  return st_.answerCount;
}

bool HallFeed::linked(int nk) const {
  if (nk < 0 || nk >= kMaxRows) return false;
  const auto n = static_cast<std::size_t>(nk);
  if (st_.serverP == 3 || st_.serverP == 4) return nk < kDanRows && st_.dan.danR.d[n].on != 0;
  return st_.config().konfig_o[n] != 0 && st_.tab_otvet[n] < 5 && st_.kol_byte_opros[n] > 5;
}

std::string HallFeed::rowJson(int nk) const {
  const auto n = static_cast<std::size_t>(nk);
  const TFile_config& cfg = st_.config();
  const int kolT = settings_.kol_t();
  const RowTexts texts = mainRowTexts(st_, nk, kolT);
  std::string out =
      "{\"row\":" + std::to_string(nk) + ",\"number\":" + std::to_string(cfg.konfig_n[n]);
  field(out, "name", cfg.konfig_s[n].utf8());
  out += std::string(",\"polled\":") + (cfg.konfig_o[n] ? "true" : "false");
  out += std::string(",\"link\":") + (linked(nk) ? "true" : "false");
  const bool answered = lastAnswer_[n] != 0 || st_.kol_byte_opros[n] > 0;
  out += std::string(",\"answered\":") + (answered ? "true" : "false");
  field(out, "t1", trimmed(texts.t1));
  out += std::string(",\"z1\":\"") + zoneName(temperatureZone(st_, nk, st_.T1k[n])) + '"';
  if (kolT >= 1) {
    field(out, "t2", trimmed(texts.t2));
    out += std::string(",\"z2\":\"") + zoneName(temperatureZone(st_, nk, st_.T2k[n])) + '"';
  }
  if (kolT >= 2) {
    field(out, "t3", trimmed(texts.t3));
    out += std::string(",\"z3\":\"") + zoneName(temperatureZone(st_, nk, st_.T3k[n])) + '"';
  }
  field(out, "humidity", trimmed(texts.humidity));
  out += std::string(",\"zh\":\"") + zoneName(humidityZone(st_, nk)) + '"';
  field(out, "trays", trimmed(texts.trays));
  out += ",\"alarms\":[";
  bool any = false;
  const std::uint16_t c2 = st_.C2[n] & kAlarmBits;
  for (int bit = 0; bit < 16; ++bit) {
    // Bits 9 and 14 are one alarm with one caption.
    if (!(c2 & (1u << bit)) || (bit == 14 && (c2 & (1u << 9)))) continue;
    if (any) out += ',';
    any = true;
    out += "{\"bit\":" + std::to_string(bit) + ",\"caption\":";
    appendJsonString(out, alarmCaption(bit));
    out += '}';
  }
  out += ']';
  field(out, "lastAnswer", lastAnswer_[n] != 0 ? formatDateTime(lastAnswer_[n]) : std::string());
  out += '}';
  return out;
}

std::string HallFeed::hallJson() const {
  std::string out = "{\"title\":";
  appendJsonString(out, kAppTitle);
  out += ",\"mode\":" + std::to_string(st_.serverP) +
         ",\"answers\":" + std::to_string(st_.answerCount) +
         ",\"kolT\":" + std::to_string(settings_.kol_t()) +
         ",\"alarmSeq\":" + std::to_string(alarms_.lastSeq()) + ",\"rows\":[";
  for (int nk = 0; nk < st_.kol_inkub(); ++nk) {
    if (nk) out += ',';
    out += rowJson(nk);
  }
  out += "]}";
  return out;
}

std::string HallFeed::takeChangedRows() {
  std::string out;
  for (int nk = 0; nk < st_.kol_inkub(); ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    const signed char link = linked(nk) ? 2 : 1;
    if (!changed_[n] && linkSent_[n] == link) continue;
    changed_[n] = false;
    linkSent_[n] = link;
    out += out.empty() ? "[" : ",";
    out += rowJson(nk);
  }
  if (!out.empty()) out += ']';
  return out;
}

}  // namespace vs::web
