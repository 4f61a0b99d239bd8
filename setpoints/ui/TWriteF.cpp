#include "setpoints/ui/TWriteF.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "setpoints/WriteEngine.h"

namespace vs {

TWriteF::TWriteF(WriteEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName("TWriteF");
  setWindowTitle("Запись параметров в Блок автоматики");
  auto* v = new QVBoxLayout(this);
  log_ = new QPlainTextEdit(this);
  log_->setObjectName("WriteRE");
  log_->setReadOnly(true);
  v->addWidget(log_, 1);
  auto* buttons = new QHBoxLayout;
  repeat_ = new QPushButton("Повторить", this);
  close_ = new QPushButton("Закрыть", this);
  buttons->addStretch(1);
  buttons->addWidget(repeat_);
  buttons->addWidget(close_);
  v->addLayout(buttons);
  resize(420, 240);

  connect(repeat_, &QPushButton::clicked, this, [this] { engine_.activate(); });
  connect(close_, &QPushButton::clicked, this, [this] { reject(); });
  engine_.logChanged = [this] { showLog(); };
  engine_.closeDialog = [this] {
    if (isVisible()) accept();
  };
}

TWriteF::~TWriteF() {
  engine_.logChanged = nullptr;
  engine_.closeDialog = nullptr;
}

void TWriteF::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) engine_.activate();
}

void TWriteF::showLog() {
  const auto& lines = engine_.WriteRE;
  const int shown = log_->document()->isEmpty() ? 0 : log_->document()->blockCount();
  if (static_cast<std::size_t>(shown) + 1 == lines.size()) {
    log_->appendPlainText(QString::fromStdString(lines.back()));
    return;
  }
  QStringList all;
  for (const auto& l : lines) all << QString::fromStdString(l);
  log_->setPlainText(all.join('\n'));
}

}  // namespace vs
