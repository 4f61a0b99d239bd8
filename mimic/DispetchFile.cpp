#include "mimic/DispetchFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "common/AtomicFile.h"
#include "config/SettingsFile.h"

namespace vs {
namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "Dispetch";
constexpr const char* kKey = "Form_File";
constexpr const char* kOldWarning = "Файл в старом формате! Обязательно сохранить";

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string reason(int err) {
  return err ? std::generic_category().message(err) : "неизвестная ошибка";
}

// The empty document: no elements, the marker, no background chosen; the rest as it was.
void makeEmpty(konstrT& ks) {
  ks.kol_Lb = 0;
  ks.kol_Dsk = 0;
  ks.kol_Za = 0;
  ks.kol_Na = 0;
  ks.chifr = kChifr;
  ks.ImOn = 0;
}

// A free name beside `file` for keeping it aside: "name.bak1.cfg", "name.bak2.cfg", ...
fs::path asideName(const fs::path& file) {
  std::error_code ec;
  for (int n = 1;; ++n) {
    fs::path candidate =
        file.parent_path() / (file.stem().u8string() + u8".bak" +
                              pathOf(std::to_string(n)).u8string() + file.extension().u8string());
    if (!fs::exists(candidate, ec) && !ec) return candidate;
    if (n > 9999) return {};
  }
}

}  // namespace

DispFormat readDispFile(const fs::path& path, konstrT& ks1, konstrT255& ks255) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return DispFormat::Missing;
  if (ec || !fs::is_regular_file(st)) return DispFormat::Unreadable;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return DispFormat::Unreadable;
  if (size == sizeof(konstrT)) {
    const long long n = readFilePrefix(path, &ks1, sizeof ks1);
    if (n < 0) return DispFormat::Unreadable;
    if (static_cast<std::size_t>(n) == sizeof ks1 && ks1.chifr == kChifr)
      return DispFormat::Current;
  } else if (size == sizeof(konstrT255)) {
    const long long n = readFilePrefix(path, &ks255, sizeof ks255);
    if (n < 0) return DispFormat::Unreadable;
    if (static_cast<std::size_t>(n) == sizeof ks255 && ks255.chifr == kChifr)
      return DispFormat::Old;
  }
  return DispFormat::Foreign;
}

void convertOld(const konstrT255& old, konstrT& into) {
  std::memset(static_cast<void*>(&into), 0, sizeof into);
  // The head has the same layout in both formats.
  static_assert(offsetof(konstrT, Lb) == offsetof(konstrT255, Lb));
  std::memcpy(static_cast<void*>(&into), &old, offsetof(konstrT, Lb));
  for (std::size_t i = 0; i < kOldSlots; ++i) {
    into.Lb[i] = old.Lb[i];
    into.Dsk[i] = old.Dsk[i];
    into.Na[i] = old.Na[i];
    into.Za[i] = old.Za[i];
  }
  const auto cut = [](std::int32_t& kol) {
    if (kol > kOldSlots) kol = kOldSlots;
  };
  cut(into.kol_Lb);
  cut(into.kol_Dsk);
  cut(into.kol_Za);
  cut(into.kol_Na);
  into.ColorOFF = old.ColorOFF;
  into.kpdtOFF = old.kpdtOFF;
  into.pad2 = old.pad2;
  into.chifr = old.chifr;
}

