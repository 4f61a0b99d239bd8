#include "boards/ui/TZaslonkiF.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "setpoints/ui/QtDialogs.h"
#include "station/ui/DamperGauge.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A caption and its value label in the next row of `g`.
QLabel* field(const char* caption, QWidget* parent, QGridLayout* g) {
  const int row = g->rowCount();
  g->addWidget(new QLabel(QString::fromUtf8(caption), parent), row, 0);
  auto* value = new QLabel(parent);
  value->setMinimumWidth(90);
  value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  g->addWidget(value, row, 1);
  return value;
}

}  // namespace

TZaslonkiF::TZaslonkiF(Station& station, QWidget* parent)
    : QDialog(parent), engine_(station), own_(std::make_unique<QtDialogs>(this)) {
  setObjectName("TZaslonkiF");
  setWindowTitle(kZaslCaption);
  engine_.dialogs = own_.get();

  auto* v = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  prev_ = new QPushButton("<--", this);
  number_ = new QLabel(this);
  number_->setObjectName("number");
  number_->setMinimumWidth(40);
  number_->setAlignment(Qt::AlignCenter);
  next_ = new QPushButton("-->", this);
  top->addWidget(prev_);
  top->addWidget(number_);
  top->addWidget(next_);
  top->addStretch(1);
  state_ = new QLabel(this);
  QFont bold = state_->font();
  bold.setBold(true);
  state_->setFont(bold);
  mercury_ = new QLabel(QString::fromUtf8(kZaslMercury), this);
  mercury_->setFont(bold);
  mercury_->setStyleSheet("color: red");
  mercury_->hide();
  top->addWidget(state_);
  top->addWidget(mercury_);
  v->addLayout(top);

  version_ = new QLabel(this);
  v->addWidget(version_);

  auto* middle = new QHBoxLayout;
  auto* values = new QGridLayout;
  zslN_ = field("ZSL_N:", this, values);
  voltage_ = field("Текущ U:", this, values);
  r0_ = field("UGOL_R0:", this, values);
  r1_ = field("UGOL_R1", this, values);
  r_ = field("Текущ R:", this, values);
  measured_ = field("Измеренный:", this, values);
  ugol_ = field("UGOL:", this, values);
  time_ = field("TIME:", this, values);
  middle->addLayout(values);
  gauge_ = new DamperGauge(this);
  gauge_->setMinimumSize(130, 130);
  gauge_->angle = -1;
  middle->addWidget(gauge_, 1);
  v->addLayout(middle);

  auto* settings = new QGroupBox(this);
  auto* g = new QGridLayout(settings);
  g->addWidget(new QLabel("Заданный угол:", settings), 0, 0);
  angleEdit_ = new QSpinBox(settings);
  angleEdit_->setRange(0, kZaslFactory);
  angleEdit_->setValue(45);
  g->addWidget(angleEdit_, 0, 1);
  angleWrite_ = new QPushButton("Запись", settings);
  g->addWidget(angleWrite_, 0, 2);
  g->addWidget(new QLabel("Время проверки(сек):", settings), 1, 0);
  timeEdit_ = new QSpinBox(settings);
  timeEdit_->setRange(0, kZaslMaxCheckTime);
  timeEdit_->setValue(30);
  g->addWidget(timeEdit_, 1, 1);
  timeWrite_ = new QPushButton("Запись", settings);
  g->addWidget(timeWrite_, 1, 2);
  calibrate_ = new QPushButton("Запуск калибровки", settings);
  factory_ = new QPushButton("Заводские", settings);
  g->addWidget(calibrate_, 2, 0, 1, 2);
  g->addWidget(factory_, 2, 2);
  v->addWidget(settings);

  connect(prev_, &QPushButton::clicked, this, [this] { engine_.prev(); });
  connect(next_, &QPushButton::clicked, this, [this] { engine_.next(); });
  connect(angleWrite_, &QPushButton::clicked, this, [this] {
    std::uint16_t sent = 0;
    engine_.writeAngle(angleEdit_->value(), &sent);
    angleEdit_->setValue(sent);  // a cut angle shows what went
  });
  connect(timeWrite_, &QPushButton::clicked, this,
          [this] { engine_.writeCheckTime(timeEdit_->value()); });
  connect(calibrate_, &QPushButton::clicked, this, [this] { engine_.calibrate(); });
  connect(factory_, &QPushButton::clicked, this, [this] { engine_.factory(); });
  engine_.changed = [this] { showView(); };
  showView();
}

TZaslonkiF::~TZaslonkiF() {
  engine_.changed = nullptr;
}

void TZaslonkiF::setDialogs(Dialogs* dialogs) {
  engine_.dialogs = dialogs ? dialogs : own_.get();
}

int TZaslonkiF::gaugeAngle() const {
  return gauge_->angle;
}

void TZaslonkiF::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) engine_.activate();
}

void TZaslonkiF::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) engine_.activate();
}

void TZaslonkiF::showView() {
  const ZaslView& z = engine_.view;
  setWindowTitle(qs(z.caption));
  number_->setText(qs(engine_.numberLabel));
  state_->setText(qs(z.state));
  state_->setStyleSheet(z.online ? "color: green" : "color: red");
  mercury_->setVisible(z.mercury);
  version_->setText(qs(z.version));
  zslN_->setText(qs(z.number));
  voltage_->setText(qs(z.voltage));
  r0_->setText(qs(z.r0));
  r1_->setText(qs(z.r1));
  r_->setText(qs(z.r));
  measured_->setText(qs(z.measured));
  ugol_->setText(qs(z.setAngle));
  time_->setText(qs(z.checkTime));
  const int angle = z.known ? z.gauge : -1;
  if (gauge_->angle != angle) {
    gauge_->angle = angle;
    gauge_->update();
  }
}

}  // namespace vs
