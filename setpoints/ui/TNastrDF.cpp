#include "setpoints/ui/TNastrDF.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "setpoints/ui/NavBar.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

template <std::size_t N>
QComboBox* combo(const std::array<const char*, N>& items, QWidget* parent, QVBoxLayout* v,
                 int& target) {
  auto* c = new QComboBox(parent);
  for (const char* i : items) c->addItem(QString::fromUtf8(i));
  v->addWidget(c);
  QObject::connect(c, &QComboBox::currentIndexChanged, parent, [&target](int k) { target = k; });
  return c;
}

QCheckBox* tick(const char* text, QWidget* parent, QVBoxLayout* v, bool& target) {
  auto* b = new QCheckBox(QString::fromUtf8(text), parent);
  v->addWidget(b);
  QObject::connect(b, &QCheckBox::toggled, parent, [&target](bool on) { target = on; });
  return b;
}

void setChoice(QComboBox* c, int k) {
  if (c->currentIndex() == k) return;
  const QSignalBlocker quiet(c);
  c->setCurrentIndex(k);
}

void setTick(QCheckBox* b, bool on, bool shown) {
  b->setVisible(shown);
  if (b->isChecked() == on) return;
  const QSignalBlocker quiet(b);
  b->setChecked(on);
}

}  // namespace

