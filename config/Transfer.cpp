#include "config/Transfer.h"

#include <system_error>

namespace vs {
namespace fs = std::filesystem;

namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The entry `name` of a folder that an installation on a case-blind file system wrote: the
// exact name if it exists, else one that differs only in letter case.
fs::path entryOf(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  const fs::path exact = dir / name;
  if (fs::exists(exact, ec)) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (sameNoCase(it->path().filename().string(), name)) return it->path();
  return exact;
}

// Copied beside and renamed over the old file, so that a copy cut short (a full disk) leaves
// the working folder's own file whole.
bool copyFile(const fs::path& from, const fs::path& home, const std::string& name) {
  std::error_code ec;
  const fs::path src = entryOf(from, name);
  if (!fs::is_regular_file(src, ec)) return false;
  const fs::path dst = home / name;
  if (fs::exists(dst, ec) && fs::equivalent(src, dst, ec)) return false;
  const fs::path part = home / (name + ".transfer");
  if (!fs::copy_file(src, part, fs::copy_options::overwrite_existing, ec) || ec) {
    fs::remove(part, ec);
    return false;
  }
  fs::rename(part, dst, ec);
  if (!ec) return true;
  fs::remove(part, ec);
  return false;
}

bool copyFolder(const fs::path& from, const fs::path& home, const std::string& name) {
  std::error_code ec;
  const fs::path src = entryOf(from, name);
  if (!fs::is_directory(src, ec)) return false;
  const fs::path dst = home / name;
  if (fs::exists(dst, ec) && fs::equivalent(src, dst, ec)) return false;
  fs::copy(src, dst, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  return !ec;
}

std::string line(const std::string& item, bool ok) {
  return item + (ok ? " - успешно" : " - неудача");
}

}  // namespace

std::vector<std::string> transferConfiguration(const fs::path& from, const fs::path& home,
                                               const TransferItems& items,
                                               const TransferHooks& hooks) {
  std::vector<std::string> out;
  if (items.ini) {
    const bool ok = copyFile(from, home, "Vetrostan.INI");
    if (ok && hooks.takeOverSettings) hooks.takeOverSettings();
    out.push_back(line("Vetrostan.INI", ok));
  }
  if (items.config) {
    const std::string why =
        hooks.configRefusal ? hooks.configRefusal(entryOf(from, "config.cfg")) : std::string{};
    if (!why.empty()) {
      out.push_back(line("config.cfg", false) + ": " + why);
    } else if (!copyFile(from, home, "config.cfg")) {
      out.push_back(line("config.cfg", false));
    } else {
      const ConfigTakeOver took =
          hooks.takeOverConfig ? hooks.takeOverConfig() : ConfigTakeOver::Loaded;
      if (took == ConfigTakeOver::Stored)
        out.emplace_back("файл config.cfg скопирован в реестр Windows");
      out.push_back(took == ConfigTakeOver::NotLoaded
                        ? line("config.cfg", false) + ": файл скопирован, но не загружен"
                        : line("config.cfg", true));
    }
  }
  if (items.ink) out.push_back(line("configINK.cfg", copyFile(from, home, "configINK.cfg")));
  if (items.file) out.push_back(line("папка file", copyFolder(from, home, "file")));
  if (items.rezim) {
    // The success line of this item has always read "rezm"; operators know it so.
    out.push_back(copyFolder(from, home, "rezim") ? "папка rezm - успешно"
                                                  : "папка rezim - неудача");
  }
  if (items.sound) out.push_back(line("папка sound", copyFolder(from, home, "sound")));
  return out;
}

}  // namespace vs
