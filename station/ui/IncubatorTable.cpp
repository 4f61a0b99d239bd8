#include "station/ui/IncubatorTable.h"

#include <QEvent>
#include <QGridLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "station/MainTableLayout.h"
#include "station/Station.h"
#include "station/ui/CellHeader.h"

namespace vs {

namespace {

QString qs(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// The grid draws no text of its own: every cell goes through TableTDrawCell.
class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(IncubatorTable* table) : QStyledItemDelegate(table), table_(table) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    p->save();
    table_->TableTDrawCell(*p, opt.rect, idx.column() + 1, idx.row() + 1);
    p->restore();
  }

 private:
  IncubatorTable* table_;
};

// A hover help panel: caption labels on the left, values on the right, the name below.
QFrame* hintPanel(QWidget* parent, const std::initializer_list<const char*>& captions,
                  QLabel** values) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::Box);
  f->setAutoFillBackground(true);
  QPalette pal = f->palette();
  pal.setColor(QPalette::Window, QColor(255, 255, 225));  // a tooltip's pale yellow
  f->setPalette(pal);
  auto* g = new QGridLayout(f);
  int row = 0;
  for (const char* c : captions) {
    g->addWidget(new QLabel(QString::fromUtf8(c), f), row, 0);
    values[row] = new QLabel(f);
    g->addWidget(values[row], row, 1);
    ++row;
  }
  values[row] = new QLabel(f);
  g->addWidget(values[row], row, 0, 1, 2);
  f->hide();
  return f;
}

// Setpoint words are hundredths: "37.80" as "00.00" shows them.
QString hundredthsText(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%02d.%02d", v < 0 ? "-" : "", std::abs(v) / 100,
                std::abs(v) % 100);
  return QString::fromLatin1(buf);
}

}  // namespace

IncubatorTable::IncubatorTable(Settings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  setObjectName("TabMain");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);

  grid_ = new QTableWidget(this);
  grid_->setObjectName("TableT");
  top_ = new CellHeader(Qt::Horizontal, this);
  left_ = new CellHeader(Qt::Vertical, this);
  grid_->setHorizontalHeader(top_);
  grid_->setVerticalHeader(left_);
  grid_->setItemDelegate(new CellDelegate(this));
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setCornerButtonEnabled(false);
  grid_->setStyleSheet(
      "QTableCornerButton::section { background-color: palette(button); border: 0px; "
      "border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid); }");
  grid_->setMouseTracking(true);
  grid_->viewport()->setMouseTracking(true);
  top_->setMouseTracking(true);
  left_->setMouseTracking(true);
  top_->setSectionResizeMode(QHeaderView::Fixed);
  left_->setSectionResizeMode(QHeaderView::Fixed);
  setDefaultColWidth(170);
  setDefaultRowHeight(50);
  setColCount(mainTableColumns(kolT_));
  setRowCount(2);
  v->addWidget(grid_);
  for (QObject* o : {static_cast<QObject*>(grid_->viewport()), static_cast<QObject*>(top_),
                     static_cast<QObject*>(left_->viewport()), static_cast<QObject*>(left_)})
    o->installEventFilter(this);

  tempHint_ =
      hintPanel(this, {"Верхняя зона:", "Рабочая темп:", "Нижняя зона:"}, tempHintValues_.data());
  tempHint_->setObjectName("PanelHintT");
  humHint_ = hintPanel(this, {"Верхняя зона:", "Нижняя зона:", "Управл. Верх:", "Управл. Низ:"},
                       humHintValues_.data());
  humHint_->setObjectName("PanelHintV");
  buildContextMenu();
  fontsChanged();
}

// ---- the grid of cells -----------------------------------------------------------------------

int IncubatorTable::colCount() const {
  return grid_->columnCount() + 1;
}
int IncubatorTable::rowCount() const {
  return grid_->rowCount() + 1;
}
void IncubatorTable::setColCount(int n) {
  grid_->setColumnCount(std::max(n - 1, 0));
}
void IncubatorTable::setRowCount(int n) {
  grid_->setRowCount(std::max(n - 1, 0));
  drawnLook_.assign(static_cast<std::size_t>(std::max(n - 1, 0)), std::string());
  drawnLinked_.assign(static_cast<std::size_t>(std::max(n - 1, 0)), -1);
}

