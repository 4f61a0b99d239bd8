#include "mimic/ui/MimicCanvas.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace vs {

namespace {

// Positions and sizes from a document are kept to a range a painter handles; a damaged file
// can then place an element far away but never overflow a sum.
int fit(std::int32_t v, int lo, int hi) {
  return std::clamp<std::int32_t>(v, lo, hi);
}
constexpr int kFar = 30000;

QRect recordRect(const Tlabel_& r, QPoint origin) {
  return {origin.x() + fit(r.Left, -kFar, kFar), origin.y() + fit(r.Top, -kFar, kFar),
          fit(r.Width, 0, kFar), fit(r.Height, 0, kFar)};
}

bool isSystem(std::uint32_t c) {
  return (c & 0xFF000000u) == 0xFF000000u;
}

}  // namespace

QColor mimicColor(std::uint32_t c, const QPalette& palette) {
  if (!isSystem(c)) return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
  switch (c & 0xFF) {
    case 5:  // window
      return palette.color(QPalette::Base);
    case 8:   // window text
    case 18:  // button text
      return palette.color(QPalette::WindowText);
    case 13:  // highlight
      return palette.color(QPalette::Highlight);
    default:  // 15, the button face, and the rest
      return palette.color(QPalette::Window);
  }
}

QFont mimicFont(const TFont_& f, bool underline, bool strikeOut) {
  QFont font;
  const std::string family = f.Name.utf8();
  if (!family.empty()) font.setFamily(QString::fromStdString(family));
  if (f.Height != 0)
    font.setPixelSize(fit(f.Height < 0 ? -f.Height : f.Height, 1, 400));
  else
    font.setPointSize(f.Size > 0 ? fit(f.Size, 1, 400) : 8);
  font.setBold(f.Style & 0x01);
  font.setItalic(f.Style & 0x02);
  font.setUnderline(underline);
  font.setStrikeOut(strikeOut);
  return font;
}

MimicCanvas::MimicCanvas(DispetchView& view, QWidget* parent) : QWidget(parent), view_(view) {
  setMouseTracking(true);
  setAutoFillBackground(true);
}

void MimicCanvas::setBackground(const QPixmap& picture) {
  background_ = picture;
  relayout();
  update();
}

void MimicCanvas::relayout() {
  for (auto& cache : extents_) cache.clear();  // the elements were built again
  QRect all(0, 0, 1, 1);
  if (!background_.isNull()) all |= QRect(QPoint(0, 0), background_.size());
  for (const Item& it : items())
    if (it.kind == MimicKind::Panel || it.clip.isNull()) all |= it.rect;
  setMinimumSize(std::min(all.right() + 1, kFar), std::min(all.bottom() + 1, kFar));
}

QRect MimicCanvas::textRect(MimicKind kind, int index, QPoint origin) const {
  const Tlabel_& r = view_.record(kind, index);
  const MimicElement& e = view_.elements(kind)[static_cast<std::size_t>(index)];
  auto& cache = extents_[static_cast<std::size_t>(kind)];
  if (cache.size() != view_.elements(kind).size()) cache.assign(view_.elements(kind).size(), {});
  Extent& x = cache[static_cast<std::size_t>(index)];
  if (!x.known || x.text != e.text || x.underline != e.underline || x.strikeOut != e.strikeOut) {
    const QFontMetrics fm(mimicFont(r.Font, e.underline, e.strikeOut));
    // Sized to the text, as the labels of the drawing are.
    x = {e.text, e.underline, e.strikeOut, true,
         fm.size(Qt::TextSingleLine, QString::fromStdString(e.text))};
  }
  return {origin.x() + fit(r.Left, -kFar, kFar), origin.y() + fit(r.Top, -kFar, kFar),
          x.size.width() + 2, x.size.height()};
}

std::vector<MimicCanvas::Item> MimicCanvas::items() const {
  std::vector<Item> out;
  const auto& panels = view_.elements(MimicKind::Panel);
  std::vector<std::vector<Item>> inside(panels.size());
  auto add = [&](MimicKind kind) {
    const auto& list = view_.elements(kind);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const MimicElement& e = list[i];
      if (!e.placed || !e.visible) continue;
      const int idx = static_cast<int>(i);
      if (e.parent < 0) {
        out.push_back({kind, idx, textRect(kind, idx, {0, 0}), QRect()});
        continue;
      }
      const auto p = static_cast<std::size_t>(e.parent);
      const QRect panel = recordRect(view_.record(MimicKind::Panel, e.parent), {0, 0});
      const QRect rect = kind == MimicKind::Icon
                             ? recordRect(view_.record(kind, idx), panel.topLeft())
                             : textRect(kind, idx, panel.topLeft());
      inside[p].push_back({kind, idx, rect, panel});
    }
  };
  std::vector<Item> freeLabels;
  // Children are made in this order: icons, labels, sensors; later ones lie on top.
  add(MimicKind::Icon);
  add(MimicKind::Label);
  add(MimicKind::Sensor);
  freeLabels.swap(out);
  for (std::size_t p = 0; p < panels.size(); ++p) {
    if (!panels[p].visible) continue;
    out.push_back({MimicKind::Panel, static_cast<int>(p),
                   recordRect(view_.record(MimicKind::Panel, static_cast<int>(p)), {0, 0}),
                   QRect()});
    for (const Item& it : inside[p]) out.push_back(it);
  }
  out.insert(out.end(), freeLabels.begin(), freeLabels.end());
  return out;
}

