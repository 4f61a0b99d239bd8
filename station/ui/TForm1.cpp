#include "station/ui/TForm1.h"

#include <QAction>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/MainTableLayout.h"
#include "app/Workstation.h"
#include "config/ui/SettingsTab.h"

namespace vs {

namespace {

QString qs(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// Row 0 and column 0 of the main table are Qt's header sections, so that they stay in place
// while the table scrolls; the window's drawing routine paints them like every other cell.
class CellHeader : public QHeaderView {
 public:
  CellHeader(Qt::Orientation o, TForm1* form) : QHeaderView(o), form_(form) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    // Past the last row or column the grid shows its plain background, as a grid does.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    pal.setColor(QPalette::Button, pal.color(QPalette::Base));
    setPalette(pal);
  }

 protected:
  void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override {
    if (!rect.isValid()) return;
    p->save();
    if (orientation() == Qt::Horizontal)
      form_->TableTDrawCell(*p, rect, logicalIndex + 1, 0);
    else
      form_->TableTDrawCell(*p, rect, 0, logicalIndex + 1);
    p->restore();
  }

 private:
  TForm1* form_;
};

// The grid draws no text of its own: every cell goes through TableTDrawCell.
class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(TForm1* form) : QStyledItemDelegate(form), form_(form) {}
  void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& idx) const override {
    p->save();
    form_->TableTDrawCell(*p, opt.rect, idx.column() + 1, idx.row() + 1);
    p->restore();
  }

 private:
  TForm1* form_;
};

// Captions of the alarm kinds on the "Звуки" tab, slot 0..10.
constexpr const char* kSoundCaptions[11] = {
    "Влажн. выше зоны",     "Влажн. ниже зоны",    "Темп. выше зоны",     "Темп. ниже зоны",
    "Герконы оба замкнуты", "Охлаждение работает", "Влажн. таймер упр.",  "Геркон лев. таймер",
    "Геркон прав. таймер",  "Сработал отсекатель", "Мотор ниже скорость",
};

QToolButton* iconButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& hint,
                        bool toggle) {
  auto* b = new QToolButton(parent);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(32, 32));
  b->setToolTip(hint);
  b->setCheckable(toggle);
  b->setAutoRaise(false);
  return b;
}

// A hover help panel: caption labels on the left, values on the right, the name below.
QFrame* hintPanel(QWidget* parent, const std::initializer_list<const char*>& captions,
                  QLabel** values) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::Box);
  f->setAutoFillBackground(true);
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

TForm1::TForm1(Workstation& ws, bool secondCopy, QWidget* parent) : QMainWindow(parent), ws_(ws) {
  setObjectName("Form1");
  setWindowTitle(secondCopy ? qs(kSecondCopyCaption) + qs(kSecondCopyNote) : qs(kMainCaption));

  auto* central = new QWidget(this);
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(2, 2, 2, 2);
  setCentralWidget(central);
  v->addWidget(buildTopBar());

  pages_ = new QTabWidget(central);
  pages_->setObjectName("PageControl1");
  pages_->addTab(buildMainTab(), "Главная");
  auto* charts = new QWidget(pages_);
  charts->setObjectName("TabCharts");
  pages_->addTab(charts, "Графики");
  pages_->addTab(buildZonesTab(), "Зоны");
  pages_->addTab(buildSoundsTab(), "Звуки");
  settingsTab_ = new SettingsTab(ws_, pages_);
  pages_->addTab(settingsTab_, "Установки");
  v->addWidget(pages_, 1);

  buildMenu();
  buildContextMenu();

  connect(pages_, &QTabWidget::currentChanged, this, [this](int i) {
    if (i == TabSettings) settingsTab_->refresh();
  });
  connect(settingsTab_, &SettingsTab::countChanged, this, [this](int n) { setCount(n); });
  connect(settingsTab_, &SettingsTab::remembered, this, [this] { writeNames(); });

  hookStartUp();
  ws_.startUp();
}

