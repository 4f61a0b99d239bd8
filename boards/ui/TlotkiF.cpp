#include "boards/ui/TlotkiF.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "bus/FrameDispatcher.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

template <std::size_t N>
QGroupBox* choices(const char* title, const std::array<const char*, N>& items, QWidget* parent,
                   std::array<QRadioButton*, N>& buttons) {
  auto* g = new QGroupBox(QString::fromUtf8(title), parent);
  auto* v = new QVBoxLayout(g);
  for (std::size_t k = 0; k < N; ++k) {
    buttons[k] = new QRadioButton(QString::fromUtf8(items[k]), g);
    v->addWidget(buttons[k]);
  }
  buttons[0]->setChecked(true);
  return g;
}

template <std::size_t N>
std::uint8_t chosen(const std::array<QRadioButton*, N>& buttons) {
  for (std::size_t k = 0; k < N; ++k)
    if (buttons[k]->isChecked()) return static_cast<std::uint8_t>(k);
  return 0;
}

template <std::size_t N>
void choose(const std::array<QRadioButton*, N>& buttons, std::optional<std::uint8_t> k) {
  // A value the window has no item for leaves the choice as it was.
  if (k && *k < N) buttons[*k]->setChecked(true);
}

QPushButton* zapisButton(QWidget* parent) {
  return new QPushButton(QString::fromUtf8("Записать"), parent);
}

}  // namespace

