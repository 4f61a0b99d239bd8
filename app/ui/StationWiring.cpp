#include "app/ui/StationWiring.h"

#include <QAbstractButton>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSysInfo>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

#include "alarms/ui/TAlarmsF.h"
#include "boards/ui/TObnovF.h"
#include "boards/ui/TZaslonkiF.h"
#include "bus/ui/TForm14.h"
#include "config/ui/SettingsTab.h"
#include "config/ui/TFormUST.h"
#include "history/ui/TabCharts.h"
#include "mimic/ui/TDispetch.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TForm5.h"
#include "setpoints/ui/TNastrDF.h"
#include "setpoints/ui/TParamWriteF.h"
#include "setpoints/ui/ZonesTab.h"
#include "station/MainTableLayout.h"
#include "station/RowTexts.h"
#include "station/ui/IncubatorTable.h"
#include "station/ui/TForm1.h"
#include "station/ui/TForm9.h"

namespace vs {

StationTimers::StationTimers(BusStation& bus, QObject* parent) : QObject(parent), bus_(bus) {
  bus.alarms.list.station = QSysInfo::machineHostName().toStdString();
  bus.alarms.list.setRunner(&escalation_);
  connect(&t20_, &QTimer::timeout, this, [&bus] { bus.tick20ms(); });
  connect(&t100_, &QTimer::timeout, this, [&bus] { bus.tick100ms(); });
  connect(&t1000_, &QTimer::timeout, this, [&bus] { bus.tick1s(); });
  t20_.setTimerType(Qt::PreciseTimer);
  t100_.setTimerType(Qt::PreciseTimer);
  t20_.start(20);
  t100_.start(100);
  t1000_.start(1000);
}

StationTimers::~StationTimers() {
  bus_.alarms.list.setRunner(nullptr);
}

namespace {

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The row's texts after an answer; the trays and "Запись" cells are always written, the others
// only when their text changes (the table draws a cell again only then). What else of the row
// is drawn (zone colours, pictures, the sensor's star) is redrawn only when it changed.
void writeRow(IncubatorTable* t, Station& st, int nk, int kol_t) {
  const int r = nk + 1;
  if (r >= t->rowCount()) return;
  const RowTexts texts = mainRowTexts(st, nk, kol_t);
  auto put = [&](int c, const std::string& text) {
    if (c < t->colCount()) t->setCells(c, r, q(text));
  };
  put(1, texts.t1);
  if (kol_t >= 1) put(2, texts.t2);
  if (kol_t >= 2) put(3, texts.t3);
  put(humidityColumn(kol_t), texts.humidity);
  put(traysColumn(kol_t), texts.trays);
  st.ChasiLotki[static_cast<std::size_t>(nk)] = texts.trays;
  put(alarmsColumn(kol_t), "");
  put(recordColumn(kol_t), " ");
  t->refreshRow(nk);
}

}  // namespace

AppLinks appLinks(BusStation& bus) {
  AppLinks l;
  l.usb = &bus.link;
  l.kom485m = &bus.station.kom485m;
  l.serverP = &bus.station.serverP;
  l.sound = &bus.sound;
  l.tables = &bus.station;
  l.WriteKom = &bus.station.WriteKom;
  l.writer = &bus.writer;
  l.station = &bus.station;
  l.programs = &bus.programs;
  l.dispatcher = &bus.dispatcher;
  l.alarms = &bus.alarms.list;
  return l;
}

void connectStation(AppWindows& w, BusStation& bus) {
  TForm1* f1 = w.form1.get();
  Station& st = bus.station;
  Workstation& ws = bus.ws;
  IncubatorTable* table = f1->table();
  table->setStation(&st);
  // The firmware update owns the bus while its mode is on: its step every 100 ms, every frame
  // to it, and no program request while its bootloader is down.
  if (w.obnovF) {
    const QPointer<TObnovF> o(w.obnovF);
    st.hooks.Timer100ms = [o] {
      if (o) o->engine().Timer100ms();
    };
    bus.dispatcher.firmwareUpdate = [o](const RS232_T& f) {
      if (o) o->engine().ReadObnovlenie(f);
    };
    bus.programs.hooks.loaderDown = [o] { return o && o->engine().view.loaderDown; };
  }
  // The mimic view: refreshed by every answer while shown and by the end of each round; its
  // clicks open the windows of the incubator clicked.
  if (TDispetch* d = w.dispetch) {
    // The station may outlive the windows by a tick at shut-down.
    const QPointer<TDispetch> live(d);
    st.hooks.mimicPanels = [live] {
      return live ? live->view().panelsToRefresh() : std::pair<int, int>{0, -1};
    };
    st.hooks.dispetchW = [live](int row) {
      if (live) live->dispetchW(row);
    };
    st.listeners.add(StatusStep::Mimic, [live](const StatusEvent& e) {
      if (live && live->isVisible()) live->dispetchW(e.nk);
    });
    f1->hooks.mimicView = [d] {
      d->show();
      d->raise();
      d->activateWindow();
    };
    if (TForm2* f2 = w.form2) d->hooks.programWindow = [f2](int row) { f2->openFor(row); };
    if (TParamWriteF* pw = w.paramWriteF)
      d->hooks.paramEditor = [&st, pw](int row) {
        if (row >= 0) st.nk_Opros = row;
        pw->show();
        pw->raise();
      };
    if (TZaslonkiF* z = w.zaslonkiF)
      d->hooks.damperWindow = [&st, z](int row) {
        if (row >= 0) st.nk_Opros = row;
        z->show();
        z->raise();
      };
    d->hooks.saveConfig = [&ws] { return ws.store.Write_config(ConfigStore::SaveBy::Window); };
    d->hooks.soundPlaying = [&bus] {
      SoundPlayer* p = bus.sound.player();
      return p && p->isPlaying();
    };
    d->hooks.zvukOn = [&bus] { return bus.sound.zvuk_on; };
  }
  // "Запомнить!" with the hub on sends the new routing table at the next 100 ms tick.
  f1->settingsTab()->sendHubTable = [&bus] { bus.hub.Write_4RS485(); };

  // Every way of silencing a clip: "Остановить ЗВУК", any key, a click on the background, a
  // double-click in "Аварии".
  f1->hooks.zvuk_off = [&bus] { bus.sound.zvuk_off(); };

  // A double-click in "Аварии" sends the operator's alarm reset (action 4) to that incubator
  // and acknowledges its alarms in the list, in the operator's name.
  f1->hooks.alarmReset = [&bus](int nk) {
    if (nk < 0 || nk >= kMaxRows) return;
    const int number = bus.station.config().konfig_n[static_cast<std::size_t>(nk)];
    bus.writer.KomAvt(static_cast<std::uint8_t>(number & 0xFF), 4);
    if (!bus.station.observer && !bus.ws.readOnly())
      bus.alarms.list.acknowledgeIncubator(number, operatorName().toStdString());
  };
  // The alarm list window and the top bar's count follow every change of the list.
  if (TAlarmsF* a = w.alarmsF) {
    const QPointer<TAlarmsF> live(a);
    bus.alarms.list.onChange = [live] {
      if (live) live->listChanged();
    };
    // An acknowledgement there silences the clip, as the double-click in "Аварии" does.
    QObject::connect(a, &TAlarmsF::acknowledged, a, [&bus] { bus.sound.zvuk_off(); });
  }
  // The setpoint grid follows each answer of its incubator.
  if (ZonesTab* zones = f1->zonesTab())
    st.listeners.add(StatusStep::SetpointGrid,
                     [zones](const StatusEvent& e) { zones->zon_ust(e.nk); });

  // Top bar.
  st.hooks.rsChanged = [f1](bool down) {
    const QSignalBlocker quiet(f1->rsButton());
    f1->rsButton()->setChecked(down);
  };
  QObject::connect(f1->rsButton(), &QAbstractButton::clicked, f1,
                   [&st](bool down) { st.setRS(down); });
  st.hooks.usbNo = [f1, f9 = w.form9](bool visible) {
    f1->usbNoLabel()->setText("USB не работает");
    f1->usbNoLabel()->setVisible(visible);
    if (f9) f9->setUsbNo(f1->usbNoLabel()->text(), visible);
  };
  st.hooks.autoIncubation = [f1](bool visible, const std::string& label) {
    f1->autoCount()->setText(q(label));
    f1->autoPanel()->setVisible(visible);
  };
  // The poll cycle rewrites a row's name cell to have its link colour drawn again.
  st.hooks.nameCell = [table](int nk) { table->refreshRow(nk); };

  // Decoded answers: the counter, the row's texts, the time of the answer.
  st.listeners.add(StatusStep::AnswerCount, [f1](const StatusEvent& e) {
    f1->oprosLabel()->setText(QString::number(e.answerCount));
  });
  st.listeners.add(StatusStep::MainTable, [table, &st](const StatusEvent& e) {
    writeRow(table, st, e.nk, table->kolT());
  });
  // Automatic incubation: no passes while the program window edits a start; the report
  // window shows each queue, and the journal keeps its lines as it does without windows (the
  // shift's sheet finds the program's confirmed writes there; the journal also hears when a
  // pass had more than the queue holds).
  if (TForm2* f2 = w.form2) bus.programs.hooks.editing = [f2] { return f2->editing(); };
  if (TForm5* f5 = w.form5) {
    bus.programWriter.report = [f5, &ws](const std::string& line) {
      ws.journal.Err(line);
      f5->addLine(QString::fromStdString(line));
    };
    bus.programs.hooks.showReport = [f5] { f5->startQueue(); };
    bus.programs.hooks.overflow = [&ws](const std::string& text) { ws.report(text); };
  }
  // Pauses in a log are judged by the live poll period and machine class.
  f1->chartsTab()->gapInputs = [&st] {
    return GapInputs{st.controls.PeriodSE, !st.controls.modern(), st.kol_inkub()};
  };
  // The recording cell shows the span of each log; it moves once the sample is taken.
  table->logTimes = [&bus](int nk) {
    const auto n = static_cast<std::size_t>(nk);
    return std::pair{bus.logs.vremN[n], bus.logs.vremK[n]};
  };
  st.listeners.add(StatusStep::LogWriter,
                   [table](const StatusEvent& e) { table->refreshRow(e.nk); });
  st.listeners.add(StatusStep::TimeLabel, [f1](const StatusEvent& e) {
    f1->timeLabel()->setText(q(formatDateTime(e.time)));
  });

  // The shared data file on a remote station.
  st.dan.linkIndicator = [f1, f9 = w.form9](bool visible, const std::string& text) {
    f1->usbNoLabel()->setText(q(text));
    f1->usbNoLabel()->setVisible(visible);
    if (f9) f9->setUsbNo(q(text), visible);
  };
  st.dan.fileCaption = [f1](const std::string& path, TDateTime modified) {
    f1->setWindowTitle(q(DanFile::caption(kMainCaption, path, modified)));
  };
  st.dan.setIncubatorCount = [f1](int kol) { f1->countSpin()->setValue(kol); };
  st.dan.answerCounter = [f1](std::int32_t n) { f1->oprosLabel()->setText(QString::number(n)); };
  // The serving station's names arrive with the shared file.
  st.dan.repaint = [table, &st] {
    const int rows = std::min(table->rowCount() - 1, kDanRows);
    for (int r = 1; r <= rows; ++r)
      table->setCells(0, r, q(st.config().konfig_s[static_cast<std::size_t>(r - 1)].utf8()));
    table->refreshNames();
  };

  // Poll controls of the "Установки" tab.
  QObject::connect(f1->debugButton(), &QAbstractButton::toggled, f1,
                   [&st](bool down) { st.controls.otladka = down; });
  QObject::connect(f1->debugSpin(), &QSpinBox::valueChanged, f1,
                   [&st](int v) { st.controls.otlad = v; });
  QObject::connect(f1->periodSE(), &QSpinBox::valueChanged, f1,
                   [&st](int v) { st.controls.PeriodSE = v; });
  st.controls.otladka = f1->debugButton()->isChecked();
  st.controls.otlad = f1->debugSpin()->value();
  st.controls.PeriodSE = f1->periodSE()->value();

  // "Мощность компьютера" and the link at start take effect when the general settings close.
  if (w.formUST)
    QObject::connect(w.formUST, &QDialog::finished, f1, [&st, &ws] {
      st.controls.Compyter = ws.settings.Compyter;
      st.controls.RUN_WIN = ws.settings.RUN_WIN;
    });

  // A damper board has reported: its window gets a button, and the window its answer.
  st.listeners.add(StatusStep::Damper, [f1, z = w.zaslonkiF](const StatusEvent& e) {
    f1->damperButton()->setVisible(true);
    if (z) z->terminal(e.nk, e.length);
  });

  // The detail window follows the answers of the incubator it shows, while it is visible.
  if (TForm9* f9 = w.form9) {
    f9->KomAvt = [&bus](std::uint8_t address, std::uint8_t value) {
      bus.writer.KomAvt(address, value);
    };
    st.listeners.add(StatusStep::AnswerCount,
                     [f9](const StatusEvent& e) { f9->setAnswerCount(e.answerCount); });
    st.listeners.add(StatusStep::DetailWindow, [f9](const StatusEvent& e) {
      if (f9->isVisible() && e.nk == f9->nk_Opros()) f9->OprosI(e.nk);
    });
    st.listeners.add(StatusStep::DetailTime, [f9](const StatusEvent& e) {
      if (f9->isVisible()) f9->setTimeText(q(formatDateTime(e.time)));
    });
  }

  // The parameter editor follows the answers of its incubator until it is closed; its writes
  // go to the event journal.
  if (TParamWriteF* pw = w.paramWriteF) {
    pw->editor().journal = [&ws](const std::string& line) { ws.journal.Err(line); };
    st.listeners.add(StatusStep::ParamEditor, [pw](const StatusEvent& e) {
      if (pw->editor().Okno_ParamWrite) pw->editor().ReadBL(e.nk);
    });
  }

  // The configuration window follows the answers of its incubator until it is closed; its
  // writes and service commands go to the event journal.
  if (TNastrDF* nd = w.nastrDF) {
    nd->engine().journal = [&ws](const std::string& line) { ws.journal.Err(line); };
    st.listeners.add(StatusStep::ConfigWindow, [nd](const StatusEvent& e) {
      if (nd->engine().Okno_NastrD) nd->engine().OprosK(e.nk);
    });
  }

  if (w.form14) bus.onScheduleAnswer = [f14 = w.form14](const RS232_T& f) { f14->AvtoInkub(f); };
}

}  // namespace vs
