// The incubator table's context menu: the font entries with their font and colour dialogs,
// and the row height and column widths asked for as numbers.
#include <QColorDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMenu>
#include <algorithm>

#include "station/ui/CellHeader.h"
#include "station/ui/IncubatorTable.h"

namespace vs {

namespace {

bool positiveInt(const QString& text, int& out) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (!ok || v <= 0) return false;
  out = v;
  return true;
}

}  // namespace

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
