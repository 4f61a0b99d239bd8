#include "boards/ui/TForm7.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

#include "boards/BitFile.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm7");
  setWindowTitle("Спец. обновл.");
  auto* g = new QGridLayout(this);
  g->addWidget(new QLabel("Версия", this), 0, 0);
  version_ = new QSpinBox(this);
  version_->setObjectName("Version");
  version_->setRange(0, std::numeric_limits<int>::max());
  version_->setValue(1);
  g->addWidget(version_, 0, 1);
  change_ = new QPushButton("Изменить", this);
  g->addWidget(change_, 0, 2);
  source_ = new QLabel(this);
  source_->setObjectName("Source");
  source_->setMinimumWidth(360);
  g->addWidget(source_, 1, 0, 1, 3);
  name_ = new QLineEdit(this);
  name_->setObjectName("Name");
  name_->setReadOnly(true);
  g->addWidget(name_, 2, 0, 1, 3);
  connect(change_, &QPushButton::clicked, this, &TForm7::izmenit);
}

void TForm7::izmenit() {
  std::optional<std::filesystem::path> raw;
  if (chooseFile) {
    raw = chooseFile();
  } else {
    const QString name = QFileDialog::getOpenFileName(this, "Образ прошивки");
    if (!name.isEmpty()) raw = std::filesystem::path(name.toStdString());
  }
  if (!raw) return;
  source_->setText(qs(raw->string()));
  std::string error;
  const auto out = packImageFile(*raw, static_cast<std::uint32_t>(version_->value()), error);
  if (!out) {
    name_->clear();
    if (report)
      report(error);
    else
      QMessageBox::warning(this, windowTitle(), qs(error));
    return;
  }
  name_->setText(qs(out->string()));
}

}  // namespace vs
