#include "station/ui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/Workstation.h"
#include "config/ui/SettingsTab.h"
#include "history/ui/TabCharts.h"
#include "setpoints/ui/ZonesTab.h"
#include "station/MainTableLayout.h"
#include "station/SoundAlarms.h"
#include "station/ui/SoundsTab.h"

namespace vs {

namespace {

QString qs(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QToolButton* iconButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint,
                        bool toggle) {
  auto* b = new QToolButton(parent);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(32, 32));
  b->setToolTip(hint);
  b->setCheckable(toggle);
  b->setAutoRaise(false);
  return b;
}

}  // namespace

TForm1::TForm1(Workstation& ws, bool secondCopy) : TForm1(ws, secondCopy, Parts{}) {}

TForm1::TForm1(Workstation& ws, bool secondCopy, const Parts& parts, QWidget* parent)
    : QMainWindow(parent), ws_(ws) {
  sound_ = parts.sound;
  if (!sound_) {
    ownSound_ = std::make_unique<SoundAlarms>(ws_.home());
    sound_ = ownSound_.get();
  }
  StationTables* tables = parts.tables;
  if (!tables) tables = (ownTables_ = std::make_unique<StationTables>()).get();
  TWriteCom* writeKom = parts.WriteKom;
  if (!writeKom) writeKom = (ownWriteKom_ = std::make_unique<TWriteCom>()).get();
  setObjectName("Form1");
  setWindowTitle(secondCopy ? qs(kSecondCopyCaption) + qs(kSecondCopyNote) : qs(kMainCaption));

  auto* central = new QWidget(this);
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(2, 2, 2, 2);
  setCentralWidget(central);
  v->addWidget(buildTopBar());

  pages_ = new QTabWidget(central);
  pages_->setObjectName("PageControl1");
  table_ = new IncubatorTable(ws_.settings, pages_);
  table_->message = [this](const std::string& text) { ws_.show(text); };
  connect(table_, &IncubatorTable::alarmsDoubleClicked, this, [this](int nk) {
    if (hooks.alarmReset) hooks.alarmReset(nk);
    silence();
  });
  connect(table_, &IncubatorTable::recordDoubleClicked, this, [this](int nk) {
    if (hooks.programWindow) hooks.programWindow(nk);
  });
  pages_->addTab(table_, "Главная");
  chartsTab_ = new vs::TabCharts(
      {ws_.home(), ws_.settings,
       [this] {
         const Settings& s = ws_.settings;
         return GapInputs{s.Opros_period, s.Compyter == 1, usableRows(ws_.store.config)};
       },
       [this](const std::string& text) { ws_.show(text); }},
      pages_);
  chartsTab_->setObjectName("TabCharts");
  pages_->addTab(chartsTab_, "Графики");
  ws_.onSettingsRead.push_back([this] { chartsTab_->applySettings(); });
  ws_.beforeShutDown.push_back([this] { chartsTab_->storeSettings(); });
  zonesTab_ = new ZonesTab(*tables, *writeKom, pages_);
  pages_->addTab(zonesTab_, "Зоны");
  // A second copy writes no settings: its choices of sound files stay with this run.
  soundsTab_ = new SoundsTab(
      *sound_, ws_.readOnly() ? std::filesystem::path{} : ws_.iniPath(),
      [this](const std::string& text) { ws_.show(text); }, pages_);
  pages_->addTab(soundsTab_, "Звуки");
  settingsTab_ = new SettingsTab(ws_, pages_);
  pages_->addTab(settingsTab_, "Установки");
  v->addWidget(pages_, 1);

  buildMenu();
  // The main window sees every key first, whichever of its controls has the focus.
  QCoreApplication::instance()->installEventFilter(this);

  connect(pages_, &QTabWidget::currentChanged, this, [this](int i) {
    if (i == TabSettings) settingsTab_->refresh();
  });
  connect(settingsTab_, &SettingsTab::countChanged, this, [this](int n) { setCount(n); });
  connect(settingsTab_, &SettingsTab::remembered, this, [this] { writeNames(); });

  hookStartUp();
  ws_.startUp();
}

