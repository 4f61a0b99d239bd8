// The mimic editor's deleting: one element, a panel with its elements, all of a kind, all
// bound to a number. Each asks first.
#include "mimic/Konstruktor.h"
#include "mimic/KonstruktorSlots.h"

namespace vs {

using konstr::countWhere;
using konstr::removeWhere;

void Konstruktor::removeChildren(const std::string& panelName) {
  konstrT& k = ks();
  const auto mine = [&](const Tlabel_& e) { return e.NameNa.utf8() == panelName; };
  removeWhere(k.Dsk, k.kol_Dsk, mine);
  removeWhere(k.Za, k.kol_Za, mine);
  removeWhere(k.Lb, k.kol_Lb, [&](const Tlabel_& e) { return e.privazkaKP && mine(e); });
}

bool Konstruktor::deleteSelected() {
  konstrT& k = ks();
  const std::int32_t* kol = kind_ == KonstrKind::Sensor  ? &k.kol_Dsk
                            : kind_ == KonstrKind::Label ? &k.kol_Lb
                            : kind_ == KonstrKind::Icon  ? &k.kol_Za
                                                         : nullptr;
  if (kol && usableCount(*kol, kMaxElements) == 0) {
    say(kNothing);
    return false;
  }
  Tlabel_* e = selected();
  if (!kol || !e) {
    say(kNoObject);
    return false;
  }
  if (!yes(kAskOne)) return false;
  const auto it = [e](const Tlabel_& x) { return &x == e; };
  if (kind_ == KonstrKind::Sensor) removeWhere(k.Dsk, k.kol_Dsk, it);
  if (kind_ == KonstrKind::Label) removeWhere(k.Lb, k.kol_Lb, it);
  if (kind_ == KonstrKind::Icon) removeWhere(k.Za, k.kol_Za, it);
  clearSelection();
  return true;
}

bool Konstruktor::deleteSelectedPanel() {
  konstrT& k = ks();
  if (usableCount(k.kol_Na, kMaxPanels) == 0) {
    say(kNothing);
    return false;
  }
  Tlabel_* e = kind_ == KonstrKind::Panel ? selected() : nullptr;
  if (!e) {
    say(kNoPanel);
    return false;
  }
  if (!yes(kAskPanel)) return false;
  removeChildren(e->Name.utf8());
  removeWhere(k.Na, k.kol_Na, [e](const Tlabel_& x) { return &x == e; });
  clearSelection();
  return true;
}

bool Konstruktor::deleteAll(KonstrKind kind) {
  konstrT& k = ks();
  // Panels bound to 0 follow the current incubator and are no incubator of their own, so they
  // stay with their elements.
  const auto bound = [](const Tlabel_& e) { return e.N_KP != 0; };
  const int count = kind == KonstrKind::Panel    ? countWhere(k.Na, k.kol_Na, bound)
                    : kind == KonstrKind::Sensor ? usableCount(k.kol_Dsk, kMaxElements)
                    : kind == KonstrKind::Label  ? usableCount(k.kol_Lb, kMaxElements)
                    : kind == KonstrKind::Icon   ? usableCount(k.kol_Za, kMaxElements)
                                                 : 0;
  if (count == 0) {
    say(kNothing);
    return false;
  }
  if (!yes("Вы уверены, что хотите удалить все обьекты? " + std::to_string(count))) return false;
  switch (kind) {
    case KonstrKind::Panel: {
      const int n = usableCount(k.kol_Na, kMaxPanels);
      for (int i = 0; i < n; ++i)
        if (bound(k.Na[static_cast<std::size_t>(i)]))
          removeChildren(k.Na[static_cast<std::size_t>(i)].Name.utf8());
      removeWhere(k.Na, k.kol_Na, bound);
      k.NumberNa = 0;
      break;
    }
    case KonstrKind::Sensor:
      k.kol_Dsk = 0, k.NumberDsk = 0;
      break;
    case KonstrKind::Label:
      k.kol_Lb = 0, k.NumberLb = 0;
      break;
    case KonstrKind::Icon:
      k.kol_Za = 0, k.NumberZa = 0;
      break;
    case KonstrKind::None:
      break;
  }
  clearSelection();
  return true;
}

bool Konstruktor::deleteAllBound(KonstrKind kind, int nKP) {
  konstrT& k = ks();
  const std::string number = std::to_string(nKP);
  const int panel = findPanel(nKP);
  if (panel < 0) {
    say((kind == KonstrKind::Label ? "Нет меток с номером " : "Нет инкубатора с номером ") +
        number);
    return false;
  }
  const Tlabel_& na = k.Na[static_cast<std::size_t>(panel)];
  const std::string name = na.Name.utf8();
  const Counts c = childrenOf(na);
  const int count = kind == KonstrKind::Sensor  ? c.sensors
                    : kind == KonstrKind::Label ? c.labels
                    : kind == KonstrKind::Icon  ? c.icons
                                                : 0;
  if (count == 0) {
    say(kNothing);
    return false;
  }
  if (!yes("Вы уверены, что хотите удалить все привязанные к " + number + " обьекты? " +
           std::to_string(count) + " имя  (" + name + ")"))
    return false;
  const auto mine = [&](const Tlabel_& e) { return e.NameNa.utf8() == name; };
  if (kind == KonstrKind::Sensor) removeWhere(k.Dsk, k.kol_Dsk, mine);
  if (kind == KonstrKind::Icon) removeWhere(k.Za, k.kol_Za, mine);
  if (kind == KonstrKind::Label)
    removeWhere(k.Lb, k.kol_Lb, [&](const Tlabel_& e) { return e.privazkaKP && mine(e); });
  clearSelection();
  return true;
}

}  // namespace vs
