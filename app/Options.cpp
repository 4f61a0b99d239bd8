#include "app/Options.h"

#include <utility>

#include "web/WebRequest.h"

namespace vs {

namespace {

// Matches "--name VALUE" and "--name=VALUE"; advances `i` past the value it took.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value, std::string& error, const char* expected = "a folder") {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) {
      if (error.empty()) error = name + ": " + expected + " is expected";
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

void setError(Options& o, std::string text) {
  if (o.error.empty()) o.error = std::move(text);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args,
                     const std::filesystem::path& programDir) {
  Options o;
  o.home = programDir;
  bool averageGiven = false, formatGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (takeValue(args, i, "--home", value, o.error)) {
      if (!value.empty())
        o.home = value;
      else if (o.error.empty())
        o.error = "--home: a folder is expected";
    } else if (takeValue(args, i, "--screenshot", value, o.error)) {
      o.screenshot = value;
    } else if (takeValue(args, i, "--export", value, o.error, "a log file")) {
      if (!value.empty())
        o.exportLog = value;
      else
        setError(o, "--export: a log file is expected");
    } else if (takeValue(args, i, "--average", value, o.error, "1, 10, 100 or 1000")) {
      averageGiven = true;
      if (value == "1" || value == "10" || value == "100" || value == "1000")
        o.exportAverage = std::stoi(value);
      else
        setError(o, "--average: \"" + value + "\" is not one of 1, 10, 100, 1000");
    } else if (takeValue(args, i, "--format", value, o.error, "xls, xlsx or csv")) {
      formatGiven = true;
      if (value == "xls")
        o.exportFormat = SheetFormat::Xls;
      else if (value == "xlsx")
        o.exportFormat = SheetFormat::Xlsx;
      else if (value == "csv")
        o.exportFormat = SheetFormat::Csv;
      else
        setError(o, "--format: \"" + value + "\" is not one of xls, xlsx, csv");
    } else if (takeValue(args, i, "--web", value, o.error, "[ADDR:]PORT")) {
      if (web::parseListen(value))
        o.web = value;
      else
        setError(o, "--web: \"" + value + "\" is not [ADDR:]PORT");
    } else if (args[i] == "--headless") {
      o.headless = true;
    } else if (args[i] == "--demo") {
      o.demo = true;
    } else {
      o.extra.push_back(args[i]);
    }
  }
  // Without --export they would be ignored while the program starts its windows instead.
  if (o.exportLog.empty() && (averageGiven || formatGiven))
    setError(o, "--average and --format go with --export FILE");
  return o;
}

}  // namespace vs
