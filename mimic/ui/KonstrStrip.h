// The top strip of the mimic editor: the element counts, the sensors bound to incubator 0, the
// selected slot and a line describing it, and "Выбор СБРОС".
#pragma once
#include <QWidget>
#include <string>

#include "mimic/ui/MimicRecords.h"

class QLabel;
class QPushButton;

namespace vs {

// One line about an element: kind, name, incubator number, position and size.
std::string describeElement(KonstrKind kind, const Tlabel_& r);

class KonstrStrip : public QWidget {
  Q_OBJECT

 public:
  KonstrStrip(Konstruktor& k, const konstrT& ks, QWidget* parent = nullptr);
  // Counts, "нулевой:", "Текущий N:" and the description from the document and selection.
  void refresh();
  QPushButton* resetButton() const { return reset_; }
  QLabel* zeroLabel() const { return zero_; }
  QLabel* descriptionLabel() const { return description_; }
  QString countsText() const;

 private:
  Konstruktor& k_;
  const konstrT& ks_;
  QLabel* counts_[4] = {};
  QLabel* zero_ = nullptr;
  QLabel* current_ = nullptr;
  QLabel* description_ = nullptr;
  QPushButton* reset_ = nullptr;
};

}  // namespace vs
