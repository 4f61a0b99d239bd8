// The program Vetrostan: creates the workstation and its windows in their order, runs the
// start-up, and ends through the shut-down when the main window closes or on SIGINT, SIGTERM or
// SIGHUP.
#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QStringList>
#include <QSysInfo>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/BusStation.h"
#include "app/Demo.h"
#include "app/DemoHistory.h"
#include "app/ExportCommand.h"
#include "app/Options.h"
#include "app/ui/AppWindows.h"
#include "app/ui/AutoShiftReports.h"
#include "app/ui/CommandLine.h"
#include "app/ui/ModalBoxes.h"
#include "app/ui/ReportRun.h"
#include "app/ui/Screenshots.h"
#include "app/ui/SignalWatcher.h"
#include "app/ui/SingleInstance.h"
#include "app/ui/StationWiring.h"
#include "bus/ui/QtSerialBackend.h"
#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "mimic/ui/DemoMimic.h"
#include "sim/SimBus.h"
#include "sim/SimHall.h"
#include "station/ui/QtSoundPlayer.h"
#include "station/ui/TForm1.h"
#include "web/ui/WebView.h"

namespace fs = std::filesystem;
using namespace vs;

namespace {

constexpr const char* kHeadlessHint =
    "run with --headless for the station without windows, or --help for the options";

// Whether the windows have somewhere to go. Qt aborts the program when they have not; on
// Windows and macOS there is always a screen.
bool displayNamed() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  return false;
#else
  return true;
#endif
}

// While the application object is made, Qt's messages wait here: a display that is named but
// cannot be reached ends the program with one line that says so instead of an abort.
QtMessageHandler g_qtHandler = nullptr;
QStringList g_heldMessages;

void holdMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtFatalMsg) {
    g_heldMessages << text;
    return;
  }
  const QString why = g_heldMessages.isEmpty() ? text.section('\n', 0, 0) : g_heldMessages.first();
  std::cerr << "Vetrostan: the windows cannot be shown (" << why.simplified().toStdString() << "); "
            << kHeadlessHint << '\n';
  std::_Exit(kExitFailed);
}

std::unique_ptr<QApplication> makeApplication(int& argc, char** argv) {
  g_qtHandler = qInstallMessageHandler(holdMessage);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(g_qtHandler);
  for (const QString& text : std::exchange(g_heldMessages, {})) qWarning().noquote() << text;
  return app;
}

fs::path programDir(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::canonical("/proc/self/exe", ec);
  if (ec) exe = fs::absolute(argv0 ? argv0 : ".", ec);
  return exe.parent_path();
}

// What the program runs on, with or without windows: the workstation, its serial port (the
// adapter, or in the demo the simulated hall running on the monotonic clock) and the bus
// station over that port.
struct Plant {
  explicit Plant(const Options& opt)
      : sim(opt.demo ? makeHall(since, opt.home) : nullptr),
        serial(opt.demo ? nullptr : std::make_unique<QtSerialBackend>()),
        ws(opt.home, clock, opt.demo ? opt.home / "registry" : fs::path{}),
        bus(ws, sim ? static_cast<SerialBackend&>(*sim) : *serial) {
    if (serial)
      QObject::connect(serial.get(), &QtSerialBackend::bytesArrived, serial.get(),
                       [this] { bus.bytesArrived(); });
    if (sim) demoAlarms.attachTo(*sim);
    bus.sound.setPlayer(&soundPlayer);
  }

  // With the four-line hub switched on in the demo's settings, the hall hangs behind a hub.
  static std::unique_ptr<SimBus> makeHall(QElapsedTimer& since, const fs::path& home) {
    auto hall = std::make_unique<SimBus>();
    demoHall(*hall);
    IniFile ini;
    if (ini.load(home / "Vetrostan.INI") && ini.readBool("UST", "RS485_4", false)) demoHub(*hall);
    since.start();
    hall->setTimeSource([&since] { return since.nsecsElapsed() / 1000; });
    return hall;
  }

  SystemClock clock;
  QElapsedTimer since;
  DemoAlarms demoAlarms;  // outlives the simulated hall it listens on
  std::unique_ptr<SimBus> sim;
  std::unique_ptr<QtSerialBackend> serial;
  QtSoundPlayer soundPlayer;  // outlives the bus station that plays on it
  Workstation ws;
  BusStation bus;
};

