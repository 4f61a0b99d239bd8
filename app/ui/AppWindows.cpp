#include "app/ui/AppWindows.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

#include "alarms/ui/TAlarmsF.h"
#include "app/ShiftReportInput.h"
#include "app/WindowOrder.h"
#include "app/ui/TForm4.h"
#include "boards/ui/TObnovF.h"
#include "boards/ui/TZaslonkiF.h"
#include "boards/ui/TlotkiF.h"
#include "bus/ui/TForm100.h"
#include "bus/ui/TForm14.h"
#include "config/Workstation.h"
#include "config/ui/SettingsTab.h"
#include "config/ui/TForm15.h"
#include "config/ui/TFormUST.h"
#include "history/ui/TForm12.h"
#include "history/ui/TabCharts.h"
#include "mimic/DispetchFile.h"
#include "mimic/ui/TDispetch.h"
#include "mimic/ui/TForm13.h"
#include "notify/ui/TgsmF.h"
#include "programs/ProgramScheduler.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TForm5.h"
#include "programs/ui/TRezimForm.h"
#include "report/ui/ShiftReportWindow.h"
#include "setpoints/ui/TForm3.h"
#include "setpoints/ui/TForm6.h"
#include "setpoints/ui/TNastrDF.h"
#include "setpoints/ui/TParamWriteF.h"
#include "setpoints/ui/TWriteF.h"
#include "setpoints/ui/ZonesTab.h"
#include "station/ui/TForm1.h"
#include "station/ui/TForm9.h"

