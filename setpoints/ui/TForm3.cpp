#include "setpoints/ui/TForm3.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "setpoints/ParamEditor.h"

namespace vs {

ChoiceWriteDialog::ChoiceWriteDialog(TWriteCom& WriteKom, const char* caption, const char* text,
                                     const char* choiceTitle, const std::vector<const char*>& items,
                                     QWidget* parent)
    : QDialog(parent), WriteKom_(WriteKom) {
  setWindowTitle(QString::fromUtf8(caption));
  auto* v = new QVBoxLayout(this);
  v->addWidget(new QLabel(QString::fromUtf8(text), this));
  auto* box = new QGroupBox(QString::fromUtf8(choiceTitle), this);
  auto* bv = new QVBoxLayout(box);
  group_ = new QButtonGroup(this);
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(items[i]), box);
    group_->addButton(b, static_cast<int>(i));
    bv->addWidget(b);
  }
  v->addWidget(box);
  auto* buttons = new QHBoxLayout;
  write_ = new QPushButton("Записать", this);
  exit_ = new QPushButton("Выход", this);
  buttons->addStretch(1);
  buttons->addWidget(write_);
  buttons->addWidget(exit_);
  v->addLayout(buttons);
  connect(write_, &QPushButton::clicked, this, [this] { zapisat(); });
  connect(exit_, &QPushButton::clicked, this, [this] { reject(); });
}

void ChoiceWriteDialog::openFor(int T1T2T3, int T1T2T3col, int T1T2T3row) {
  col_ = T1T2T3col;
  row_ = T1T2T3row;
  choose(T1T2T3);
  exec();
}

int ChoiceWriteDialog::chosen() const {
  return group_->checkedId();
}

void ChoiceWriteDialog::choose(int index) {
  if (QAbstractButton* b = group_->button(index)) {
    b->setChecked(true);
    return;
  }
  // A value the choice does not have: nothing chosen, and "Записать" waits for a choice.
  group_->setExclusive(false);
  for (QAbstractButton* b : group_->buttons()) b->setChecked(false);
  group_->setExclusive(true);
}

void ChoiceWriteDialog::zapisat() {
  const int index = chosen();
  if (index < 0) return;
  fill(WriteKom_, index);
  if (writeDialog) writeDialog();
}

TForm3::TForm3(TWriteCom& WriteKom, QWidget* parent)
    : ChoiceWriteDialog(WriteKom, "Выбор датчика Т?",
                        "Выбор датчика температуры, работающего на ТЭН", "Номер датчика",
                        {kSensorChoices.begin(), kSensorChoices.end()}, parent) {
  setObjectName("TForm3");
}

void TForm3::fill(TWriteCom& w, int index) {
  fillWorkingSensor(w, col_, row_, index);
}

}  // namespace vs
