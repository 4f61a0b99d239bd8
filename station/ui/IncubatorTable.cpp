#include "station/ui/IncubatorTable.h"

#include <QColorDialog>
#include <QEvent>
#include <QFontDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "station/MainTableLayout.h"
#include "station/Station.h"
#include "station/Zones.h"

namespace vs {

// Row 0 and column 0 of the table are Qt's header sections, so that they stay in place while
// the table scrolls; the table's drawing routine paints them like every other cell.
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

bool positiveInt(const QString& text, int& out) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok || v <= 0) return false;
  out = v;
  return true;
}

// Setpoint words are hundredths: "37.80" as "00.00" shows them.
QString hundredthsText(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%02d.%02d", v < 0 ? "-" : "", std::abs(v) / 100,
                std::abs(v) % 100);
  return QString::fromLatin1(buf);
}

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
  QFont font(qs(f.name));
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

void IncubatorTable::chooseFon(int cls) {
  const std::optional<QFont> f = chooseFont ? chooseFont(fonFont(cls)) : std::nullopt;
  if (!f) return;
  const std::optional<QColor> c = chooseColor ? chooseColor(fonColor(cls)) : std::nullopt;
  if (c) return setFon(cls, *f, *c);
  // A Cancel in the colour dialog drops only the colour: the font just chosen is taken and
  // the class keeps its colour as stored (a system colour too).
  FontClass& fon = settings_.FON[static_cast<std::size_t>(std::clamp(cls, 0, 3))];
  const std::uint32_t kept = fon.color;
  fon = fontClassOf(*f, fonColor(cls));
  fon.color = kept;
  fontsChanged();
}

void IncubatorTable::buildContextMenu() {
  chooseFont = [this](const QFont& now) -> std::optional<QFont> {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, now, this);
    return ok ? std::optional<QFont>(f) : std::nullopt;
  };
  chooseColor = [this](const QColor& now) -> std::optional<QColor> {
    const QColor c = QColorDialog::getColor(now, this);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
  };
  auto* menu = menu_ = new QMenu(this);
  const char* fontEntries[4] = {"Шрифт залоловков таблицы", "Цвет, если выше зоны", "Цвет рабочий",
                                "Цвет, если ниже зоны"};
  for (int cls = 0; cls < 4; ++cls) {
    QAction* a = menu->addAction(QString::fromUtf8(fontEntries[cls]));
    connect(a, &QAction::triggered, this, [this, cls] { chooseFon(cls); });
    if (cls == 0) menu->addSeparator();
  }
  menu->addSeparator();
  connect(menu->addAction("Высота сторок"), &QAction::triggered, this, [this] {
    bool ok = false;
    const QString t = QInputDialog::getText(this, "высота строк", "Введите", QLineEdit::Normal,
                                            QString::number(defaultRowHeight()), &ok);
    if (ok) setRowHeightText(t);
  });
  connect(menu->addAction("Ширина 1-й колонки"), &QAction::triggered, this, [this] {
    bool ok = false;
    const QString t = QInputDialog::getText(this, "Ширина первой колонки", "Введите",
                                            QLineEdit::Normal, QString::number(colWidth(0)), &ok);
    if (ok) setFirstColWidthText(t);
  });
  connect(menu->addAction("Ширина остальных колонок"), &QAction::triggered, this, [this] {
    bool ok = false;
    const QString t = QInputDialog::getText(this, "Ширина остальных колонок", "Введите",
                                            QLineEdit::Normal, QString::number(colWidth(1)), &ok);
    if (ok) setOtherColWidthsText(t);
  });
  for (QWidget* w :
       {static_cast<QWidget*>(grid_), static_cast<QWidget*>(top_), static_cast<QWidget*>(left_)}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [menu, w](const QPoint& at) { menu->popup(w->mapToGlobal(at)); });
  }
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

// ---- fonts and drawing -----------------------------------------------------------------------

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
                 qs(cfg.konfig_finkub[n].utf8()));
    }
    if (cfg.konfig_Write[n]) {
      p.drawPixmap(rect.left() + 50, rect.top(), statePicture(0));
      const int a = p.fontMetrics().ascent();
      if (logTimes) {
        const auto [from, to] = logTimes(nk);
        p.drawText(QPoint(rect.left() + 100, rect.top() + a), qs(formatDateTime(from)));
        p.drawText(QPoint(rect.left() + 100, rect.top() + 10 + a), qs(formatDateTime(to)));
      }
      p.drawText(QPoint(rect.left() + 100, rect.top() + 21 + a), qs(cfg.konfig_f[n].utf8()));
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

// ---- context menu numbers --------------------------------------------------------------------

void IncubatorTable::reportNotNumber(const QString& text) {
  if (message) message(("\"" + text + "\" - не является целым числом").toStdString());
}

bool IncubatorTable::setRowHeightText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  setDefaultRowHeight(v);
  return true;
}

bool IncubatorTable::setFirstColWidthText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  setColWidth(0, v);
  return true;
}

bool IncubatorTable::setOtherColWidthsText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  for (int c = 1; c < colCount(); ++c) setColWidth(c, v);
  return true;
}

}  // namespace vs
