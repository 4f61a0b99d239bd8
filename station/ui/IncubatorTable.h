// The "Главная" tab: the incubator table `TableT` (one row per configured incubator, coloured
// by zone, with alarm and recording pictures), its two hover help panels, its context menu and
// its double-click actions. Row 0 and column 0 are the header row and the name column.
#pragma once
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QTableWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/DateTime.h"
#include "config/Settings.h"

class QMenu;

namespace vs {

class Station;
class CellHeader;

class IncubatorTable : public QWidget {
  Q_OBJECT

 public:
  // `settings` holds the font classes FON[0..3] and "Помощь на табло"; the table draws with them.
  IncubatorTable(Settings& settings, QWidget* parent = nullptr);

  // The tables the cells are drawn from; without them only the texts are drawn.
  void setStation(Station* station) { station_ = station; }
  // Start and end of row nk's measurement log, when it has one (the log writer sets this).
  std::function<std::pair<TDateTime, TDateTime>(int nk)> logTimes;
  // Shows an operator message (a text that is not a number).
  std::function<void(const std::string& utf8)> message;
  // The dialogs of the context menu's font entries, preset with the class's font and colour;
  // nothing when cancelled. Qt's own by default; tests answer with theirs.
  std::function<std::optional<QFont>(const QFont& now)> chooseFont;
  std::function<std::optional<QColor>(const QColor& now)> chooseColor;

  // The grid of cells: row 0 is the header, column 0 the names.
  int colCount() const;
  int rowCount() const;
  void setColCount(int n);
  void setRowCount(int n);
  QString cells(int c, int r) const;
  // Rewrites one cell; a cell whose text stays the same is not redrawn.
  void setCells(int c, int r, const QString& text);
  int colWidth(int c) const;
  void setColWidth(int c, int w);
  int defaultColWidth() const;
  void setDefaultColWidth(int w);
  int defaultRowHeight() const;
  void setDefaultRowHeight(int h);
  // The user may drag row heights and column widths (allowed at the end of the start-up).
  void allowResizing();
  bool resizingAllowed() const;

  int kolT() const { return kolT_; }
  // `kol_t` extra temperature columns: the table gets kol_t + 6 columns.
  void setKolT(int kol_t);
  // Rewrites the header row for the current `kol_t`.
  void writeHeader();

  // Redraws what of row nk depends on more than its texts (zone colours, pictures, marks),
  // only when that has changed since the row was last drawn; and its name cell.
  void refreshRow(int nk);
  // Redraws every name cell (the link colours), e.g. at the start of a poll cycle.
  void refreshNames();

  // The font of a table font class 0..3 and its colour, as the drawing routine uses them.
  QFont fonFont(int cls) const;
  QColor fonColor(int cls) const;
  void setFon(int cls, const QFont& font, const QColor& color);
  // The settings' font classes changed (read at start-up): take them and draw everything again.
  void fontsChanged();

  // Draws one cell (row 0 and column 0 included).
  void TableTDrawCell(QPainter& p, const QRect& rect, int c, int r);
  // The zone class of cell (c, r): 1 above its zone, 2 within, 3 below, 0 for cells that have
  // no zone.
  int zoneClass(int c, int r) const;
  // The 48 x 48 picture of an alarm code 0..8, and the 32 x 32 state pictures (0 recording,
  // 1 automatic incubation).
  static QPixmap alarmPicture(int code);
  static QPixmap statePicture(int which);

  // Entries of the context menu that take a number; `text` is what the operator typed. A text
  // that is not a positive whole number is reported and changes nothing.
  bool setRowHeightText(const QString& text);
  bool setFirstColWidthText(const QString& text);
  bool setOtherColWidthsText(const QString& text);

  // The hover over cell (c, r) at `at` (in this widget's coordinates): with "Помощь на табло"
  // on, the temperature or humidity panel of the row; otherwise both hidden.
  void TableTMouseMove(int c, int r, const QPoint& at);

  QTableWidget* grid() const { return grid_; }
  QMenu* contextMenu() const { return menu_; }
  QFrame* tempHint() const { return tempHint_; }  // hover panel over temperatures
  QFrame* humHint() const { return humHint_; }    // hover panel over humidity
  std::array<QLabel*, 4> tempHintValues() const { return tempHintValues_; }  // 3 values, name
  std::array<QLabel*, 5> humHintValues() const { return humHintValues_; }    // 4 values, name

 signals:
  // Double-clicks: on row nk's "Аварии" cell (the alarm reset and silence), on its "Запись"
  // cell (the program window of that incubator).
  void alarmsDoubleClicked(int nk);
  void recordDoubleClicked(int nk);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildContextMenu();
  // A font entry: the font dialog, then the colour dialog (Qt's font dialog has no colour).
  void chooseFon(int cls);
  void reportNotNumber(const QString& text);
  // Cell (c, r) under a point of the grid's viewport or of a header.
  std::pair<int, int> cellAt(QObject* where, const QPoint& p) const;
  std::string rowLook(int nk) const;

  Settings& settings_;
  Station* station_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QMenu* menu_ = nullptr;
  CellHeader* top_ = nullptr;
  CellHeader* left_ = nullptr;
  QFrame* tempHint_ = nullptr;
  QFrame* humHint_ = nullptr;
  std::array<QLabel*, 4> tempHintValues_{};
  std::array<QLabel*, 5> humHintValues_{};
  int kolT_ = 2;
  std::vector<std::string> drawnLook_;    // per row: what its last drawing depended on
  std::vector<signed char> drawnLinked_;  // per row: the name's link colour as last drawn
  std::array<QFont, 4> fonts_;            // FON[0..3] as Qt fonts, made once per change
  std::array<QColor, 4> colours_;
};

// Conversions between a font class of the settings file and Qt's font and colour.
QFont fontOf(const FontClass& f);
QColor colorOf(const FontClass& f);
FontClass fontClassOf(const QFont& font, const QColor& color);

}  // namespace vs
