// The header sections of the incubator table: row 0 and column 0 are Qt's header sections, so
// that they stay in place while the table scrolls, and the table's drawing routine paints them
// like every other cell.
#pragma once
#include <QHeaderView>
#include <QPainter>

#include "station/ui/IncubatorTable.h"

namespace vs {

class CellHeader : public QHeaderView {
 public:
  CellHeader(Qt::Orientation o, IncubatorTable* table) : QHeaderView(o), table_(table) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    // Past the last row or column the grid shows its plain background, as a grid does.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    pal.setColor(QPalette::Button, pal.color(QPalette::Base));
    setPalette(pal);
  }
  void redraw(int logicalIndex) { updateSection(logicalIndex); }

 protected:
  void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override {
    if (!rect.isValid()) return;
    p->save();
    if (orientation() == Qt::Horizontal)
      table_->TableTDrawCell(*p, rect, logicalIndex + 1, 0);
    else
      table_->TableTDrawCell(*p, rect, 0, logicalIndex + 1);
    p->restore();
  }

 private:
  IncubatorTable* table_;
};

}  // namespace vs
