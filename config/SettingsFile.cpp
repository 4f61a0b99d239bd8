#include "config/SettingsFile.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/AtomicFile.h"
#include "common/Cp1251.h"
#include "report/Shifts.h"

namespace vs {
namespace fs = std::filesystem;

namespace {

// Section and key names match in any letter case, Latin and Cyrillic alike.
std::string fold(std::string_view utf8) {
  std::string b = utf8ToCp1251(utf8);
  for (char& ch : b) {
    const auto u = static_cast<unsigned char>(ch);
    if (u >= 'A' && u <= 'Z')
      ch = static_cast<char>(u + 32);
    else if (u >= 0xC0 && u <= 0xDF)
      ch = static_cast<char>(u + 32);
    else if (u == 0xA8)
      ch = static_cast<char>(0xB8);  // Ё
  }
  return b;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// True when the bytes are well-formed UTF-8 holding at least one multi-byte character. Text
// in Windows-1251 practically never is: a Russian word puts two letters 0xC0..0xFF side by side.
bool looksLikeUtf8(std::string_view s) {
  bool multi = false;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (b < 0x80)
      n = 1;
    else if (b >= 0xC2 && b <= 0xDF)
      n = 2;
    else if (b >= 0xE0 && b <= 0xEF)
      n = 3;
    else if (b >= 0xF0 && b <= 0xF4)
      n = 4;
    else
      return false;
    if (i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    multi = multi || n > 1;
    i += n;
  }
  return multi;
}

// A value in quotes is read without them, as the system's own profile reader does.
std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// A whole number in decimal, or in hexadecimal after "$" or "0x"; nothing else.
bool parseInt(std::string_view s, int& out) {
  s = trim(s);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  std::uint64_t v = 0;
  for (char ch : s) {
    int d = -1;
    if (ch >= '0' && ch <= '9')
      d = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f')
      d = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F')
      d = ch - 'A' + 10;
    if (d < 0) return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (base == 10) {
    if (v > (neg ? 2147483648ull : 2147483647ull)) return false;
    out = static_cast<int>(neg ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v));
    return true;
  }
  // Hexadecimal spans the 32 bits, as colours 0xFF0000nn are written that way.
  const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  out = neg ? static_cast<int>(-static_cast<std::int64_t>(bits)) : bits;
  return true;
}

// A value written into the file may not break it into further lines.
std::string oneLine(std::string_view s) {
  std::string out(s);
  for (char& ch : out)
    if (ch == '\r' || ch == '\n') ch = ' ';
  return out;
}

bool isComment(const std::string& key) {
  return !key.empty() && key.front() == ';';
}

}  // namespace

// ---- IniFile -----------------------------------------------------------------------------------

std::size_t IniFile::KeyRefHash::operator()(const KeyRef& k) const noexcept {
  const std::size_t h = std::hash<std::string>{}(k.folded);
  return h ^ (k.section + 0x9E3779B9u + (h << 6) + (h >> 2));
}

void IniFile::clear() {
  sections_.clear();
  sectionAt_.clear();
  entryAt_.clear();
}

std::size_t IniFile::sectionNamed(std::string name, std::string folded) {
  const auto [at, added] = sectionAt_.try_emplace(std::move(folded), sections_.size());
  if (added) sections_.push_back({std::move(name), {}});
  return at->second;
}

void IniFile::addEntry(std::size_t section, std::string key, std::string value) {
  auto& entries = sections_[section].entries;
  if (!isComment(key)) entryAt_.emplace(KeyRef{section, fold(key)}, entries.size());
  entries.push_back({std::move(key), std::move(value)});
}

std::size_t IniFile::sectionOf(const std::string& section) const {
  const auto s = sectionAt_.find(fold(section));
  return s == sectionAt_.end() ? kNone : s->second;
}

std::size_t IniFile::entryOf(std::size_t section, const std::string& key) const {
  if (section == kNone || isComment(key)) return kNone;
  const auto e = entryAt_.find(KeyRef{section, fold(key)});
  return e == entryAt_.end() ? kNone : e->second;
}

const IniFile::Entry* IniFile::find(const std::string& section, const std::string& key) const {
  const std::size_t s = sectionOf(section);
  const std::size_t e = entryOf(s, key);
  return e == kNone ? nullptr : &sections_[s].entries[e];
}

void IniFile::parse(std::string_view bytes) {
  clear();
  std::string text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text = std::string(bytes.substr(3));
  } else if (looksLikeUtf8(bytes)) {
    text = std::string(bytes);
  } else {
    text = cp1251ToUtf8(bytes);
  }
  // The indexes are sized once, so that a large file is not rehashed again and again as it is
  // read: at most one header or key a line.
  std::size_t lines = 1, headers = 0, keys = 0;
  for (const char ch : text) {
    lines += ch == '\n' || ch == '\r' ? 1 : 0;
    headers += ch == '[' ? 1 : 0;
    keys += ch == '=' ? 1 : 0;
  }
  sectionAt_.reserve(std::min(headers, lines) + 1);
  entryAt_.reserve(std::min(keys, lines));
  // Lines before the first section (comments, mostly) live in a section without a name.
  std::size_t cur = sectionNamed("", "");
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view ln = trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (ln.empty()) continue;
    if (ln.front() == ';') {
      addEntry(cur, std::string(ln), std::string());
    } else if (ln.front() == '[') {
      const std::size_t close = ln.find(']');
      if (close == std::string_view::npos) continue;  // not a header and not a key: dropped
      // A header met again continues its first section.
      std::string name(trim(ln.substr(1, close - 1)));
      std::string folded = fold(name);
      cur = sectionNamed(std::move(name), std::move(folded));
    } else {
      const std::size_t eq = ln.find('=');
      if (eq == std::string_view::npos) continue;
      std::string key(trim(ln.substr(0, eq)));
      if (key.empty()) continue;
      addEntry(cur, std::move(key), std::string(trim(ln.substr(eq + 1))));
    }
  }
}