TForm1::~TForm1() = default;

QLabel* TForm1::statusLabel() const {
  return settingsTab_->statusLabel();
}
QPushButton* TForm1::debugButton() const {
  return settingsTab_->debugButton();
}
QSpinBox* TForm1::debugSpin() const {
  return settingsTab_->debugSpin();
}
QSpinBox* TForm1::periodSE() const {
  return settingsTab_->periodSE();
}
QSpinBox* TForm1::countSpin() const {
  return settingsTab_->countSpin();
}

QWidget* TForm1::buildTopBar() {
  auto* bar = new QFrame(this);
  bar->setObjectName("TopPanel");
  bar->setFrameShape(QFrame::StyledPanel);
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(4, 2, 4, 2);

  rs_ = new QToolButton(bar);
  rs_->setObjectName("RS");
  rs_->setText("Работа");
  rs_->setCheckable(true);
  // The bus work must be seen at a glance from across the room.
  rs_->setStyleSheet(
      "QToolButton#RS { border: 1px solid #888; border-radius: 3px; background: #e8e8e8; }"
      "QToolButton#RS:checked { background: #5cb85c; color: white; font-weight: bold; }");
  rs_->setMinimumSize(90, 40);
  h->addWidget(rs_);

  // "USB не работает" lies over the answer counter "Опрос".
  auto* counter = new QWidget(bar);
  auto* stack = new QGridLayout(counter);
  stack->setContentsMargins(0, 0, 0, 0);
  opros_ = new QLabel("Опрос", counter);
  opros_->setObjectName("Opros");
  opros_->setMinimumWidth(140);
  usbNo_ = new QLabel("USB не работает", counter);
  usbNo_->setObjectName("usb_no");
  usbNo_->setStyleSheet("QLabel { color: white; background: red; font-weight: bold; }");
  usbNo_->setAlignment(Qt::AlignCenter);
  usbNo_->hide();
  stack->addWidget(opros_, 0, 0);
  stack->addWidget(usbNo_, 0, 0);
  h->addWidget(counter);

  time_ = new QLabel("Время", bar);
  time_->setObjectName("Vremy");
  time_->setMinimumWidth(160);
  h->addWidget(time_);

  detail_ = iconButton(bar, QStyle::SP_FileDialogContentsView, "Просмотр 1 КП", true);
  param_ = iconButton(bar, QStyle::SP_FileDialogDetailedView,
                      "Настройки аварийных зон и параметров управления", true);
  mimic_ = iconButton(bar, QStyle::SP_ComputerIcon, "Окно инкубатория", false);
  damper_ = new QToolButton(bar);
  damper_->setText("Заслонки");
  damper_->setToolTip("Управление заслонками");
  damper_->setMinimumHeight(40);
  damper_->hide();
  soundOff_ = iconButton(bar, QStyle::SP_MediaVolumeMuted, "Остановить ЗВУК", false);
  for (QWidget* w : {static_cast<QWidget*>(detail_), static_cast<QWidget*>(param_),
                     static_cast<QWidget*>(mimic_), static_cast<QWidget*>(damper_),
                     static_cast<QWidget*>(soundOff_)})
    h->addWidget(w);

  autoPanel_ = new QFrame(bar);
  autoPanel_->setObjectName("PanelAvto");
  autoPanel_->setFrameShape(QFrame::Panel);
  auto* ap = new QGridLayout(autoPanel_);
  ap->setContentsMargins(4, 0, 4, 0);
  ap->addWidget(new QLabel("Включена автоматическая", autoPanel_), 0, 0);
  ap->addWidget(new QLabel("инкубация", autoPanel_), 1, 0);
  autoCount_ = new QLabel(autoPanel_);
  autoCount_->setObjectName("LabelAvto");
  ap->addWidget(autoCount_, 0, 1, 2, 1);
  autoPanel_->hide();
  h->addWidget(autoPanel_);
  h->addStretch(1);
  return bar;
}

