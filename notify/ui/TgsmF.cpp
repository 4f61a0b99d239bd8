#include "notify/ui/TgsmF.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "bus/FrameDispatcher.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {
namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr std::array<GsmCommand, 4> kCommands{GsmCommand::Balance, GsmCommand::SmsTest,
                                              GsmCommand::Reset, GsmCommand::Version};
constexpr std::array<const char*, 4> kCommandCaptions{"Баланс", "СМС-тест", "Сброс GSM",
                                                      "Версия GSM"};
constexpr std::array<const char*, 4> kAlarmCaptions{"Темпер.зоны", "Влажн.зоны", "Влажн.авария",
                                                    "Лотки авария"};

}  // namespace

TgsmF::TgsmF(Station& station, FrameDispatcher& dispatcher, std::filesystem::path iniPath,
             bool readOnly, QWidget* parent)
    : QWidget(parent, Qt::Window),
      engine_(station),
      dispatcher_(dispatcher),
      iniPath_(std::move(iniPath)),
      readOnly_(readOnly),
      own_(std::make_unique<QtDialogs>(this)),
      dialogs_(own_.get()) {
  setWindowTitle(QString::fromUtf8("GSM - модем"));
  auto* root = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QString::fromUtf8("Номер блока:"), this));
  block_ = new QSpinBox(this);
  block_->setRange(1, kGsmMaxBlock);
  top->addWidget(block_);
  top->addStretch(1);
  edit_ = new QPushButton(QString::fromUtf8("Изменить"), this);
  terminal_ = new QPushButton(QString::fromUtf8("Терминал"), this);
  for (QPushButton* b : {edit_, terminal_}) {
    b->setCheckable(true);
    top->addWidget(b);
  }
  root->addLayout(top);

  panel_ = new QGroupBox(this);
  auto* grid = new QGridLayout(panel_);
  on_ = new QCheckBox(QString::fromUtf8("Вкл GSM-модем"), panel_);
  grid->addWidget(on_, 0, 0, 1, 2);
  for (std::size_t k = 0; k < alarms_.size(); ++k) {
    alarms_[k] = new QCheckBox(QString::fromUtf8(kAlarmCaptions[k]), panel_);
    grid->addWidget(alarms_[k], 1 + static_cast<int>(k) / 2, static_cast<int>(k) % 2);
  }
  grid->addWidget(new QLabel(QString::fromUtf8("Задержка (сек):"), panel_), 3, 0);
  delay_ = new QSpinBox(panel_);
  delay_->setRange(0, 255);
  grid->addWidget(delay_, 3, 1);
  grid->addWidget(new QLabel(QString::fromUtf8("Телефон:"), panel_), 4, 0);
  number_ = new QLineEdit(panel_);
  grid->addWidget(number_, 4, 1);
  grid->addWidget(new QLabel(QString::fromUtf8("Код баланса:"), panel_), 5, 0);
  auto* codeRow = new QHBoxLayout;
  codeType_ = new QComboBox(panel_);
  codeType_->addItems({QStringLiteral("*"), QStringLiteral("#")});
  code_ = new QSpinBox(panel_);
  code_->setRange(0, 127);
  code_->setValue(100);
  codeRow->addWidget(codeType_);
  codeRow->addWidget(code_, 1);
  grid->addLayout(codeRow, 5, 1);
  send_ = new QPushButton(QString::fromUtf8("Передать"), panel_);
  grid->addWidget(send_, 6, 0, 1, 2);
  panel_->setEnabled(false);
  root->addWidget(panel_);

  auto* commandRow = new QHBoxLayout;
  for (std::size_t k = 0; k < kCommands.size(); ++k) {
    commands_[k] = new QPushButton(QString::fromUtf8(kCommandCaptions[k]), this);
    commandRow->addWidget(commands_[k]);
    connect(commands_[k], &QPushButton::clicked, this,
            [this, c = kCommands[k]] { engine_.command(c); });
  }
  root->addLayout(commandRow);

  auto* signalRow = new QHBoxLayout;
  signal_ = new QProgressBar(this);
  signal_->setRange(0, kGsmSignalMax);
  signal_->setFormat(QStringLiteral("%v"));
  signal_->setVisible(false);
  operator_ = new QLabel(this);
  signalRow->addWidget(signal_, 1);
  signalRow->addWidget(operator_, 1);
  root->addLayout(signalRow);

  log_ = new QPlainTextEdit(this);
  log_->setReadOnly(true);
  log_->setMinimumSize(360, 200);
  root->addWidget(log_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  clear_ = new QPushButton(QStringLiteral("00"), this);
  bottom->addWidget(clear_);
  root->addLayout(bottom);

  engine_.loadBlockNumber(iniPath_);
  block_->setValue(engine_.blockNumber());
  connect(block_, &QSpinBox::valueChanged, this, [this](int v) { engine_.setBlockNumber(v); });
  connect(edit_, &QPushButton::clicked, this, [this](bool down) { engine_.setEditing(down); });
  connect(terminal_, &QPushButton::clicked, this, [this](bool down) { engine_.setTerminal(down); });
  connect(send_, &QPushButton::clicked, this, [this] { peredat(); });
  connect(clear_, &QPushButton::clicked, this, [this] { engine_.clearLog(); });

  engine_.onChange = [this] { showState(); };
  engine_.listen(dispatcher);
  connect(&timer_, &QTimer::timeout, this, [this] { engine_.Timer1s(); });
  timer_.start(1000);
  showState();
}