std::string IniFile::text() const {
  std::string out;
  for (const Section& s : sections_) {
    if (s.name.empty() && s.entries.empty()) continue;
    if (!s.name.empty()) {
      out += '[';
      out += s.name;
      out += "]\r\n";
    }
    for (const Entry& e : s.entries) {
      out += e.key;
      if (!isComment(e.key)) {
        out += '=';
        out += e.value;
      }
      out += "\r\n";
    }
    out += "\r\n";
  }
  return utf8ToCp1251(out);
}

bool IniFile::load(const fs::path& path) {
  std::string bytes;
  if (!readWholeFile(path, bytes)) {
    clear();
    return false;
  }
  parse(bytes);
  return true;
}

bool IniFile::save(const fs::path& path) const {
  return writeFileAtomic(path, text());
}

bool IniFile::has(const std::string& section, const std::string& key) const {
  return find(section, key) != nullptr;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const Entry* e = find(section, key);
  return e ? std::string(unquote(e->value)) : def;
}

int IniFile::readInt(const std::string& section, const std::string& key, int def) const {
  const Entry* e = find(section, key);
  int v = 0;
  return e && parseInt(unquote(e->value), v) ? v : def;
}

bool IniFile::readBool(const std::string& section, const std::string& key, bool def) const {
  const Entry* e = find(section, key);
  int v = 0;
  return e && parseInt(unquote(e->value), v) ? v != 0 : def;
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
  std::size_t s = sectionOf(section);
  if (const std::size_t e = entryOf(s, key); e != kNone) {
    sections_[s].entries[e].value = oneLine(value);
    return;
  }
  if (s == kNone) {
    std::string name = oneLine(section);
    std::string folded = fold(name);
    s = sectionNamed(std::move(name), std::move(folded));
  }
  addEntry(s, oneLine(key), oneLine(value));
}

void IniFile::writeInt(const std::string& section, const std::string& key, int value) {
  writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value) {
  writeString(section, key, value ? "1" : "0");
}

// ---- the settings of the program ---------------------------------------------------------------

namespace {

std::string fon(int i, const char* what) {
  return "FON" + std::to_string(i) + "_" + what;
}
std::string tableW(int i) {
  return "Table_w" + std::to_string(i);
}

// The other keys of an existing file are kept; one that exists but cannot be read is not
// replaced by a file holding only our keys.
bool openForUpdate(const fs::path& path, IniFile& ini) {
  std::error_code ec;
  const bool exists = fs::exists(path, ec);
  if (ec) return false;
  return !exists || ini.load(path);
}

// The journal line for an enumerated setting the file holds out of its range.
void outOfRange(std::vector<std::string>* problems, const std::string& section,
                const std::string& key, int value, int lo, int hi, int taken) {
  if (!problems) return;
  problems->push_back("Файл настроек: [" + section + "] " + key + "=" + std::to_string(value) +
                      " вне допустимых значений " + std::to_string(lo) + ".." + std::to_string(hi) +
                      ", взято " + std::to_string(taken));
}

// An enumerated setting (a radio group, a mode): a number that is none of its choices would
// leave the program in a state nobody picked, so it falls back to the default, loudly.
int readChoice(const IniFile& ini, const std::string& section, const std::string& key, int lo,
               int hi, int def, std::vector<std::string>* problems) {
  const int v = ini.readInt(section, key, def);
  if (v >= lo && v <= hi) return v;
  outOfRange(problems, section, key, v, lo, hi, def);
  return def;
}

}  // namespace