QWidget* TForm1::buildMainTab() {
  auto* tab = new QWidget(this);
  tab->setObjectName("TabMain");
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(0, 0, 0, 0);

  tableT_ = new QTableWidget(tab);
  tableT_->setObjectName("TableT");
  tableT_->setHorizontalHeader(new CellHeader(Qt::Horizontal, this));
  tableT_->setVerticalHeader(new CellHeader(Qt::Vertical, this));
  tableT_->setItemDelegate(new CellDelegate(this));
  tableT_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tableT_->setSelectionMode(QAbstractItemView::SingleSelection);
  tableT_->setCornerButtonEnabled(false);
  tableT_->setStyleSheet(
      "QTableCornerButton::section { background-color: palette(button); border: 0px; "
      "border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid); }");
  tableT_->setMouseTracking(true);
  tableT_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  tableT_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setDefaultColWidth(170);
  setDefaultRowHeight(50);
  setColCount(mainTableColumns(kolT_));
  setRowCount(2);
  v->addWidget(tableT_);

  tempHint_ =
      hintPanel(tab, {"Верхняя зона:", "Рабочая темп:", "Нижняя зона:"}, tempHintValues_.data());
  tempHint_->setObjectName("PanelHintT");
  humHint_ = hintPanel(tab, {"Верхняя зона:", "Нижняя зона:", "Управл. Верх:", "Управл. Низ:"},
                       humHintValues_.data());
  humHint_->setObjectName("PanelHintV");
  return tab;
}

QWidget* TForm1::buildZonesTab() {
  auto* tab = new QWidget(this);
  tab->setObjectName("TabZones");
  auto* v = new QVBoxLayout(tab);
  v->setContentsMargins(0, 0, 0, 0);
  // One column per incubator (the names in the header row), one row per parameter.
  zonT_ = new QTableWidget(tab);
  zonT_->setObjectName("zonT");
  zonT_->setColumnCount(1);
  v->addWidget(zonT_);
  return tab;
}

QWidget* TForm1::buildSoundsTab() {
  auto* tab = new QWidget(this);
  tab->setObjectName("TabSounds");
  auto* v = new QVBoxLayout(tab);
  play_ = new QPushButton("Проиграть", tab);
  play_->setObjectName("ButtonPlay");
  auto* top = new QHBoxLayout;
  top->addWidget(play_);
  top->addStretch(1);
  v->addLayout(top);
  soundGrid_ = new QTableWidget(11, 1, tab);
  soundGrid_->setObjectName("StringGridZvuk");
  soundGrid_->setHorizontalHeaderLabels({"Имя звукового файла"});
  QStringList captions;
  for (const char* c : kSoundCaptions) captions << QString::fromUtf8(c);
  soundGrid_->setVerticalHeaderLabels(captions);
  soundGrid_->verticalHeader()->setFixedWidth(220);
  soundGrid_->horizontalHeader()->resizeSection(0, 318);
  soundGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  soundGrid_->setFixedWidth(220 + 318 + 2 * soundGrid_->frameWidth() +
                            soundGrid_->verticalScrollBar()->sizeHint().width());
  for (int r = 0; r < 11; ++r) soundGrid_->setItem(r, 0, new QTableWidgetItem);
  auto* row = new QHBoxLayout;
  row->addWidget(soundGrid_);
  row->addStretch(1);
  v->addLayout(row, 1);
  return tab;
}