TlotkiF::TlotkiF(Station& station, const Clock& clock, FrameDispatcher& dispatcher, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      engine_(station, clock),
      own_(std::make_unique<QtDialogs>(this)),
      dialogs_(own_.get()) {
  setWindowTitle(QStringLiteral("LotkiF"));
  auto* root = new QVBoxLayout(this);

  version_ = new QLabel(this);
  time_ = new QLabel(this);
  QFont big = time_->font();
  big.setPointSize(big.pointSize() + 4);
  big.setBold(true);
  time_->setFont(big);
  auto* top = new QHBoxLayout;
  top->addWidget(time_, 1);
  edit_ = new QPushButton(QString::fromUtf8("Изменить"), this);
  edit_->setCheckable(true);
  top->addWidget(edit_);
  root->addLayout(top);
  root->addWidget(version_);
  auto* countdownRow = new QHBoxLayout;
  countdownRow->addWidget(new QLabel(QString::fromUtf8("Осталось до запуска поворота:"), this));
  countdown_ = new QLabel(this);
  countdownRow->addWidget(countdown_, 1);
  root->addLayout(countdownRow);
  seconds_ = new QLabel(this);
  root->addWidget(seconds_);
  flags_ = new QLabel(this);
  flags_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  root->addWidget(flags_);

  tabs_ = new QTabWidget(this);
  auto* page = new QWidget(tabs_);
  auto* grid = new QGridLayout(page);

  auto* trolleyBox = new QGroupBox(QString::fromUtf8("Рабочие тележки"), page);
  auto* tv = new QVBoxLayout(trolleyBox);
  const std::array<const char*, 4> trolleyNames{"Первая", "Вторая", "Третья", "Четвёртая"};
  for (std::size_t k = 0; k < 4; ++k) {
    trolleys_[k] = new QCheckBox(QString::fromUtf8(trolleyNames[k]), trolleyBox);
    tv->addWidget(trolleys_[k]);
  }
  auto* trolleyWrite = zapisButton(trolleyBox);
  tv->addWidget(trolleyWrite);
  grid->addWidget(trolleyBox, 0, 0);

  auto* numbers = new QGroupBox(page);
  auto* nv = new QGridLayout(numbers);
  period_ = new QLineEdit(numbers);
  workTime_ = new QLineEdit(numbers);
  auto* periodWrite = zapisButton(numbers);
  auto* workWrite = zapisButton(numbers);
  nv->addWidget(new QLabel(QString::fromUtf8("Период(мин):"), numbers), 0, 0);
  nv->addWidget(period_, 0, 1);
  nv->addWidget(periodWrite, 0, 2);
  nv->addWidget(new QLabel(QString::fromUtf8("Время работы(сек):"), numbers), 1, 0);
  nv->addWidget(workTime_, 1, 1);
  nv->addWidget(workWrite, 1, 2);
  wholeHours_ = new QCheckBox(QString::fromUtf8("Привязать к целым часам"), numbers);
  auto* hoursWrite = zapisButton(numbers);
  nv->addWidget(wholeHours_, 2, 0, 1, 2);
  nv->addWidget(hoursWrite, 2, 2);
  auto* setClock = new QPushButton(QString::fromUtf8("Уст. Время"), numbers);
  nv->addWidget(setClock, 3, 0, 1, 3);
  nv->setRowStretch(4, 1);
  grid->addWidget(numbers, 0, 1);

  auto* limitBox = choices(
      "Тип концевиков",
      std::array<const char*, 3>{"Замыкание по краям", "Размыкание по краям", "Нет концевиков"},
      page, limitType_);
  auto* limitWrite = zapisButton(limitBox);
  limitBox->layout()->addWidget(limitWrite);
  grid->addWidget(limitBox, 1, 0);
  auto* modeBox =
      choices("Режим поворота", std::array<const char*, 2>{"Полный веер", "Веер 2+2"}, page, mode_);
  auto* modeWrite = zapisButton(modeBox);
  modeBox->layout()->addWidget(modeWrite);
  grid->addWidget(modeBox, 1, 1);
  auto* thirdBox = choices("Функция 3 концевика",
                           std::array<const char*, 3>{"Не задана", "Замкнут - тележка работает.",
                                                      "Замкнут - остановка в центе"},
                           page, third_);
  auto* thirdWrite = zapisButton(thirdBox);
  thirdBox->layout()->addWidget(thirdWrite);
  grid->addWidget(thirdBox, 2, 0, 1, 2);
  tabs_->addTab(page, QString::fromUtf8("Установки"));
  tabs_->setEnabled(false);
  root->addWidget(tabs_, 1);

  auto* bottom = new QHBoxLayout;
  lamp_ = new QLabel(this);
  lamp_->setFixedSize(16, 16);
  bottom->addWidget(lamp_);
  ul_ = new QLabel(this);
  bottom->addWidget(ul_, 1);
  auto* button1 = new QPushButton(QStringLiteral("Button1"), this);
  bottom->addWidget(button1);
  root->addLayout(bottom);

  connect(edit_, &QPushButton::toggled, this, [this](bool down) {
    engine_.editing = down;
    tabs_->setEnabled(down);
  });
  connect(trolleyWrite, &QPushButton::clicked, this, [this] {
    std::uint8_t mask = 0;
    for (std::size_t k = 0; k < 4; ++k)
      if (trolleys_[k]->isChecked()) mask |= static_cast<std::uint8_t>(1u << k);
    engine_.zapis(LotkiParam::Trolleys, mask);
  });
  connect(periodWrite, &QPushButton::clicked, this,
          [this] { zapisNumber(LotkiParam::Period, period_); });
  connect(workWrite, &QPushButton::clicked, this,
          [this] { zapisNumber(LotkiParam::WorkTime, workTime_); });
  connect(hoursWrite, &QPushButton::clicked, this,
          [this] { engine_.zapis(LotkiParam::WholeHours, wholeHours_->isChecked() ? 1 : 0); });
  connect(limitWrite, &QPushButton::clicked, this,
          [this] { engine_.zapis(LotkiParam::LimitType, chosen(limitType_)); });
  connect(modeWrite, &QPushButton::clicked, this,
          [this] { engine_.zapis(LotkiParam::Mode, chosen(mode_)); });
  connect(thirdWrite, &QPushButton::clicked, this,
          [this] { engine_.zapis(LotkiParam::ThirdSwitch, chosen(third_)); });
  connect(setClock, &QPushButton::clicked, this, [this] { engine_.ustVremya(); });
  connect(button1, &QPushButton::clicked, this, [this] {
    if (openZaslonki) openZaslonki();
  });

  engine_.onReport = [this] { showReport(); };
  engine_.listen(dispatcher);
  connect(&lampTimer_, &QTimer::timeout, this, [this] {
    engine_.Timer500ms();
    showLamp();
  });
  lampTimer_.start(500);
  showReport();
}

TlotkiF::~TlotkiF() {
  engine_.onReport = nullptr;
}

void TlotkiF::setDialogs(Dialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : own_.get();
}

void TlotkiF::zapisNumber(LotkiParam p, QLineEdit* edit) {
  const std::string why = engine_.zapisNumber(p, edit->text().toStdString());
  if (!why.empty()) dialogs_->message(why);
}

void TlotkiF::showLamp() {
  lamp_->setStyleSheet(engine_.linkGreen() ? "background: #20c020; border-radius: 8px;"
                                           : "background: #f0e020; border-radius: 8px;");
}

void TlotkiF::showReport() {
  const LotkiReport& r = engine_.last;
  // A field the last report did not carry is shown empty, never from an earlier frame.
  version_->setText(qs(r.version.value_or("")));
  time_->setText(qs(r.time.value_or("")));
  flags_->setText(qs(r.flags.value_or("")));
  ul_->setText(qs(engine_.ulText()));
  showLamp();
  if (engine_.editing) return;
  countdown_->setText(r.countdown ? QString::number(*r.countdown) : QString());
  seconds_->setText(r.seconds ? QString::number(*r.seconds) : QString());
  if (r.trolleys)
    for (std::size_t k = 0; k < 4; ++k) trolleys_[k]->setChecked((*r.trolleys >> k) & 1);
  if (r.period) period_->setText(QString::number(*r.period));
  if (r.workTime) workTime_->setText(QString::number(*r.workTime));
  choose(limitType_, r.limitType);
  choose(mode_, r.mode);
  choose(third_, r.thirdSwitch);
  if (r.wholeHours) wholeHours_->setChecked(*r.wholeHours);
}

}  // namespace vs
