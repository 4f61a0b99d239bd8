// Reading and writing the settings file "Vetrostan.INI" and its companion ".INS".
#pragma once
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
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
  struct Section {
    std::string name;  // as first written
    std::vector<std::pair<std::string, std::string>> entries;
  };
  std::vector<Section> sections_;
  Section* find(const std::string& section);
  const Section* find(const std::string& section) const;
};

// Reads every key of the settings file into `s` (defaults where missing or malformed).
// A missing file gives the defaults.
void loadSettings(const std::filesystem::path& iniPath, Settings& s);

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
