#include "config/ui/TForm15.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/Transfer.h"
#include "config/Workstation.h"

namespace vs {

TForm15::TForm15(Workstation& ws, QWidget* parent) : QWidget(parent, Qt::Window), ws_(ws) {
  setObjectName("Form15");
  setWindowTitle("Перенос конфигурации");
  auto* v = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  choose_ = new QPushButton("выбор папки", this);
  choose_->setToolTip("папка EXE предыдущей версии");
  label_ = new QLabel("----------", this);
  top->addWidget(choose_);
  top->addWidget(label_, 1);
  v->addLayout(top);

  auto* box = new QGroupBox("Копировать:", this);
  auto* bv = new QVBoxLayout(box);
  const char* names[6] = {"Vetrostan.INI", "config.cfg",  "папка file",
                          "папка rezim",   "папка sound", "configINK.cfg"};
  for (int i = 0; i < 6; ++i) {
    checks_[static_cast<std::size_t>(i)] = new QCheckBox(QString::fromUtf8(names[i]), box);
    checks_[static_cast<std::size_t>(i)]->setChecked(true);
    bv->addWidget(checks_[static_cast<std::size_t>(i)]);
  }
  v->addWidget(box);

  transfer_ = new QPushButton("перенос", this);
  transfer_->setToolTip("запустить перенос файлов");
  v->addWidget(transfer_);
  memo_ = new QPlainTextEdit(this);
  memo_->setReadOnly(true);
  v->addWidget(memo_, 1);

  connect(choose_, &QPushButton::clicked, this, [this] {
    const QString dir = QFileDialog::getExistingDirectory(this, "Выберите директорию", folder_);
    if (!dir.isEmpty()) setFolder(dir);
  });
  connect(transfer_, &QPushButton::clicked, this, &TForm15::transfer);
}

void TForm15::setFolder(const QString& dir) {
  folder_ = dir;
  label_->setText(dir);
}

void TForm15::transfer() {
  if (folder_.isEmpty()) return;
  TransferItems items;
  items.ini = checks_[0]->isChecked();
  items.config = checks_[1]->isChecked();
  items.file = checks_[2]->isChecked();
  items.rezim = checks_[3]->isChecked();
  items.sound = checks_[4]->isChecked();
  items.ink = checks_[5]->isChecked();

  TransferHooks hooks;
  hooks.takeOverSettings = [this] { ws_.reloadSettings(); };
  hooks.configRefusal = [this](const std::filesystem::path& source) {
    return ws_.store.cfgRefusal(source);
  };
  hooks.takeOverConfig = [this] {
    if (!ws_.store.ReadFileConfig()) return ConfigTakeOver::NotLoaded;
    const bool stored = ws_.store.RegKeyWrite();
    ws_.reloadConfig();
    return stored ? ConfigTakeOver::Stored : ConfigTakeOver::Loaded;
  };
  const QByteArray from = folder_.toUtf8();
  for (const std::string& line :
       transferConfiguration(std::filesystem::path(std::u8string(from.begin(), from.end())),
                             ws_.home(), items, hooks))
    memo_->appendPlainText(QString::fromStdString(line));
}

}  // namespace vs
