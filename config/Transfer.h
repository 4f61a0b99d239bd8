// Taking over the files of a previous installation into the working folder (the window
// "Перенос конфигурации"): the settings file, the plant configuration, the program table and
// the folders of logs, programs and sounds.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vs {

struct TransferItems {
  bool ini = true;     // "Vetrostan.INI"
  bool config = true;  // "config.cfg"
  bool file = true;    // "папка file"
  bool rezim = true;   // "папка rezim"
  bool sound = true;   // "папка sound"
  bool ink = true;     // "configINK.cfg"
};

// What became of a plant configuration copied in from another installation.
enum class ConfigTakeOver {
  NotLoaded,  // copied, but it could not be read back
  Loaded,     // copied and loaded; the registry copy could not be written
  Stored,     // copied, loaded and stored in the registry copy
};

struct TransferHooks {
  // Before "config.cfg" is copied: why the record there cannot be taken (empty: it can). One
  // that cannot be taken is not copied over the working folder's own.
  std::function<std::string(const std::filesystem::path& source)> configRefusal;
  // After "config.cfg" was copied: read it, store it in the registry copy and load it.
  std::function<ConfigTakeOver()> takeOverConfig;
  // After "Vetrostan.INI" was copied: the program takes the settings over.
  std::function<void()> takeOverSettings;
};

// Copies the ticked items from `from` (the folder of the previous installation) into `home`,
// in a fixed order, each on its own, and returns one message line per item (two for a
// configuration that reached the registry copy). Files and folder contents are overwritten,
// except a configuration that could not be taken: its line says why.
std::vector<std::string> transferConfiguration(const std::filesystem::path& from,
                                               const std::filesystem::path& home,
                                               const TransferItems& items,
                                               const TransferHooks& hooks = {});

}  // namespace vs