void TForm1::buildMenu() {
  QMenu* m = menuBar()->addMenu("Настройки");
  actGeneral_ = m->addAction("Общие Настройки");
  actGsm_ = m->addAction("GSM-модем");
  actPrograms_ = m->addAction("Программы инкубации");
  actAutomation_ = m->addAction("Конфигурация автоматики");
  actUsb_ = m->addAction("USB-настройки");
  m->addSeparator();
  actExit_ = m->addAction("Выход");
  actAbout_ = menuBar()->addAction("О программе");
  // The windows behind these come with later parts of the program.
  for (QAction* a : {actGeneral_, actGsm_, actPrograms_, actAutomation_, actUsb_, actAbout_})
    a->setEnabled(false);
  connect(actExit_, &QAction::triggered, this, &QWidget::close);

  auto hotKey = [this](const char* seq) {
    auto* a = new QAction(this);
    a->setShortcut(QKeySequence(QString::fromLatin1(seq)));
    addAction(a);
    return a;
  };
  keyN_ = hotKey("Alt+N");
  keyD_ = hotKey("Alt+D");
  keyO_ = hotKey("Alt+O");
  keyP_ = hotKey("Alt+P");
}

void TForm1::buildContextMenu() {
  auto* menu = new QMenu(this);
  const char* fontEntries[4] = {"Шрифт залоловков таблицы", "Цвет, если выше зоны", "Цвет рабочий",
                                "Цвет, если ниже зоны"};
  for (int cls = 0; cls < 4; ++cls) {
    QAction* a = menu->addAction(QString::fromUtf8(fontEntries[cls]));
    connect(a, &QAction::triggered, this, [this, cls] {
      bool ok = false;
      const QFont f = QFontDialog::getFont(&ok, fonFont(cls), this);
      if (!ok) return;
      const QColor c = QColorDialog::getColor(fonColor(cls), this);
      if (c.isValid()) setFon(cls, f, c);
    });
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
       {static_cast<QWidget*>(tableT_), static_cast<QWidget*>(tableT_->horizontalHeader()),
        static_cast<QWidget*>(tableT_->verticalHeader())}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [menu, w](const QPoint& at) { menu->popup(w->mapToGlobal(at)); });
  }
}

void TForm1::hookStartUp() {
  ws_.onSettingsRead.push_back([this] { applySettings(); });
  ws_.onConfigRead.push_back([this] { applyConfig(); });
  ws_.afterStartUp.push_back([this] {
    if (tableT_->rowCount() > 0 && tableT_->columnCount() > 0) tableT_->setCurrentCell(0, 0);
    tableT_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    tableT_->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  });
  ws_.beforeShutDown.push_back([this] { storeSettings(); });
}

void TForm1::applySettings() {
  const Settings& s = ws_.settings;
  move(s.formLeft, s.formTop);
  resize(s.formWidth, s.formHeight);
  setDefaultColWidth(s.tableDefaultColWidth);
  setDefaultRowHeight(s.tableDefaultRowHeight);
  kolT_ = s.kol_t();
  setColCount(mainTableColumns(kolT_));
  for (int c = 0; c < colCount() && c < 8; ++c)
    setColWidth(c, s.tableW[static_cast<std::size_t>(c)]);
  for (int r = 0; r < 11; ++r)
    soundGrid_->item(r, 0)->setText(qs(s.zvuk[static_cast<std::size_t>(r)]));
  settingsTab_->applySettings();
  tableT_->viewport()->update();
}

void TForm1::applyConfig() {
  setCount(ws_.countSpin);
  writeNames();
  writeHeader();
  settingsTab_->showCount(ws_.countSpin);
}

void TForm1::writeNames() {
  const TFile_config& cfg = ws_.store.config;
  const int named = std::min(rowCount() - 1, usableRows(cfg));
  for (int r = 1; r <= named; ++r) {
    const QString name = qs(cfg.konfig_s[static_cast<std::size_t>(r - 1)].utf8());
    setCells(0, r, name);
    zonT_->setHorizontalHeaderItem(r - 1, new QTableWidgetItem(name));
  }
}

void TForm1::setCount(int count) {
  ws_.countSpin = count;
  setRowCount(count + 1);
  zonT_->setColumnCount(count);
}