// Without windows the link's messages (an adapter that cannot be opened) go where every
// message goes: standard error and the journal.
class HeadlessLinkView final : public UsbLinkView {
 public:
  explicit HeadlessLinkView(const Workstation& ws) : ws_(ws) {}
  void showMessage(const std::string& text) override { ws_.show(text); }

 private:
  const Workstation& ws_;
};

std::string utf8(const QString& s) {
  return s.toStdString();
}

// The lock of the working folder could not be made: say that a second copy would go unseen.
void reportLockProblem(Workstation& ws, const SingleInstance& single) {
  if (single.problem().isEmpty()) return;
  ws.report("Файл блокировки " + utf8(SingleInstance::lockPathFor(ws.home())) + " не создан (" +
            utf8(single.problem()) + "): вторая копия программы на этой папке не будет замечена");
}

int runHeadless(const Options& opt, int argc, char** argv) {
  // No window is shown, but the shift's sheets are drawn: fonts and a painter, not a screen.
  // Whatever platform the environment names (a desktop's "xcb" over ssh has no display), the
  // station without windows must start.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  SignalWatcher watcher;
  // A service started twice on one folder would fight the first for the bus and its files.
  SingleInstance single(SingleInstance::lockPathFor(opt.home));
  if (!single.isFirst()) {
    std::cerr << "Vetrostan: " << kSecondCopyCaption << " Рабочая папка " << opt.home.string()
              << " занята другой копией программы (процесс " << single.holderPid()
              << "); эта копия не запускается.\n";
    return kExitSecondCopy;
  }
  Plant plant(opt);
  Workstation& ws = plant.ws;
  BusStation& bus = plant.bus;
  bus.workFromStart();
  HeadlessLinkView linkView(ws);
  bus.link.setView(&linkView);
  // Without windows a message goes to standard error and the journal.
  ws.message = [&ws](const std::string& text) {
    std::cerr << text << '\n';
    ws.journal.Err(text);
  };
  bool saved = true;
  QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, [&] {
    saved = ws.shutDown();
    app.quit();
  });
  ws.startUp();
  reportLockProblem(ws, single);
  bus.startMqtt(QSysInfo::machineHostName().toStdString());
  StationTimers timers(bus);
  AutoShiftReports sheets(ws, bus);
  const auto webView = web::startWebView(opt.web, ws, bus.station, &bus.alarms.list);
  const int rc = app.exec();
  return rc != kExitDone ? rc : saved ? kExitDone : kExitFailed;
}

