#include "mimic/ui/KonstrStrip.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace vs {

std::string describeElement(KonstrKind kind, const Tlabel_& r) {
  const auto pos = " X=" + std::to_string(r.Left) + " Y=" + std::to_string(r.Top);
  const auto kp = "  КП " + std::to_string(r.N_KP);
  switch (kind) {
    case KonstrKind::Panel:
      return "Инкубатор " + r.Name.utf8() + kp + pos + "  " + std::to_string(r.Width) + "x" +
             std::to_string(r.Height);
    case KonstrKind::Sensor: {
      const bool known = r.Tip >= 0 && r.Tip < static_cast<int>(tipCaption.size());
      return "Датчик " + r.Name.utf8() + kp + "  " +
             (known ? tipCaption[static_cast<std::size_t>(r.Tip)] : "?") + pos + "  в " +
             r.NameNa.utf8();
    }
    case KonstrKind::Label:
      return "Надпись " + r.Name.utf8() + kp + "  \"" + r.Text.utf8() + "\"" + pos +
             (r.privazkaKP ? "  в " + r.NameNa.utf8() : std::string());
    case KonstrKind::Icon:
      return "Значок " + r.Name.utf8() + kp + "  " + std::to_string(r.Image + 1) + pos + "  в " +
             r.NameNa.utf8();
    case KonstrKind::None:
      break;
  }
  return {};
}

KonstrStrip::KonstrStrip(Konstruktor& k, const konstrT& ks, QWidget* parent)
    : QWidget(parent), k_(k), ks_(ks) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  const char* captions[4] = {"Инкубаторов:", "Датчиков:", "Надписи:", "Значков:"};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(captions[i], this), 0, 2 * i);
    counts_[i] = new QLabel(this);
    counts_[i]->setMinimumWidth(32);
    grid->addWidget(counts_[i], 0, 2 * i + 1);
  }
  grid->addWidget(new QLabel("нулевой:", this), 1, 0);
  zero_ = new QLabel(this);
  grid->addWidget(zero_, 1, 1, 1, 2);
  grid->addWidget(new QLabel("Текущий N:", this), 1, 3, 1, 2);
  current_ = new QLabel(this);
  grid->addWidget(current_, 1, 5);
  reset_ = new QPushButton("Выбор СБРОС", this);
  reset_->setToolTip("Сбросить выбор объекта");
  grid->addWidget(reset_, 1, 6, 1, 2);
  description_ = new QLabel(this);
  description_->setFrameShape(QFrame::StyledPanel);
  grid->addWidget(description_, 2, 0, 1, 8);
  refresh();
}

QString KonstrStrip::countsText() const {
  QStringList parts;
  for (const QLabel* l : counts_) parts << l->text();
  return parts.join(' ');
}

void KonstrStrip::refresh() {
  const std::int32_t counts[4] = {ks_.kol_Na, ks_.kol_Dsk, ks_.kol_Lb, ks_.kol_Za};
  for (int i = 0; i < 4; ++i) counts_[i]->setText(QString::number(counts[i]));
  bool red = false;
  zero_->setText(QString::fromStdString(k_.zeroLine(red)));
  zero_->setStyleSheet(red ? "color: red" : "");
  current_->setText(QString::number(k_.slot() >= 0 ? k_.slot() + 1 : -1));
  const Tlabel_* r = k_.selected();
  description_->setText(r ? QString::fromStdString(describeElement(k_.kind(), *r)) : QString());
}

}  // namespace vs
