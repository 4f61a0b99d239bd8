#include "config/ConfigStore.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "config/ConfigCheck.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vs {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kConfigSize = sizeof(TFile_config);
constexpr std::size_t kProgramSize = sizeof(TFile_INKconfig);

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

// Reads at most `size` bytes from the start of a regular file straight into `out`. Returns the
// count read, or -1 when the file cannot be opened or read (`err` gets the system's number).
long long readPrefix(const fs::path& path, void* out, std::size_t size, int& err) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    err = ec ? ec.value() : EISDIR;
    return -1;
  }
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) {
    err = errno;
    return -1;
  }
  const std::size_t n = std::fread(out, 1, size, f);
  const bool bad = std::ferror(f) != 0;
  if (bad) err = errno;
  std::fclose(f);
  return bad ? -1 : static_cast<long long>(n);
}

// A loaded count of 0 means one incubator; the record holds 251 rows, so no more can be used.
void limitCount(TFile_config& c) {
  c.kol_inkub = static_cast<std::uint8_t>(usableRows(c));
}

// What the program works with when no stored copy can be used: one incubator, all else zero.
void setEmpty(TFile_config& c) {
  c = TFile_config{};
  c.kol_inkub = 1;
}

// How a report names the file copy.
std::string fileCopyName(const fs::path& file) {
  return "Копия конфигурации \"config.cfg\" (" + utf8Of(file) + ")";
}

std::string lengthProblem(std::uintmax_t size) {
  return "длина " + std::to_string(size) + " байт вместо " + std::to_string(kConfigSize);
}

// One stored copy of the record as found on disk.
struct Found {
  enum State { Absent, Unreadable, Damaged, Sound } state = Absent;
  std::string why;               // for Damaged
  std::vector<std::string> odd;  // for Sound: values read the program's own way
};

Found judged(const TFile_config& c) {
  std::string why = configRefusal(c);
  if (!why.empty()) return {Found::Damaged, std::move(why), {}};
  return {Found::Sound, {}, configOddities(c)};
}

// A record file ("config.cfg" or an imported "*.cfg"): usable only when it is exactly one
// record long and its count fits the record. `into` may be left half filled; callers copy it only
// when Sound.
Found loadRecordFile(const fs::path& path, TFile_config& into) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return {ec ? Found::Unreadable : Found::Absent, {}, {}};
  const std::uintmax_t size = fs::file_size(path, ec);  // fails for a folder
  if (ec) return {Found::Unreadable, {}, {}};
  if (size != kConfigSize) return {Found::Damaged, lengthProblem(size), {}};
  int err = 0;
  const long long n = readPrefix(path, &into, kConfigSize, err);
  if (n < 0) return {Found::Unreadable, {}, {}};
  if (static_cast<std::size_t>(n) != kConfigSize)
    return {Found::Damaged, lengthProblem(static_cast<std::uintmax_t>(n)), {}};
  return judged(into);
}

}  // namespace

bool programPath(const fs::path& rezim, std::string name, fs::path& out) {
  if (name.empty() || name.find('\0') != std::string::npos) return false;
#ifndef _WIN32
  for (char& ch : name)
    if (ch == '\\') ch = '/';
#endif
  const fs::path rel = fs::path(std::u8string(name.begin(), name.end())).lexically_normal();
  if (rel.empty() || rel.has_root_name() || rel.has_root_directory()) return false;
  for (const fs::path& part : rel)
    if (part == "..") return false;
  out = rezim / rel;
  return true;
}

// ---- the store of the registry copy --------------------------------------------------------
//
// On Windows the copy is the binary value "config" under HKEY_LOCAL_MACHINE\SOFTWARE\Vetrostan2022.
// Elsewhere it is the file "config" in a folder that stands for the key.

namespace {

enum class RegRead { Whole, Absent, WrongLength, Failed };

#ifdef _WIN32
constexpr const wchar_t* kKeyPath = L"SOFTWARE\\Vetrostan2022";

bool regOpen(const fs::path&, HKEY& key) {
  DWORD disposition = 0;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                         &key, &disposition) == ERROR_SUCCESS;
}