TForm1::~TForm1() = default;

QLabel* TForm1::statusLabel() const {
  return settingsTab_->statusLabel();
}
QPushButton* TForm1::debugButton() const {
  return settingsTab_->debugButton();
}
QSpinBox* TForm1::debugSpin() const {
  return settingsTab_->debugSpin();
}
QSpinBox* TForm1::periodSE() const {
  return settingsTab_->periodSE();
}
QSpinBox* TForm1::countSpin() const {
  return settingsTab_->countSpin();
}

QWidget* TForm1::buildTopBar() {
  auto* bar = new QFrame(this);
  topBar_ = bar;
  bar->setObjectName("TopPanel");
  bar->setFrameShape(QFrame::StyledPanel);
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(4, 2, 4, 2);

  rs_ = new QToolButton(bar);
  rs_->setObjectName("RS");
  rs_->setText("Работа");
  rs_->setCheckable(true);
  // The bus work must be seen at a glance from across the room.
  rs_->setStyleSheet(
      "QToolButton#RS { border: 1px solid #888; border-radius: 3px; background: #e8e8e8; }"
      "QToolButton#RS:checked { background: #5cb85c; color: white; font-weight: bold; }");
  rs_->setMinimumSize(90, 40);
  h->addWidget(rs_);

  // "USB не работает" lies over the answer counter "Опрос".
  auto* counter = new QWidget(bar);
  auto* stack = new QGridLayout(counter);
  stack->setContentsMargins(0, 0, 0, 0);
  opros_ = new QLabel("Опрос", counter);
  opros_->setObjectName("Opros");
  opros_->setMinimumWidth(140);
  usbNo_ = new QLabel("USB не работает", counter);
  usbNo_->setObjectName("usb_no");
  usbNo_->setStyleSheet("QLabel { color: white; background: red; font-weight: bold; }");
  usbNo_->setAlignment(Qt::AlignCenter);
  usbNo_->hide();
  stack->addWidget(opros_, 0, 0);
  stack->addWidget(usbNo_, 0, 0);
  h->addWidget(counter);

  time_ = new QLabel("Время", bar);
  time_->setObjectName("Vremy");
  time_->setMinimumWidth(160);
  h->addWidget(time_);

  detail_ = iconButton(bar, QStyle::SP_FileDialogContentsView, "Просмотр 1 КП", true);
  param_ = iconButton(bar, QStyle::SP_FileDialogDetailedView,
                      "Настройки аварийных зон и параметров управления", true);
  mimic_ = iconButton(bar, QStyle::SP_ComputerIcon, "Окно инкубатория", false);
  damper_ = new QToolButton(bar);
  damper_->setText("Заслонки");
  damper_->setToolTip("Управление заслонками");
  damper_->setMinimumHeight(40);
  damper_->hide();
  soundOff_ = iconButton(bar, QStyle::SP_MediaVolumeMuted, "Остановить ЗВУК", false);
  alarms_ = new QToolButton(bar);
  alarms_->setObjectName("AlarmsButton");
  alarms_->setToolTip("Аварийные сообщения (Alt+A)");
  alarms_->setMinimumSize(110, 40);
  setAlarmCount(0);
  for (QWidget* w : {static_cast<QWidget*>(detail_), static_cast<QWidget*>(param_),
                     static_cast<QWidget*>(mimic_), static_cast<QWidget*>(damper_),
                     static_cast<QWidget*>(soundOff_), static_cast<QWidget*>(alarms_)})
    h->addWidget(w);
  connect(detail_, &QToolButton::toggled, this, [this](bool down) {
    if (hooks.detailWindow) hooks.detailWindow(down);
  });
  connect(param_, &QToolButton::toggled, this, [this](bool down) {
    if (hooks.paramEditor) hooks.paramEditor(down);
  });
  connect(mimic_, &QToolButton::clicked, this, [this] {
    if (hooks.mimicView) hooks.mimicView();
  });
  connect(damper_, &QToolButton::clicked, this, [this] {
    if (hooks.damperWindow) hooks.damperWindow();
  });
  connect(soundOff_, &QToolButton::clicked, this, [this] { silence(); });
  connect(alarms_, &QToolButton::clicked, this, [this] {
    if (hooks.alarmsWindow) hooks.alarmsWindow();
  });

  autoPanel_ = new QFrame(bar);
  autoPanel_->setObjectName("PanelAvto");
  autoPanel_->setFrameShape(QFrame::Panel);
  auto* ap = new QGridLayout(autoPanel_);
  ap->setContentsMargins(4, 0, 4, 0);
  ap->addWidget(new QLabel("Включена автоматическая", autoPanel_), 0, 0);
  ap->addWidget(new QLabel("инкубация", autoPanel_), 1, 0);
  autoCount_ = new QLabel(autoPanel_);
  autoCount_->setObjectName("LabelAvto");
  ap->addWidget(autoCount_, 0, 1, 2, 1);
  autoPanel_->hide();
  h->addWidget(autoPanel_);
  h->addStretch(1);
  return bar;
}

