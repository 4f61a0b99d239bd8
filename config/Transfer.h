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

struct TransferHooks {
  // After "config.cfg" was copied: read it, store it in the registry copy and load it.
  // Returns whether the registry copy was written.
  std::function<bool()> takeOverConfig;
  // After "Vetrostan.INI" was copied: the program takes the settings over.
  std::function<void()> takeOverSettings;
};

// Copies the ticked items from `from` (the folder of the previous installation) into `home`,
// in a fixed order, each on its own, and returns one message line per item (two for a
// configuration that reached the registry copy). Files and folder contents are overwritten.
std::vector<std::string> transferConfiguration(const std::filesystem::path& from,
                                               const std::filesystem::path& home,
                                               const TransferItems& items,
                                               const TransferHooks& hooks = {});

}  // namespace vs
