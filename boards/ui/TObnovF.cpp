#include "boards/ui/TObnovF.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "boards/ui/TForm7.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QLabel* lamp(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setFixedSize(18, 18);
  return l;
}

// Restyling is not free and the view is shown after every block: only changes are applied.
void restyle(QLabel* l, const QString& sheet) {
  if (l->styleSheet() != sheet) l->setStyleSheet(sheet);
}

void setLamp(QLabel* l, bool green) {
  restyle(l, green ? "background: #10b010; border: 1px solid #205020; border-radius: 9px;"
                   : "background: #f0e020; border: 1px solid #806000; border-radius: 9px;");
}

}  // namespace

TObnovF::TObnovF(Station& station, QWidget* parent)
    : QDialog(parent), station_(station), engine_(station) {
  setObjectName("TObnovF");
  setWindowTitle(kObnovCaption);
  auto* v = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(buildUpdateTab(), "Обновление");
  tabs_->addTab(buildServiceTab(), "упр. GSM и звук");
  v->addWidget(tabs_);

  engine_.notice = [this](const std::string& text, const std::string& title) {
    QMessageBox::warning(this, qs(title), qs(text));
  };
  engine_.confirm = [this](const std::string& text, const std::string& title) {
    return QMessageBox::question(this, qs(title), qs(text),
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
  };
  engine_.askYesNo = [this](const std::string& text, const std::string& title) {
    return QMessageBox::question(this, qs(title), qs(text), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  engine_.report = [this](const std::string& text) {
    QMessageBox::warning(this, windowTitle(), qs(text));
  };
  engine_.changed = [this] { showView(); };

  connect(new QShortcut(QKeySequence("Alt+F"), this), &QShortcut::activated, this,
          &TObnovF::openSpecial);
  supplyTimer_.setInterval(1000);
  connect(&supplyTimer_, &QTimer::timeout, this, &TObnovF::showSupply);
  supplyTimer_.start();

  // The controller's current settings on the service tab, while this window is the active one.
  QPointer<TObnovF> self(this);
  station_.listeners.add(StatusStep::UpdateWindow, [self](const StatusEvent& e) {
    if (self && self->isActiveWindow()) self->showModuleFlags(e.frame.Dann.data(), e.length);
  });
  showView();
  showSupply();
}

TObnovF::~TObnovF() {
  engine_.changed = nullptr;
}

QWidget* TObnovF::buildUpdateTab() {
  auto* page = new QWidget(this);
  auto* v = new QVBoxLayout(page);

  auto* link = new QGroupBox(page);
  auto* g = new QGridLayout(link);
  loaderLamp_ = lamp(link);
  state_ = new QLabel(link);
  state_->setObjectName("State");
  state_->setMinimumWidth(170);
  state_->setAlignment(Qt::AlignCenter);
  g->addWidget(loaderLamp_, 0, 0);
  g->addWidget(state_, 0, 1);
  loaderText_ = new QLabel(link);
  loaderText_->setObjectName("Loader");
  g->addWidget(loaderText_, 0, 2, 1, 2);
  mainLamp_ = lamp(link);
  g->addWidget(mainLamp_, 1, 0);
  g->addWidget(new QLabel("Главная программа", link), 1, 1);
  board_ = new QLabel(link);
  board_->setObjectName("Board");
  board_->setWordWrap(true);
  g->addWidget(board_, 1, 2, 1, 2);
  g->setColumnStretch(3, 1);
  v->addWidget(link);

  auto* modes = new QHBoxLayout;
  loader_ = new QPushButton("Загрузчик", page);
  program_ = new QPushButton("Программа", page);
  for (QPushButton* b : {loader_, program_}) {
    b->setCheckable(true);
    b->setMinimumHeight(30);
    modes->addWidget(b);
  }
  start_ = new QLabel(page);
  start_->setObjectName("Start");
  modes->addWidget(start_);
  modes->addStretch(1);
  v->addLayout(modes);

  auto* transfer = new QGridLayout;
  write_ = new QPushButton("Запись", page);
  compare_ = new QPushButton("Контроль", page);
  writeBar_ = new QProgressBar(page);
  compareBar_ = new QProgressBar(page);
  writeResult_ = new QLabel(page);
  writeResult_->setObjectName("WriteResult");
  compareResult_ = new QLabel(page);
  compareResult_->setObjectName("CompareResult");
  transfer->addWidget(write_, 0, 0);
  transfer->addWidget(writeBar_, 0, 1);
  transfer->addWidget(writeResult_, 0, 2);
  transfer->addWidget(compare_, 1, 0);
  transfer->addWidget(compareBar_, 1, 1);
  transfer->addWidget(compareResult_, 1, 2);
  transfer->setColumnStretch(1, 1);
  transfer->setColumnMinimumWidth(2, 220);
  v->addLayout(transfer);
  file_ = new QLabel(page);
  file_->setObjectName("File");
  file_->setWordWrap(true);
  v->addWidget(file_);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(serviceButton("Калибровка сенс.", 102, 0, page));
  bottom->addStretch(1);
  bottom->addWidget(new QLabel("U=", page));
  supply_ = new QLabel(page);
  supply_->setObjectName("Supply");
  supply_->setMinimumWidth(50);
  bottom->addWidget(supply_);
  v->addLayout(bottom);
  v->addStretch(1);

  connect(loader_, &QPushButton::clicked, this, [this] {
    engine_.zagruzchik();
    showView();  // a refused press leaves the buttons as they were
  });
  connect(program_, &QPushButton::clicked, this, [this] {
    engine_.programma();
    showView();
  });
  connect(write_, &QPushButton::clicked, this, [this] {
    if (!engine_.canTransfer()) return;
    if (auto f = askFile(true)) engine_.zapis(*f);
  });
  connect(compare_, &QPushButton::clicked, this, [this] {
    if (!engine_.canTransfer()) return;
    if (auto f = askFile(true)) engine_.kontrol(*f);
  });
  return page;
}

QPushButton* TObnovF::serviceButton(const char* caption, std::uint8_t kadr, std::uint8_t value,
                                    QWidget* parent) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  connect(b, &QPushButton::clicked, this, [this, kadr, value] { engine_.service(kadr, value); });
  return b;
}

QWidget* TObnovF::buildServiceTab() {
  auto* page = new QWidget(this);
  auto* g = new QGridLayout(page);

  auto* number = new QPushButton("Присвоить № 1", page);
  connect(number, &QPushButton::clicked, this, [this] {
    const bool yes =
        engine_.askYesNo &&
        engine_.askYesNo("ВНИМАНИЕ, вы меняете номер контроллера(==1)! Изменить?", "Да или НЕТ");
    if (yes) engine_.service(100, 1);
  });
  g->addWidget(number, 0, 0);
  g->addWidget(serviceButton("Калибровка сенс.", 102, 0, page), 0, 1);

  // A group of service buttons, each sending the request `kind` with its value, above the
  // label that shows the module's state.
  auto group = [&](const char* title, const char* stateName, std::uint8_t kind,
                   std::initializer_list<std::pair<const char*, std::uint8_t>> buttons,
                   int column) {
    auto* box = new QGroupBox(title, page);
    auto* bv = new QVBoxLayout(box);
    for (const auto& [caption, value] : buttons)
      bv->addWidget(serviceButton(caption, kind, value, box));
    auto* state = new QLabel(box);
    state->setObjectName(stateName);
    bv->addWidget(state);
    g->addWidget(box, 1, column);
    return state;
  };
  gsm_ = group("GSM", "Gsm", 103, {{"Вкл А6", 255}, {"Вкл ТЕЛЕОФИС", 254}, {"Выкл", 0}}, 0);
  generator_ = group("Звук", "Generator", 104, {{"Вкл", 255}, {"Выкл", 0}}, 1);
  screen_ = group("Экран", "Screen", 105, {{"Вкл", 255}, {"Выкл", 0}}, 2);

  auto* logoRow = new QHBoxLayout;
  logoRow->addWidget(new QLabel("Яркость ЛОГО:", page));
  brightness_ = new QSpinBox(page);
  brightness_->setRange(0, 255);
  logoRow->addWidget(brightness_);
  auto* set = new QPushButton("Установить", page);
  connect(set, &QPushButton::clicked, this,
          [this] { engine_.service(106, static_cast<std::uint8_t>(brightness_->value())); });
  logoRow->addWidget(set);
  logo_ = new QLabel(page);
  logo_->setObjectName("Logo");
  logo_->setMinimumWidth(40);
  logoRow->addWidget(logo_);
  logoRow->addStretch(1);
  g->addLayout(logoRow, 2, 0, 1, 3);

  auto* config = new QPushButton("Конфигурация блока", page);
  connect(config, &QPushButton::clicked, this, [this] {
    if (openConfig) openConfig();
  });
  auto* dampers = new QPushButton("Заслонки", page);
  connect(dampers, &QPushButton::clicked, this, [this] {
    if (openZaslonki) openZaslonki();
  });
  g->addWidget(config, 3, 0);
  g->addWidget(dampers, 3, 1);
  g->setRowStretch(4, 1);
  return page;
}

std::optional<std::filesystem::path> TObnovF::askFile(bool bitFile) {
  if (chooseFile) return chooseFile(bitFile);
  const QString name =
      QFileDialog::getOpenFileName(this, bitFile ? "Файл прошивки" : "Образ прошивки", QString(),
                                   bitFile ? "Прошивка (*.bit);;Все файлы (*)" : "Все файлы (*)");
  if (name.isEmpty()) return std::nullopt;
  return std::filesystem::path(name.toStdString());
}

void TObnovF::openSpecial() {
  TForm7 f(this);
  f.chooseFile = [this] { return askFile(false); };
  f.report = engine_.report;
  f.exec();
}

void TObnovF::showModuleFlags(const std::uint8_t* data, int length) {
  const auto m = moduleFlags(data, length);
  if (!m) return;
  gsm_->setText(qs(m->gsm));
  generator_->setText(qs(m->generator));
  screen_->setText(qs(m->screen));
  logo_->setText(qs(m->logo));
}

void TObnovF::showSupply() {
  const int u = station_.U1[0];
  supply_->setText(QString::number(u / 10) + "." + QString::number(u % 10));
}

void TObnovF::showView() {
  const ObnovView& w = engine_.view;
  setLamp(loaderLamp_, w.loaderGreen);
  setLamp(mainLamp_, w.mainGreen);
  state_->setText(qs(w.state));
  restyle(state_,
          w.stateOnGreen ? "color: white; background: #10b010; padding: 2px;" : "padding: 2px;");
  loaderText_->setText(qs(w.loader));
  board_->setText(qs(w.board));
  file_->setText(qs(w.file));
  writeResult_->setText(qs(w.writeResult));
  compareResult_->setText(qs(w.compareResult));
  // Anything but a clean end or a placeholder is a failure the operator must not miss.
  for (QLabel* l : {writeResult_, compareResult_}) {
    const QString t = l->text();
    const bool fine = t.isEmpty() || t.startsWith("--") || t == QString::fromUtf8(kObnovDone) ||
                      t == QString::fromUtf8("Завершено. Ошибок нет");
    restyle(l, fine ? QString() : QStringLiteral("color: red"));
  }
  start_->setText(qs(w.start));
  writeBar_->setRange(0, std::max(w.writeMax, 1));
  writeBar_->setValue(std::min(w.writePos, std::max(w.writeMax, 1)));
  compareBar_->setRange(0, std::max(w.compareMax, 1));
  compareBar_->setValue(std::min(w.comparePos, std::max(w.compareMax, 1)));
  loader_->setChecked(w.loaderDown);
  program_->setChecked(w.programDown);
  const bool ready = engine_.canTransfer();
  write_->setEnabled(ready);
  compare_->setEnabled(ready);
}

void TObnovF::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) engine_.open();
}

void TObnovF::reject() {
  if (!engine_.close()) return;
  QDialog::reject();
}

}  // namespace vs
