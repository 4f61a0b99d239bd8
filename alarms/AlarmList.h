// Alarms that wait for a person. One alarm is one kind on one incubator: a C2 alarm of the sound
// table, a faulty sensor, an incubator that stopped answering ("Нет связи"), or the station's
// own "USB не работает". An alarm stays in the list until it is cleared and acknowledged; while
// it waits it is announced again every `repeat` seconds and, `escalate` seconds after it was
// raised, handed to the escalation runner (and again every `repeat` seconds while nobody
// answers). An incubator's alarms can be shelved for maintenance for up to 24 h.
//
// Engine code: time comes from the clock and the 1 s tick, sounds leave through `announce`,
// commands through the runner, lines through `journal`. The list is kept in a file (see
// AlarmFile.h) so that it survives a restart.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/DateTime.h"
#include "common/FailureLog.h"

namespace vs {

// Kinds 0..10 are the slots of the "Звуки" tab (C2 bits 0..9, 14 and 15); the others have the
// sound slots after them, of the same number.
enum class AlarmKind : int {
  SensorT1 = 11,  // C2 bit 10 (T1 with the humidity sensor)
  SensorT2 = 12,  // C2 bit 11
  SensorT3 = 13,  // C2 bit 12
  NoLink = 14,    // a polled incubator stopped answering
  Usb = 15,       // the station's link indicator: no frame sent for more than 10 s
};
inline constexpr int kAlarmKinds = 16;
inline constexpr AlarmKind slotKind(int slot) {
  return static_cast<AlarmKind>(slot);
}

// The caption the operator reads ("Темп. выше зоны", "Нет связи", ...); empty for no kind.
std::string alarmCaption(AlarmKind k);
// The kind's name in the list file ("z0".."z10", "t1".."t3", "link", "usb").
std::string alarmKindKey(AlarmKind k);
// The kind of a file name, or false.
bool alarmKindOfKey(const std::string& key, AlarmKind& out);
// The sound slot 0..15 of the kind, or -1.
inline int alarmSoundSlot(AlarmKind k) {
  const int v = static_cast<int>(k);
  return v >= 0 && v < kAlarmKinds ? v : -1;
}

enum class AlarmState {
  ActiveUnacknowledged,
  ActiveAcknowledged,
  ClearedUnacknowledged,
  Shelved,
};
// "active-unacknowledged", "active-acknowledged", "cleared-unacknowledged", "shelved": the
// names the escalation command and the browser get.
const char* alarmStateName(AlarmState s);

// Which alarm: the incubator's bus number (0 for the station's own) and the kind.
struct AlarmKey {
  int number = 0;
  AlarmKind kind = AlarmKind::Usb;
  auto operator<=>(const AlarmKey&) const = default;
};

struct Alarm {
  AlarmKey key;
  std::string name;      // the incubator's name when it was raised; empty for the station
  TDateTime raised = 0;  // when it became active (again)
  bool active = true;    // the condition holds
  bool acknowledged = false;
  TDateTime acknowledgedAt = 0;
  std::string acknowledgedBy;
  bool escalated = false;  // the command has run for it at least once
  // Timing of this run of the program (not kept in the file).
  TDateTime nextRepeat = 0;
  TDateTime nextEscalation = 0;
  TDateTime lastNamed = 0;      // when a repeat named this incubator
  bool escalationTold = false;  // a failure of its command has been journalled
};

// One change of the list as it happens, for whoever keeps a record of it elsewhere (the broker).
struct AlarmChange {
  enum class Type { Raise, Clear, Acknowledge, Shelve, Unshelve };
  Type type = Type::Raise;
  AlarmKey key;          // Shelve and Unshelve name the incubator only; the kind is not used
  std::string name;      // the incubator's name; empty for the station
  TDateTime time = 0;    // when it happened
  TDateTime raised = 0;  // Raise, Clear, Acknowledge: when the alarm was raised
  std::string author;    // Acknowledge, Shelve, Unshelve (empty: the shelving ran out)
  TDateTime until = 0;   // Shelve: the shelving's end
};
// "raise", "clear", "acknowledge", "shelve", "unshelve".
const char* alarmChangeName(AlarmChange::Type t);

// What the escalation command is run with.
struct EscalationRequest {
  AlarmKey key;
  std::string command;  // the "Command" setting, as written
  // VETROSTAN_INCUBATOR, VETROSTAN_NAME, VETROSTAN_ALARM, VETROSTAN_STATE, VETROSTAN_SINCE
  // (ISO 8601 local time) and VETROSTAN_STATION (host name), in this order.
  std::vector<std::pair<std::string, std::string>> environment;
};

// Runs escalation commands without holding up the caller; a command that cannot be started,
// ends with a non-zero code or runs too long is handed to `failed` with the reason in words.
class EscalationRunner {
 public:
  virtual ~EscalationRunner() = default;
  virtual void run(const EscalationRequest& request,
                   std::function<void(const std::string& why)> failed) = 0;
};

class AlarmList {
 public:
  explicit AlarmList(const Clock& clock) : clock_(clock) {}
  AlarmList(const AlarmList&) = delete;
  AlarmList& operator=(const AlarmList&) = delete;

