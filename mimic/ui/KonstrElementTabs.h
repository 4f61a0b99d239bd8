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

// What sensors and labels share: "Шрифт+цвет" and "Цвет фона" with the sample they set (and the
// selection, when there is one), and "фон прозрачный".
class KonstrTextTab : public KonstrTab {
  Q_OBJECT

 public:
  QCheckBox* transparentBox() const { return transparent_; }
  const FontSample& sample() const { return sample_; }

 protected:
  KonstrTextTab(KonstrContext& cx, KonstrKind kind, const char* sampleText,
                std::uint32_t background, QWidget* parent);
  // The two buttons at `row` of `grid`, the sample below them.
  void addSample(QGridLayout* grid, int row);
  // "фон прозрачный" and the sample from a selected record.
  void fillSample(const Tlabel_& r);

  QCheckBox* transparent_ = nullptr;
  FontSample sample_;
};

class KonstrSensorsTab : public KonstrTextTab {
  Q_OBJECT

 public:
  explicit KonstrSensorsTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_& r) override;
  void add();  // a double click on the background

  QComboBox* tipBox() const { return tip_; }
  QCheckBox* underlineBox() const { return tpodch_; }

 private:
  QComboBox* tip_ = nullptr;
  QCheckBox* tpodch_ = nullptr;
};

class KonstrLabelsTab : public KonstrTextTab {
  Q_OBJECT

 public:
  explicit KonstrLabelsTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_& r) override;
  // A double click on the background at (x, y).
  void addAt(int x, int y);

  QLineEdit* textField() const { return text_; }
  QCheckBox* attachedBox() const { return attached_; }
  QCheckBox* numberedBox() const { return numbered_; }

 private:
  void rebuildText();

  QLineEdit* text_ = nullptr;
  QCheckBox* attached_ = nullptr;
  QCheckBox* numbered_ = nullptr;
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