bool plainFileName(const std::string& utf8) {
  if (utf8.empty() || utf8 == "." || utf8 == "..") return false;
  // A drive letter ("C:name") is a folder part on Windows.
  return utf8.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

std::string withCfgExtension(const std::string& utf8) {
  return pathOf(utf8).has_extension() ? utf8 : utf8 + ".cfg";
}

MimicDocument::MimicDocument(fs::path home, fs::path iniPath, std::string programName)
    : KS(std::make_unique<konstrT>()),
      KS1(std::make_unique<konstrT>()),
      KS255(std::make_unique<konstrT255>()),
      home_(std::move(home)),
      iniPath_(std::move(iniPath)),
      programName_(std::move(programName)) {}

void MimicDocument::say(const std::string& text) const {
  if (message) message(text);
}

void MimicDocument::note(const std::string& text) const {
  if (journal) journal(text);
}

void MimicDocument::readFileDisp() {
  IniFile ini;
  ini.load(iniPath_);
  // No name stored yet means the default document, not an unknown one to be put aside.
  File_Disp = ini.readString(kSection, kKey, defaultName());
}

bool MimicDocument::writeFileDisp() {
  if (readOnly) return true;
  if (saveKey(iniPath_, kSection, kKey, File_Disp)) return true;
  say("Ошибка записи файла: " + utf8Of(iniPath_) + " (" + reason(errno) + ")");
  return false;
}

std::optional<fs::path> MimicDocument::documentPath() const {
  if (!plainFileName(File_Disp)) return std::nullopt;
  return dispDir() / pathOf(File_Disp);
}

bool MimicDocument::OpenDispetch() {
  for (const char* folder : {"img", "disp"}) {
    if (readOnly) break;
    std::error_code ec;
    fs::create_directories(home_ / folder, ec);
    if (!fs::is_directory(home_ / folder, ec))
      say(std::string("Ошибка: папка ") + folder + " не создана.");
  }
  const std::optional<fs::path> path = documentPath();
  const DispFormat format = path ? readDispFile(*path, *KS1, *KS255) : DispFormat::Missing;
  switch (format) {
    case DispFormat::Current:
      *KS = *KS1;
      return true;
    case DispFormat::Old:
      convertOld(*KS255, *KS1);
      *KS = *KS1;
      note("Инкубаторий " + utf8Of(*path) + " в старом формате: преобразован, файл не изменён");
      say(kOldWarning);
      return true;
    case DispFormat::Missing:
      break;
    case DispFormat::Unreadable:
    case DispFormat::Foreign:
      note("Инкубаторий " + utf8Of(*path) +
           (format == DispFormat::Unreadable ? " не читается" : " не в формате") +
           ": создан пустой " + defaultName());
      break;
  }
  NewDispetchCfg();
  return false;
}

bool MimicDocument::NewDispetchCfg() {
  File_Disp = defaultName();
  File_DispNewOn = false;
  makeEmpty(*KS);
  if (readOnly) return true;  // shown empty, the folder left to the copy that holds it
  const fs::path path = dispDir() / pathOf(File_Disp);
  bool written = false;
  std::error_code ec;
  const fs::file_type there = fs::symlink_status(path, ec).type();
  if (there != fs::file_type::not_found && there != fs::file_type::none) {
    // Whatever stands under the default name may be the operator's only copy of a picture.
    const fs::path aside = asideName(path);
    std::error_code rc;
    if (!aside.empty()) fs::rename(path, aside, rc);
    if (aside.empty() || rc) {
      note("Инкубаторий " + utf8Of(path) + " не отложен (" + (rc ? rc.message() : "нет имени") +
           "), пустой не записан");
      say("Ошибка записи файла: " + utf8Of(path) + " (файл не удалось отложить). Файл не изменён.");
    } else {
      note("Инкубаторий " + utf8Of(path) + " отложен как " + utf8Of(aside.filename()) +
           ", создан пустой");
      written = writeDocument(File_Disp);
    }
  } else {
    written = writeDocument(File_Disp);
  }
  writeFileDisp();
  return written;
}

bool MimicDocument::Zagruzit(const fs::path& chosen) {
  std::error_code ec;
  if (!fs::exists(chosen, ec)) {
    say("Файл не найден." + utf8Of(chosen));
    return false;
  }
  switch (readDispFile(chosen, *KS1, *KS255)) {
    case DispFormat::Current:
      break;
    case DispFormat::Old:
      say(kOldWarning);
      convertOld(*KS255, *KS1);
      break;
    default:
      say("Файл не в формате.");
      return false;
  }
  *KS = *KS1;
  File_Disp = utf8Of(chosen.filename());
  // A name chosen by "Создать" was for the document now replaced.
  File_DispNewOn = false;
  return true;
}

bool MimicDocument::writeDocument(const std::string& name) {
  const fs::path path = dispDir() / pathOf(name);
  if (!plainFileName(name)) {
    say("Ошибка записи файла: " + utf8Of(path) + " (имя с папкой). Файл не изменён.");
    return false;
  }
  errno = 0;
  if (writeFileAtomic(path, KS.get(), sizeof *KS)) return true;
  say("Ошибка записи файла: " + utf8Of(path) + " (" + reason(errno) + "). Файл не изменён.");
  return false;
}

bool MimicDocument::DispSave() {
  const std::string name = File_DispNewOn ? File_DispNew : File_Disp;
  if (!writeDocument(name)) return false;
  File_Disp = name;
  File_DispNewOn = false;
  return true;
}

bool MimicDocument::DispSaveAs(const std::string& name) {
  const std::string plain = withCfgExtension(utf8Of(pathOf(name).filename()));
  if (!writeDocument(plain)) return false;
  File_Disp = plain;
  File_DispNewOn = false;
  return true;
}

std::optional<fs::path> MimicDocument::backgroundFile(std::string& problem) const {
  problem.clear();
  if (KS->ImOn != 'o') return std::nullopt;
  const std::string name = KS->Im_f.utf8();
  const fs::path path = dispDir() / pathOf(name);
  std::error_code ec;
  if (plainFileName(name) && fs::is_regular_file(path, ec)) return path;
  problem = "файл фона ошибочный (" + utf8Of(path) + ")";
  return std::nullopt;
}

std::string MimicDocument::konstruktorCaption() const {
  return "Конструктор   " + File_Disp + "   " + KS->Im_f.utf8();
}

std::string MimicDocument::backgroundLabel() const {
  return KS->ImOn == 'o' ? KS->Im_f.utf8() : std::string("--");
}

std::string MimicDocument::mimicCaption(int screenWidth, int screenHeight) const {
  return "Разрешение экрана " + std::to_string(screenWidth) + " * " + std::to_string(screenHeight) +
         "   " + backgroundLabel();
}

}  // namespace vs
