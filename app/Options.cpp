#include "app/Options.h"

namespace vs {

namespace {

// Matches "--name VALUE" and "--name=VALUE"; advances `i` past the value it took.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value, std::string& error) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) {
      error = name + ": a folder is expected";
      return true;
    }
    value = args[++i];
    return true;
  }
  if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
    value = a.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args,
                     const std::filesystem::path& programDir) {
  Options o;
  o.home = programDir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (takeValue(args, i, "--home", value, o.error)) {
      if (!value.empty())
        o.home = value;
      else if (o.error.empty())
        o.error = "--home: a folder is expected";
    } else if (takeValue(args, i, "--screenshot", value, o.error)) {
      o.screenshot = value;
    } else if (args[i] == "--headless") {
      o.headless = true;
    } else if (args[i] == "--demo") {
      o.demo = true;
    } else {
      o.extra.push_back(args[i]);
    }
  }
  return o;
}

}  // namespace vs