void TForm1::storeSettings() {
  Settings& s = ws_.settings;
  const QRect g = (isMaximized() || isFullScreen()) ? normalGeometry() : QRect(pos(), size());
  s.formLeft = g.x();
  s.formTop = g.y();
  s.formWidth = g.width();
  s.formHeight = g.height();
  for (int c = 0; c < 8; ++c)
    s.tableW[static_cast<std::size_t>(c)] = c < colCount() ? colWidth(c) : defaultColWidth();
  s.tableDefaultColWidth = defaultColWidth();
  s.tableDefaultRowHeight = defaultRowHeight();
}

void TForm1::closeEvent(QCloseEvent* e) {
  if (!closing_) {
    closing_ = true;
    ws_.shutDown();
    emit closed();
  }
  e->accept();
}

// ---- the main table as a grid of cells -----------------------------------------------------

int TForm1::colCount() const {
  return tableT_->columnCount() + 1;
}
int TForm1::rowCount() const {
  return tableT_->rowCount() + 1;
}
void TForm1::setColCount(int n) {
  tableT_->setColumnCount(std::max(n - 1, 0));
}
void TForm1::setRowCount(int n) {
  tableT_->setRowCount(std::max(n - 1, 0));
}

QString TForm1::cells(int c, int r) const {
  if (c < 0 || r < 0 || c >= colCount() || r >= rowCount() || (c == 0 && r == 0)) return {};
  const QTableWidgetItem* it = r == 0   ? tableT_->horizontalHeaderItem(c - 1)
                               : c == 0 ? tableT_->verticalHeaderItem(r - 1)
                                        : tableT_->item(r - 1, c - 1);
  return it ? it->text() : QString();
}

void TForm1::setCells(int c, int r, const QString& text) {
  if (c < 0 || r < 0 || c >= colCount() || r >= rowCount() || (c == 0 && r == 0)) return;
  if (r == 0) {
    QTableWidgetItem* it = tableT_->horizontalHeaderItem(c - 1);
    if (!it) tableT_->setHorizontalHeaderItem(c - 1, it = new QTableWidgetItem);
    it->setText(text);
  } else if (c == 0) {
    QTableWidgetItem* it = tableT_->verticalHeaderItem(r - 1);
    if (!it) tableT_->setVerticalHeaderItem(r - 1, it = new QTableWidgetItem);
    it->setText(text);
  } else {
    QTableWidgetItem* it = tableT_->item(r - 1, c - 1);
    if (!it) tableT_->setItem(r - 1, c - 1, it = new QTableWidgetItem);
    it->setText(text);
  }
}

int TForm1::colWidth(int c) const {
  if (c == 0) return tableT_->verticalHeader()->width();
  return tableT_->horizontalHeader()->sectionSize(c - 1);
}

void TForm1::setColWidth(int c, int w) {
  w = std::max(w, 0);
  if (c == 0)
    tableT_->verticalHeader()->setFixedWidth(w);
  else if (c < colCount())
    tableT_->horizontalHeader()->resizeSection(c - 1, w);
}

int TForm1::defaultColWidth() const {
  return tableT_->horizontalHeader()->defaultSectionSize();
}
void TForm1::setDefaultColWidth(int w) {
  tableT_->horizontalHeader()->setDefaultSectionSize(std::max(w, 1));
}

int TForm1::defaultRowHeight() const {
  return tableT_->verticalHeader()->defaultSectionSize();
}
void TForm1::setDefaultRowHeight(int h) {
  h = std::max(h, 1);
  QHeaderView* vh = tableT_->verticalHeader();
  vh->setDefaultSectionSize(h);
  for (int i = 0; i < vh->count(); ++i) vh->resizeSection(i, h);
  tableT_->horizontalHeader()->setFixedHeight(h);
}

bool TForm1::resizingAllowed() const {
  return tableT_->horizontalHeader()->sectionResizeMode(0) == QHeaderView::Interactive;
}

void TForm1::setKolT(int kol_t) {
  kolT_ = kol_t < 0 ? 0 : (kol_t > 2 ? 2 : kol_t);
  setColCount(mainTableColumns(kolT_));
  writeHeader();
}

