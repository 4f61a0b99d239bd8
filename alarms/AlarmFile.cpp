#include "alarms/AlarmFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include "common/AtomicFile.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

// The list is small (a few hundred lines at most); anything far larger is no list of ours.
constexpr std::size_t kMaxFileSize = 4u << 20;

std::string field(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', from);
    out.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) return out;
    from = tab + 1;
  }
}

bool number(const std::string& s, int& out) {
  const char* end = s.data() + s.size();
  const auto r = std::from_chars(s.data(), end, out);
  return r.ec == std::errc{} && r.ptr == end && out >= 0 && out <= 255;
}

bool flag(const std::string& s, bool& out) {
  if (s != "0" && s != "1") return false;
  out = s == "1";
  return true;
}

bool parseAlarm(const std::vector<std::string>& f, Alarm& a) {
  if (f.size() != 9) return false;
  if (!number(f[1], a.key.number) || !alarmKindOfKey(f[2], a.key.kind)) return false;
  if (!parseIsoDateTime(f[3], a.raised) || !flag(f[4], a.active) || !flag(f[5], a.escalated))
    return false;
  if (f[6] == "-") {
    a.acknowledged = false;
  } else {
    if (!parseIsoDateTime(f[6], a.acknowledgedAt)) return false;
    a.acknowledged = true;
  }
  a.acknowledgedBy = f[7];
  a.name = f[8];
  // Cleared and acknowledged is no alarm any more; such a line is nothing to keep.
  return a.active || !a.acknowledged;
}

bool parseShelf(const std::vector<std::string>& f, AlarmList::Shelf& s) {
  return f.size() == 4 && number(f[1], s.number) && parseIsoDateTime(f[2], s.until) &&
         (s.by = f[3], true);
}

std::string utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

}  // namespace

std::string formatAlarmFile(const std::vector<Alarm>& alarms,
                            const std::vector<AlarmList::Shelf>& shelves) {
  std::string out = std::string(kAlarmFileHeader) + "\n";
  for (const Alarm& a : alarms) {
    out += "alarm\t" + std::to_string(a.key.number) + "\t" + alarmKindKey(a.key.kind) + "\t" +
           isoDateTime(a.raised) + "\t" + (a.active ? "1" : "0") + "\t" +
           (a.escalated ? "1" : "0") + "\t" +
           (a.acknowledged ? isoDateTime(a.acknowledgedAt) : "-") + "\t" + field(a.acknowledgedBy) +
           "\t" + field(a.name) + "\n";
  }
  for (const AlarmList::Shelf& s : shelves)
    out += "shelf\t" + std::to_string(s.number) + "\t" + isoDateTime(s.until) + "\t" + field(s.by) +
           "\n";
  return out;
}

ParsedAlarmFile parseAlarmFile(const std::string& text) {
  ParsedAlarmFile p;
  std::size_t from = 0;
  int n = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    from = end + 1;
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();  // edited on Windows
    if (n == 1) {
      p.headerOk = line == kAlarmFileHeader;
      if (!p.headerOk) p.badLines.push_back(n);
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = split(line);
    Alarm a;
    AlarmList::Shelf s;
    if (f[0] == "alarm" && parseAlarm(f, a))
      p.alarms.push_back(std::move(a));
    else if (f[0] == "shelf" && parseShelf(f, s))
      p.shelves.push_back(std::move(s));
    else
      p.badLines.push_back(n);
  }
  return p;
}

void AlarmStore::load() {
  std::error_code ec;
  const bool exists = fs::exists(path_, ec);
  if (!exists && !ec) {
    // A new working folder, as a rule: a journal line, not a notice the operator has to read
    // at every first start. The empty list is written at once, so this is said only once.
    if (journal) journal("Список аварий " + utf8(path_) + " не найден: начат пустой список");
    list_.restore({}, {});
    writeAnyway_ = !readOnly;
    return;
  }
  std::string text;
  if (ec || !readWholeFile(path_, text, kMaxFileSize)) {
    damaged_ = true;
    failures.failed("alarms-damaged", "Список аварий " + utf8(path_) +
                                          " не прочитан: начат пустой список, файл не "
                                          "перезаписывается до первого изменения списка");
    list_.restore({}, {});
    return;
  }
  seenTime_ = fs::last_write_time(path_, ec);
  seenSize_ = text.size();
  ParsedAlarmFile p = parseAlarmFile(text);
  if (!p.headerOk || !p.badLines.empty()) {
    damaged_ = true;
    std::string lines;
    for (std::size_t i = 0; i < p.badLines.size() && i < 5; ++i)
      lines += (i ? ", " : "") + std::to_string(p.badLines[i]);
    if (p.badLines.size() > 5) lines += ", ...";
    failures.failed("alarms-damaged",
                    "Список аварий " + utf8(path_) + " повреждён (строки " + lines + "): взято " +
                        std::to_string(p.alarms.size()) +
                        " аварий, файл не перезаписывается до первого изменения списка");
  }
  list_.restore(std::move(p.alarms), std::move(p.shelves));
}

void AlarmStore::follow() {
  std::error_code ec;
  const fs::file_time_type time = fs::last_write_time(path_, ec);
  if (ec) return;
  const std::uintmax_t size = fs::file_size(path_, ec);
  if (ec || (time == seenTime_ && size == seenSize_)) return;
  std::string text;
  if (!readWholeFile(path_, text, kMaxFileSize)) return;
  ParsedAlarmFile p = parseAlarmFile(text);
  if (!p.headerOk || !p.badLines.empty()) return;
  seenTime_ = time;
  seenSize_ = size;
  list_.restore(std::move(p.alarms), std::move(p.shelves));
}

void AlarmStore::save() {
  if (readOnly || (!list_.changed() && !writeAnyway_)) return;
  if (damaged_) {
    // The file we could not read whole is kept for whoever wants to look at it.
    std::error_code ec;
    fs::copy_file(path_, fs::path(path_) += ".bad", fs::copy_options::overwrite_existing, ec);
    if (ec && fs::exists(path_)) {
      failures.failed("alarms-write", "Список аварий не записан: копия повреждённого файла " +
                                          utf8(path_) + ".bad не сделана (" + ec.message() + ")");
      return;
    }
  }
  const std::string text = formatAlarmFile(list_.alarms(), list_.shelves());
  if (!writeFileAtomic(path_, text)) {
    failures.failed("alarms-write",
                    "Список аварий " + utf8(path_) + " не записан: " + std::strerror(errno));
    return;
  }
  failures.ended("alarms-write", "Список аварий " + utf8(path_) + " снова записывается");
  damaged_ = false;
  writeAnyway_ = false;
  list_.markSaved();
}

}  // namespace vs
