#include "setpoints/ui/TForm6.h"

#include "setpoints/ParamEditor.h"

namespace vs {

TForm6::TForm6(TWriteCom& WriteKom, QWidget* parent)
    : ChoiceWriteDialog(WriteKom, "Реакция на аварии", "Задержка по времени  на аварии",
                        "Время  задержки", {"0", "30 сек", "1 мин", "1.5 мин", "2 мин", "3  мин"},
                        parent) {
  setObjectName("TForm6");
}

void TForm6::fill(TWriteCom& w, int index) {
  fillAlarmDelay(w, col_, index);
}

}  // namespace vs