RegRead regRead(HKEY key, const fs::path&, TFile_config& into, std::uintmax_t& length, int& err) {
  DWORD type = 0;
  DWORD size = 0;
  LONG r = RegQueryValueExW(key, L"config", nullptr, &type, nullptr, &size);
  if (r == ERROR_FILE_NOT_FOUND) return RegRead::Absent;
  if (r != ERROR_SUCCESS) {
    err = static_cast<int>(r);
    return RegRead::Failed;
  }
  length = size;
  if (size != kConfigSize) return RegRead::WrongLength;
  r = RegQueryValueExW(key, L"config", nullptr, &type, reinterpret_cast<BYTE*>(&into), &size);
  if (r != ERROR_SUCCESS) {
    err = static_cast<int>(r);
    return RegRead::Failed;
  }
  length = size;
  return size == kConfigSize ? RegRead::Whole : RegRead::WrongLength;
}

bool regWrite(HKEY key, const fs::path&, const TFile_config& from) {
  return RegSetValueExW(key, L"config", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&from),
                        static_cast<DWORD>(kConfigSize)) == ERROR_SUCCESS;
}

void regClose(HKEY key) {
  RegCloseKey(key);
}

std::string keyPathText(const fs::path&) {
  return "SOFTWARE\\Vetrostan2022";
}

std::string valuePathText(const fs::path&) {
  return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vetrostan2022\\config";
}
#else
using HKEY = int;

bool regOpen(const fs::path& dir, HKEY&) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  return fs::is_directory(dir, ec);
}

RegRead regRead(HKEY, const fs::path& dir, TFile_config& into, std::uintmax_t& length, int& err) {
  const fs::path file = dir / "config";
  std::error_code ec;
  if (!fs::exists(file, ec) && !ec) return RegRead::Absent;  // no value yet
  length = fs::file_size(file, ec);
  if (ec) {
    err = ec.value();
    return RegRead::Failed;
  }
  if (length != kConfigSize) return RegRead::WrongLength;
  const long long n = readPrefix(file, &into, kConfigSize, err);
  if (n < 0) return RegRead::Failed;
  length = static_cast<std::uintmax_t>(n);
  return length == kConfigSize ? RegRead::Whole : RegRead::WrongLength;
}

bool regWrite(HKEY, const fs::path& dir, const TFile_config& from) {
  return writeFileAtomic(dir / "config", &from, kConfigSize);
}

void regClose(HKEY) {}

std::string keyPathText(const fs::path& dir) {
  return utf8Of(dir);
}

std::string valuePathText(const fs::path& dir) {
  return utf8Of(dir / "config");
}
#endif

}  // namespace

// ---- ConfigStore -----------------------------------------------------------------------------

ConfigStore::ConfigStore(fs::path home, fs::path registryDir)
    : home_(std::move(home)), registryDir_(std::move(registryDir)) {
  if (registryDir_.empty()) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg && fs::path(xdg).is_absolute()) {
      base = xdg;
    } else {
      const char* homeEnv = std::getenv("HOME");
      base = fs::path(homeEnv && *homeEnv ? homeEnv : ".") / ".config";
    }
    registryDir_ = base / "Vetrostan2022";
  }
}

fs::path ConfigStore::asideFile() const {
  std::error_code ec;
  const fs::path rezim = home_ / "rezim";
  return (fs::is_directory(rezim, ec) ? rezim : home_) / "config-other.cfg";
}

fs::path ConfigStore::registryFile() const {
  return registryDir_ / "config";
}

void ConfigStore::say(const std::string& text) const {
  if (message) message(text);
}

void ConfigStore::tell(const std::string& text) const {
  if (report) report(text);
}

void ConfigStore::noteOdd(const std::string& copy, const std::vector<std::string>& odd) const {
  if (!odd.empty() && note) note(copy + ": необычные значения взяты как есть: " + oddityLine(odd));
}

void ConfigStore::read_config() {
  RegKeyOpen();
  limitCount(config);
}