void loadSettings(const fs::path& iniPath, Settings& s, std::vector<std::string>* problems) {
  const Settings d;
  IniFile ini;
  ini.load(iniPath);

  s.formWidth = ini.readInt("Form", "Width", d.formWidth);
  s.formTop = ini.readInt("Form", "Top", d.formTop);
  s.formLeft = ini.readInt("Form", "Left", d.formLeft);
  s.formHeight = ini.readInt("Form", "Height", d.formHeight);

  s.pripusk = ini.readBool("UST", "pripusk", d.pripusk);
  for (int i = 0; i < 4; ++i) {
    FontClass& f = s.FON[static_cast<std::size_t>(i)];
    const FontClass& fd = d.FON[static_cast<std::size_t>(i)];
    f.color =
        static_cast<std::uint32_t>(ini.readInt("UST", fon(i, "Color"), static_cast<int>(fd.color)));
    f.size = ini.readInt("UST", fon(i, "Size"), fd.size);
    f.style = readChoice(ini, "UST", fon(i, "Style"), 0, 15, fd.style, problems);
    f.name = ini.readString("UST", fon(i, "Name"), fd.name);
  }
  // "Table_w1" serves twice: the default width of every column (200 when absent) and the
  // width of column 1 (100 when absent).
  s.tableDefaultColWidth = ini.readInt("UST", tableW(1), d.tableDefaultColWidth);
  s.tableDefaultRowHeight = ini.readInt("UST", "Table_h0", d.tableDefaultRowHeight);
  for (int i = 0; i < 4; ++i)
    s.knT[static_cast<std::size_t>(i)] =
        ini.readBool("UST", "knT" + std::to_string(i + 1), d.knT[static_cast<std::size_t>(i)]);

  // Older files may hold a count above 2, which selects all three sensors; below 0 there is
  // no such count.
  s.KOL_T = ini.readInt("Nastr", "KOL_T", d.KOL_T);
  if (s.KOL_T < 0) {
    outOfRange(problems, "Nastr", "KOL_T", s.KOL_T, 0, 2, d.KOL_T);
    s.KOL_T = d.KOL_T;
  }
  s.RUN_WIN = readChoice(ini, "Nastr", "RUN_WIN", 0, 1, d.RUN_WIN, problems);
  s.ZWUK_ON = readChoice(ini, "Nastr", "ZWUK_ON", 0, 1, d.ZWUK_ON, problems);
  s.Help = readChoice(ini, "Nastr", "Help", 0, 1, d.Help, problems);
  s.Compyter = readChoice(ini, "Nastr", "Compyter", 0, 1, d.Compyter, problems);

  for (int i = 0; i <= 5; ++i)
    s.tableW[static_cast<std::size_t>(i)] =
        ini.readInt("UST", tableW(i), d.tableW[static_cast<std::size_t>(i)]);
  s.otlad = ini.readInt("UST", "otlad", d.otlad);
  // Columns 6 and 7 exist only with the second and third extra temperature.
  for (int i = 6; i <= 7; ++i) {
    const auto k = static_cast<std::size_t>(i);
    s.tableW[k] = s.kol_t() > i - 6 ? ini.readInt("UST", tableW(i), d.tableW[k]) : d.tableW[k];
  }

  for (int i = 0; i < static_cast<int>(s.zvuk.size()); ++i)
    s.zvuk[static_cast<std::size_t>(i)] = ini.readString("ZVUK", "z" + std::to_string(i), "");
  // The poll period lives in a spin box of 1..100 seconds.
  s.Opros_period = ini.readInt("UST", "Opros_period", d.Opros_period);
  if (s.Opros_period < 1) s.Opros_period = 1;
  if (s.Opros_period > 100) s.Opros_period = 100;
  s.RS485_4 = ini.readBool("UST", "RS485_4", d.RS485_4);
  s.usbCom = ini.readInt("USB", "usb-com", d.usbCom);
  s.usbSerialNumber = ini.readString("USB", "usb-Serial_Number", d.usbSerialNumber);
  s.ServerP = readChoice(ini, "Server", "ServerP", 0, 4, d.ServerP, problems);
  s.inkubKol = ini.readInt("Inkub", "kol", d.inkubKol);
  // A day is the longest wait that still means something for an alarm nobody answers.
  s.alarmRepeat = readChoice(ini, "Alarm", "Repeat", 0, 86400, d.alarmRepeat, problems);
  s.alarmEscalate = readChoice(ini, "Alarm", "Escalate", 0, 86400, d.alarmEscalate, problems);
  s.alarmCommand = ini.readString("Alarm", "Command", d.alarmCommand);
  s.mqttBroker = ini.readString("MQTT", "Broker", d.mqttBroker);
  s.mqttStation = ini.readString("MQTT", "Station", d.mqttStation);
  s.mqttUser = ini.readString("MQTT", "User", d.mqttUser);
  s.mqttPassword = ini.readString("MQTT", "Password", d.mqttPassword);
  s.mqttTLS = ini.readBool("MQTT", "TLS", d.mqttTLS);
  s.mqttCAFile = ini.readString("MQTT", "CAFile", d.mqttCAFile);
  s.mqttHomeAssistant = ini.readBool("MQTT", "HomeAssistant", d.mqttHomeAssistant);
  s.mqttSubscribe = ini.readString("MQTT", "Subscribe", d.mqttSubscribe);
  s.reportShifts = d.reportShifts;
  if (ini.has("Report", "Shifts")) {
    const std::string v = ini.readString("Report", "Shifts", d.reportShifts);
    ShiftStarts starts;
    if (parseShifts(v, starts)) {
      s.reportShifts = formatShifts(starts);
    } else if (problems) {
      problems->push_back("Файл настроек: [Report] Shifts=" + v +
                          " не список времён начала смен ЧЧ:ММ через запятую, взято " +
                          d.reportShifts);
    }
  }
}