QString IncubatorTable::cells(int c, int r) const {
  if (c < 0 || r < 0 || c >= colCount() || r >= rowCount() || (c == 0 && r == 0)) return {};
  const QTableWidgetItem* it = r == 0   ? grid_->horizontalHeaderItem(c - 1)
                               : c == 0 ? grid_->verticalHeaderItem(r - 1)
                                        : grid_->item(r - 1, c - 1);
  return it ? it->text() : QString();
}

void IncubatorTable::setCells(int c, int r, const QString& text) {
  if (c < 0 || r < 0 || c >= colCount() || r >= rowCount() || (c == 0 && r == 0)) return;
  if (r == 0) {
    QTableWidgetItem* it = grid_->horizontalHeaderItem(c - 1);
    if (!it) grid_->setHorizontalHeaderItem(c - 1, it = new QTableWidgetItem);
    it->setText(text);
  } else if (c == 0) {
    QTableWidgetItem* it = grid_->verticalHeaderItem(r - 1);
    if (!it) grid_->setVerticalHeaderItem(r - 1, it = new QTableWidgetItem);
    it->setText(text);
  } else {
    QTableWidgetItem* it = grid_->item(r - 1, c - 1);
    if (!it) grid_->setItem(r - 1, c - 1, it = new QTableWidgetItem);
    it->setText(text);  // the same text again changes nothing and draws nothing
  }
}

int IncubatorTable::colWidth(int c) const {
  if (c == 0) return left_->width();
  return top_->sectionSize(c - 1);
}

void IncubatorTable::setColWidth(int c, int w) {
  w = std::max(w, 0);
  if (c == 0)
    left_->setFixedWidth(w);
  else if (c < colCount())
    top_->resizeSection(c - 1, w);
}

int IncubatorTable::defaultColWidth() const {
  return top_->defaultSectionSize();
}
void IncubatorTable::setDefaultColWidth(int w) {
  top_->setDefaultSectionSize(std::max(w, 1));
}

int IncubatorTable::defaultRowHeight() const {
  return left_->defaultSectionSize();
}
void IncubatorTable::setDefaultRowHeight(int h) {
  h = std::max(h, 1);
  left_->setDefaultSectionSize(h);
  for (int i = 0; i < left_->count(); ++i) left_->resizeSection(i, h);
  top_->setFixedHeight(h);
}

void IncubatorTable::allowResizing() {
  if (grid_->rowCount() > 0 && grid_->columnCount() > 0) grid_->setCurrentCell(0, 0);
  top_->setSectionResizeMode(QHeaderView::Interactive);
  left_->setSectionResizeMode(QHeaderView::Interactive);
}

bool IncubatorTable::resizingAllowed() const {
  return top_->sectionResizeMode(0) == QHeaderView::Interactive;
}

void IncubatorTable::setKolT(int kol_t) {
  kolT_ = std::clamp(kol_t, 0, 2);
  setColCount(mainTableColumns(kolT_));
  writeHeader();
  std::fill(drawnLook_.begin(), drawnLook_.end(), std::string());
  grid_->viewport()->update();
}

void IncubatorTable::writeHeader() {
  const std::vector<std::string> h = mainTableHeader(kolT_);
  for (int c = 1; c < colCount() && c < static_cast<int>(h.size()); ++c)
    setCells(c, 0, qs(h[static_cast<std::size_t>(c)]));
}

// What a row's drawing depends on beside its texts: zone classes, control sensor, alarm
// codes, recording state. A row is redrawn after an answer only when this has changed.
std::string IncubatorTable::rowLook(int nk) const {
  std::string look;
  const int r = nk + 1;
  for (int c = 1; c <= humidityColumn(kolT_); ++c) look += static_cast<char>('0' + zoneClass(c, r));
  if (!station_) return look;
  const auto n = static_cast<std::size_t>(nk);
  look += static_cast<char>('0' + (station_->t1_t2[n] & 7));
  for (int code : station_->avaria[n]) look += static_cast<char>(code + 2);
  const TFile_config& cfg = station_->config();
  if (n < cfg.konfig_INK.size()) {
    look += cfg.konfig_INK[n] ? 'I' : 'i';
    look += cfg.konfig_Write[n] ? 'W' : 'w';
    if (cfg.konfig_Write[n] && logTimes) {
      const auto [from, to] = logTimes(nk);
      look += formatDateTime(from) + formatDateTime(to);
    }
  }
  return look;
}

