#include "app/ui/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <system_error>

#include "config/Workstation.h"
#include "web/WebRequest.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

fs::path pathOf(const QString& s) {
  return fs::path(s.toStdU16String());
}

// The parser's own first line names the program by the path it was started with, or not at
// all before the application object exists; ours shows both ways of starting it.
QString usageText(const QCommandLineParser& parser) {
  QString options = parser.helpText();
  const qsizetype at = options.indexOf(QLatin1String("Options:"));
  if (at > 0) options = options.mid(at);
  return QStringLiteral(
             "Usage: Vetrostan [--home DIR] [--headless] [--demo] [--web [ADDR:]PORT] "
             "[--screenshot DIR]\n"
             "       Vetrostan [--home DIR] [--demo] FILE.fil   (the log drawn on the charts)\n"
             "       Vetrostan --export FILE.fil [--average 1|10|100|1000] "
             "[--format xls|xlsx|csv]\n"
             "       Vetrostan [--home DIR] [--demo] --report YYYY-MM-DD   (the shifts' sheets)\n"
             "%1: the dispatcher workstation of an egg-incubation hall.\n\n")
             .arg(QString::fromUtf8(kAppTitle)) +
         options +
         QStringLiteral(
             "\nExit status:\n"
             "  0  done\n"
             "  1  no display for the windows; the shut-down could not write the settings; a\n"
             "     picture, the export or a shift report could not be written (the reason goes\n"
             "     to stderr)\n"
             "  2  a command line that cannot be used\n"
             "  3  a program without windows already runs on the working folder\n");
}

}  // namespace

QString versionLine() {
  return QStringLiteral("Vetrostan %1 (%2)\n")
      .arg(QString::fromUtf8(kVersion), QString::fromUtf8(kAppTitle));
}

CommandLine readCommandLine(const QStringList& arguments, const fs::path& programDir) {
  CommandLine c;
  Options& o = c.options;
  o.home = programDir;

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({"h", "help"}, "Print this help and exit.");
  const QCommandLineOption version({"v", "version"}, "Print the program's version and exit.");
  const QCommandLineOption home(
      "home",
      "Working folder with the settings, the configuration and the data folders "
      "(default: the program's folder).",
      "DIR");
  const QCommandLineOption headless(
      "headless", "No windows: poll the bus and write the files until SIGINT, SIGTERM or SIGHUP.");
  const QCommandLineOption demo("demo", "Run on a simulated hall in the folder DIR/demo.");
  const QCommandLineOption web(
      "web", "Serve the browser view of the hall there (it can only acknowledge alarms).",
      "[ADDR:]PORT");
  const QCommandLineOption screenshot(
      "screenshot", "Save pictures of the windows and of any message box into DIR, then quit.",
      "DIR");
  const QCommandLineOption exportLog(
      "export", "Convert a measurement log to a spreadsheet beside it, without windows.", "FILE");
  const QCommandLineOption average("average", "Records per row of the export (default 10).",
                                   "1|10|100|1000");
  const QCommandLineOption format("format", "Spreadsheet format of the export (default xls).",
                                  "xls|xlsx|csv");
  const QCommandLineOption report(
      "report",
      "Write the sheets (PDF and CSV, into DIR/report) of every shift that began on that day, "
      "without windows.",
      "YYYY-MM-DD");
  for (const QCommandLineOption* opt : {&help, &version, &home, &headless, &demo, &web, &screenshot,
                                        &exportLog, &average, &format, &report})
    parser.addOption(*opt);
  c.usage = usageText(parser);

  auto refuse = [&c](const QString& why) {
    c.action = CommandLine::Action::Refuse;
    c.error = why;
    return c;
  };
  if (!parser.parse(arguments)) return refuse(parser.errorText());
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return refuse(QStringLiteral("Unexpected argument '%1'.").arg(files.at(1)));
  if (parser.isSet(help)) {
    c.action = CommandLine::Action::Help;
    return c;
  }
  if (parser.isSet(version)) {
    c.action = CommandLine::Action::Version;
    return c;
  }

  if (parser.isSet(home)) {
    if (parser.value(home).isEmpty()) return refuse("--home: a folder is expected.");
    o.home = pathOf(parser.value(home));
  }
  o.headless = parser.isSet(headless);
  o.demo = parser.isSet(demo);
  if (parser.isSet(screenshot)) {
    if (parser.value(screenshot).isEmpty()) return refuse("--screenshot: a folder is expected.");
    if (o.headless) return refuse("--screenshot pictures the windows; --headless has none.");
    o.screenshot = pathOf(parser.value(screenshot));
  }
  if (parser.isSet(web)) {
    const QString v = parser.value(web);
    if (!web::parseListen(v.toStdString()))
      return refuse(QStringLiteral("--web: \"%1\" is not [ADDR:]PORT.").arg(v));
    o.web = v.toStdString();
  }
  if (parser.isSet(exportLog)) {
    if (parser.value(exportLog).isEmpty()) return refuse("--export: a log file is expected.");
    o.exportLog = pathOf(parser.value(exportLog));
  }
  if (parser.isSet(average)) {
    const QString v = parser.value(average);
    if (v != "1" && v != "10" && v != "100" && v != "1000")
      return refuse(QStringLiteral("--average: \"%1\" is not one of 1, 10, 100, 1000.").arg(v));
    o.exportAverage = v.toInt();
  }
  if (parser.isSet(format)) {
    const QString v = parser.value(format);
    if (v == "xls")
      o.exportFormat = SheetFormat::Xls;
    else if (v == "xlsx")
      o.exportFormat = SheetFormat::Xlsx;
    else if (v == "csv")
      o.exportFormat = SheetFormat::Csv;
    else
      return refuse(QStringLiteral("--format: \"%1\" is not one of xls, xlsx, csv.").arg(v));
  }
  if (parser.isSet(report)) {
    if (parser.value(report).isEmpty()) return refuse("--report: a date YYYY-MM-DD is expected.");
    if (!o.exportLog.empty()) return refuse("--report and --export are two different tasks.");
    if (!files.isEmpty()) return refuse("--report takes no FILE.fil.");
    if (!o.screenshot.empty() || o.headless || !o.web.empty())
      return refuse("--report writes its files and quits: no --headless, --web or --screenshot.");
    o.reportDate = parser.value(report).toStdString();
  }
  if (!files.isEmpty()) {
    // A log to draw: only a measurement log, which exists (a typo is said here, not by a box
    // after the windows are up), and only where there are windows to draw it in.
    const QString& f = files.constFirst();
    if (!f.endsWith(QLatin1String(".fil"), Qt::CaseInsensitive))
      return refuse(
          QStringLiteral("Unexpected argument '%1' (a measurement log is FILE.fil).").arg(f));
    if (o.headless) return refuse("FILE.fil is drawn on the charts; --headless has no windows.");
    if (!o.exportLog.empty()) return refuse("--export takes one log: FILE.fil is one too many.");
    std::error_code ec;
    const fs::path log = fs::absolute(pathOf(f), ec);
    if (ec || !fs::is_regular_file(log, ec))
      return refuse(QStringLiteral("%1: no such measurement log.").arg(f));
    o.openLog = log;
  }
  // Without --export they would be ignored while the program starts its windows instead.
  if (o.exportLog.empty() && (parser.isSet(average) || parser.isSet(format)))
    return refuse("--average and --format go with --export FILE.");
  return c;
}

}  // namespace vs
