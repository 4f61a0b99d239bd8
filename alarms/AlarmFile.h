// The alarm list on disk, "alarms.txt" in the working folder, so that a waiting alarm is still
// waiting after a restart and an acknowledged one is not raised a second time. The file is
// rewritten whole (beside and renamed) when the list has changed, at most once a second.
//
// Format: UTF-8 text, LF line ends, fields separated by one TAB. The first line is
//   # Vetrostan alarm list 1
// then one line per alarm and one per shelved incubator, in any order:
//   alarm  <number> <kind> <raised> <active 0|1> <escalated 0|1> <acknowledged at|-> <by> <name>
//   shelf  <number> <until> <by>
// <number> is the incubator's bus number (0 for the station), <kind> "z0".."z10" (the sound
// table's kinds), "t1".."t3" (sensor faults), "link" ("Нет связи") or "usb"; times are local
// ISO 8601, "2026-12-10T14:05:00". Names and authors hold no TAB or line end (they are written
// with spaces instead). Empty lines and lines starting with "#" are skipped.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "alarms/AlarmList.h"
#include "common/FailureLog.h"

namespace vs {

inline constexpr const char* kAlarmFileName = "alarms.txt";
inline constexpr const char* kAlarmFileHeader = "# Vetrostan alarm list 1";

// The file's text for a list.
std::string formatAlarmFile(const std::vector<Alarm>& alarms,
                            const std::vector<AlarmList::Shelf>& shelves);

struct ParsedAlarmFile {
  std::vector<Alarm> alarms;
  std::vector<AlarmList::Shelf> shelves;
  bool headerOk = false;
  std::vector<int> badLines;  // 1-based numbers of lines that were not understood
};
ParsedAlarmFile parseAlarmFile(const std::string& text);

// Loads the list at start-up and writes it back when it changes. A file that is missing or
// damaged never stops the start-up. A missing one (a new working folder) is a journal line and
// an empty list written at once; a damaged one is said once (journal and notice through
// `failures`) and not written over until the program has a list of its own; then it is first
// kept as "alarms.txt.bad".
class AlarmStore {
 public:
  AlarmStore(AlarmList& list, std::filesystem::path home)
      : list_(list), path_(std::move(home) / kAlarmFileName) {}

  FailureLog failures;
  std::function<void(const std::string& utf8)> journal;
  // A second copy on a held working folder reads the list but never writes it.
  bool readOnly = false;

  void load();
  // Writes the list when it has changed; a failed write is said once and tried again.
  void save();
  // A copy that only watches: takes the list again as the first copy last wrote it, when the
  // file's time or size has changed since it was read. A file that is not whole is left for the
  // next call (the first copy replaces it whole).
  void follow();

  const std::filesystem::path& path() const { return path_; }
  bool damaged() const { return damaged_; }

 private:
  AlarmList& list_;
  std::filesystem::path path_;
  bool damaged_ = false;      // the file on disk is one we could not read whole
  std::filesystem::file_time_type seenTime_{};  // of the file last taken
  std::uintmax_t seenSize_ = 0;
  bool writeAnyway_ = false;  // there was no file: the empty list is written at once
};

}  // namespace vs
