#include "station/ui/TForm9.h"

#include <QCloseEvent>
#include <QFrame>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "config/SettingsFile.h"
#include "setpoints/ui/QtDialogs.h"
#include "station/ui/DamperGauge.h"
#include "station/ui/IncubatorTable.h"

namespace vs {

namespace {

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int kRowY[3] = {40, 155, 270};  // tops of the T1, T2, T3 rows
constexpr int kBoundX = 300;

}  // namespace

TForm9::TForm9(StationTables& tables, const TFile_config& config, TWriteCom& WriteKom,
               Settings& settings, std::filesystem::path iniPath, bool readOnly, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      tables_(tables),
      config_(config),
      WriteKom_(WriteKom),
      settings_(settings),
      iniPath_(std::move(iniPath)),
      readOnly_(readOnly),
      view_(tables.nk_Opros),
      own_(std::make_unique<QtDialogs>(this)) {
  dialogs_ = own_.get();
  setObjectName("TForm9");
  setFixedSize(760, 500);
  setAutoFillBackground(true);

  // Temperatures, with their captions and the bounds beside the working sensor.
  const char* names[3] = {"T1", "T2", "T3"};
  for (int i = 0; i < 3; ++i) {
    captions_[static_cast<std::size_t>(i)] =
        make(this, (std::string(names[i]) + "caption").c_str(), QString(names[i]) + ":", 10,
             kRowY[i] + 10, 60, 50, 20);
    make(this, names[i], "--.--", 75, kRowY[i], 215, 80, 44);
  }
  upper_ = make(this, "upper", "", kBoundX, kBoundY[0][0], 100, 30, 16);
  lower_ = make(this, "lower", "", kBoundX, kBoundY[0][1], 100, 30, 16);
  tempIndicator_ = make(this, "tempIndicator", "", 360, 360, 24, 24, 8);
  tempIndicator_->hide();

  // Humidity panel.
  humPanel_ = new QFrame(this);
  humPanel_->setFrameShape(QFrame::Box);
  humPanel_->setGeometry(420, 10, 330, 140);
  make(humPanel_, "humidity", "--", 10, 10, 120, 80, 44);
  make(humPanel_, "humPercent", "%", 130, 40, 30, 40, 20);
  make(humPanel_, "humUpper", "", 190, 10, 60, 30, 16);
  make(humPanel_, "humUpperPercent", "%", 250, 10, 30, 30, 16);
  make(humPanel_, "humLow", "", 190, 50, 60, 30, 16);
  make(humPanel_, "humCtl", "", 190, 95, 60, 30, 16);
  make(humPanel_, "humCtlPercent", "%", 250, 95, 30, 30, 16);
  humIndicator_ = make(humPanel_, "humIndicator", "", 20, 100, 24, 24, 8);
  humIndicator_->hide();

  make(this, "workCaption", "Рабочая:", 420, 160, 110, 34, 14);
  make(this, "work", "", 530, 155, 140, 40, 24);

  // Tray panel: direction glyphs, time and the running lamps.
  trayPanel_ = new QFrame(this);
  trayPanel_->setFrameShape(QFrame::Box);
  trayPanel_->setGeometry(420, 205, 330, 100);
  make(trayPanel_, "leftGlyph", "", 10, 10, 40, 50, 30);
  make(trayPanel_, "tray", "", 60, 10, 200, 50, 28);
  make(trayPanel_, "rightGlyph", "", 270, 10, 40, 50, 30);
  for (int i = 0; i < 4; ++i) {
    QLabel* l = new QLabel(trayPanel_);
    l->setObjectName(QString("lamp%1").arg(i + 1));
    l->setGeometry(70 + 50 * i, 68, 24, 24);
    l->setAutoFillBackground(true);
    l->hide();
    l->installEventFilter(this);
    dblClick_[l] = [this] { doubleClicked(trayPanel_); };
    lamps_[static_cast<std::size_t>(i)] = l;
  }
  trayPanel_->installEventFilter(this);

  // Newer controllers' values, the supply voltage and the damper.
  make(this, "totsCaption", "Tрт:", 420, 315, 70, 30, 14);
  make(this, "tots", "", 490, 315, 100, 30, 14);
  make(this, "co2Caption", "CO2:", 420, 345, 70, 30, 14);
  make(this, "co2", "", 490, 345, 100, 30, 14);
  make(this, "motorCaption", "Мотор:", 420, 375, 70, 30, 14);
  make(this, "motor", "", 490, 375, 100, 30, 14);
  make(this, "voltage", "", 300, 360, 100, 30, 14);
  gauge_ = new DamperGauge(this);
  gauge_->setGeometry(620, 315, 130, 100);

  // Alarm pictograms.
  for (std::size_t i = 0; i < kPictograms.size(); ++i) {
    QLabel* l = new QLabel(this);
    l->setObjectName(QString("pictogram%1").arg(kPictograms[i].bit));
    l->setGeometry(10 + 55 * static_cast<int>(i), 390, 48, 48);
    l->setPixmap(IncubatorTable::alarmPicture(kPictograms[i].code));
    l->hide();
    l->installEventFilter(this);
    dblClick_[l] = [this] { doubleClicked(trayPanel_); };
    pictograms_[i] = l;
  }

  // Status strip with the navigation and the main window's toggle.
  mainToggle_ = new QToolButton(this);
  mainToggle_->setText("Главное окно");
  mainToggle_->setCheckable(true);
  mainToggle_->setChecked(true);
  mainToggle_->setGeometry(10, 455, 110, 34);
  connect(mainToggle_, &QToolButton::toggled, this, [this](bool down) {
    if (mainWindow) mainWindow(down);
  });
  prev_ = new QPushButton("<", this);
  prev_->setGeometry(130, 455, 40, 34);
  number_ = make(this, "number", "", 175, 455, 60, 34, 16);
  number_->setAlignment(Qt::AlignCenter);
  next_ = new QPushButton(">", this);
  next_->setGeometry(240, 455, 40, 34);
  connect(prev_, &QPushButton::clicked, this, [this] { previous(); });
  connect(next_, &QPushButton::clicked, this, [this] { this->next(); });
  opros_ = make(this, "opros", "Опрос", 300, 455, 90, 34, 10);
  time_ = make(this, "time", "Время", 395, 455, 180, 34, 10);
  usbNo_ = make(this, "usbNo", "USB не работает", 580, 455, 170, 34, 10);
  setColour(usbNo_, QPalette::WindowText, Qt::red);
  usbNo_->hide();

  // Double-click edits.
  const auto editOn = [this](const char* name, DetailEdit what) {
    QLabel* l = label(name);
    dblClick_[l] = [this, l, what] {
      view_.edit(what, l->text().toStdString(), WriteKom_, *dialogs_, hooks);
    };
  };
  editOn("upper", DetailEdit::Upper);
  editOn("lower", DetailEdit::Lower);
  editOn("work", DetailEdit::Work);
  editOn("tots", DetailEdit::Work);
  editOn("co2", DetailEdit::Work);
  editOn("motor", DetailEdit::Work);
  editOn("humCtl", DetailEdit::HumCtl);
  editOn("humUpper", DetailEdit::HumUpper);
  editOn("humUpperPercent", DetailEdit::HumUpper);
  editOn("humLow", DetailEdit::HumLow);
  for (const char* c :
       {"T1caption", "T2caption", "T3caption", "totsCaption", "motorCaption", "co2Caption"})
    dblClick_[label(c)] = [this] { view_.editSensor(tables_, hooks); };
  for (const char* t : {"leftGlyph", "tray", "rightGlyph"})
    dblClick_[label(t)] = [this] { doubleClicked(trayPanel_); };
  dblClick_[trayPanel_] = [this] {
    const int nk = view_.nk_Opros;
    if (nk < 0 || nk >= kMaxRows || !KomAvt) return;
    KomAvt(static_cast<std::uint8_t>(config_.konfig_n[static_cast<std::size_t>(nk)] & 0xFF), 4);
  };

  // nk_Opros survives restarts in the settings file.
  IniFile ini;
  ini.load(iniPath_);
  view_.nk_Opros = ini.readInt("inkub", "nk_Opros", 1);
  following_ = tables.nk_Opros.listen([this] {
    if (!isVisible()) return;
    showNumber();
    OprosI(view_.nk_Opros);
    showPictograms(view_.nk_Opros);
  });

  timer_.setInterval(500);
  connect(&timer_, &QTimer::timeout, this, [this] { Timer(); });
}

TForm9::~TForm9() = default;

QLabel* TForm9::make(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                     int h, int points) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(x, y, w, h);
  QFont f = l->font();
  f.setPointSize(points);
  f.setBold(points >= 16);
  l->setFont(f);
  l->installEventFilter(this);
  labels_[name] = l;
  return l;
}

QLabel* TForm9::label(const char* name) const {
  const auto it = labels_.find(name);
  return it == labels_.end() ? nullptr : it->second;
}

void TForm9::setColour(QLabel* l, QPalette::ColorRole role, const QColor& c) {
  QPalette p = l->palette();
  p.setColor(role, c);
  l->setPalette(p);
}

void TForm9::zoneColour(QLabel* l, std::uint8_t state) {
  if (state < 1 || state > 3) return;
  setColour(l, QPalette::WindowText, colorOf(settings_.FON[state]));
}

int TForm9::gaugeAngle() const {
  return gauge_->angle;
}

void TForm9::showNumber() {
  view_.clamp(rows());
  number_->setText(QString::number(config_.konfig_n[static_cast<std::size_t>(view_.nk_Opros)]));
}

void TForm9::showDetail() {
  showNumber();
  OprosI(view_.nk_Opros);
  timer_.start();
  show();
  raise();
  activateWindow();
}

void TForm9::previous() {
  view_.previous(rows());
  showNumber();
  OprosI(view_.nk_Opros);
  showPictograms(view_.nk_Opros);
}

void TForm9::next() {
  view_.next(rows());
  showNumber();
  OprosI(view_.nk_Opros);
  showPictograms(view_.nk_Opros);
}

void TForm9::OprosI(int nk) {
  if (nk < 0 || nk >= kMaxRows) return;
  const DetailTexts d = view_.OprosI(tables_, config_, nk);
  const auto n = static_cast<std::size_t>(nk);
  setWindowTitle(q(d.caption));
  const std::pair<const char*, const std::string*> texts[] = {
      {"T1", &d.t1},         {"humidity", &d.humidity}, {"T2", &d.t2},
      {"T3", &d.t3},         {"work", &d.work},         {"upper", &d.upper},
      {"lower", &d.lower},   {"humCtl", &d.humCtl},     {"humUpper", &d.humUpper},
      {"humLow", &d.humLow}, {"tray", &d.tray},         {"voltage", &d.voltage},
      {"tots", &d.tots},     {"co2", &d.co2},           {"motor", &d.motor}};
  for (const auto& [name, text] : texts) label(name)->setText(q(*text));
  if (d.leftGlyph) label("leftGlyph")->setText(q(*d.leftGlyph));
  if (d.rightGlyph) label("rightGlyph")->setText(q(*d.rightGlyph));
  zoneColour(label("T1"), view_.c1_FONT[n]);
  zoneColour(label("T2"), view_.c2_FONT[n]);
  zoneColour(label("T3"), view_.c3_FONT[n]);
  zoneColour(label("humidity"), view_.cV_FONT[n]);
  gauge_->angle = d.ugol;
  gauge_->update();

  const QColor panel = palette().color(QPalette::Window);
  humIndicator_->setVisible(d.humIndicator);
  setColour(humIndicator_, QPalette::Window, d.humIndicatorBlue ? QColor(Qt::blue) : panel);
  humIndicator_->setAutoFillBackground(true);
  tempIndicator_->setVisible(d.tempIndicator);
  setColour(tempIndicator_, QPalette::Window, d.tempIndicatorRed ? QColor(Qt::red) : panel);
  tempIndicator_->setAutoFillBackground(true);

  if (d.workSensor >= 0) {
    const auto& y = kBoundY[static_cast<std::size_t>(d.workSensor)];
    upper_->move(kBoundX, y[0]);
    lower_->move(kBoundX, y[1]);
    for (int i = 0; i < 3; ++i) {
      QLabel* c = captions_[static_cast<std::size_t>(i)];
      c->setAutoFillBackground(true);
      const QColor bg = i != d.workSensor   ? panel
                        : d.workSensorAlarm ? QColor(Qt::red)
                                            : QColor(128, 128, 128);
      setColour(c, QPalette::Window, bg);
    }
  }
}

void TForm9::Timer() {
  try {
    const int nk = view_.nk_Opros;
    if (nk < 0 || nk >= kMaxRows) return;
    const auto n = static_cast<std::size_t>(nk);
    const int yellow = view_.lampStep(tables_.C1[n]);
    for (int i = 0; i < 4; ++i) {
      QLabel* l = lamps_[static_cast<std::size_t>(i)];
      l->setVisible(yellow != 0);
      setColour(l, QPalette::Window, yellow == i + 1 ? QColor(Qt::yellow) : QColor(Qt::green));
    }
    showPictograms(nk);
  } catch (const std::exception& e) {
    // Nothing here is expected to throw; if it does, the next tick tries again and the
    // operator sees why once.
    if (!timerFailed_) dialogs_->message(std::string("Окно инкубатора: ") + e.what());
    timerFailed_ = true;
  }
}

void TForm9::showPictograms(int nk) {
  if (nk < 0 || nk >= kMaxRows) return;
  const std::uint16_t C2 = tables_.C2[static_cast<std::size_t>(nk)];
  for (std::size_t i = 0; i < kPictograms.size(); ++i)
    pictograms_[i]->setVisible(((C2 >> kPictograms[i].bit) & 1u) != 0);
}

void TForm9::setAnswerCount(long long n) {
  opros_->setText(QString::number(n));
}
void TForm9::setTimeText(const QString& text) {
  time_->setText(text);
}
void TForm9::setUsbNo(const QString& text, bool visible) {
  usbNo_->setText(text);
  usbNo_->setVisible(visible);
}

void TForm9::doubleClicked(QWidget* w) {
  const auto it = dblClick_.find(w);
  if (it != dblClick_.end()) it->second();
}

bool TForm9::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonDblClick) {
    doubleClicked(qobject_cast<QWidget*>(watched));
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

void TForm9::closeEvent(QCloseEvent* e) {
  timer_.stop();
  if (mainWindow) mainWindow(true);
  {
    const QSignalBlocker quiet(mainToggle_);
    mainToggle_->setChecked(true);
  }
  if (!readOnly_ && !saveKey(iniPath_, "inkub", "nk_Opros", std::to_string(view_.nk_Opros)))
    dialogs_->message("Ошибка записи файла: " + iniPath_.string());
  e->accept();
  if (closed) closed();
}

}  // namespace vs
