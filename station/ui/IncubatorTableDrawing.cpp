// The incubator table's look: the font classes FON as Qt fonts and colours, the zone class of
// each cell, the drawing routine of every cell and the alarm and state pictures.
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

#include "station/MainTableLayout.h"
#include "station/Station.h"
#include "station/Zones.h"
#include "station/ui/CellHeader.h"
#include "station/ui/IncubatorTable.h"

namespace vs {

namespace {

QPixmap renderSvg(const QString& resource, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QSvgRenderer svg(resource);
  QPainter g(&pm);
  g.setRenderHint(QPainter::Antialiasing);
  svg.render(&g);
  return pm;
}

}  // namespace

QFont fontOf(const FontClass& f) {
  QFont font(QString::fromStdString(f.name));
  font.setPointSize(f.size > 0 ? f.size : 8);
  font.setBold(f.style & 1);
  font.setItalic(f.style & 2);
  font.setUnderline(f.style & 4);
  font.setStrikeOut(f.style & 8);
  return font;
}

QColor colorOf(const FontClass& f) {
  // 0xFF0000nn names a system colour; the table's text colour stands in for it.
  if (f.color & 0xFF000000u) return QColor(Qt::black);
  return QColor(static_cast<int>(f.color & 0xFF), static_cast<int>((f.color >> 8) & 0xFF),
                static_cast<int>((f.color >> 16) & 0xFF));
}

FontClass fontClassOf(const QFont& font, const QColor& color) {
  FontClass f;
  f.name = font.family().toStdString();
  f.size = font.pointSize() > 0 ? font.pointSize() : 8;
  f.style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
            (font.strikeOut() ? 8 : 0);
  f.color = static_cast<std::uint32_t>(color.red()) |
            (static_cast<std::uint32_t>(color.green()) << 8) |
            (static_cast<std::uint32_t>(color.blue()) << 16);
  return f;
}

QFont IncubatorTable::fonFont(int cls) const {
  return fonts_[static_cast<std::size_t>(std::clamp(cls, 0, 3))];
}
QColor IncubatorTable::fonColor(int cls) const {
  return colours_[static_cast<std::size_t>(std::clamp(cls, 0, 3))];
}
void IncubatorTable::setFon(int cls, const QFont& font, const QColor& color) {
  if (cls < 0 || cls > 3) return;
  settings_.FON[static_cast<std::size_t>(cls)] = fontClassOf(font, color);
  fontsChanged();
}
void IncubatorTable::fontsChanged() {
  for (std::size_t i = 0; i < 4; ++i) {
    fonts_[i] = fontOf(settings_.FON[i]);
    colours_[i] = colorOf(settings_.FON[i]);
  }
  grid_->viewport()->update();
  top_->viewport()->update();
  left_->viewport()->update();
}

int IncubatorTable::zoneClass(int c, int r) const {
  if (!station_ || r < 1 || c < 1) return 0;
  const int nk = r - 1;
  Zone z;
  if (c == 1)
    z = temperatureZone(*station_, nk, station_->T1k[static_cast<std::size_t>(nk)]);
  else if (c == 2 && kolT_ >= 1)
    z = temperatureZone(*station_, nk, station_->T2k[static_cast<std::size_t>(nk)]);
  else if (c == 3 && kolT_ == 2)
    z = temperatureZone(*station_, nk, station_->T3k[static_cast<std::size_t>(nk)]);
  else if (c == humidityColumn(kolT_))
    z = humidityZone(*station_, nk);
  else
    return 0;
  return z == Zone::Above ? 1 : (z == Zone::Within ? 2 : 3);
}

void IncubatorTable::TableTDrawCell(QPainter& p, const QRect& rect, int c, int r) {
  const bool fixed = r == 0 || c == 0;
  const int nk = r - 1;
  const auto n = static_cast<std::size_t>(std::max(nk, 0));
  QColor background = fixed ? palette().color(QPalette::Button) : QColor(Qt::white);
  // The name cell shows the link: light grey while the incubator answers, yellow when lost.
  if (c == 0 && r >= 1 && station_ && nk < kMaxRows)
    background = station_->nameCellLinked(nk) ? QColor(214, 214, 214) : QColor(255, 255, 0);
  p.fillRect(rect, background);
  if (fixed) {
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
  } else {
    p.setPen(QColor(200, 200, 200));  // the grid lines
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
  }
  p.save();
  p.setClipRect(rect);

  // One alarm picture per code, 50 pixels apart; a narrow column clips the last ones.
  if (c == alarmsColumn(kolT_) && r >= 1 && station_) {
    int drawn = 0;
    for (int code : station_->avaria[n])
      if (code != -1)
        p.drawPixmap(rect.left() + 1 + 50 * drawn++, rect.top() + 5, alarmPicture(code));
  }

  const int cls = fixed ? 0 : zoneClass(c, r);
  QFont font = fonFont(cls);
  p.setFont(font);
  p.setPen(fonColor(cls));
  p.drawText(rect.adjusted(5, 5, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             cells(c, r));

  // The sensor in control is starred in its temperature column.
  if (!fixed && station_ && c <= kolT_ + 1 && station_->t1_t2[n] == c) {
    font.setPointSize(15);
    p.setFont(font);
    p.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("*"));
  }

  // Automatic incubation and recording, each with its picture and small texts.
  if (c == recordColumn(kolT_) && r >= 1 && station_ && n < kMaxRows) {
    const TFile_config& cfg = station_->config();
    QFont small = font;
    small.setPointSize(7);
    small.setBold(false);
    small.setItalic(false);
    p.setFont(small);
    p.setPen(Qt::black);
    if (cfg.konfig_INK[n]) {
      p.drawPixmap(rect.left(), rect.top(), statePicture(1));
      p.drawText(QPoint(rect.left() + 1, rect.top() + 35 + p.fontMetrics().ascent()),
                 QString::fromStdString(cfg.konfig_finkub[n].utf8()));
    }
    if (cfg.konfig_Write[n]) {
      p.drawPixmap(rect.left() + 50, rect.top(), statePicture(0));
      const int a = p.fontMetrics().ascent();
      if (logTimes) {
        const auto [from, to] = logTimes(nk);
        // A time not known yet (no batch written since the start, no sample taken) is left
        // empty rather than shown as the date of nothing, 30.12.1899.
        const auto shown = [](TDateTime t) {
          return t == 0 ? QString() : QString::fromStdString(formatDateTime(t));
        };
        p.drawText(QPoint(rect.left() + 100, rect.top() + a), shown(from));
        p.drawText(QPoint(rect.left() + 100, rect.top() + 10 + a), shown(to));
      }
      p.drawText(QPoint(rect.left() + 100, rect.top() + 21 + a),
                 QString::fromStdString(cfg.konfig_f[n].utf8()));
    }
  }
  p.restore();
}

QPixmap IncubatorTable::alarmPicture(int code) {
  static std::array<QPixmap, 9> pictures;
  if (code < 0 || code > 8) code = 0;
  QPixmap& pm = pictures[static_cast<std::size_t>(code)];
  if (pm.isNull()) {
    pm = renderSvg(QStringLiteral(":/pictures/alarm%1.svg").arg(code), 48);
  }
  return pm;
}

QPixmap IncubatorTable::statePicture(int which) {
  static std::array<QPixmap, 2> pictures;
  which = which == 1 ? 1 : 0;
  QPixmap& pm = pictures[static_cast<std::size_t>(which)];
  if (pm.isNull())
    pm = renderSvg(which ? QStringLiteral(":/pictures/state-incubation.svg")
                         : QStringLiteral(":/pictures/state-recording.svg"),
                   32);
  return pm;
}

}  // namespace vs