bool ConfigStore::RegKeyOpen() {
  // Both copies are read aside and judged before either becomes `config`.
  auto fromReg = std::make_unique<TFile_config>();
  auto fromFile = std::make_unique<TFile_config>();
  Found reg;
  bool opened = false;
  HKEY key{};
  try {
    opened = regOpen(registryDir_, key);
    if (!opened) {
      say("ошибка реестра. ОШИБКА 6");  // no key: nothing to read and nowhere to write
    } else {
      int err = 0;
      std::uintmax_t length = 0;
      switch (regRead(key, registryDir_, *fromReg, length, err)) {
        case RegRead::Absent:
          break;
        case RegRead::Failed:
          say("ошибка чтения реестраю ОШИБКА 4. " + std::to_string(err) + "--" +
              keyPathText(registryDir_));
          reg.state = Found::Unreadable;
          break;
        case RegRead::WrongLength:
          reg = {Found::Damaged, lengthProblem(length), {}};
          break;
        case RegRead::Whole:
          reg = judged(*fromReg);
          break;
      }
    }
  } catch (...) {
    say("Работа с реестром некорректна. Ошибка 5");
    reg.state = Found::Unreadable;
  }
  const Found file = loadRecordFile(configFile(), *fromFile);

  const std::string regName = "Копия конфигурации в реестре (" + valuePathText(registryDir_) + ")";
  const std::string fileName = fileCopyName(configFile());
  held_ = false;
  bool tookRegistry = false;
  if (reg.state == Found::Sound && file.state == Found::Sound &&
      std::memcmp(fromReg.get(), fromFile.get(), kConfigSize) != 0) {
    // Both copies can be used but tell different halls (a save that reached only one of them,
    // a copy put back by hand): the one with fewer odd values is taken, the registry's on a
    // tie as it has always been read first. The other stays on disk until the next save.
    tookRegistry = reg.odd.size() <= file.odd.size();
    config = tookRegistry ? *fromReg : *fromFile;
    const auto count = [](const Found& f) { return std::to_string(f.odd.size()); };
    const Found& taken = tookRegistry ? reg : file;
    const Found& other = tookRegistry ? file : reg;
    // The next save (the scheduler's, at the next change of day) writes over the other copy,
    // which may be the newer one: it is kept aside where the settings tab opens "*.cfg" files.
    std::string kept;
    const fs::path aside = asideFile();
    if (!readOnly &&
        writeFileAtomic(aside, tookRegistry ? fromFile.get() : fromReg.get(), kConfigSize))
      kept = "; её содержимое сохранено в " + utf8Of(aside);
    tell("Копии конфигурации различаются: взята " + (tookRegistry ? regName : fileName) +
         " (необычных значений: " + count(taken) + "); " + (tookRegistry ? fileName : regName) +
         " (необычных значений: " + count(other) + ") оставлена как есть до следующей записи" +
         kept);
    noteOdd(tookRegistry ? regName : fileName, taken.odd);
  } else if (reg.state == Found::Sound) {
    tookRegistry = true;
    config = *fromReg;
    // The file is left as it is: the next save rewrites it, until then it can be rescued.
    if (file.state == Found::Damaged)
      tell(fileName + " повреждена: " + file.why + "; взята копия реестра");
    noteOdd(regName, reg.odd);
  } else if (file.state == Found::Sound) {
    config = *fromFile;
    if (reg.state == Found::Damaged)
      tell(regName + " повреждена: " + reg.why + "; заменена содержимым \"config.cfg\"");
    noteOdd(fileName, file.odd);
    if (opened && !readOnly && !regWrite(key, registryDir_, config))
      say("Запись в реестр. ОШИБКА 3");
  } else if (file.state == Found::Absent && reg.state == Found::Absent) {
    // First start on a clean machine: both copies get the record of one incubator.
    setEmpty(config);
    if (readOnly) {
      // The copy that holds the working folder makes them.
    } else if (!writeFileAtomic(configFile(), &config, kConfigSize)) {
      say("Ошибка файла конфигурации: " + utf8Of(configFile()));
    } else if (opened && !regWrite(key, registryDir_, config)) {
      say("Запись в реестр. ОШИБКА 3");
    }
  } else {
    // No copy can be used. Neither is written, by this start-up or by anything after it, until
    // the operator saves on purpose: a copy is never refilled from a damaged one, and a damaged
    // one stays on disk for the operator to rescue.
    setEmpty(config);
    held_ = true;
    heldTold_ = false;
    const char* const none = "; пригодной копии нет, взята пустая конфигурация";
    if (file.state == Found::Unreadable) say("Ошибка файла конфигурации: " + utf8Of(configFile()));
    if (reg.state == Found::Damaged) tell(regName + " повреждена: " + reg.why + none);
    if (file.state == Found::Damaged) tell(fileName + " повреждена: " + file.why + none);
  }
  if (opened) regClose(key);
  return tookRegistry;
}

bool ConfigStore::ReadFileConfig() {
  auto loaded = std::make_unique<TFile_config>();
  const Found file = loadRecordFile(configFile(), *loaded);
  switch (file.state) {
    case Found::Sound:
      config = *loaded;
      held_ = false;
      noteOdd(fileCopyName(configFile()), file.odd);
      return true;
    case Found::Absent:
      setEmpty(config);
      return readOnly || writeFileAtomic(configFile(), &config, kConfigSize);
    case Found::Damaged:
      tell(fileCopyName(configFile()) + " повреждена: " + file.why + "; не загружена");
      return false;
    case Found::Unreadable:
      break;
  }
  return false;
}