void TForm1::writeHeader() {
  const std::vector<std::string> h = mainTableHeader(kolT_);
  for (int c = 1; c < colCount() && c < static_cast<int>(h.size()); ++c)
    setCells(c, 0, qs(h[static_cast<std::size_t>(c)]));
}

// ---- fonts and drawing ---------------------------------------------------------------------

QFont TForm1::fonFont(int cls) const {
  return fontOf(ws_.settings.FON[static_cast<std::size_t>(std::clamp(cls, 0, 3))]);
}
QColor TForm1::fonColor(int cls) const {
  return colorOf(ws_.settings.FON[static_cast<std::size_t>(std::clamp(cls, 0, 3))]);
}
void TForm1::setFon(int cls, const QFont& font, const QColor& color) {
  if (cls < 0 || cls > 3) return;
  ws_.settings.FON[static_cast<std::size_t>(cls)] = fontClassOf(font, color);
  tableT_->viewport()->update();
  tableT_->horizontalHeader()->viewport()->update();
  tableT_->verticalHeader()->viewport()->update();
}

void TForm1::TableTDrawCell(QPainter& p, const QRect& rect, int c, int r) {
  const bool fixed = r == 0 || c == 0;
  QColor background = fixed ? palette().color(QPalette::Button) : QColor(Qt::white);
  // The name cell shows the link: light grey while the incubator answers, yellow when lost.
  if (c == 0 && r >= 1 && nameCellLinked)
    background = nameCellLinked(r - 1) ? QColor(214, 214, 214) : QColor(255, 255, 0);
  p.fillRect(rect, background);
  if (fixed) {
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
  }
  // Until values are classified against their zones every cell uses class 0.
  const int cls = 0;
  p.setFont(fonFont(cls));
  p.setPen(fonColor(cls));
  p.drawText(rect.adjusted(5, 5, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             cells(c, r));
  // One alarm picture per code, 50 pixels apart; a narrow column clips the last ones.
  if (c == kolT_ + 4 && r >= 1 && alarmCodes) {
    p.save();
    p.setClipRect(rect);
    int drawn = 0;
    for (int code : alarmCodes(r - 1))
      p.drawPixmap(rect.left() + 1 + 50 * drawn++, rect.top() + 5, alarmPicture(code));
    p.restore();
  }
}

QPixmap TForm1::alarmPicture(int code) {
  static std::array<QPixmap, 9> pictures;
  if (code < 0 || code > 8) code = 0;
  QPixmap& pm = pictures[static_cast<std::size_t>(code)];
  if (pm.isNull()) {
    pm = QPixmap(48, 48);
    pm.fill(Qt::transparent);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    const QPolygonF triangle({QPointF(24, 2), QPointF(46, 44), QPointF(2, 44)});
    g.setBrush(QColor(220, 30, 30));
    g.setPen(QPen(QColor(120, 0, 0), 2));
    g.drawPolygon(triangle);
    QFont f = g.font();
    f.setBold(true);
    f.setPixelSize(20);
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRect(0, 14, 48, 30), Qt::AlignCenter, QString::number(code));
  }
  return pm;
}

// ---- context menu numbers ------------------------------------------------------------------

namespace {
bool positiveInt(const QString& text, int& out) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok || v <= 0) return false;
  out = v;
  return true;
}
}  // namespace

void TForm1::reportNotNumber(const QString& text) {
  ws_.show(("\"" + text + "\" - не является целым числом").toStdString());
}

bool TForm1::setRowHeightText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  setDefaultRowHeight(v);
  return true;
}

bool TForm1::setFirstColWidthText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  setColWidth(0, v);
  return true;
}

bool TForm1::setOtherColWidthsText(const QString& text) {
  int v = 0;
  if (!positiveInt(text, v)) return reportNotNumber(text), false;
  for (int c = 1; c < colCount(); ++c) setColWidth(c, v);
  return true;
}

}  // namespace vs
