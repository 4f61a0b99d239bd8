// The editor's tab "Общее": the background picture of the mimic and the panel colour of
// incubators out of service.
#pragma once
#include "mimic/ui/KonstrTab.h"

class QButtonGroup;
class QFrame;
class QRadioButton;

namespace vs {

class KonstrGeneralTab : public KonstrTab {
  Q_OBJECT

 public:
  explicit KonstrGeneralTab(KonstrContext& cx, QWidget* parent = nullptr);
  void fill(const Tlabel_&) override {}
  // The controls from the document (after a load or "Создать").
  void fromDocument();
  // "Файл фона" with the file already chosen: it is taken into "disp" when it lies elsewhere,
  // loaded and shown. False when it cannot be loaded (told; the background stays as it was).
  bool chooseBackground(const QString& file);

  QRadioButton* offButton() const { return off_; }
  QRadioButton* onButton() const { return on_; }

 private:
  void showBackground();

  QButtonGroup* group_ = nullptr;
  QRadioButton* off_ = nullptr;
  QRadioButton* on_ = nullptr;
  QLabel* file_ = nullptr;
  QFrame* offColor_ = nullptr;
};

}  // namespace vs
