#include "bus/ui/TForm14.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "station/ScheduleDebug.h"

namespace vs {

TForm14::TForm14(Kom485m& kom485m, QWidget* parent)
    : QWidget(parent, Qt::Window), kom485m_(kom485m) {
  setWindowTitle(QStringLiteral("Отладка расписания"));
  auto* box = new QGroupBox(this);
  auto* grid = new QGridLayout(box);
  rg_ = new QButtonGroup(this);
  for (int i = 0; i < 10; ++i) {
    auto* item = new QRadioButton(QString::number(i + 1), box);
    rg_->addButton(item, i);
    grid->addWidget(item, i % 5, i / 5);
  }
  rg_->button(3)->setChecked(true);  // "4"

  button_ = new QPushButton(QStringLiteral("Отправить"), this);
  connect(button_, &QPushButton::clicked, this, [this] { request(); });

  ri_ = new QPlainTextEdit(this);
  ri_->setReadOnly(true);

  auto* left = new QVBoxLayout;
  left->addWidget(box);
  left->addWidget(button_);
  left->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(ri_, 1);
  resize(520, 320);
}

void TForm14::request() {
  scheduleDebugRequest(kom485m_, std::max(rg_->checkedId(), 0));
}

void TForm14::AvtoInkub(const RS232_T& frame) {
  ri_->appendPlainText(QString::fromStdString(AvtoInkubLine(frame)));
}

}  // namespace vs
