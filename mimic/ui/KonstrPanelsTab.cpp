#include "mimic/ui/KonstrPanelsTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vs {

KonstrPanelsTab::KonstrPanelsTab(KonstrContext& cx, int width, int height, std::uint32_t color,
                                 QWidget* parent)
    : KonstrTab(cx, KonstrKind::Panel, parent), color_(color) {
  auto* grid = new QGridLayout;
  addPosition(grid, 0);
  auto resize = [this](int) {
    if (!mine()) return;
    cx_.k.resize(width_->value(), height_->value());
    changed();
  };
  height_ = spin(1, 30000, resize);
  width_ = spin(1, 30000, resize);
  height_->setValue(height);
  width_->setValue(width);
  grid->addWidget(new QLabel("Высота:", this), 1, 0);
  grid->addWidget(height_, 1, 1);
  grid->addWidget(new QLabel("Ширина:", this), 1, 2);
  grid->addWidget(width_, 1, 3);

  numberCaption_ = addNumber(grid, 2);
  numberCaption_->setMinimumWidth(
      numberCaption_->fontMetrics().horizontalAdvance(QString::fromUtf8(Konstruktor::kTaken)));
  connect(nKP_, &QSpinBox::valueChanged, this, [this](int n) {
    if (filling_) return;
    numberCaption_->setText(QString::fromStdString(cx_.k.numberCaption(n)));
    fillNetwork(n);
  });
  auto* rememberNumber = new QPushButton("Запомнить", this);
  grid->addWidget(rememberNumber, 2, 2, 1, 2);
  connect(rememberNumber, &QPushButton::clicked, this, [this] {
    const std::string caption = cx_.k.rememberPanelNumber(nKP_->value());
    if (caption.empty()) return;  // no panel selected: the engine said so
    numberCaption_->setText(QString::fromStdString(caption));
    changed();
  });

  auto* colorButton = new QPushButton("Цвет фона", this);
  colorSample_ = new QFrame(this);
  colorSample_->setFrameShape(QFrame::Box);
  colorSample_->setMinimumSize(40, 20);
  grid->addWidget(colorButton, 3, 0, 1, 2);
  grid->addWidget(colorSample_, 3, 2, 1, 2);
  showColor();
  connect(colorButton, &QPushButton::clicked, this, [this] {
    const Tlabel_* r = mine();
    const auto c = cx_.dialogs.color(r ? r->Color : color_);
    if (!c) return;
    color_ = *c;
    showColor();
    if (!r) return;
    cx_.k.setColor(*c, false);
    changed();
  });

  addDeleteButtons(grid, 4);
  auto* same = new QPushButton("Размеры по выбранному", this);
  same->setToolTip("Все инкубаторы одного размера по выбранному");
  auto* copy = new QPushButton("Создать 1 полную копию", this);
  copy->setToolTip("Создать одку точную копию инкубатора по выбранному");
  auto* align = new QPushButton("Выровнять все", this);
  align->setToolTip("Все инкубаторы копии выбранного");
  grid->addWidget(same, 5, 0, 1, 4);
  grid->addWidget(copy, 6, 0, 1, 4);
  grid->addWidget(align, 7, 0, 1, 4);
  connect(same, &QPushButton::clicked, this, [this] {
    if (!mine()) {
      if (cx_.k.message) cx_.k.message(Konstruktor::kNoPanel);
      return;
    }
    if (cx_.k.sameSize()) changed();
  });
  connect(copy, &QPushButton::clicked, this, [this] {
    if (cx_.k.fullCopy() >= 0) changed();
  });
  connect(align, &QPushButton::clicked, this, [this] {
    if (cx_.k.alignAll()) changed();
  });

  auto* net = new QGroupBox("Номер блока в сети", this);
  auto* ng = new QGridLayout(net);
  bus_ = new QSpinBox(net);
  bus_->setRange(0, 65535);
  line_ = new QComboBox(net);
  line_->addItems({"1", "2", "3", "4"});
  on_ = new QCheckBox("Инкубатор включен", net);
  auto* rememberNet = new QPushButton("Запомнить", net);
  ng->addWidget(bus_, 0, 0);
  ng->addWidget(new QLabel("№ линии", net), 0, 1);
  ng->addWidget(line_, 0, 2);
  ng->addWidget(on_, 1, 0, 1, 2);
  ng->addWidget(rememberNet, 1, 2);
  connect(rememberNet, &QPushButton::clicked, this, [this] {
    cx_.k.rememberNetwork(nKP_->value(), bus_->value(), line_->currentIndex() + 1,
                          on_->isChecked());
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(net);
  layout->addStretch(1);
}

int KonstrPanelsTab::sampleWidth() const {
  return width_->value();
}

int KonstrPanelsTab::sampleHeight() const {
  return height_->value();
}

void KonstrPanelsTab::showColor() {
  colorSample_->setStyleSheet("background-color: " + vs::sampleColor(color_));
}

void KonstrPanelsTab::addAt(int x, int y) {
  if (cx_.k.addPanel(x, y, width_->value(), height_->value(), color_) >= 0) changed();
}

void KonstrPanelsTab::fillNetwork(int nKP) {
  const TFile_config& c = cx_.config_p;
  if (nKP < 1 || nKP > usableRows(c)) return;
  const auto row = static_cast<std::size_t>(nKP - 1);
  filling_ = true;
  bus_->setValue(c.konfig_n[row]);
  line_->setCurrentIndex(
      c.konfig_linia[row] >= 1 && c.konfig_linia[row] <= 4 ? c.konfig_linia[row] - 1 : 0);
  on_->setChecked(c.konfig_o[row] != 0);
  filling_ = false;
}

void KonstrPanelsTab::fill(const Tlabel_& r) {
  filling_ = true;
  x_->setValue(r.Left);
  y_->setValue(r.Top);
  height_->setValue(r.Height);
  width_->setValue(r.Width);
  nKP_->setValue(r.N_KP);
  numberCaption_->setText("Номер КП:");
  color_ = r.Color;
  filling_ = false;
  showColor();
  fillNetwork(r.N_KP);
}

}  // namespace vs