TgsmF::~TgsmF() {
  engine_.onChange = nullptr;
  // The dispatcher may outlive the window: its answers must not reach a destroyed engine.
  dispatcher_.setConsumer(kAnswerGsm, nullptr);
}

void TgsmF::setDialogs(Dialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : own_.get();
}

QPushButton* TgsmF::commandButton(GsmCommand c) const {
  for (std::size_t k = 0; k < kCommands.size(); ++k)
    if (kCommands[k] == c) return commands_[k];
  return nullptr;
}

void TgsmF::peredat() {
  GsmSettings& s = engine_.settings;
  s.on = on_->isChecked();
  s.mask = 0;
  for (std::size_t k = 0; k < alarms_.size(); ++k)
    if (alarms_[k]->isChecked()) s.mask = static_cast<std::uint8_t>(s.mask | (1u << k));
  s.delay = static_cast<std::uint8_t>(delay_->value());
  s.number = number_->text().toStdString();
  s.hash = codeType_->currentIndex() == 1;
  s.code = static_cast<std::uint8_t>(code_->value());
  const std::string why = engine_.peredat();
  if (!why.empty()) dialogs_->message(why);
}

void TgsmF::showState() {
  {
    const QSignalBlocker a(edit_), b(terminal_);
    edit_->setChecked(engine_.editing());
    terminal_->setChecked(engine_.terminalDown());
  }
  panel_->setEnabled(engine_.editing());
  signal_->setVisible(engine_.signalShown);
  signal_->setValue(engine_.signal);
  operator_->setText(qs(engine_.operatorText));

  QString text;
  for (const std::string& line : engine_.log) {
    if (!text.isEmpty()) text += QLatin1Char('\n');
    text += qs(line);
  }
  if (text != shownLog_) {
    shownLog_ = text;
    log_->setPlainText(text);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
  }

  // While the operator edits, the fields are his; the controller's come back on release.
  if (engine_.editing()) return;
  const GsmSettings& s = engine_.settings;
  on_->setChecked(s.on);
  for (std::size_t k = 0; k < alarms_.size(); ++k) alarms_[k]->setChecked((s.mask >> k) & 1);
  delay_->setValue(s.delay);
  number_->setText(qs(s.number));
  codeType_->setCurrentIndex(s.hash ? 1 : 0);
  code_->setValue(s.code);
}

void TgsmF::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) engine_.activated();
  QWidget::changeEvent(e);
}

void TgsmF::closeEvent(QCloseEvent* e) {
  engine_.closed();
  if (!readOnly_ && !engine_.saveBlockNumber(iniPath_))
    dialogs_->message("Ошибка записи файла: " + iniPath_.string());
  QWidget::closeEvent(e);
}

}  // namespace vs
