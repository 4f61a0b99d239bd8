// Reading and writing the settings file "Vetrostan.INI" and its companion ".INS".
#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/Settings.h"

namespace vs {

// An INI file as the older installations wrote it: Windows-1251 text, CR LF (LF accepted),
// section and key names matched in any letter case, Booleans as "1"/"0". Text values are
// held in UTF-8. Sections and keys this program does not know are kept and written back.
class IniFile {
 public:
  bool load(const std::filesystem::path& path);  // false when the file cannot be read
  // Writes beside and renames; false on failure (the old file stays as it was).
  bool save(const std::filesystem::path& path) const;
  // The same from and to bytes: `parse` takes a file's whole content (a UTF-8 byte-order mark
  // or well-formed UTF-8 text is read as UTF-8, anything else as Windows-1251); `text` gives
  // what `save` writes (Windows-1251, CR LF, comment lines kept).
  void parse(std::string_view bytes);
  std::string text() const;

  bool has(const std::string& section, const std::string& key) const;
  std::string readString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // A value that is not a whole number counts as absent.
  int readInt(const std::string& section, const std::string& key, int def) const;
  // "1"/"0" (any integer: non-zero is true); anything else counts as absent.
  bool readBool(const std::string& section, const std::string& key, bool def) const;

  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInt(const std::string& section, const std::string& key, int value);
  void writeBool(const std::string& section, const std::string& key, bool value);

 private:
  // A comment line is held whole in `key`, with an empty value.
  struct Entry {
    std::string key;  // as first written
    std::string value;
  };
  struct Section {
    std::string name;  // as first written
    std::vector<Entry> entries;
  };
  // A key of one section, its name folded to one letter case.
  struct KeyRef {
    std::size_t section;
    std::string folded;
    bool operator==(const KeyRef&) const = default;
  };
  struct KeyRefHash {
    std::size_t operator()(const KeyRef& k) const noexcept;
  };

  // Sections and entries are only ever appended, so positions stay valid while the file
  // grows. Names are folded once, when they enter, and found through the two indexes: a file
  // of a hundred thousand sections reads and writes in time proportional to its size.
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionAt_;  // folded name -> sections_ position
  std::unordered_map<KeyRef, std::size_t, KeyRefHash> entryAt_;  // -> entries position
  // The section of that name (`folded` is its folded form), added at the end when new.
  std::size_t sectionNamed(std::string name, std::string folded);
  // A key met twice in one section stays in the text, but only the first is read and written.
  void addEntry(std::size_t section, std::string key, std::string value);
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t sectionOf(const std::string& section) const;                 // kNone when absent
  std::size_t entryOf(std::size_t section, const std::string& key) const;  // kNone when absent
  const Entry* find(const std::string& section, const std::string& key) const;
  void clear();
};

// Reads every key of the settings file into `s` (defaults where missing or malformed).
// A missing file gives the defaults. An enumerated setting whose whole-number value lies
// outside its choices also takes its default, and `problems` (when given) gets one line for
// the event journal per such key, e.g.
//   "Файл настроек: [Server] ServerP=5 вне допустимых значений 0..4, взято 0".
void loadSettings(const std::filesystem::path& iniPath, Settings& s,
                  std::vector<std::string>* problems = nullptr);

// Writes the shut-down keys (everything but [Nastr]) into the settings file, keeping what else
// is in it. Returns false when the file could not be written.
bool saveSettings(const std::filesystem::path& iniPath, const Settings& s);

// Writes the five [Nastr] keys of the general settings window.
bool saveNastr(const std::filesystem::path& iniPath, const Settings& s);

// Writes one key at once (used by the adapter window for "RS485_4").
bool saveKey(const std::filesystem::path& iniPath, const std::string& section,
             const std::string& key, const std::string& value);

// The ".INS" companion: section "Server", key "path" (remote station folder).
std::string loadServerPath(const std::filesystem::path& insPath);
bool saveServerPath(const std::filesystem::path& insPath, const std::string& path);

}  // namespace vs