TNastrDF::TNastrDF(Station& station, QWidget* parent)
    : QDialog(parent), engine_(station), own_(std::make_unique<QtDialogs>(this)) {
  setObjectName("TNastrDF");
  setWindowTitle(kNastrCaption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setMinimumWidth(560);
  engine_.dialogs = own_.get();

  auto* v = new QVBoxLayout(this);
  const NavBar nav = addNavBar(this, v);
  prev_ = nav.prev;
  number_ = nav.number;
  next_ = nav.next;
  edit_ = nav.edit;

  pages_ = new QTabWidget(this);
  std::array<QVBoxLayout*, kNastrPages> boxes{};
  std::array<QVBoxLayout*, kNastrPages> outer{};
  for (int p = 0; p < kNastrPages; ++p) {
    const auto i = static_cast<std::size_t>(p);
    auto* page = new QWidget(pages_);
    outer[i] = new QVBoxLayout(page);
    // The choices sit on a body that "Редактировать" enables; "Закрыть" stays usable.
    body_[i] = new QWidget(page);
    boxes[i] = new QVBoxLayout(body_[i]);
    boxes[i]->setContentsMargins(0, 0, 0, 0);
    outer[i]->addWidget(body_[i]);
    pages_->addTab(page, QString::fromUtf8(kNastrPageInfo[i].name));
  }
  const auto box = [&](NPage p) { return boxes[index(p)]; };
  const auto pageW = [&](NPage p) { return body_[index(p)]; };
  NastrState& s = engine_.state;

  auto* sensors = box(NPage::Sensors);
  sensors->addWidget(new QLabel("Датчик влажности", pageW(NPage::Sensors)));
  hum_ = combo(kHumSensors, pageW(NPage::Sensors), sensors, s.humSensor);
  sensors->addWidget(new QLabel("Наличие датчика СО2", pageW(NPage::Sensors)));
  co2_ = combo(kCo2Sensors, pageW(NPage::Sensors), sensors, s.co2Sensor);
  trays_ = combo(kTrayTimer, pageW(NPage::Trays), box(NPage::Trays), s.trayTimer);
  polarity_ = combo(kSwitchPolarity, pageW(NPage::Polarity), box(NPage::Polarity), s.polarity);
  stop_ = combo(kTrayStop, pageW(NPage::StopMode), box(NPage::StopMode), s.trayStop);
  cooling_ = combo(kCoolingAlarm, pageW(NPage::Cooling), box(NPage::Cooling), s.cooling);
  delay_ = combo(kAlarmDelays, pageW(NPage::Delay), box(NPage::Delay), s.delay);
  bell_ = tick("разрешён звонок  на левый канал лотков", pageW(NPage::Delay), box(NPage::Delay),
               s.bell);
  motor_ = combo(kMotorAlarms, pageW(NPage::Motor), box(NPage::Motor), s.motor);
  heaterOff_ = tick("отключать ТЭН", pageW(NPage::Motor), box(NPage::Motor), s.motorHeaterOff);
  hidden_ =
      tick("Не показывать упр в блоке", pageW(NPage::Motor), box(NPage::Motor), s.motorHidden);
  vent_ = combo(kVentKinds, pageW(NPage::Vent), box(NPage::Vent), s.vent);
  model_ = combo(kControllerModels, pageW(NPage::Model), box(NPage::Model), s.model);
  dampers_ = tick("есть заслонки", pageW(NPage::Model), box(NPage::Model), s.dampers);
  humByDamper_ =
      tick("влажность упр. заслонкой", pageW(NPage::Model), box(NPage::Model), s.humByDamper);
  factory_ = new QPushButton("Заводские значения", pageW(NPage::Model));
  box(NPage::Model)->addWidget(factory_);
  connect(factory_, &QPushButton::clicked, this, [this] { engine_.factoryReset(); });

  for (int p = 0; p < kNastrPages; ++p) {
    const auto page = static_cast<NPage>(p);
    QVBoxLayout* b = outer[index(page)];
    b->addStretch(1);
    auto* row = new QHBoxLayout;
    auto* z = new QPushButton("Записать", pages_->widget(p));
    auto* c = new QPushButton("Закрыть", pages_->widget(p));
    zapis_[index(page)] = z;
    row->addWidget(z);
    row->addStretch(1);
    row->addWidget(c);
    b->addLayout(row);
    connect(z, &QPushButton::clicked, this, [this, page] { engine_.Zapisat(page); });
    connect(c, &QPushButton::clicked, this, [this] { close(); });
  }
  v->addWidget(pages_, 1);

  auto* group = new QGroupBox("Запись номера блока", this);
  auto* g = new QHBoxLayout(group);
  busNumber_ = new QLineEdit(qs(engine_.busNumber), group);
  busNumber_->setMaximumWidth(60);
  busEnable_ = new QToolButton(group);
  busEnable_->setText("!");
  busEnable_->setCheckable(true);
  busEnable_->setToolTip("Разрешить изменение номера блока");
  busWrite_ = new QPushButton("Запись", group);
  g->addWidget(busNumber_);
  g->addWidget(busEnable_);
  g->addWidget(busWrite_);
  g->addStretch(1);
  v->addWidget(group);
  connect(busNumber_, &QLineEdit::textChanged, this,
          [this](const QString& t) { engine_.busNumber = t.toStdString(); });
  connect(busEnable_, &QToolButton::toggled, this, [this](bool down) {
    engine_.busEnabled = down;
    busWrite_->setEnabled(down);
  });
  connect(busWrite_, &QPushButton::clicked, this, [this] { engine_.writeBusNumber(); });

  connect(prev_, &QPushButton::clicked, this, [this] { engine_.prev(); });
  connect(next_, &QPushButton::clicked, this, [this] { engine_.next(); });
  connect(edit_, &QPushButton::toggled, this, [this](bool down) { engine_.setEditing(down); });
  connect(pages_, &QTabWidget::currentChanged, this,
          [this](int p) { engine_.setPage(static_cast<NPage>(p)); });
  engine_.changed = [this] { showState(); };
  showState();

  // While "Редактировать" is up the window follows the controller every 2 s as well.
  connect(&timer_, &QTimer::timeout, this, [this] { engine_.Timer2s(); });
  timer_.start(2000);
}

TNastrDF::~TNastrDF() {
  engine_.changed = nullptr;
}

void TNastrDF::setDialogs(Dialogs* dialogs) {
  engine_.dialogs = dialogs ? dialogs : own_.get();
}

void TNastrDF::openOnPage(int page) {
  if (page >= 0 && page < kNastrPages) pages_->setCurrentIndex(page);
  if (isVisible())
    raise();
  else
    exec();
}

void TNastrDF::showState() {
  const NastrState& s = engine_.state;
  setWindowTitle(qs(engine_.caption));
  number_->setText(qs(engine_.numberLabel));
  if (edit_->isChecked() != engine_.editing) {
    const QSignalBlocker quiet(edit_);
    edit_->setChecked(engine_.editing);
  }
  for (std::size_t p = 0; p < body_.size(); ++p) {
    body_[p]->setEnabled(engine_.editing);
    zapis_[p]->setEnabled(engine_.editing);
  }
  if (busEnable_->isChecked() != engine_.busEnabled) {
    const QSignalBlocker quiet(busEnable_);
    busEnable_->setChecked(engine_.busEnabled);
  }
  busWrite_->setEnabled(engine_.busEnabled);
  setChoice(hum_, s.humSensor);
  setChoice(co2_, s.co2Sensor);
  setChoice(trays_, s.trayTimer);
  setChoice(polarity_, s.polarity);
  setChoice(stop_, s.trayStop);
  setChoice(cooling_, s.cooling);
  setChoice(delay_, s.delay);
  setTick(bell_, s.bell, s.bellShown);
  setChoice(motor_, s.motor);
  setTick(heaterOff_, s.motorHeaterOff, true);
  setTick(hidden_, s.motorHidden, true);
  setChoice(vent_, s.vent);
  setChoice(model_, s.model);
  setTick(dampers_, s.dampers, s.damperBoxesShown);
  setTick(humByDamper_, s.humByDamper, s.damperBoxesShown);
}

void TNastrDF::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  engine_.Okno_NastrD = true;
  engine_.activate();
}

void TNastrDF::done(int r) {
  engine_.Okno_NastrD = false;
  QDialog::done(r);
}

}  // namespace vs
