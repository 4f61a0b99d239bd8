// The damper angle as a pie in a quarter circle, 0..90 degrees, with the figure in the corner
// the quarter leaves free: the detail window and the damper board's window show it alike.
#pragma once
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace vs {

class DamperGauge : public QWidget {
 public:
  explicit DamperGauge(QWidget* parent) : QWidget(parent) {}
  int angle = 0;  // degrees; negative: no angle to show

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The quarter from 3 o'clock to 12 o'clock of a circle centred at the bottom left corner.
    const int radius = std::min(width(), height()) - 8;
    const QRect box(4 - radius, height() - 4 - radius, 2 * radius, 2 * radius);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPie(box, 0, 90 * 16);
    if (angle < 0) return;
    p.setBrush(QColor(0, 128, 255));
    p.drawPie(box, 0, angle * 16);
    p.drawText(rect().adjusted(0, 4, -4, 0), Qt::AlignRight | Qt::AlignTop,
               QString::number(angle) + QChar(0x00B0));
  }
};

}  // namespace vs