void IncubatorTable::refreshRow(int nk) {
  if (nk < 0 || nk + 1 >= rowCount()) return;
  const auto n = static_cast<std::size_t>(nk);
  if (station_ && nk < kMaxRows) {
    const signed char linked = station_->nameCellLinked(nk) ? 1 : 0;
    if (drawnLinked_[n] != linked) {
      drawnLinked_[n] = linked;
      left_->redraw(nk);  // the link colour of the name
    }
  }
  std::string look = rowLook(nk);
  std::string& drawn = drawnLook_[n];
  if (look == drawn) return;
  drawn = std::move(look);
  const QRect row = grid_->visualRect(grid_->model()->index(nk, 0));
  grid_->viewport()->update(QRect(0, row.top(), grid_->viewport()->width(), row.height()));
}

void IncubatorTable::refreshNames() {
  std::fill(drawnLinked_.begin(), drawnLinked_.end(), -1);
  left_->viewport()->update();
}

// ---- hover and double-click ------------------------------------------------------------------

std::pair<int, int> IncubatorTable::cellAt(QObject* where, const QPoint& p) const {
  if (where == grid_->viewport()) {
    const QModelIndex idx = grid_->indexAt(p);
    if (!idx.isValid()) return {-1, -1};
    return {idx.column() + 1, idx.row() + 1};
  }
  if (where == top_) {
    const int col = top_->logicalIndexAt(p);
    return {col < 0 ? -1 : col + 1, 0};
  }
  if (where == left_ || where == left_->viewport()) {
    const int row = left_->logicalIndexAt(p);
    return {0, row < 0 ? -1 : row + 1};
  }
  return {-1, -1};
}

void IncubatorTable::TableTMouseMove(int c, int r, const QPoint& at) {
  const bool help = settings_.Help == 1;
  const int nk = r - 1;
  if (!help || r < 1 || !station_ || nk >= kMaxRows || c < 1) {
    tempHint_->hide();
    humHint_->hide();
    return;
  }
  const auto& zon = station_->ZON[static_cast<std::size_t>(nk)];
  const QString name = cells(0, r);
  if (c <= kolT_ + 1) {
    humHint_->hide();
    for (int i = 0; i < 3; ++i)
      tempHintValues_[static_cast<std::size_t>(i)]->setText(hundredthsText(zon[i]));
    tempHintValues_[3]->setText(name);
    tempHint_->adjustSize();
    tempHint_->move(at + QPoint(20, -100));
    tempHint_->show();
    tempHint_->raise();
  } else if (c == humidityColumn(kolT_)) {
    tempHint_->hide();
    const int words[4] = {7, 8, 9, 10};
    for (int i = 0; i < 4; ++i)
      humHintValues_[static_cast<std::size_t>(i)]->setText(QString::number(zon[words[i]]) + "%");
    humHintValues_[4]->setText(name);
    humHint_->adjustSize();
    humHint_->move(at + QPoint(20, -130));
    humHint_->show();
    humHint_->raise();
  } else {
    tempHint_->hide();
    humHint_->hide();
  }
}

bool IncubatorTable::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonDblClick) {
    auto* me = static_cast<QMouseEvent*>(e);
    auto* w = static_cast<QWidget*>(watched);
    const QPoint local = me->position().toPoint();
    const auto [c, r] = cellAt(watched, local);
    if (e->type() == QEvent::MouseMove) {
      TableTMouseMove(c, r, w->mapTo(this, local));
    } else if (r >= 1 && c == alarmsColumn(kolT_)) {
      emit alarmsDoubleClicked(r - 1);
    } else if (r >= 1 && c == recordColumn(kolT_)) {
      emit recordDoubleClicked(r - 1);
    }
  } else if (e->type() == QEvent::Leave && watched == grid_->viewport()) {
    tempHint_->hide();
    humHint_->hide();
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace vs
