#include "programs/ui/ProgramPanel.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/Cp1251.h"
#include "config/Workstation.h"
#include "programs/ProgramScheduler.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

LocalDateTime fieldsOf(TDateTime t) {
  LocalDateTime d = decodeDateTime(t);
  d.msec = 0;
  return d;
}

fs::path pathOf(const QString& s) {
  const QByteArray u = s.toUtf8();
  return fs::path(std::u8string(u.begin(), u.end()));
}

QString qOf(const fs::path& p) {
  const std::u8string u = p.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(u.data()),
                           static_cast<qsizetype>(u.size()));
}

}  // namespace

ProgramPanel::ProgramPanel(Workstation& ws, ProgramScheduler* programs, Calls calls,
                           QWidget* parent)
    : QWidget(parent), ws_(ws), programs_(programs), calls_(std::move(calls)) {
  setObjectName("ProgramPanel");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);

  auto* box = new QGroupBox(this);
  auto* g = new QGridLayout(box);
  g->addWidget(new QLabel("Текущий день инкубации:", box), 0, 0);
  day_ = new QLabel(box);
  day_->setObjectName("DenTEK");
  QFont big = day_->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 4);
  day_->setFont(big);
  g->addWidget(day_, 0, 1);

  g->addWidget(new QLabel("Дата начала инкубации:", box), 1, 0);
  date_ = new QDateEdit(box);
  date_->setDisplayFormat("dd.MM.yyyy");
  date_->setCalendarPopup(true);
  g->addWidget(date_, 1, 1);
  g->addWidget(new QLabel("Время смены дня:", box), 1, 2, Qt::AlignRight);
  time_ = new QTimeEdit(box);
  time_->setDisplayFormat("HH:mm:ss");
  g->addWidget(time_, 1, 3);

  g->addWidget(new QLabel("Имя файла для режима инкубациии:", box), 2, 0, 1, 4);
  file_ = new QLineEdit(box);
  // The name comes from "Выбрать" only: a typed name would point at a program nobody loaded.
  file_->setReadOnly(true);
  g->addWidget(file_, 3, 0, 1, 3);
  choose_ = new QPushButton("Выбрать", box);
  g->addWidget(choose_, 3, 3);

  auto* ink = new QGroupBox("Инкубация", box);
  auto* ih = new QHBoxLayout(ink);
  inkOff_ = new QRadioButton("Выкл", ink);
  inkOn_ = new QRadioButton("Вкл", ink);
  ih->addWidget(inkOff_);
  ih->addWidget(inkOn_);
  g->addWidget(ink, 4, 0, 1, 2);
  editor_ = new QPushButton("Программы Инкубации", box);
  g->addWidget(editor_, 4, 2, Qt::AlignBottom);
  edit_ = new QPushButton("Изменить", box);
  edit_->setCheckable(true);
  g->addWidget(edit_, 4, 3, Qt::AlignBottom);
  g->setColumnStretch(1, 1);
  v->addWidget(box);

  auto* st = new QGroupBox(this);
  auto* s = new QGridLayout(st);
  auto value = [st](const char* name) {
    auto* l = new QLabel(st);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
  };
  s->addWidget(new QLabel("текущее:", st), 0, 0);
  tekuschee_ = value("tekuschee");
  s->addWidget(tekuschee_, 0, 1, 1, 2);
  dayCaption_ = new QLabel("Смена дня:", st);
  dayCaption_->setObjectName("dayCaption");
  s->addWidget(dayCaption_, 1, 0);
  dayChange_ = value("dayChange");
  s->addWidget(dayChange_, 1, 1, 1, 2);
  s->addWidget(new QLabel("Результат:", st), 2, 0);
  rezult_ = value("rezult");
  s->addWidget(rezult_, 2, 1);
  vsego_ = value("vsego");
  s->addWidget(vsego_, 2, 2, Qt::AlignRight);
  s->addWidget(new QLabel("Осталось:", st), 3, 0);
  ostalos_ = value("ostalos");
  s->addWidget(ostalos_, 3, 1, 1, 2);
  s->setColumnStretch(1, 1);
  v->addWidget(st);

  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &ProgramPanel::refresh);
  connect(edit_, &QPushButton::toggled, this, &ProgramPanel::toggled);
  connect(choose_, &QPushButton::clicked, this, &ProgramPanel::choose);
  connect(editor_, &QPushButton::clicked, this, [this] {
    if (calls_.programEditor) calls_.programEditor(nk_);
  });
  // The preview follows the pickers at once, not a second later.
  connect(date_, &QDateEdit::dateChanged, this, [this] {
    if (editing()) refresh();
  });
  connect(time_, &QTimeEdit::timeChanged, this, [this] {
    if (editing()) refresh();
  });
  enableEditing(false);
}

void ProgramPanel::setRow(int nk) {
  nk_ = nk;
  fill();
}

bool ProgramPanel::editing() const {
  return edit_->isChecked();
}

void ProgramPanel::release() {
  edit_->setChecked(false);  // toggled() asks and stores or restores
}

void ProgramPanel::enableEditing(bool on) {
  date_->setEnabled(on);
  time_->setEnabled(on);
  choose_->setEnabled(on);
  inkOff_->setEnabled(on);
  inkOn_->setEnabled(on);
}

