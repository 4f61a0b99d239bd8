#include "programs/ui/TForm5.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace vs {

TForm5::TForm5(QWidget* parent) : QWidget(parent) {
  setObjectName("TForm5");
  setWindowFlag(Qt::Window);
  setWindowTitle("Отчёт-Инкубация");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  log_ = new QPlainTextEdit(this);
  log_->setReadOnly(true);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The active window is never cleared: a hall left with it in front for months must not
  // grow the log without end.
  log_->setMaximumBlockCount(100000);
  v->addWidget(log_);
  resize(560, 400);
}

void TForm5::addLine(const QString& line) {
  log_->appendPlainText(line);
}

void TForm5::startQueue() {
  if (!isActiveWindow()) log_->clear();
  show();
}

}  // namespace vs