  // The "Alarm" settings: seconds; 0 switches the repeat (the escalation) off.
  int repeat = 300;
  int escalate = 600;
  std::string command;
  std::string station;  // host name for VETROSTAN_STATION
  // Escalation runs only where the bus is: not on a remote station nor on a second copy.
  bool escalationAllowed = true;

  static constexpr int kMaxShelfSeconds = 24 * 3600;

  // One line per raise, clear, acknowledgement, shelving and command failure.
  std::function<void(const std::string& utf8)> journal;
  // A repeat of a waiting alarm: the incubator to name and the kind. One a kind per repeat,
  // however many incubators wait with it, so a whole hall in alarm is not spoken row by row.
  std::function<void(int number, AlarmKind kind)> announce;
  void setRunner(EscalationRunner* r) { runner_ = r; }
  // The configured name of an incubator, for lines about one that has no alarm in the list.
  std::function<std::string(int number)> nameOf;
  // Told after each change of the list or its shelvings (the windows that show it refresh);
  // it may be told many times in one pass, so it should only note that a refresh is due.
  std::function<void()> onChange;
  // Told of every raise, clear, acknowledgement, shelving and its end, once each.
  std::function<void(const AlarmChange&)> onEvent;

  // The condition of one alarm as the station sees it now. Raises a new alarm (or one cleared
  // but not yet acknowledged again), clears an active one; an alarm already active is not
  // raised again.
  void set(const AlarmKey& key, bool on, const std::string& name);

  // Acknowledgements; each returns how many alarms it acknowledged.
  int acknowledge(const std::vector<AlarmKey>& keys, const std::string& author);
  int acknowledgeIncubator(int number, const std::string& author);
  int acknowledgeAll(const std::string& author);

  // Shelves every alarm of the incubator, also those raised meanwhile, for 1 s .. 24 h (a
  // longer time is cut to 24 h); they come back by themselves at the end. False for no time.
  bool shelve(int number, int seconds, const std::string& author);
  // Ends a shelving early.
  void unshelve(int number, const std::string& author);
  bool shelved(int number) const { return shelves_.count(number) != 0; }
  // Until when the incubator's alarms are shelved (0: not shelved).
  TDateTime shelvedUntil(int number) const;

  // Every second: shelvings that end, repeats and escalations that are due.
  void tick();

  AlarmState state(const Alarm& a) const;
  // The list in the order the alarms were raised.
  std::vector<Alarm> alarms() const;
  const Alarm* find(const AlarmKey& key) const;
  int unacknowledgedCount() const;
  std::size_t size() const { return alarms_.size(); }

  // The list changed since it was last taken by the file (AlarmStore).
  bool changed() const { return changed_; }
  void markSaved() { changed_ = false; }

  // What the file holds: taken as the list at start-up, without journal lines or raises. The
  // timing starts anew from now; an alarm whose escalation fell due while the program was down
  // and has not run yet runs at the next tick.
  struct Shelf {
    int number = 0;
    TDateTime until = 0;
    std::string by;
  };
  void restore(std::vector<Alarm> alarms, std::vector<Shelf> shelves);
  std::vector<Shelf> shelves() const;

 private:
  static double seconds(TDateTime t) { return t * 86400.0; }
  TDateTime after(int s) const { return clock_.now() + s / 86400.0; }
  std::string who(const Alarm& a) const;
  std::string whoIncubator(int number) const;
  void scheduleNew(Alarm& a);
  bool due(TDateTime when) const { return when <= clock_.now() + 0.001 / 86400.0; }
  void repeatDue();
  void escalateDue();
  void endShelves();
  void escalationFailed(const AlarmKey& key, const std::string& why);
  void remove(const AlarmKey& key);
  void touch() {
    changed_ = true;
    if (onChange) onChange();
  }
  void line(const std::string& text) {
    if (journal) journal(text);
  }
  void tell(AlarmChange::Type type, const AlarmKey& key, const Alarm* a,
            const std::string& author = {}, TDateTime until = 0);

  const Clock& clock_;
  std::map<AlarmKey, Alarm> alarms_;
  std::map<int, Shelf> shelves_;
  EscalationRunner* runner_ = nullptr;
  bool changed_ = false;
};

}  // namespace vs