void TForm1::buildMenu() {
  QMenu* m = menuBar()->addMenu("Настройки");
  actGeneral_ = m->addAction("Общие Настройки");
  actGsm_ = m->addAction("GSM-модем");
  actPrograms_ = m->addAction("Программы инкубации");
  actAutomation_ = m->addAction("Конфигурация автоматики");
  actUsb_ = m->addAction("USB-настройки");
  m->addSeparator();
  actExit_ = m->addAction("Выход");
  actAlarms_ = menuBar()->addAction("Аварийные сообщения");
  actShiftReport_ = menuBar()->addAction("Отчёт за смену");
  actAbout_ = menuBar()->addAction("О программе");
  // The windows the program was built without leave their entries off.
  for (QAction* a : {actGeneral_, actUsb_, actAlarms_, actShiftReport_, actAbout_})
    a->setEnabled(false);
  connect(actExit_, &QAction::triggered, this, &QWidget::close);
  const auto open = [this](QAction* a, std::function<void()> Hooks::*hook) {
    connect(a, &QAction::triggered, this, [this, hook] {
      if (hooks.*hook) (hooks.*hook)();
    });
  };
  open(actGsm_, &Hooks::gsmWindow);
  open(actPrograms_, &Hooks::programEditor);
  open(actAutomation_, &Hooks::automationConfig);

  // A hot key is taken as a shortcut before any control sees it as a key press, so it
  // silences the clip itself, as every other key does.
  auto hotKey = [this](const char* seq) {
    auto* a = new QAction(this);
    a->setShortcut(QKeySequence(QString::fromLatin1(seq)));
    addAction(a);
    connect(a, &QAction::triggered, this, &TForm1::silence);
    return a;
  };
  keyN_ = hotKey("Alt+N");
  keyD_ = hotKey("Alt+D");
  keyO_ = hotKey("Alt+O");
  keyP_ = hotKey("Alt+P");
  keyA_ = hotKey("Alt+A");
  open(actAlarms_, &Hooks::alarmsWindow);
  open(actShiftReport_, &Hooks::shiftReport);
  open(keyA_, &Hooks::alarmsWindow);
  open(keyN_, &Hooks::trayBoard);
  open(keyD_, &Hooks::mimicView);
  open(keyO_, &Hooks::firmwareUpdate);
}

void TForm1::hookStartUp() {
  ws_.onSettingsRead.push_back([this] { applySettings(); });
  ws_.onConfigRead.push_back([this] { applyConfig(); });
  ws_.afterStartUp.push_back([this] { table_->allowResizing(); });
  ws_.beforeShutDown.push_back([this] { storeSettings(); });
}