void ProgramPanel::fill() {
  const TFile_config& c = ws_.store.config;
  const auto n = static_cast<std::size_t>(nk_);
  const LocalDateTime t = fieldsOf(c.N_DateTime[n]);
  date_->setDate(QDate(t.year, t.month, t.day));
  time_->setTime(QTime(t.hour, t.minute, t.second));
  file_->setText(q(c.konfig_finkub[n].utf8()));
  (c.konfig_INK[n] ? inkOn_ : inkOff_)->setChecked(true);
  refresh();
}

TDateTime ProgramPanel::pickerStart() const {
  const QDate d = date_->date();
  const QTime t = time_->time();
  return encodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), 0});
}

void ProgramPanel::refresh() {
  const auto n = static_cast<std::size_t>(nk_);
  if (!programs_) {
    day_->setText(QString::number(ws_.store.config.konfig_DenTEK[n]));
    return;
  }
  const bool preview = editing();
  const ProgramStatus s = programs_->status(nk_, preview, preview ? pickerStart() : 0);
  // The day the scheduler keeps in konfig_DenTEK, as it computes it every second: shown fresh,
  // so that a window opened or moved on does not show the day of another incubator's second.
  day_->setText(QString::number(std::clamp(s.day, -128, 127)));
  tekuschee_->setText(q(s.tekuschee));
  dayCaption_->setText(q(s.dayCaption));
  dayChange_->setText(q(s.dayChange));
  rezult_->setText(q(s.rezult));
  vsego_->setText(q(s.vsego));
  ostalos_->setText(q(s.ostalos));
}

void ProgramPanel::toggled(bool down) {
  const auto n = static_cast<std::size_t>(nk_);
  if (down) {
    savedProgram_ = ws_.store.configINK[n];
    savedDenKON_ = ws_.store.config.konfig_DenKON[n];
    enableEditing(true);
    refresh();
    return;
  }
  enableEditing(false);
  if (changed()) {
    if (calls_.question && calls_.question("Изменить", "Запомнить новые данные?")) {
      store();
    } else {
      // "Выбрать" has already loaded the new program: the scheduler must not run it.
      ws_.store.configINK[n] = savedProgram_;
      ws_.store.config.konfig_DenKON[n] = savedDenKON_;
    }
  }
  fill();
}

bool ProgramPanel::changed() const {
  const TFile_config& c = ws_.store.config;
  const auto n = static_cast<std::size_t>(nk_);
  return !(fieldsOf(pickerStart()) == fieldsOf(c.N_DateTime[n])) ||
         file_->text() != q(c.konfig_finkub[n].utf8()) ||
         inkOn_->isChecked() != (c.konfig_INK[n] != 0);
}

void ProgramPanel::store() {
  TFile_config& c = ws_.store.config;
  const auto n = static_cast<std::size_t>(nk_);
  const TDateTime start = pickerStart();
  // The field holds -128..127: a start further away keeps the nearest end, not a wrapped day.
  const int day = std::clamp(incubationDay(ws_.clock.now(), start), -128, 127);
  c.konfig_DenTEK[n] = static_cast<std::int8_t>(day);
  c.N_DateTime[n] = start;
  c.konfig_finkub[n].setUtf8(file_->text().toStdString());
  c.konfig_INK[n] = inkOn_->isChecked() ? 1 : 0;
  // A failed save has already been told by the store; "Записали!" would be a lie.
  if (ws_.store.Write_config(ConfigStore::SaveBy::Window) && calls_.message)
    calls_.message("Записали!");
}

void ProgramPanel::choose() {
  const fs::path rezim = ws_.home() / "rezim";
  std::error_code ec;
  fs::create_directories(rezim, ec);
  const QString chosen = calls_.chooseFile ? calls_.chooseFile(qOf(rezim)) : QString();
  if (chosen.isEmpty()) return;
  const fs::path path = pathOf(chosen);
  // The scheduler loads the program by its name from "rezim" every minute: a file elsewhere
  // would be replaced there by whatever the table holds.
  if (!fs::equivalent(path.parent_path(), rezim, ec)) {
    if (calls_.message) calls_.message("Файл режима инкубации должен лежать в папке rezim");
    return;
  }
  const std::string name = qOf(path.filename()).toStdString();
  const std::string stored = utf8ToCp1251(name);
  if (stored.size() > 255 || cp1251ToUtf8(stored) != name) {
    if (calls_.message)
      calls_.message("Имя файла режима инкубации не помещается в конфигурацию: " + q(name));
    return;
  }
  file_->setText(q(name));
  ws_.store.read_INKconfig(path, nk_);
  std::int32_t last = 0;
  if (lastProgramDay(ws_.store.configINK[static_cast<std::size_t>(nk_)], last))
    ws_.store.config.konfig_DenKON[static_cast<std::size_t>(nk_)] =
        static_cast<std::int8_t>(static_cast<std::uint8_t>(last & 0xFF));
  refresh();
}

void ProgramPanel::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  refresh();
  timer_->start();
}

void ProgramPanel::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  timer_->stop();
}

}  // namespace vs
