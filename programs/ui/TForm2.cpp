#include "programs/ui/TForm2.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/Workstation.h"
#include "programs/ProgramScheduler.h"
#include "programs/ui/ProgramPanel.h"

namespace vs {

namespace {
QString q(const std::string& s) {
  return QString::fromStdString(s);
}
}  // namespace

TForm2::TForm2(Workstation& ws, ProgramScheduler* programs, QWidget* parent)
    : QDialog(parent), ws_(ws), scheduler_(programs) {
  setObjectName("TForm2");
  message = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
  question = [this](const QString& title, const QString& text) {
    return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  chooseFile = [this](const QString& dir) {
    return QFileDialog::getOpenFileName(this, "Выбрать", dir, "*.ink");
  };
  setWindowTitle("Запись в файл и выбор режима инкубации");
  auto* v = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  auto* prev = new QPushButton("<-", this);
  header_ = new QLabel(this);
  header_->setObjectName("header");
  QFont bold = header_->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  header_->setFont(bold);
  auto* next = new QPushButton("->", this);
  top->addWidget(prev);
  top->addWidget(header_, 1, Qt::AlignCenter);
  top->addWidget(next);
  v->addLayout(top);
  connect(prev, &QPushButton::clicked, this, [this] { step(-1); });
  connect(next, &QPushButton::clicked, this, [this] { step(+1); });

  // The panel asks through this window's members, so whoever replaces them replaces both parts.
  ProgramPanel::Calls calls;
  calls.message = [this](const QString& text) {
    if (message) message(text);
  };
  calls.question = [this](const QString& title, const QString& text) {
    return question && question(title, text);
  };
  calls.chooseFile = [this](const QString& dir) {
    return chooseFile ? chooseFile(dir) : QString();
  };
  calls.programEditor = [this](int nk) {
    if (programEditor) programEditor(nk);
  };
  panel_ = new ProgramPanel(ws_, programs, std::move(calls), this);
  v->addWidget(panel_);

  // Log-file settings of this incubator.
  auto* log = new QGroupBox("Запись в файл", this);
  auto* lv = new QVBoxLayout(log);
  auto* radios = new QHBoxLayout;
  writeOff_ = new QRadioButton("Выкл", log);
  writeOn_ = new QRadioButton("Вкл", log);
  radios->addWidget(writeOff_);
  radios->addWidget(writeOn_);
  radios->addStretch(1);
  lv->addLayout(radios);
  lv->addWidget(new QLabel("Имя файла для записи:", log));
  fileName_ = new QLineEdit(log);
  fileName_->setMaxLength(250);
  lv->addWidget(fileName_);
  averaging_ = new QCheckBox("Вкл. усреднение при записи /10", log);
  averaging_->setToolTip("уменьшает файл в 10 раз");
  lv->addWidget(averaging_);
  // Averaging is one setting of the whole hall and takes effect at once.
  connect(averaging_, &QCheckBox::clicked, this,
          [this](bool on) { ws_.store.config.usrednenie10 = on ? 11 : 0; });
  auto* save = new QPushButton("Запомнить", log);
  lv->addWidget(save, 0, Qt::AlignRight);
  connect(save, &QPushButton::clicked, this, [this] { zapomnit(); });
  v->addWidget(log);

  auto* close = new QPushButton("Закрыть", this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  v->addWidget(close, 0, Qt::AlignRight);
}

void TForm2::openFor(int nk) {
  // An edit in progress on the incubator shown so far is finished first, with its question.
  panel_->release();
  nk_ = std::clamp(nk, 0, std::max(0, usableRows(ws_.store.config) - 1));
  reload();
  show();
  raise();
  activateWindow();
}

void TForm2::step(int delta) {
  panel_->release();
  const int rows = std::max(1, usableRows(ws_.store.config));
  nk_ = ((nk_ + delta) % rows + rows) % rows;
  reload();
}

void TForm2::reject() {
  panel_->release();
  QDialog::reject();
}

bool TForm2::editing() const {
  return panel_->editing();
}

void TForm2::reload() {
  if (scheduler_) {
    scheduler_->shown = nk_;
    scheduler_->zap_ink = true;
    scheduler_->read_INk_all();
  }
  fill();
}

void TForm2::fill() {
  const TFile_config& c = ws_.store.config;
  const auto n = static_cast<std::size_t>(nk_);
  header_->setText("(" + QString::number(c.konfig_n[n]) + ") " + q(c.konfig_s[n].utf8()));
  (c.konfig_Write[n] ? writeOn_ : writeOff_)->setChecked(true);
  fileName_->setText(q(c.konfig_f[n].utf8()));
  averaging_->setChecked(c.usrednenie10 == 11);
  panel_->setRow(nk_);
}

bool TForm2::zapomnit() {
  const std::string name = fileName_->text().toStdString();
  // The name is the base of two files in "file": a folder part would put them elsewhere.
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..") {
    if (message) message("Имя файла для записи не может содержать папку или знаки / и \\");
    return false;
  }
  TFile_config& c = ws_.store.config;
  const auto n = static_cast<std::size_t>(nk_);
  c.konfig_Write[n] = writeOn_->isChecked() ? 1 : 0;
  c.konfig_f[n].setUtf8(name);
  c.usrednenie10 = averaging_->isChecked() ? 11 : 0;
  return ws_.store.Write_config(ConfigStore::SaveBy::Window);
}

}  // namespace vs
