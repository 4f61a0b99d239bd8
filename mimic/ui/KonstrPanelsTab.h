// The editor's tab "Инкубаторы": position, size, number and colour of a panel, its deletion,
// the copies and the incubator's bus number, line and poll flag ("Номер блока в сети").
#pragma once
#include "mimic/ui/KonstrTab.h"

class QCheckBox;
class QComboBox;
class QFrame;

namespace vs {

class KonstrPanelsTab : public KonstrTab {
  Q_OBJECT

 public:
  KonstrPanelsTab(KonstrContext& cx, int width, int height, std::uint32_t color,
                  QWidget* parent = nullptr);

  void fill(const Tlabel_& r) override;
  // A double click on the mimic's background at (x, y): a new panel of the sample's size.
  void addAt(int x, int y);

  // The sample a new panel takes ("NA_Width", "NA_Height", "NA_obrA_Color").
  int sampleWidth() const;
  int sampleHeight() const;
  std::uint32_t sampleColor() const { return color_; }

  QLabel* numberCaption() const { return numberCaption_; }
  QSpinBox* busField() const { return bus_; }
  QComboBox* lineBox() const { return line_; }
  QCheckBox* onBox() const { return on_; }

 private:
  void showColor();
  void fillNetwork(int nKP);

  QSpinBox* width_ = nullptr;
  QSpinBox* height_ = nullptr;
  QLabel* numberCaption_ = nullptr;
  QFrame* colorSample_ = nullptr;
  QSpinBox* bus_ = nullptr;
  QComboBox* line_ = nullptr;
  QCheckBox* on_ = nullptr;
  std::uint32_t color_;
};

}  // namespace vs
