#include "app/ui/Screenshots.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "alarms/ui/TAlarmsF.h"
#include "app/BusStation.h"
#include "app/ui/AppWindows.h"
#include "app/ui/ModalBoxes.h"
#include "app/ui/TForm4.h"
#include "boards/ui/TObnovF.h"
#include "boards/ui/TZaslonkiF.h"
#include "boards/ui/TlotkiF.h"
#include "bus/ui/TForm100.h"
#include "bus/ui/TForm14.h"
#include "config/ui/TForm15.h"
#include "config/ui/TFormUST.h"
#include "history/ui/TForm12.h"
#include "history/ui/TForm16.h"
#include "history/ui/TabCharts.h"
#include "mimic/ui/TDispetch.h"
#include "mimic/ui/TForm13.h"
#include "notify/ui/TgsmF.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TForm5.h"
#include "programs/ui/TRezimForm.h"
#include "report/ui/ShiftReportWindow.h"
#include "setpoints/ui/TNastrDF.h"
#include "setpoints/ui/TParamWriteF.h"
#include "setpoints/ui/TWriteF.h"
#include "station/MainTableLayout.h"
#include "station/ui/IncubatorTable.h"
#include "station/ui/TForm1.h"
#include "station/ui/TForm9.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

QString qpath(const fs::path& p) {
  const std::u8string u = p.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(u.data()),
                           static_cast<qsizetype>(u.size()));
}

QString className(const QWidget* w) {
  return QString::fromLatin1(w->metaObject()->className()).section("::", -1);
}

// The folder of the pictures; a picture that cannot be written is said at once.
struct Pictures {
  QDir dir;
  bool allSaved = true;

  void save(QWidget* w, const QString& name) {
    const QString path = dir.filePath(name);
    if (w->grab().save(path)) return;
    allSaved = false;
    std::cerr << "Vetrostan: the picture " << path.toStdString() << " could not be written\n";
  }
};

// The history of the first logged incubator whose log exists: the chart tab with every series
// and the setpoint series of "Доп.", the "Доп." window, the spreadsheet export of that log,
// and the program window with its log settings.
void saveHistoryScreens(AppWindows& w, Workstation& ws, const LogWriter& logs, Pictures& out) {
  const TFile_config& cfg = ws.store.config;
  QString log;
  int row = 0;
  for (int nk = 0; nk < usableRows(cfg) && log.isEmpty(); ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    const fs::path p = logs.filPath(nk);
    std::error_code ec;
    if (cfg.konfig_Write[n] && fs::exists(p, ec)) {
      log = qpath(p);
      row = nk;
    }
  }
  if (w.form2) {
    w.form2->openFor(row);
    out.save(w.form2, "TForm2.png");
    w.form2->close();
  }
  if (log.isEmpty()) return;
  TabCharts* charts = w.form1->chartsTab();
  QTabWidget* pages = w.form1->pageControl();
  pages->setCurrentWidget(charts);
  for (int i = 0; i < kLogSeries; ++i) charts->seriesButton(i)->setChecked(true);
  charts->gapButton()->setChecked(false);  // the pause in the demo's log shows as a break
  // Both logs are read on a worker: the pictures wait for them (30 s at most each).
  const auto waitFor = [](auto* sender, auto finished, auto start) {
    QEventLoop done;
    QObject::connect(sender, finished, &done, &QEventLoop::quit);
    QTimer::singleShot(30000, &done, &QEventLoop::quit);
    if (start()) done.exec();
  };
  waitFor(charts, &TabCharts::loadFinished, [&] { return charts->load(log); });
  if (TForm16* extra = charts->extraWindow()) {
    extra->show();
    extra->refresh();
    for (int i = 0; i < 8; ++i) extra->box(i)->setChecked(true);
    waitFor(extra, &TForm16::readFinished, [&] { return extra->read(); });
    out.save(extra, "TForm16.png");
    extra->close();
  }
  out.save(w.form1.get(), "TForm1_charts.png");
  pages->setCurrentIndex(0);
  if (w.form12) {
    w.form12->openCheck()->setChecked(false);
    w.form12->show();
    // The conversion runs on its own thread: the picture shows its outcome.
    QEventLoop wait;
    QObject::connect(w.form12, &TForm12::converted, &wait, &QEventLoop::quit);
    QTimer::singleShot(30000, &wait, &QEventLoop::quit);
    w.form12->convert(log);
    if (w.form12->busy()) wait.exec();
    out.save(w.form12, "TForm12.png");
    w.form12->close();
  }
}

// True when some polled incubator runs a program: only then does a first queue get written.
bool programsWillRun(const TFile_config& cfg) {
  for (int nk = 0; nk < usableRows(cfg); ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (cfg.konfig_o[n] && cfg.konfig_INK[n]) return true;
  }
  return false;
}

