// What the tabs of the mimic editor "Конструктор" share: the editor engine, the mimic window it
// edits, the dialogs it opens (replaceable, so that a test can answer them), and the controls
// every element tab has: position fields, the incubator number and the delete buttons.
#pragma once
#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "mimic/ui/MimicRecords.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QSpinBox;

namespace vs {

class TDispetch;

struct KonstrDialogs {
  // A colour 0x00BBGGRR; nullopt when cancelled.
  std::function<std::optional<std::uint32_t>(std::uint32_t current)> color;
  // Font and its colour; nullopt when cancelled.
  std::function<std::optional<TFont_>(const TFont_& current)> font;
  // A file chosen in `dir`; empty when cancelled.
  std::function<QString(const QString&dir, const QString&filter)> saveName, openName;
};

struct KonstrContext {
  Konstruktor& k;
  MimicDocument& doc;
  TDispetch& mimic;
  KonstrDialogs& dialogs;
  const TFile_config& config_p;  // the editor's working copy of the plant configuration
  std::filesystem::path home;
  std::function<void()> afterChange;  // the document changed (the strip's counts)
};

// A document colour as a style sheet colour, for the sample controls.
QString sampleColor(std::uint32_t c);
// The QFont of a document font (what the font dialog starts from) and back.
TFont_ toDocFont(const QFont& f, std::uint32_t color, const TFont_& base);

class KonstrTab : public QWidget {
  Q_OBJECT

 public:
  KonstrTab(KonstrContext& cx, KonstrKind kind, QWidget* parent = nullptr);

  KonstrKind kind() const { return kind_; }
  // Fills the controls from the selected element of this tab's kind.
  virtual void fill(const Tlabel_& r) = 0;
  // The position fields follow a drag of the selection.
  void showPosition(int x, int y);

  QSpinBox* xField() const { return x_; }
  QSpinBox* yField() const { return y_; }
  QSpinBox* numberField() const { return nKP_; }

 protected:
  // The selected element when it is of this tab's kind.
  Tlabel_* mine() const;
  // The mimic shows the document again after a change.
  void changed() const;
  // The document changed in a way the mimic shows without being built again.
  void touched() const {
    if (cx_.afterChange) cx_.afterChange();
  }
  // A spin box whose changes by the operator (not by fill) reach `onChange`.
  QSpinBox* spin(int lo, int hi, const std::function<void(int)>& onChange);
  // "X:" and "Y:" at `row` of `grid`: they move the selection at once.
  void addPosition(QGridLayout* grid, int row);
  // "Номер КП:" at `row` of `grid`.
  QLabel* addNumber(QGridLayout* grid, int row);
  // "Удалить 1 выбранный", "Удалить все" and, for element kinds, "Удалить все,  привязанные к
  // КП", from `row` of `grid` on.
  void addDeleteButtons(QGridLayout* grid, int row);

  KonstrContext& cx_;
  const KonstrKind kind_;
  QSpinBox* x_ = nullptr;
  QSpinBox* y_ = nullptr;
  QSpinBox* nKP_ = nullptr;
  bool filling_ = false;  // the controls are being set from a record
};

}  // namespace vs
