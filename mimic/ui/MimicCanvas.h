// The mimic's drawing surface: the background picture and every element of the document as a
// light item painted by one widget (a hall holds up to 3 255 of them), with the hit test that
// turns the mouse into hover, press and double click on an element or the background.
#pragma once
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "mimic/ui/MimicRecords.h"

namespace vs {

class MimicCanvas : public QWidget {
  Q_OBJECT

 public:
  explicit MimicCanvas(DispetchView& view, QWidget* parent = nullptr);

  // Where the mouse leads; `index` is the element's position in its kind's list.
  std::function<void(MimicKind kind, int index)> hovered, pressed;
  std::function<void(MimicKind kind, int index, bool ctrl)> doubleClicked;
  std::function<void()> background;
  // A double click on the background at a point of the canvas.
  std::function<void(QPoint at)> backgroundDoubleClicked;
  // The pointer moved with the left button held; true when it was taken (the editor drags its
  // selection), false to let it hover as any move does.
  std::function<bool(QPoint at)> leftDrag;
  // Where the last button press happened (the editor's drag origin).
  QPoint pressPoint() const { return pressPoint_; }

  // The editor's blink of its selection: the element is left out, or a panel's bevel is
  // drawn lowered. `index` -1 blinks nothing.
  void setBlink(MimicKind kind, int index, bool hidden, bool lowered);

  void setBackground(const QPixmap& picture);
  // The icon pictures by kind 0..8 (null: the icon stays empty).
  void setIcons(const std::array<QPixmap, 9>& icons) { icons_ = icons; }
  // After the view was built: the canvas grows to hold every panel, free label and the picture.
  void relayout();

  // One painted element: its place on the canvas and the panel area it is clipped to.
  struct Item {
    MimicKind kind;
    int index;
    QRect rect;
    QRect clip;
  };
  // The visible elements in painting order (later ones lie on top).
  std::vector<Item> items() const;
  // The topmost visible element at `p`, if any.
  const Item* itemAt(const QPoint& p, std::vector<Item>& scratch) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  QRect textRect(MimicKind kind, int index, QPoint origin) const;

  // Text extents by kind and element, measured again only when the text or its style changed:
  // a hover runs the hit test on every mouse move, over up to 3 255 elements.
  struct Extent {
    std::string text;
    bool underline = false, strikeOut = false, known = false;
    QSize size;
  };
  mutable std::array<std::vector<Extent>, 4> extents_;

  DispetchView& view_;
  QPoint pressPoint_;
  struct {
    MimicKind kind = MimicKind::Panel;
    int index = -1;
    bool hidden = false, lowered = false;
  } blink_;
  QPixmap background_;
  std::array<QPixmap, 9> icons_{};
};

// A document colour 0x00BBGGRR, or 0xFF0000nn for the system colour nn, in this palette.
QColor mimicColor(std::uint32_t c, const QPalette& palette);
// The font of an element: a negative Height is the pixel height, 0 leaves it to Size in points.
QFont mimicFont(const TFont_& f, bool underline, bool strikeOut);

}  // namespace vs
