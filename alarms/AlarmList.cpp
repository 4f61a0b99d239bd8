#include "alarms/AlarmList.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "station/SoundAlarms.h"

namespace vs {

namespace {

constexpr TDateTime kNever = std::numeric_limits<double>::max();

}  // namespace

namespace {

// The kinds beyond the sound table's slots: caption and name in the list file.
struct ExtraKind {
  AlarmKind kind;
  const char* caption;
  const char* key;
};
constexpr ExtraKind kExtraKinds[] = {
    {AlarmKind::SensorT1, "Неисправен датчик T1", "t1"},
    {AlarmKind::SensorT2, "Неисправен датчик T2", "t2"},
    {AlarmKind::SensorT3, "Неисправен датчик T3", "t3"},
    {AlarmKind::NoLink, "Нет связи", "link"},
    {AlarmKind::Usb, "USB не работает", "usb"},
};

const ExtraKind* extraKind(AlarmKind k) {
  for (const ExtraKind& e : kExtraKinds)
    if (e.kind == k) return &e;
  return nullptr;
}

}  // namespace

std::string alarmCaption(AlarmKind k) {
  const int v = static_cast<int>(k);
  if (v >= 0 && v < kSoundSlots) return kSoundCaptions[static_cast<std::size_t>(v)];
  const ExtraKind* e = extraKind(k);
  return e ? e->caption : std::string();
}

std::string alarmKindKey(AlarmKind k) {
  const int v = static_cast<int>(k);
  if (v >= 0 && v < kSoundSlots) return soundKey(v);
  const ExtraKind* e = extraKind(k);
  return e ? e->key : std::string();
}

bool alarmKindOfKey(const std::string& key, AlarmKind& out) {
  for (int v = 0; v < kAlarmKinds; ++v) {
    if (alarmKindKey(static_cast<AlarmKind>(v)) == key) {
      out = static_cast<AlarmKind>(v);
      return true;
    }
  }
  return false;
}

const char* alarmStateName(AlarmState s) {
  switch (s) {
    case AlarmState::ActiveUnacknowledged:
      return "active-unacknowledged";
    case AlarmState::ActiveAcknowledged:
      return "active-acknowledged";
    case AlarmState::ClearedUnacknowledged:
      return "cleared-unacknowledged";
    case AlarmState::Shelved:
      return "shelved";
  }
  return "";
}

const char* alarmChangeName(AlarmChange::Type t) {
  switch (t) {
    case AlarmChange::Type::Raise:
      return "raise";
    case AlarmChange::Type::Clear:
      return "clear";
    case AlarmChange::Type::Acknowledge:
      return "acknowledge";
    case AlarmChange::Type::Shelve:
      return "shelve";
    case AlarmChange::Type::Unshelve:
      return "unshelve";
  }
  return "";
}

void AlarmList::tell(AlarmChange::Type type, const AlarmKey& key, const Alarm* a,
                     const std::string& author, TDateTime until) {
  if (!onEvent) return;
  AlarmChange c;
  c.type = type;
  c.key = key;
  c.time = clock_.now();
  c.author = author;
  c.until = until;
  if (a) {
    c.name = a->name;
    c.raised = a->raised;
  } else if (nameOf) {
    c.name = nameOf(key.number);
  }
  onEvent(c);
}

std::string AlarmList::who(const Alarm& a) const {
  if (a.key.kind == AlarmKind::Usb) return "Станция";
  std::string s = "№" + std::to_string(a.key.number);
  if (!a.name.empty()) s += " «" + a.name + "»";
  return s;
}

AlarmState AlarmList::state(const Alarm& a) const {
  if (shelved(a.key.number)) return AlarmState::Shelved;
  if (!a.active) return AlarmState::ClearedUnacknowledged;
  return a.acknowledged ? AlarmState::ActiveAcknowledged : AlarmState::ActiveUnacknowledged;
}

void AlarmList::scheduleNew(Alarm& a) {
  a.nextRepeat = repeat > 0 ? after(repeat) : kNever;
  a.nextEscalation = escalate > 0 ? after(escalate) : kNever;
  a.escalated = false;
  a.escalationTold = false;
}

void AlarmList::set(const AlarmKey& key, bool on, const std::string& name) {
  auto it = alarms_.find(key);
  if (on) {
    if (it != alarms_.end() && it->second.active) {
      if (!name.empty() && it->second.name != name) {
        it->second.name = name;
        touch();
      }
      return;
    }
    if (it == alarms_.end()) it = alarms_.emplace(key, Alarm{}).first;
    Alarm& a = it->second;
    a.key = key;
    if (!name.empty()) a.name = name;
    a.raised = clock_.now();
    a.active = true;
    a.acknowledged = false;
    scheduleNew(a);
    touch();
    line("АВАРИЯ! " + who(a) + ": " + alarmCaption(key.kind) +
         (shelved(key.number) ? " (отложена)" : ""));
    tell(AlarmChange::Type::Raise, key, &a);
    // The status word's alarms are announced by the sequencer as their bit rises (a faulty
    // sensor is not); an incubator that stopped answering and the station's lost adapter have
    // no bit, so the list announces them itself.
    const bool ownAnnouncement = key.kind == AlarmKind::NoLink || key.kind == AlarmKind::Usb;
    if (ownAnnouncement && !shelved(key.number) && announce) {
      a.lastNamed = clock_.now();
      announce(key.number, key.kind);
    }
    return;
  }
  if (it == alarms_.end() || !it->second.active) return;
  Alarm& a = it->second;
  a.active = false;
  touch();
  line("Авария снята: " + who(a) + ": " + alarmCaption(key.kind));
  tell(AlarmChange::Type::Clear, key, &a);
  // What cleared while shelved for maintenance is not waiting for anyone afterwards.
  if (a.acknowledged || shelved(key.number)) remove(key);
}

void AlarmList::remove(const AlarmKey& key) {
  alarms_.erase(key);
  touch();
}

int AlarmList::acknowledge(const std::vector<AlarmKey>& keys, const std::string& author) {
  int n = 0;
  for (const AlarmKey& key : keys) {
    auto it = alarms_.find(key);
    if (it == alarms_.end() || it->second.acknowledged) continue;
    Alarm& a = it->second;
    a.acknowledged = true;
    a.acknowledgedAt = clock_.now();
    a.acknowledgedBy = author;
    touch();
    ++n;
    line("Авария квитирована (" + author + "): " + who(a) + ": " + alarmCaption(key.kind));
    tell(AlarmChange::Type::Acknowledge, key, &a, author);
    if (!a.active) remove(key);
  }
  return n;
}

int AlarmList::acknowledgeIncubator(int number, const std::string& author) {
  std::vector<AlarmKey> keys;
  for (const auto& [key, a] : alarms_)
    if (key.number == number && key.kind != AlarmKind::Usb && !a.acknowledged) keys.push_back(key);
  return acknowledge(keys, author);
}

int AlarmList::acknowledgeAll(const std::string& author) {
  std::vector<AlarmKey> keys;
  for (const auto& [key, a] : alarms_)
    if (!a.acknowledged) keys.push_back(key);
  return acknowledge(keys, author);
}

std::string AlarmList::whoIncubator(int number) const {
  Alarm probe;
  probe.key = {number, AlarmKind::NoLink};
  for (const auto& [key, a] : alarms_)
    if (key.number == number && !a.name.empty() && key.kind != AlarmKind::Usb) probe.name = a.name;
  if (nameOf) {
    const std::string configured = nameOf(number);
    if (!configured.empty()) probe.name = configured;
  }
  return who(probe);
}

bool AlarmList::shelve(int number, int secs, const std::string& author) {
  if (secs <= 0) return false;
  secs = std::min(secs, kMaxShelfSeconds);
  Shelf& s = shelves_[number];
  s.number = number;
  s.until = after(secs);
  s.by = author;
  touch();
  line("Аварии отложены до " + formatDateTime(s.until) + " (" + author +
       "): " + whoIncubator(number));
  tell(AlarmChange::Type::Shelve, {number, AlarmKind::NoLink}, nullptr, author, s.until);
  return true;
}

void AlarmList::unshelve(int number, const std::string& author) {
  if (!shelved(number)) return;
  shelves_.erase(number);
  touch();
  for (auto& [key, a] : alarms_) {
    if (key.number != number) continue;
    // Back from maintenance: a waiting alarm is heard at once and gets its full time before
    // it goes out of the building.
    if (a.active && !a.acknowledged) {
      a.nextRepeat = repeat > 0 ? clock_.now() : kNever;
      if (escalate > 0) a.nextEscalation = std::max(a.nextEscalation, after(escalate));
    }
  }
  line("Аварии возвращены" + (author.empty() ? std::string() : " (" + author + ")") + ": " +
       whoIncubator(number));
  tell(AlarmChange::Type::Unshelve, {number, AlarmKind::NoLink}, nullptr, author);
}

TDateTime AlarmList::shelvedUntil(int number) const {
  auto it = shelves_.find(number);
  return it == shelves_.end() ? 0 : it->second.until;
}

void AlarmList::tick() {
  endShelves();
  repeatDue();
  escalateDue();
}

void AlarmList::endShelves() {
  std::vector<int> ended;
  for (const auto& [number, s] : shelves_)
    if (due(s.until)) ended.push_back(number);
  for (int number : ended) unshelve(number, {});
}

void AlarmList::repeatDue() {
  if (repeat <= 0) return;
  for (int k = 0; k < kAlarmKinds; ++k) {
    const auto kind = static_cast<AlarmKind>(k);
    std::vector<Alarm*> waiting;
    bool anyDue = false;
    for (auto& [key, a] : alarms_) {
      if (key.kind != kind || !a.active || a.acknowledged || shelved(key.number)) continue;
      waiting.push_back(&a);
      anyDue = anyDue || due(a.nextRepeat);
    }
    if (!anyDue) continue;
    // One announcement for the kind, naming in turn the incubator named longest ago, so that
    // every waiting incubator is heard over the rounds.
    Alarm* named = *std::min_element(waiting.begin(), waiting.end(), [](Alarm* x, Alarm* y) {
      return x->lastNamed < y->lastNamed;
    });
    named->lastNamed = clock_.now();
    for (Alarm* a : waiting) a->nextRepeat = after(repeat);
    if (announce) announce(named->key.number, kind);
  }
}

void AlarmList::escalateDue() {
  if (!escalationAllowed || escalate <= 0 || command.empty() || !runner_) return;
  std::vector<EscalationRequest> requests;
  for (auto& [key, a] : alarms_) {
    if (a.acknowledged || shelved(key.number) || !due(a.nextEscalation)) continue;
    if (a.escalated && repeat <= 0) {
      a.nextEscalation = kNever;
      continue;
    }
    a.escalated = true;
    a.nextEscalation = repeat > 0 ? after(repeat) : kNever;
    touch();
    EscalationRequest r;
    r.key = key;
    r.command = command;
    r.environment = {
        {"VETROSTAN_INCUBATOR", std::to_string(key.number)},
        {"VETROSTAN_NAME", a.name},
        {"VETROSTAN_ALARM", alarmCaption(key.kind)},
        {"VETROSTAN_STATE", alarmStateName(state(a))},
        {"VETROSTAN_SINCE", isoDateTime(a.raised)},
        {"VETROSTAN_STATION", station},
    };
    requests.push_back(std::move(r));
  }
  // Handed on after the walk: a runner that answers at once must not change the list under it.
  for (const EscalationRequest& r : requests) {
    const AlarmKey key = r.key;
    runner_->run(r, [this, key](const std::string& why) { escalationFailed(key, why); });
  }
}

void AlarmList::escalationFailed(const AlarmKey& key, const std::string& why) {
  auto it = alarms_.find(key);
  Alarm probe;
  probe.key = key;
  Alarm& a = it != alarms_.end() ? it->second : probe;
  if (a.escalationTold) return;
  a.escalationTold = true;
  line("Команда оповещения не выполнена (" + why + "): " + who(a) + ": " + alarmCaption(key.kind));
}

std::vector<Alarm> AlarmList::alarms() const {
  std::vector<Alarm> out;
  out.reserve(alarms_.size());
  for (const auto& [key, a] : alarms_) out.push_back(a);
  std::stable_sort(out.begin(), out.end(),
                   [](const Alarm& x, const Alarm& y) { return x.raised < y.raised; });
  return out;
}

const Alarm* AlarmList::find(const AlarmKey& key) const {
  auto it = alarms_.find(key);
  return it == alarms_.end() ? nullptr : &it->second;
}

int AlarmList::unacknowledgedCount() const {
  int n = 0;
  for (const auto& [key, a] : alarms_) n += a.acknowledged ? 0 : 1;
  return n;
}

void AlarmList::restore(std::vector<Alarm> list, std::vector<Shelf> shelves) {
  alarms_.clear();
  shelves_.clear();
  const TDateTime now = clock_.now();
  for (Alarm& a : list) {
    a.nextRepeat = repeat > 0 ? after(repeat) : kNever;
    if (escalate <= 0)
      a.nextEscalation = kNever;
    else if (a.escalated)
      a.nextEscalation = repeat > 0 ? after(repeat) : kNever;
    else
      a.nextEscalation = std::max(a.raised + escalate / 86400.0, now);
    a.lastNamed = 0;
    a.escalationTold = false;
    const AlarmKey key = a.key;
    alarms_[key] = std::move(a);
  }
  for (Shelf& s : shelves) shelves_[s.number] = std::move(s);
  changed_ = false;
  if (onChange) onChange();
}

std::vector<AlarmList::Shelf> AlarmList::shelves() const {
  std::vector<Shelf> out;
  for (const auto& [number, s] : shelves_) out.push_back(s);
  return out;
}

}  // namespace vs
