#include "app/ui/TForm4.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/Workstation.h"

namespace vs {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName("Form4");
  setWindowTitle("О программе");
  setModal(true);
  auto* v = new QVBoxLayout(this);
  auto* title = new QLabel(QString::fromUtf8(kAppTitle), this);
  QFont f = title->font();
  f.setPointSize(f.pointSize() + 8);
  f.setBold(true);
  title->setFont(f);
  title->setAlignment(Qt::AlignCenter);
  v->addWidget(title);
  auto* version =
      new QLabel(QString("Инкубатор RS485, версия ") + QString::fromUtf8(kVersion), this);
  version->setAlignment(Qt::AlignCenter);
  v->addWidget(version);
  auto* text = new QLabel(
      "Диспетчерская станция инкубатория.\n"
      "Опрашивает контроллеры инкубаторов по шине RS-485, показывает температуры,\n"
      "влажность, поворот лотков и аварии, ведёт программы инкубации и журналы.",
      this);
  text->setAlignment(Qt::AlignCenter);
  v->addWidget(text);
  transfer_ = new QPushButton("Перенос конфигурации...", this);
  transfer_->setToolTip("Перенести настройки и данные предыдущей версии");
  v->addWidget(transfer_, 0, Qt::AlignCenter);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  v->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(transfer_, &QPushButton::clicked, this, [this] {
    accept();
    emit transferRequested();
  });
}

}  // namespace vs
