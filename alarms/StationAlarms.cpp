#include "alarms/StationAlarms.h"

#include "config/Settings.h"

namespace vs {

namespace {

// C2 ends at data byte 20: a shorter answer says nothing of the alarms.
constexpr int kC2End = 21;
// The indicator "USB не работает" shows from the 11th second without a sent frame.
constexpr int kUsbSilentSeconds = 10;
// The name cell turns yellow from this many unanswered polls.
constexpr int kLostPolls = 5;

}  // namespace

void StationAlarms::applySettings(const Settings& s) {
  list.repeat = s.alarmRepeat;
  list.escalate = s.alarmEscalate;
  list.command = s.alarmCommand;
}

std::string StationAlarms::nameOf(int number) const {
  const int row = st_.f_opros_inkub(number);
  return row < 0 ? std::string() : st_.config().konfig_s[static_cast<std::size_t>(row)].utf8();
}

void StationAlarms::onAnswer(const StatusEvent& e) {
  // A second copy only watches: the first copy raises and journals.
  if (st_.observer || e.nk < 0 || e.nk >= kMaxRows) return;
  const int number = e.sender;
  const std::string name = nameOf(number);
  list.set({number, AlarmKind::NoLink}, false, name);
  if (e.length < kC2End) return;
  const unsigned c2 = st_.C2[static_cast<std::size_t>(e.nk)];
  auto bit = [c2](int i) { return (c2 & (1u << i)) != 0; };
  for (int slot = 0; slot <= 8; ++slot) list.set({number, slotKind(slot)}, bit(slot), name);
  list.set({number, slotKind(9)}, bit(9) || bit(14), name);  // both bits are the cut-off
  list.set({number, slotKind(10)}, bit(15), name);
  list.set({number, AlarmKind::SensorT1}, bit(10), name);
  list.set({number, AlarmKind::SensorT2}, bit(11), name);
  list.set({number, AlarmKind::SensorT3}, bit(12), name);
}

void StationAlarms::tick1s() {
  // A second copy only watches: the first copy keeps the list, its file and its commands, and
  // this one shows the list as the file has it.
  if (st_.observer) {
    store.follow();
    return;
  }
  ++seconds_;
  const bool bus = st_.serverP <= 2;
  list.escalationAllowed = bus;
  // The indicator is hidden for the first ten seconds after start whatever the link does; only
  // then does it say anything (a restored "USB не работает" is not cleared and raised anew).
  if (!bus)
    list.set({0, AlarmKind::Usb}, false, {});
  else if (seconds_ > kUsbSilentSeconds)
    list.set({0, AlarmKind::Usb}, st_.com_rabota > kUsbSilentSeconds, {});

  const TFile_config& cfg = st_.config();
  const int kol = st_.kol_inkub();
  if (bus && !st_.controls.otladka) {
    for (int r = 0; r < kol; ++r) {
      const auto n = static_cast<std::size_t>(r);
      if (cfg.konfig_o[n] && st_.tab_otvet[n] >= kLostPolls && st_.tab_otvetR[n] > 0)
        list.set({cfg.konfig_n[n], AlarmKind::NoLink}, true, cfg.konfig_s[n].utf8());
    }
  }
  // An incubator taken out of the plant, or no longer polled, has nothing left to tell: what
  // it had on is cleared rather than kept waiting for an answer that never comes.
  for (const Alarm& a : list.alarms()) {
    if (a.key.kind == AlarmKind::Usb || !a.active) continue;
    const int row = st_.f_opros_inkub(a.key.number);
    if (row < 0 ||
        (a.key.kind == AlarmKind::NoLink && !cfg.konfig_o[static_cast<std::size_t>(row)]))
      list.set(a.key, false, {});
  }
  list.tick();
  store.save();
}

}  // namespace vs
