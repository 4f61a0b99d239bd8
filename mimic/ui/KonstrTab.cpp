#include "mimic/ui/KonstrTab.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/TDispetch.h"

namespace vs {

QString sampleColor(std::uint32_t c) {
  return mimicColor(c, QPalette()).name();
}

TFont_ toDocFont(const QFont& f, std::uint32_t color, const TFont_& base) {
  TFont_ out = base;  // the charset and the name's tail stay as they were
  out.Name.setUtf8(f.family().toStdString());
  if (f.pixelSize() > 0) {
    out.Height = -f.pixelSize();
    out.Size = 0;
  } else {
    out.Height = 0;
    out.Size = std::max(1, qRound(f.pointSizeF()));
  }
  out.Style = static_cast<std::uint8_t>((f.bold() ? 0x01 : 0) | (f.italic() ? 0x02 : 0) |
                                        (f.underline() ? 0x04 : 0) | (f.strikeOut() ? 0x08 : 0));
  out.Color = color;
  return out;
}

KonstrTab::KonstrTab(KonstrContext& cx, KonstrKind kind, QWidget* parent)
    : QWidget(parent), cx_(cx), kind_(kind) {}

Tlabel_* KonstrTab::mine() const {
  return cx_.k.kind() == kind_ ? cx_.k.selected() : nullptr;
}

void KonstrTab::changed() const {
  cx_.mimic.rebuild();
  touched();
}

QSpinBox* KonstrTab::spin(int lo, int hi, const std::function<void(int)>& onChange) {
  auto* s = new QSpinBox(this);
  s->setRange(lo, hi);
  connect(s, &QSpinBox::valueChanged, this, [this, onChange](int v) {
    if (!filling_ && onChange) onChange(v);
  });
  return s;
}

void KonstrTab::addPosition(QGridLayout* grid, int row) {
  // A document keeps positions within what a screen of elements can hold.
  auto move = [this](int) {
    if (!mine()) return;
    cx_.k.moveTo(x_->value(), y_->value());
    changed();
  };
  x_ = spin(-30000, 30000, move);
  y_ = spin(-30000, 30000, move);
  grid->addWidget(new QLabel("X:", this), row, 0);
  grid->addWidget(x_, row, 1);
  grid->addWidget(new QLabel("Y:", this), row, 2);
  grid->addWidget(y_, row, 3);
}

QLabel* KonstrTab::addNumber(QGridLayout* grid, int row) {
  auto* caption = new QLabel("Номер КП:", this);
  // Wider than the 255 panels: a copy numbers itself one past the largest number in use.
  nKP_ = spin(0, 65535, nullptr);
  nKP_->setValue(1);
  grid->addWidget(caption, row, 0);
  grid->addWidget(nKP_, row, 1);
  return caption;
}

void KonstrTab::showPosition(int x, int y) {
  filling_ = true;
  if (x_) x_->setValue(x);
  if (y_) y_->setValue(y);
  filling_ = false;
}

void KonstrTab::addDeleteButtons(QGridLayout* grid, int row) {
  auto* one = new QPushButton("Удалить 1 выбранный", this);
  auto* all = new QPushButton("Удалить все", this);
  grid->addWidget(one, row, 0, 1, 2);
  grid->addWidget(all, row, 2, 1, 2);
  connect(one, &QPushButton::clicked, this, [this] {
    const bool done =
        kind_ == KonstrKind::Panel ? cx_.k.deleteSelectedPanel() : cx_.k.deleteSelected();
    if (done) changed();
  });
  connect(all, &QPushButton::clicked, this, [this] {
    if (cx_.k.deleteAll(kind_)) changed();
  });
  if (kind_ == KonstrKind::Panel) return;
  auto* bound = new QPushButton("Удалить все,  привязанные к КП", this);
  grid->addWidget(bound, row + 1, 0, 1, 4);
  connect(bound, &QPushButton::clicked, this, [this] {
    if (cx_.k.deleteAllBound(kind_, nKP_->value())) changed();
  });
}

}  // namespace vs
