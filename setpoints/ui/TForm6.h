// The alarm-delay dialog "Реакция на аварии" (TForm6): the delay code 0..5 of an incubator,
// written as item 55.
#pragma once
#include "setpoints/ui/TForm3.h"

namespace vs {

class TForm6 : public ChoiceWriteDialog {
  Q_OBJECT

 public:
  explicit TForm6(TWriteCom& WriteKom, QWidget* parent = nullptr);

 protected:
  void fill(TWriteCom& w, int index) override;
};

}  // namespace vs