// The program editor on the first incubator, and the report window once the first queue of
// the programs has been written (30 s at most).
void saveProgramScreens(AppWindows& w, const TFile_config& cfg, Pictures& out) {
  if (w.rezimForm) {
    w.rezimForm->select(w.form2 ? w.form2->row() : 0);
    w.rezimForm->show();
    out.save(w.rezimForm, "TRezimForm.png");
    w.rezimForm->close();
  }
  if (!w.form5) return;
  if (programsWillRun(cfg)) {
    QElapsedTimer waited;
    waited.start();
    // A program ended meanwhile (a signal) runs no more loops: this would only spin.
    while (waited.elapsed() < 30000 && w.form1->isVisible() &&
           !w.form5->log()->toPlainText().contains(QString::fromUtf8("Получен второй ответ"))) {
      QEventLoop wait;
      QTimer::singleShot(200, &wait, &QEventLoop::quit);
      wait.exec();
    }
    QEventLoop more;  // a few more lines of the queue
    QTimer::singleShot(6000, &more, &QEventLoop::quit);
    more.exec();
  }
  w.form5->resize(640, 360);
  out.save(w.form5, "TForm5.png");
}

// Pictures of the main window (each tab, and a hover panel over the first row) and of the
// dialogs, for documentation and checks.
bool saveScreenshots(AppWindows& w, BusStation& bus, const fs::path& dir) {
  Workstation& ws = bus.ws;
  std::error_code ec;
  fs::create_directories(dir, ec);
  Pictures out{QDir(qpath(dir))};
  QTabWidget* pages = w.form1->pageControl();
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    out.save(w.form1.get(), QString("TForm1_tab%1.png").arg(i));
  }
  pages->setCurrentIndex(0);
  IncubatorTable* table = w.form1->table();
  const int help = ws.settings.Help;
  ws.settings.Help = 1;
  for (const auto& [column, name] :
       {std::pair{1, "TForm1_hoverT.png"},
        std::pair{humidityColumn(table->kolT()), "TForm1_hoverV.png"}}) {
    const QRect cell = table->grid()->visualRect(table->grid()->model()->index(0, column - 1));
    const QPoint at = table->grid()->viewport()->mapTo(table, cell.center()) + QPoint(0, 120);
    table->TableTMouseMove(column, 1, at);
    out.save(w.form1.get(), QString::fromLatin1(name));
  }
  table->TableTMouseMove(-1, -1, {});
  ws.settings.Help = help;
  for (QWidget* d : {static_cast<QWidget*>(w.formUST), static_cast<QWidget*>(w.form15),
                     static_cast<QWidget*>(w.form4), static_cast<QWidget*>(w.form100),
                     static_cast<QWidget*>(w.form14), static_cast<QWidget*>(w.writeF),
                     static_cast<QWidget*>(w.lotkiF), static_cast<QWidget*>(w.form13)}) {
    if (!d) continue;
    d->adjustSize();
    out.save(d, className(d) + ".png");
  }
  saveHistoryScreens(w, ws, bus.logs, out);
  // Windows that fill themselves from the answers while shown: the detail window, the
  // parameter editor and the configuration window, each on the first incubator; the alarm
  // list as it stands.
  const std::vector<QWidget*> live{w.form9, w.paramWriteF, w.nastrDF,  w.zaslonkiF,
                                   w.gsmF,  w.obnovF,      w.dispetch, w.alarmsF};
  for (QWidget* d : live)
    if (d) d->show();
  QEventLoop answers;
  QTimer::singleShot(2500, &answers, &QEventLoop::quit);
  answers.exec();
  for (QWidget* d : live) {
    if (!d) continue;
    out.save(d, className(d) + ".png");
    d->close();
  }
  saveProgramScreens(w, ws.store.config, out);
  // The shift's record sheet of the present shift, made on its worker (30 s at most).
  if (ShiftReportWindow* r = w.shiftReportF) {
    QEventLoop made;
    QObject::connect(r, &ShiftReportWindow::made, &made, &QEventLoop::quit);
    QTimer::singleShot(30000, &made, &QEventLoop::quit);
    r->show();
    if (r->making()) made.exec();
    out.save(r, "ShiftReportWindow.png");
    r->close();
  }
  w.form1->show();
  return out.allSaved;
}

// True once every polled row has answered, or has been polled twice without an answer: the
// table shows a whole cycle of live values.
bool wholeCycleShown(const Station& st) {
  const TFile_config& cfg = st.config();
  for (int nk = 0; nk < st.kol_inkub(); ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (cfg.konfig_o[n] && st.kol_byte_opros[n] == 0 && st.tab_otvetR[n] < 2) return false;
  }
  return true;
}

}  // namespace

void pictureBoxesInto(ModalBoxes& boxes, const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  boxes.pictureInto(QDir(qpath(dir)));
}

void startScreenshotRun(AppWindows& w, BusStation& bus, const fs::path& dir, bool& allSaved) {
  TForm1* main = w.form1.get();
  // The pictures show live values: they wait for a whole poll cycle (20 s at most). With the
  // hub on, its table goes at once so that the adapter window shows the hub's version.
  if (bus.link.RS485_4) bus.hub.Write_4RS485();
  auto* wait = new QTimer(main);
  auto* since = new QElapsedTimer;
  since->start();
  QObject::connect(wait, &QTimer::timeout, main, [&w, &bus, &allSaved, dir, main, wait, since] {
    if (!wholeCycleShown(bus.station) && since->elapsed() < 20000) return;
    wait->stop();
    delete since;
    if (!saveScreenshots(w, bus, dir)) allSaved = false;
    main->close();
  });
  wait->start(200);
}

}  // namespace vs