bool ConfigStore::Write_config(SaveBy by) {
  if (readOnly) {
    say(kReadOnlyRefusal);
    return false;
  }
  if (held_ && by == SaveBy::Window) {
    say(kHeldRefusal);
    return false;
  }
  if (held_ && by == SaveBy::Program) {
    if (!heldTold_ && note) note(kHeldRefusal);
    heldTold_ = true;
    return false;
  }
  held_ = false;
  const bool reg = RegKeyWrite();
  const bool file = WriteFileconfig();
  return reg && file;
}

bool ConfigStore::RegKeyWrite() {
  HKEY key{};
  if (!regOpen(registryDir_, key)) {
    say("Открытие Реестра. ОШИБКА 1");
    return false;
  }
  const bool ok = regWrite(key, registryDir_, config);
  regClose(key);
  if (!ok) say("Запись в реестр. ОШИБКА 2");
  return ok;
}

bool ConfigStore::WriteFileconfig() {
  if (writeFileAtomic(configFile(), &config, kConfigSize)) return true;
  say("Ошибка записи файла: " + utf8Of(configFile()));
  return false;
}

void ConfigStore::read_INKconfig(const fs::path& path, int nk) {
  if (nk < 0 || nk >= static_cast<int>(configINK.size())) return;
  TFile_INKconfig& entry = configINK[static_cast<std::size_t>(nk)];
  std::error_code ec;
  if (fs::exists(path, ec)) {
    // A file that cannot be read leaves the entry as it was; a short one fills its length.
    TFile_INKconfig loaded = entry;
    int err = 0;
    const long long n = readPrefix(path, &loaded, kProgramSize, err);
    if (n > 0) std::memcpy(&entry, &loaded, static_cast<std::size_t>(n));
    return;
  }
  if (ec || readOnly) return;
  if (writeFileAtomic(path, &entry, kProgramSize))
    say("Создан новый(ПУСТОЙ!) файл Режима инкубации: " + utf8Of(path));
}

void ConfigStore::loadPrograms() {
  const fs::path rezim = home_ / "rezim";
  const int rows = usableRows(config);
  for (int nk = 0; nk < rows; ++nk) {
    const auto k = static_cast<std::size_t>(nk);
    if (!config.konfig_INK[k]) continue;
    fs::path path;
    if (!programPath(rezim, config.konfig_finkub[k].utf8(), path)) continue;
    read_INKconfig(path, nk);
    std::int32_t day = 0;
    if (lastProgramDay(configINK[k], day))
      config.konfig_DenKON[k] = static_cast<std::int8_t>(static_cast<std::uint8_t>(day & 0xFF));
  }
}

namespace {

// Why a record file that was not found Sound cannot be taken, in the operator's words.
std::string refusalOf(const Found& got) {
  switch (got.state) {
    case Found::Sound:
      return {};
    case Found::Damaged:
      return got.why;
    case Found::Absent:
      return "файл не найден";
    case Found::Unreadable:
      break;
  }
  return "файл не читается";
}

}  // namespace

std::string ConfigStore::cfgRefusal(const fs::path& path, std::vector<std::string>* odd) const {
  auto loaded = std::make_unique<TFile_config>();
  const Found got = loadRecordFile(path, *loaded);
  if (odd && got.state == Found::Sound) *odd = got.odd;
  return refusalOf(got);
}

bool ConfigStore::importCfg(const fs::path& path, std::string* why) {
  auto loaded = std::make_unique<TFile_config>();
  const Found got = loadRecordFile(path, *loaded);
  if (got.state != Found::Sound) {
    if (why) *why = refusalOf(got);
    return false;
  }
  limitCount(*loaded);
  config_p = *loaded;
  noteOdd("Файл конфигурации (" + utf8Of(path) + ")", got.odd);
  return true;
}

bool ConfigStore::exportCfg(const fs::path& path, int spinCount) {
  if (spinCount < 1) spinCount = 1;
  if (spinCount > kMaxRows) spinCount = kMaxRows;
  config_p.kol_inkub = static_cast<std::uint8_t>(spinCount);
  return writeFileAtomic(path, &config_p, kConfigSize);
}

}  // namespace vs
