// The editor's tabs for the elements inside a panel: "Датчики" (sensors), "Надписи" (labels)
// and "значки" (icons), each with the sample a new element takes and the property changes of
// the selected one.
#pragma once
#include <QPixmap>

#include "mimic/ui/KonstrTab.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vs {

// A sample text ("00:00", "---------") drawn in a font and colours, for a new element.
class FontSample {
 public:
  FontSample(QLabel* label, const TFont_& font, std::uint32_t background);
  void setFont(const TFont_& font);
  void setBackground(std::uint32_t c);
  const TFont_& font() const { return font_; }
  std::uint32_t background() const { return background_; }
  QLabel* label() const { return label_; }

 private:
  void show();
  QLabel* label_;
  TFont_ font_;
  std::uint32_t background_;
};

// The font a new sensor or label starts with: the program's font at 10 points, black.
TFont_ defaultSampleFont();

class KonstrSensorsTab : public KonstrTab {
  Q_OBJECT

 public:
  explicit KonstrSensorsTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_& r) override;
  void add();  // a double click on the background

  QComboBox* tipBox() const { return tip_; }
  QCheckBox* transparentBox() const { return transparent_; }
  QCheckBox* underlineBox() const { return tpodch_; }
  const FontSample& sample() const { return sample_; }

 private:
  QComboBox* tip_ = nullptr;
  QCheckBox* transparent_ = nullptr;
  QCheckBox* tpodch_ = nullptr;
  FontSample sample_;
};

class KonstrLabelsTab : public KonstrTab {
  Q_OBJECT

 public:
  explicit KonstrLabelsTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_& r) override;
  // A double click on the background at (x, y).
  void addAt(int x, int y);

  QLineEdit* textField() const { return text_; }
  QCheckBox* attachedBox() const { return attached_; }
  QCheckBox* numberedBox() const { return numbered_; }
  QCheckBox* transparentBox() const { return transparent_; }

 private:
  void rebuildText();

  QLineEdit* text_ = nullptr;
  QCheckBox* transparent_ = nullptr;
  QCheckBox* attached_ = nullptr;
  QCheckBox* numbered_ = nullptr;
  FontSample sample_;
};

class KonstrIconsTab : public KonstrTab {
  Q_OBJECT

 public:
  explicit KonstrIconsTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_& r) override;
  void add();

  QComboBox* kindBox() const { return image_; }
  QSpinBox* heightField() const { return height_; }
  // Loads the picture of kind `image` into the sample; false (and the message) when missing.
  bool loadSample(int image);

 private:
  QSize sampleSize() const;

  QSpinBox* height_ = nullptr;
  QComboBox* image_ = nullptr;
  QLabel* picture_ = nullptr;
  QPixmap pixmap_;
};

}  // namespace vs