const MimicCanvas::Item* MimicCanvas::itemAt(const QPoint& p, std::vector<Item>& scratch) const {
  scratch = items();
  for (auto it = scratch.rbegin(); it != scratch.rend(); ++it) {
    if (!it->rect.contains(p)) continue;
    if (!it->clip.isNull() && !it->clip.contains(p)) continue;
    return &*it;
  }
  return nullptr;
}

void MimicCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!background_.isNull()) {
    // Scaled down, keeping its proportions, when it is larger than the window; never enlarged,
    // so that elements placed over it stay where they were drawn.
    QSize size = background_.size();
    if (size.width() > width() || size.height() > height())
      size.scale(this->size(), Qt::KeepAspectRatio);
    p.drawPixmap(QRect(QPoint(0, 0), size), background_);
  }
  const QPalette& pal = palette();
  for (const Item& it : items()) {
    // A blinking selection is only not painted: it can still be pressed and dragged.
    if (blink_.hidden && blink_.kind == it.kind && blink_.index == it.index) continue;
    p.save();
    if (!it.clip.isNull()) p.setClipRect(it.clip);
    const MimicElement& e = view_.elements(it.kind)[static_cast<std::size_t>(it.index)];
    const Tlabel_& r = view_.record(it.kind, it.index);
    switch (it.kind) {
      case MimicKind::Panel: {
        // A raised rectangle with a one-pixel bevel.
        p.fillRect(it.rect, mimicColor(e.color, pal));
        const QRect b = it.rect.adjusted(0, 0, -1, -1);
        const bool lowered =
            blink_.lowered && blink_.kind == MimicKind::Panel && blink_.index == it.index;
        p.setPen(pal.color(lowered ? QPalette::Dark : QPalette::Light));
        p.drawLine(b.topLeft(), b.topRight());
        p.drawLine(b.topLeft(), b.bottomLeft());
        p.setPen(pal.color(lowered ? QPalette::Light : QPalette::Dark));
        p.drawLine(b.bottomLeft(), b.bottomRight());
        p.drawLine(b.topRight(), b.bottomRight());
        break;
      }
      case MimicKind::Icon: {
        const int image = r.Image;
        if (image < 0 || image >= static_cast<int>(icons_.size())) break;
        const QPixmap& pic = icons_[static_cast<std::size_t>(image)];
        if (pic.isNull() || it.rect.isEmpty()) break;
        const QSize s = pic.size().scaled(it.rect.size(), Qt::KeepAspectRatio);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(QRect(it.rect.topLeft(), s), pic);
        break;
      }
      case MimicKind::Sensor:
      case MimicKind::Label: {
        // Labels are transparent; they show a colour only when their state gives them one
        // (link lost, out of service). Sensors have their background unless transparent.
        const bool fill = it.kind == MimicKind::Sensor ? !r.Transparent
                                                       : e.color != r.Color && !isSystem(e.color);
        if (fill) p.fillRect(it.rect, mimicColor(e.color, pal));
        p.setFont(mimicFont(r.Font, e.underline, e.strikeOut));
        p.setPen(mimicColor(e.fontColor, pal));
        p.drawText(it.rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(e.text));
        break;
      }
    }
    p.restore();
  }
}

void MimicCanvas::setBlink(MimicKind kind, int index, bool hidden, bool lowered) {
  if (blink_.kind == kind && blink_.index == index && blink_.hidden == hidden &&
      blink_.lowered == lowered)
    return;
  blink_ = {kind, index, hidden, lowered};
  update();
}

void MimicCanvas::mouseMoveEvent(QMouseEvent* e) {
  if ((e->buttons() & Qt::LeftButton) && leftDrag && leftDrag(e->position().toPoint())) return;
  std::vector<Item> scratch;
  if (const Item* it = itemAt(e->position().toPoint(), scratch)) {
    if (hovered) hovered(it->kind, it->index);
  } else if (background) {
    background();
  }
}

void MimicCanvas::mousePressEvent(QMouseEvent* e) {
  pressPoint_ = e->position().toPoint();
  std::vector<Item> scratch;
  if (const Item* it = itemAt(e->position().toPoint(), scratch))
    if (pressed) pressed(it->kind, it->index);
}

void MimicCanvas::mouseDoubleClickEvent(QMouseEvent* e) {
  std::vector<Item> scratch;
  const Item* it = itemAt(e->position().toPoint(), scratch);
  if (!it) {
    if (backgroundDoubleClicked) backgroundDoubleClicked(e->position().toPoint());
    return;
  }
  // The second press of a double click is a press as well (it toggles the pin back).
  const Item hit = *it;
  if (pressed) pressed(hit.kind, hit.index);
  if (doubleClicked)
    doubleClicked(hit.kind, hit.index, (e->modifiers() & Qt::ControlModifier) != 0);
}

}  // namespace vs