bool saveSettings(const fs::path& iniPath, const Settings& s) {
  IniFile ini;
  if (!openForUpdate(iniPath, ini)) return false;

  for (int i = 0; i < 4; ++i)
    ini.writeBool("UST", "knT" + std::to_string(i + 1), s.knT[static_cast<std::size_t>(i)]);
  ini.writeBool("UST", "pripusk", s.pripusk);
  ini.writeBool("UST", "RS485_4", s.RS485_4);
  ini.writeInt("Inkub", "kol", s.inkubKol);
  for (int i = 0; i < 4; ++i) {
    const FontClass& f = s.FON[static_cast<std::size_t>(i)];
    ini.writeInt("UST", fon(i, "Color"), static_cast<int>(f.color));
    ini.writeInt("UST", fon(i, "Size"), f.size);
    ini.writeInt("UST", fon(i, "Style"), f.style);
    ini.writeString("UST", fon(i, "Name"), f.name);
  }
  // A column the table does not have reports the default column width.
  const int columns = s.kol_t() + 6;
  for (int i = 0; i < 8; ++i)
    ini.writeInt("UST", tableW(i),
                 i < columns ? s.tableW[static_cast<std::size_t>(i)] : s.tableDefaultColWidth);
  ini.writeInt("UST", "Table_h0", s.tableDefaultRowHeight);
  ini.writeInt("Server", "ServerP", s.ServerP);
  ini.writeInt("Form", "Width", s.formWidth);
  ini.writeInt("Form", "Top", s.formTop);
  ini.writeInt("Form", "Left", s.formLeft);
  ini.writeInt("Form", "Height", s.formHeight);
  // The slots beyond the "Звуки" tab's are written only when named, so that a settings file
  // without them stays as it was.
  for (int i = 0; i < static_cast<int>(s.zvuk.size()); ++i) {
    const std::string& name = s.zvuk[static_cast<std::size_t>(i)];
    const std::string key = "z" + std::to_string(i);
    if (i < 11 || !name.empty() || ini.has("ZVUK", key)) ini.writeString("ZVUK", key, name);
  }
  ini.writeInt("UST", "Opros_period", s.Opros_period);
  ini.writeInt("USB", "usb-com", s.usbCom);
  ini.writeInt("UST", "otlad", s.otlad);
  ini.writeString("USB", "usb-Serial_Number", s.usbSerialNumber);
  return ini.save(iniPath);
}

bool saveNastr(const fs::path& iniPath, const Settings& s) {
  IniFile ini;
  if (!openForUpdate(iniPath, ini)) return false;
  ini.writeInt("Nastr", "RUN_WIN", s.RUN_WIN);
  ini.writeInt("Nastr", "ZWUK_ON", s.ZWUK_ON);
  ini.writeInt("Nastr", "KOL_T", s.KOL_T);
  ini.writeInt("Nastr", "Help", s.Help);
  ini.writeInt("Nastr", "Compyter", s.Compyter);
  return ini.save(iniPath);
}

bool saveKey(const fs::path& iniPath, const std::string& section, const std::string& key,
             const std::string& value) {
  IniFile ini;
  if (!openForUpdate(iniPath, ini)) return false;
  ini.writeString(section, key, value);
  return ini.save(iniPath);
}

std::string loadServerPath(const fs::path& insPath) {
  IniFile ini;
  ini.load(insPath);
  return ini.readString("Server", "path", "");
}

bool saveServerPath(const fs::path& insPath, const std::string& path) {
  return saveKey(insPath, "Server", "path", path);
}

}  // namespace vs