int runWindows(const Options& opt, int argc, char** argv) {
  std::unique_ptr<QApplication> made = makeApplication(argc, argv);
  QApplication& app = *made;
  QApplication::setApplicationDisplayName(QString::fromUtf8(kAppTitle));
  // Before any window: a box of the start-up is already one that neither a run of pictures
  // nor a signal may wait on.
  ModalBoxes boxes;
  if (!opt.screenshot.empty()) pictureBoxesInto(boxes, opt.screenshot);
  SignalWatcher watcher;
  // A signal ends the program through the main window's shut-down, whatever box is open. A
  // quit asked before app.exec() runs is lost, so until then the request only waits: boxes
  // opened meanwhile are closed, and the main loop's first pass takes it up.
  bool looping = false;
  QPointer<TForm1> mainWindow;
  std::function<void()> endProgram = [&] {
    if (mainWindow && mainWindow->isVisible()) {
      mainWindow->closeForShutdown();
      // Still inside the main window's own close (the signal came under the question it asks
      // before closing): once that has returned, the shut-down's close goes through.
      if (mainWindow->isVisible()) {
        QTimer::singleShot(100, &app, endProgram);
        return;
      }
    }
    // A window that refuses to close must not keep the program alive.
    QCoreApplication::exit(kExitDone);
  };
  QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, [&] {
    boxes.closeAll();
    if (looping) QTimer::singleShot(0, &app, endProgram);
  });
  SingleInstance single(SingleInstance::lockPathFor(opt.home));
  QPointer<TForm1> noticeBoard;  // outlives the plant, whose notices may name it
  // The demo hall's mimic picture is drawn here, where fonts are at hand.
  if (std::string why; opt.demo && !prepareDemoMimic(opt.home, &why))
    std::cerr << "Vetrostan: no mimic picture for the demo hall: " << why << '\n';
  Plant plant(opt);
  Workstation& ws = plant.ws;
  BusStation& bus = plant.bus;
  // A second copy on this folder keeps the warning of old and only watches: the bus, "dan.dan",
  // the settings and the configuration belong to the first.
  const bool secondCopy = !single.isFirst();
  if (secondCopy) {
    ws.setReadOnly(true);
    bus.watchOnly();
  }
  ws.windows = true;
  ws.message = [](const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(), QString::fromUtf8(kAppTitle),
                             QString::fromStdString(text));
  };
  // Notices go to the main window's status line once it exists (and to standard error always,
  // for whoever started the program from a terminal or a service manager).
  ws.notice = [&noticeBoard](const std::string& text) {
    std::cerr << text << '\n';
    if (!noticeBoard) return;
    noticeBoard->statusBar()->showMessage(
        QDateTime::currentDateTime().toString("dd.MM.yyyy H:mm:ss") + "  " +
        QString::fromStdString(text));
  };
  AppWindows w = createWindows(ws, secondCopy, appLinks(bus));
  connectStation(w, bus);
  bus.startMqtt(QSysInfo::machineHostName().toStdString());
  StationTimers timers(bus);
  // The sheet of each shift as it ends; a copy that only watches leaves that to the first.
  std::unique_ptr<AutoShiftReports> sheets;
  if (!secondCopy) sheets = std::make_unique<AutoShiftReports>(ws, bus);
  const auto webView = web::startWebView(opt.web, ws, bus.station, &bus.alarms.list);
  TForm1* main = w.form1.get();
  noticeBoard = main;
  reportLockProblem(ws, single);
  if (secondCopy)
    ws.report(std::string(kSecondCopyCaption) + " Процесс " + std::to_string(single.holderPid()) +
              " работает в этой папке; " + std::string(kSecondCopyNote).substr(3));
  QObject::connect(main, &TForm1::closed, &app, &QCoreApplication::quit);
  mainWindow = main;
  main->show();
  bool picturesSaved = true;
  if (!opt.screenshot.empty()) startScreenshotRun(w, bus, opt.screenshot, picturesSaved);
  // A log named on the command line is drawn once the main window shows.
  if (!opt.openLog.empty())
    QTimer::singleShot(0, main, [&w, log = opt.openLog] { openLogOnCharts(w, log); });
  QTimer::singleShot(0, &app, [&] {
    looping = true;
    if (watcher.requested()) endProgram();
  });
  const int rc = app.exec();
  return rc != kExitDone ? rc : picturesSaved ? kExitDone : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLine line = readCommandLine(arguments, programDir(argc > 0 ? argv[0] : nullptr));
  switch (line.action) {
    case CommandLine::Action::Help:
      std::cout << line.usage.toStdString();
      return kExitDone;
    case CommandLine::Action::Version:
      std::cout << versionLine().toStdString();
      return kExitDone;
    case CommandLine::Action::Refuse:
      std::cerr << "Vetrostan: " << line.error.toStdString() << "\n\n" << line.usage.toStdString();
      return kExitBadCommand;
    case CommandLine::Action::Run:
      break;
  }
  const Options& opt = line.options;
  // A conversion on the command line needs neither the station nor a window.
  if (!opt.exportLog.empty()) return runExport(opt);
  if (!opt.reportDate.empty()) return runReportCommand(opt, argc, argv);
  if (!opt.headless && !displayNamed()) {
    std::cerr << "Vetrostan: no display to show the windows on (DISPLAY, WAYLAND_DISPLAY and "
                 "QT_QPA_PLATFORM are not set); "
              << kHeadlessHint << '\n';
    return kExitFailed;
  }
  Options run = opt;
  std::error_code ec;
  if (run.demo) {
    run.home = demoFolder(opt.home);
    if (!prepareDemoFolder(run.home, SystemClock().now()))
      std::cerr << "Vetrostan: cannot prepare the demo folder " << run.home << '\n';
    std::string why;
    if (!recordDemoHistory(run.home, SystemClock().now(), why))
      std::cerr << "Vetrostan: no history for the demo hall: " << why << '\n';
  }
  fs::create_directories(run.home, ec);
  return run.headless ? runHeadless(run, argc, argv) : runWindows(run, argc, argv);
}