void TForm1::applySettings() {
  const Settings& s = ws_.settings;
  move(s.formLeft, s.formTop);
  resize(s.formWidth, s.formHeight);
  table_->setDefaultColWidth(s.tableDefaultColWidth);
  table_->setDefaultRowHeight(s.tableDefaultRowHeight);
  table_->setKolT(s.kol_t());
  table_->fontsChanged();
  for (int c = 0; c < table_->colCount() && c < 8; ++c)
    table_->setColWidth(c, s.tableW[static_cast<std::size_t>(c)]);
  if (ownSound_) ownSound_->zvuk = s.zvuk;
  soundsTab_->showNames();
  settingsTab_->applySettings();
}

void TForm1::applyConfig() {
  setCount(ws_.countSpin);
  writeNames();
  table_->writeHeader();
  zonesTab_->zon_ust();
  settingsTab_->showCount(ws_.countSpin);
}

void TForm1::writeNames() {
  const TFile_config& cfg = ws_.store.config;
  const int named = std::min(table_->rowCount() - 1, usableRows(cfg));
  for (int r = 1; r <= named; ++r) {
    const QString name = qs(cfg.konfig_s[static_cast<std::size_t>(r - 1)].utf8());
    table_->setCells(0, r, name);
    zonT()->setHorizontalHeaderItem(r - 1, new QTableWidgetItem(name));
  }
}

void TForm1::setCount(int count) {
  ws_.countSpin = count;
  table_->setRowCount(count + 1);
  zonT()->setColumnCount(count);
}

void TForm1::storeSettings() {
  Settings& s = ws_.settings;
  const QRect g = (isMaximized() || isFullScreen()) ? normalGeometry() : QRect(pos(), size());
  s.formLeft = g.x();
  s.formTop = g.y();
  s.formWidth = g.width();
  s.formHeight = g.height();
  for (int c = 0; c < 8; ++c)
    s.tableW[static_cast<std::size_t>(c)] =
        c < table_->colCount() ? table_->colWidth(c) : table_->defaultColWidth();
  s.tableDefaultColWidth = table_->defaultColWidth();
  s.tableDefaultRowHeight = table_->defaultRowHeight();
}

void TForm1::closeForShutdown() {
  shutdownClose_ = true;
  close();
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (!closing_ && !shutdownClose_ && hooks.mayClose && !hooks.mayClose()) {
    e->ignore();
    return;
  }
  if (!closing_) {
    closing_ = true;
    ws_.shutDown();
    emit closed();
  }
  e->accept();
}

QTableWidget* TForm1::zonT() const {
  return zonesTab_->zonT();
}

QTableWidget* TForm1::soundGrid() const {
  return soundsTab_->grid();
}
QPushButton* TForm1::playButton() const {
  return soundsTab_->playButton();
}

QTableWidget* TForm1::tableT() const {
  return table_->grid();
}

void TForm1::setKolT(int kol_t) {
  table_->setKolT(kol_t);
}

void TForm1::setAlarmCount(int count) {
  alarms_->setText("Аварии: " + QString::number(count));
  // Red while anything waits for a person, so that it is seen from across the hall.
  alarms_->setStyleSheet(
      count > 0 ? "QToolButton#AlarmsButton { background: #d9301e; color: white; font-weight: bold;"
                  " border: 1px solid #8a1c10; border-radius: 3px; }"
                : "QToolButton#AlarmsButton { border: 1px solid #888; border-radius: 3px;"
                  " background: #e8e8e8; }");
  alarms_->setProperty("waiting", count > 0);
}

void TForm1::silence() {
  if (hooks.zvuk_off) hooks.zvuk_off();
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  // A key press travels from the focused control up to the window; closing the player again on
  // the way does no harm.
  auto* w = qobject_cast<QWidget*>(watched);
  if (e->type() == QEvent::KeyPress && w && w->window() == this) {
    silence();
  } else if (e->type() == QEvent::MouseButtonPress &&
             (watched == this || watched == centralWidget() || watched == topBar_)) {
    silence();
  }
  return QMainWindow::eventFilter(watched, e);
}

}  // namespace vs