namespace vs {

AppWindows::AppWindows() = default;
AppWindows::AppWindows(AppWindows&&) noexcept = default;
AppWindows& AppWindows::operator=(AppWindows&&) noexcept = default;
AppWindows::~AppWindows() = default;

namespace {

void wire(AppWindows& w) {
  TForm1* f1 = w.form1.get();
  if (w.formUST) {
    f1->actionGeneralSettings()->setEnabled(true);
    QObject::connect(f1->actionGeneralSettings(), &QAction::triggered, w.formUST,
                     [ust = w.formUST] { ust->exec(); });
    QObject::connect(w.formUST, &TFormUST::kolTChanged, f1, &TForm1::setKolT);
  }
  if (w.form4) {
    f1->actionAbout()->setEnabled(true);
    QObject::connect(f1->actionAbout(), &QAction::triggered, w.form4,
                     [f4 = w.form4] { f4->exec(); });
  }
  if (w.form4 && w.form15)
    QObject::connect(w.form4, &TForm4::transferRequested, w.form15, [f15 = w.form15] {
      f15->show();
      f15->raise();
      f15->activateWindow();
    });
  // The adapter window opens from "USB-настройки" and, modally, from "Настройка" on the
  // "Установки" tab.
  f1->settingsTab()->usbButton()->setEnabled(w.form100 != nullptr);
  if (w.form100) {
    f1->actionUsb()->setEnabled(true);
    QObject::connect(f1->actionUsb(), &QAction::triggered, w.form100, [f100 = w.form100] {
      f100->show();
      f100->raise();
    });
    QObject::connect(f1->settingsTab(), &SettingsTab::usbSettingsClicked, w.form100,
                     [f100 = w.form100] { f100->exec(); });
  }
  // A double-click in "Зоны" fills the pending write and opens the write dialog.
  if (w.writeF) f1->zonesTab()->hooks.writeDialog = [writeF = w.writeF] { writeF->exec(); };
  // The working-sensor and alarm-delay dialogs open from "Зоны" and write through the dialog.
  if (w.form3) {
    w.form3->writeDialog = f1->zonesTab()->hooks.writeDialog;
    f1->zonesTab()->hooks.workingSensor = [f3 = w.form3](int v, int col, int row) {
      f3->openFor(v, col, row);
    };
  }
  if (w.form6) {
    w.form6->writeDialog = f1->zonesTab()->hooks.writeDialog;
    f1->zonesTab()->hooks.alarmDelay = [f6 = w.form6](int v, int col, int) {
      f6->openFor(v, col, 0);
    };
  }
  // The parameter editor: shown and closed by its toolbar button, whose state follows the
  // window; modal on its ventilation page from the ventilation rows of "Зоны".
  if (TParamWriteF* pw = w.paramWriteF) {
    if (w.writeF)
      pw->editor().writeDialog = [writeF = w.writeF] {
        return writeF->exec() == QDialog::Accepted;
      };
    f1->hooks.paramEditor = [pw](bool down) {
      if (down) {
        pw->show();
        pw->raise();
      } else if (pw->isVisible()) {
        pw->close();
      }
    };
    QObject::connect(pw, &TParamWriteF::closedEditor, f1, [f1] {
      const QSignalBlocker quiet(f1->paramButton());
      f1->paramButton()->setChecked(false);
    });
    f1->zonesTab()->hooks.ventilationEditor = [pw] {
      pw->pages()->setCurrentIndex(3);
      if (pw->isVisible())
        pw->raise();
      else
        pw->exec();
    };
  }
  // The configuration window: shown by "Конфигурация автоматики", modal on one of its first
  // four pages from the configuration rows of "Зоны"; its writes go through the write dialog.
  if (TNastrDF* nd = w.nastrDF) {
    if (w.writeF)
      nd->engine().writeDialog = [writeF = w.writeF] {
        return writeF->exec() == QDialog::Accepted;
      };
    f1->hooks.automationConfig = [nd] {
      nd->show();
      nd->raise();
    };
    f1->zonesTab()->hooks.configWindow = [nd](int page) { nd->openOnPage(page); };
  }
  // "Просмотр 1 КП" shows the detail window and closes it; the detail window hides and shows
  // the main window and, when it closes, shows it again and releases that button.
  if (w.form9) {
    TForm9* f9 = w.form9;
    f1->hooks.detailWindow = [f9](bool down) {
      if (down)
        f9->showDetail();
      else if (f9->isVisible())
        f9->close();
    };
    f9->mainWindow = [f1](bool visible) { f1->setVisible(visible); };
    f9->closed = [f1] { f1->detailButton()->setChecked(false); };
    f9->hooks.writeDialog = f1->zonesTab()->hooks.writeDialog;
    f9->hooks.workingSensor = f1->zonesTab()->hooks.workingSensor;
  }
  // "Программы инкубации" opens the program editor on the first incubator's program; the
  // program window's own button opens it on that window's incubator.
  if (w.rezimForm) {
    f1->actionPrograms()->setEnabled(true);
    f1->hooks.programEditor = [ed = w.rezimForm] { ed->openFor(0); };
    if (w.form2) w.form2->programEditor = [ed = w.rezimForm](int nk) { ed->openFor(nk); };
  }
  // The damper board's window: "Заслонки" on the top bar and "Button1" of the tray board's;
  // its settings go through the write dialog.
  if (TZaslonkiF* z = w.zaslonkiF) {
    if (w.writeF)
      z->engine().writeDialog = [writeF = w.writeF] { return writeF->exec() == QDialog::Accepted; };
    f1->hooks.damperWindow = [z] {
      z->show();
      z->raise();
    };
    if (w.lotkiF) w.lotkiF->openZaslonki = [z] { z->exec(); };
  }
  // The firmware update: Alt+O of the main window (not modal) and of the general settings
  // (modal); from it, the configuration window and the damper board's window.
  if (TObnovF* o = w.obnovF) {
    f1->hooks.firmwareUpdate = [o] {
      o->show();
      o->raise();
      o->activateWindow();
    };
    if (w.formUST) QObject::connect(w.formUST, &TFormUST::firmwareKey, o, [o] { o->exec(); });
    if (TNastrDF* nd = w.nastrDF) o->openConfig = [nd] { nd->exec(); };
    if (TZaslonkiF* z = w.zaslonkiF) o->openZaslonki = [z] { z->exec(); };
    // Ending the program in the middle of a transfer leaves the board half-written: the
    // operator is asked first, as when the window itself closes.
    f1->hooks.mayClose = [o] { return !o->engine().transferRunning() || o->engine().close(); };
  }
  // Alt+N of the general settings: the tray board's window, modal.
  if (w.formUST && w.lotkiF)
    QObject::connect(w.formUST, &TFormUST::traysKey, w.lotkiF, [lf = w.lotkiF] { lf->exec(); });
  // "GSM-модем": the controller's GSM module, not modal.
  if (w.gsmF)
    f1->hooks.gsmWindow = [g = w.gsmF] {
      g->show();
      g->raise();
      g->activateWindow();
    };
  // The tray board's window (Alt+N), not modal.
  if (w.lotkiF)
    f1->hooks.trayBoard = [lf = w.lotkiF] {
      lf->show();
      lf->raise();
    };
  // "Exel" on the chart tab opens the spreadsheet export.
  if (w.form12)
    QObject::connect(f1->chartsTab(), &TabCharts::exportRequested, w.form12, [f12 = w.form12] {
      f12->show();
      f12->raise();
      f12->activateWindow();
    });
  // A double-click in the recording column opens the program window on that incubator.
  if (w.form2) f1->hooks.programWindow = [f2 = w.form2](int nk) { f2->openFor(nk); };
  if (w.form14)
    QObject::connect(f1->hotKeyP(), &QAction::triggered, w.form14, [f14 = w.form14] {
      f14->show();
      f14->raise();
    });
  // The alarm list: its menu entry, Alt+A and the top-bar button, which shows its count.
  if (TAlarmsF* a = w.alarmsF) {
    f1->actionAlarms()->setEnabled(true);
    f1->hooks.alarmsWindow = [a] {
      a->show();
      a->raise();
      a->activateWindow();
    };
    QObject::connect(a, &TAlarmsF::unacknowledged, f1, &TForm1::setAlarmCount);
    a->refresh();
  }
  // "Отчёт за смену": the sheet of the present shift, or of one before it.
  if (ShiftReportWindow* r = w.shiftReportF) {
    f1->actionShiftReport()->setEnabled(true);
    f1->hooks.shiftReport = [r] {
      if (r->isVisible()) r->refresh();
      r->show();
      r->raise();
      r->activateWindow();
    };
  }
}

// The mimic editor beside the mimic window: opened by its button, Ctrl+K and a double click on
// the background; while editing, the mimic's presses, drags and background double clicks are
// the editor's.
void wireMimicEditor(AppWindows& w) {
  TDispetch* d = w.dispetch;
  TForm13* e = w.form13;
  if (!d || !e) return;
  d->hooks.editor = [e] {
    e->show();
    e->raise();
    e->activateWindow();
  };
  d->hooks.selected = [e](MimicKind kind, int index) { e->select(kind, index); };
  d->hooks.dragged = [e](QPoint at) { e->dragTo(at); };
  d->hooks.addAt = [e](QPoint at) { e->addAt(at); };
  // A changed picture is not dropped by ending the program: the operator is asked first.
  if (TForm1* f1 = w.form1.get())
    f1->hooks.mayClose = [before = f1->hooks.mayClose, e] {
      return (!before || before()) && e->mayClose();
    };
  if (TForm15* f15 = w.form15)
    e->openTransfer = [f15] {
      f15->show();
      f15->raise();
      f15->activateWindow();
    };
}

// What the adapter window changes in the main window: its caption and the status label.
Form100MainWindow mainWindowFor(TForm1* f1) {
  Form100MainWindow m;
  m.caption = [f1] { return f1->windowTitle(); };
  m.setCaption = [f1](const QString& t) { f1->setWindowTitle(t); };
  m.setStatusText = [f1](const QString& t) { f1->settingsTab()->statusLabel()->setText(t); };
  m.setStatusVisible = [f1](bool on) { f1->settingsTab()->statusLabel()->setVisible(on); };
  m.hubChanged = [f1](bool on) { f1->settingsTab()->setHub(on); };
  return m;
}

}  // namespace

AppWindows createWindows(Workstation& ws, bool secondCopy, const AppLinks& links) {
  AppWindows w;
  for (std::string_view name : kWindowOrder) {
    if (name == "TForm1") {
      w.form1 = std::make_unique<TForm1>(ws, secondCopy,
                                         TForm1::Parts{links.sound, links.tables, links.WriteKom});
    } else if (!w.form1) {
      continue;  // nothing is created before the main window
    } else if (name == "TForm2") {
      w.form2 = new TForm2(ws, links.programs, w.form1.get());
    } else if (name == "TZaslonkiF") {
      if (!links.station) continue;
      w.zaslonkiF = new TZaslonkiF(*links.station, w.form1.get());
      w.zaslonkiF->engine().journal = [&ws](const std::string& line) { ws.journal.Err(line); };
    } else if (name == "TObnovF") {
      if (!links.station) continue;
      w.obnovF = new TObnovF(*links.station, w.form1.get());
      w.obnovF->engine().journal = [&ws](const std::string& line) { ws.journal.Err(line); };
    } else if (name == "TDispetch") {
      if (!links.station) continue;
      w.mimicDoc = std::make_unique<MimicDocument>(ws.home(), ws.iniPath());
      w.mimicDoc->readOnly = ws.readOnly();
      w.mimicDoc->message = [&ws](const std::string& text) { ws.show(text); };
      w.mimicDoc->journal = [&ws](const std::string& line) { ws.journal.Err(line); };
      w.dispetch =
          new TDispetch(*w.mimicDoc, *links.station, links.station->tab_otvet, ws.store.config,
                        ws.settings, ws.home(), ws.iniPath(), w.form1.get());
      w.dispetch->readOnly = ws.readOnly();
      // The start-up has run with the main window: the settings and the configuration are in.
      w.dispetch->applyFonts(ws.settings);
      w.dispetch->openDocument();
      ws.beforeShutDown.push_back([d = QPointer<TDispetch>(w.dispetch)] {
        if (d) d->saveState();
      });
    } else if (name == "TgsmF") {
      if (!links.station || !links.dispatcher) continue;
      w.gsmF =
          new TgsmF(*links.station, *links.dispatcher, ws.iniPath(), ws.readOnly(), w.form1.get());
      // Open at the end: closing it keeps the block number and takes the polls out of terminal
      // mode, as any other close does.
      ws.beforeShutDown.push_back([g = QPointer<TgsmF>(w.gsmF)] {
        if (g && g->isVisible()) g->close();
      });
    } else if (name == "TlotkiF") {
      if (!links.station || !links.dispatcher) continue;
      w.lotkiF = new TlotkiF(*links.station, ws.clock, *links.dispatcher, w.form1.get());
    } else if (name == "TForm5") {
      w.form5 = new TForm5(w.form1.get());
      w.form5->setWindowFlag(Qt::Window);
    } else if (name == "TRezimForm") {
      w.rezimForm = new TRezimForm(ws, w.form1.get());
    } else if (name == "TForm12") {
      w.form12 = new TForm12(ws.home(), w.form1.get());
      w.form12->setWindowFlag(Qt::Window);
    } else if (name == "TForm4") {
      w.form4 = new TForm4(w.form1.get());
    } else if (name == "TFormUST") {
      TForm1* f1 = w.form1.get();
      // With "Запускать" the link starts with the program: the "Работа" button goes down.
      w.formUST = new TFormUST(
          ws,
          [f1] {
            f1->rsButton()->setChecked(true);
            return true;
          },
          f1);
    } else if (name == "TForm100") {
      if (!links.usb) continue;
      w.form100 =
          new TForm100(*links.usb, links.serverP ? *links.serverP : ws.settings.ServerP,
                       ws.iniPath(), ws.insPath(), mainWindowFor(w.form1.get()), w.form1.get());
      w.form100->setReadOnly(ws.readOnly());
    } else if (name == "TForm14") {
      if (!links.kom485m) continue;
      w.form14 = new TForm14(*links.kom485m, w.form1.get());
    } else if (name == "TWriteF") {
      if (!links.writer) continue;
      w.writeF = new TWriteF(*links.writer, w.form1.get());
    } else if (name == "TForm9") {
      if (!links.tables || !links.WriteKom) continue;
      w.form9 = new TForm9(*links.tables, ws.store.config, *links.WriteKom, ws.settings,
                           ws.iniPath(), ws.readOnly(), w.form1.get());
      // A detail window still open when the program ends closes first, so that nk_Opros is
      // kept like on any other close.
      ws.beforeShutDown.push_back([f9 = QPointer<TForm9>(w.form9)] {
        if (f9 && f9->isVisible()) f9->close();
      });
    } else if (name == "TForm3") {
      if (!links.WriteKom) continue;
      w.form3 = new TForm3(*links.WriteKom, w.form1.get());
    } else if (name == "TForm6") {
      if (!links.WriteKom) continue;
      w.form6 = new TForm6(*links.WriteKom, w.form1.get());
    } else if (name == "TNastrDF") {
      if (!links.station) continue;
      w.nastrDF = new TNastrDF(*links.station, w.form1.get());
    } else if (name == "TParamWriteF") {
      if (!links.station) continue;
      w.paramWriteF = new TParamWriteF(*links.station, w.form1.get());
    } else if (name == "TForm13") {
      if (!w.dispetch) continue;
      w.form13 = new TForm13(*w.mimicDoc, *w.dispetch, ws.store.config_p, ws.store.config,
                             ws.home(), ws.iniPath(), w.form1.get());
      w.form13->setReadOnly(ws.readOnly());
      Konstruktor& k = w.form13->engine();
      k.message = [&ws](const std::string& text) { ws.show(text); };
      // The network block is stored as "Запомнить!" of the settings tab stores the list.
      k.rememberConfig = [f1 = w.form1.get()] { return f1->settingsTab()->remember(); };
      k.saveConfig = [&ws] { return ws.store.Write_config(ConfigStore::SaveBy::Window); };
      ws.beforeShutDown.push_back([f = QPointer<TForm13>(w.form13)] {
        if (f) f->saveState();
      });
    } else if (name == "TForm15") {
      w.form15 = new TForm15(ws, w.form1.get());
    } else if (name == "TAlarmsF") {
      if (!links.alarms) continue;
      w.alarmsF = new TAlarmsF(*links.alarms, w.form1.get());
      w.alarmsF->setReadOnly(ws.readOnly());
    } else if (name == "ShiftReportWindow") {
      if (!links.station) continue;
      ShiftReportWindow::Inputs in;
      in.starts = shiftStartsOf(ws.settings);
      in.gather = [&ws, st = links.station](const Shift& s) {
        return shiftReportInput(ws, *st, s);
      };
      in.now = [&ws] { return ws.clock.now(); };
      w.shiftReportF = new ShiftReportWindow(std::move(in), w.form1.get());
    } else {
      continue;  // a window of a later part of the program
    }
    w.created.push_back(name);
  }
  wire(w);
  wireMimicEditor(w);
  return w;
}

bool openLogOnCharts(AppWindows& w, const std::filesystem::path& log) {
  TForm1* main = w.form1.get();
  if (!main || !main->chartsTab()) return false;
  main->pageControl()->setCurrentWidget(main->chartsTab());
  return main->chartsTab()->load(QString::fromStdU16String(log.u16string()));
}

}  // namespace vs
