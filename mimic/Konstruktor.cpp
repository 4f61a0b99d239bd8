// The mimic editor's selection, the names and limits of new elements, adding them, and the
// panel number and network block of the selected panel.
#include "mimic/Konstruktor.h"

#include <algorithm>
#include <string_view>

#include "mimic/DispetchView.h"
#include "mimic/KonstruktorSlots.h"

namespace vs {

using konstr::countWhere;
using konstr::sameName;

void Konstruktor::say(const std::string& text) const {
  if (message) message(text);
}

void Konstruktor::select(KonstrKind kind, int slot) {
  clearSelection();
  kind_ = kind;
  slot_ = slot;
  if (!selected()) clearSelection();
}

Tlabel_* Konstruktor::selected() {
  konstrT& k = ks();
  const auto at = [this](auto& a, std::int32_t kol, int cap) -> Tlabel_* {
    return slot_ >= 0 && slot_ < usableCount(kol, cap) ? &a[static_cast<std::size_t>(slot_)]
                                                       : nullptr;
  };
  switch (kind_) {
    case KonstrKind::Panel:
      return at(k.Na, k.kol_Na, kMaxPanels);
    case KonstrKind::Sensor:
      return at(k.Dsk, k.kol_Dsk, kMaxElements);
    case KonstrKind::Label:
      return at(k.Lb, k.kol_Lb, kMaxElements);
    case KonstrKind::Icon:
      return at(k.Za, k.kol_Za, kMaxElements);
    case KonstrKind::None:
      break;
  }
  return nullptr;
}

std::string Konstruktor::newName(char letter) const {
  const konstrT& k = *doc_.KS;
  const Tlabel_* a = letter == 'N'   ? k.Na.data()
                     : letter == 'D' ? k.Dsk.data()
                     : letter == 'L' ? k.Lb.data()
                                     : k.Za.data();
  const int n = letter == 'N'   ? usableCount(k.kol_Na, kMaxPanels)
                : letter == 'D' ? usableCount(k.kol_Dsk, kMaxElements)
                : letter == 'L' ? usableCount(k.kol_Lb, kMaxElements)
                                : usableCount(k.kol_Za, kMaxElements);
  // n + 1 candidates cannot all be taken by n elements.
  for (int i = 0; i <= n + 10; ++i) {
    const std::string name = std::string(1, letter) + "_" + std::to_string(i);
    if (std::none_of(a, a + n, [&](const Tlabel_& e) { return e.Name.raw() == name; })) return name;
  }
  return std::string(1, letter) + "_" + std::to_string(n);
}

int Konstruktor::findPanel(int nKP) const {
  const konstrT& k = *doc_.KS;
  const int n = usableCount(k.kol_Na, kMaxPanels);
  for (int i = 0; i < n; ++i)
    if (k.Na[static_cast<std::size_t>(i)].N_KP == nKP) return i;
  return -1;
}

Konstruktor::Counts Konstruktor::childrenOf(const Tlabel_& panel) const {
  const konstrT& k = *doc_.KS;
  const auto mine = [&](const Tlabel_& e) { return sameName(e.NameNa, panel.Name); };
  return {countWhere(k.Dsk, k.kol_Dsk, mine),
          countWhere(k.Lb, k.kol_Lb, [&](const Tlabel_& e) { return e.privazkaKP && mine(e); }),
          countWhere(k.Za, k.kol_Za, mine)};
}

// Whether `panels` more panels and `add` more elements stay within the slots; otherwise the
// adding message with the count it would come to.
bool Konstruktor::fits(int panels, const Counts& add) const {
  const konstrT& k = *doc_.KS;
  const int na = usableCount(k.kol_Na, kMaxPanels) + panels;
  const int dsk = usableCount(k.kol_Dsk, kMaxElements) + add.sensors;
  const int lb = usableCount(k.kol_Lb, kMaxElements) + add.labels;
  const int za = usableCount(k.kol_Za, kMaxElements) + add.icons;
  if (na > kMaxPanels)
    say("Кол-во инкубаторов превышено(255): " + std::to_string(na));
  else if (dsk > kMaxElements)
    say("Кол-во датчиков превышено(1000): " + std::to_string(dsk));
  else if (lb > kMaxElements)
    say("Кол-во меток превышено(1000): " + std::to_string(lb));
  else if (za > kMaxElements)
    say("Кол-во значков превышено(1000): " + std::to_string(za));
  else
    return true;
  return false;
}

int Konstruktor::addPanel(int x, int y, int width, int height, std::uint32_t color) {
  konstrT& k = ks();
  const int slot = usableCount(k.kol_Na, kMaxPanels);
  if (slot >= kMaxPanels) {
    say("Кол-во инкубаторов превышено(255): " + std::to_string(slot));
    return -1;
  }
  int top = 0;
  for (int i = 0; i < slot; ++i) top = std::max(top, k.Na[static_cast<std::size_t>(i)].N_KP);
  Tlabel_& e = k.Na[static_cast<std::size_t>(slot)];
  e = Tlabel_{};
  e.Name.setUtf8(newName('N'));
  e.Left = x;
  e.Top = y;
  e.Width = width;
  e.Height = height;
  e.Color = color;
  e.Tag = slot + 1;
  e.N_KP = top + 1;
  k.kol_Na = slot + 1;
  ++k.NumberNa;
  return slot;
}

int Konstruktor::addSensor(const SensorSample& s) {
  konstrT& k = ks();
  const int panel = findPanel(s.nKP);
  if (panel < 0) {
    say("Нет инкубатора с номером: " + std::to_string(s.nKP));
    return -1;
  }
  const int slot = usableCount(k.kol_Dsk, kMaxElements);
  if (slot >= kMaxElements) {
    say("Кол-во датчиков превышено(1000): " + std::to_string(slot));
    return -1;
  }
  const Tlabel_& na = k.Na[static_cast<std::size_t>(panel)];
  Tlabel_& e = k.Dsk[static_cast<std::size_t>(slot)];
  e = Tlabel_{};
  e.Name.setUtf8(newName('D'));
  e.Left = 5;
  e.Top = 5;
  e.Tag = slot + 1;
  e.Font = s.font;
  e.Tip = std::clamp(s.tip, 0, static_cast<int>(tipD.size()) - 1);
  e.Text.setUtf8(tipD[static_cast<std::size_t>(e.Tip)]);
  e.N_KP = s.nKP;
  e.N_Na = panel + 1;
  e.Transparent = s.transparent;
  e.Color = s.transparent ? na.Color : s.color;
  e.Tpodch = s.tpodch;
  e.NameNa = na.Name;
  k.kol_Dsk = slot + 1;
  ++k.NumberDsk;
  return slot;
}

int Konstruktor::addLabel(const LabelSample& s, int x, int y) {
  konstrT& k = ks();
  const int panel = s.attached ? findPanel(s.nKP) : -1;
  if (s.attached && panel < 0) {
    say("Нет инкубатора с номером: " + std::to_string(s.nKP));
    return -1;
  }
  const int slot = usableCount(k.kol_Lb, kMaxElements);
  if (slot >= kMaxElements) {
    say("Кол-во меток превышено(1000): " + std::to_string(slot));
    return -1;
  }
  Tlabel_& e = k.Lb[static_cast<std::size_t>(slot)];
  e = Tlabel_{};
  e.Name.setUtf8(newName('L'));
  e.Left = panel >= 0 ? 10 : x;
  e.Top = panel >= 0 ? 10 : y;
  e.Tag = slot + 1;
  e.Font = s.font;
  const std::uint32_t under =
      panel >= 0 ? k.Na[static_cast<std::size_t>(panel)].Color : s.windowColor;
  e.Transparent = s.transparent;
  e.Color = s.transparent ? under : s.color;
  e.privazkaKP = s.attached;
  e.N_KP = s.nKP;
  e.NazvanieNOM = s.nazvanieNOM;
  e.Text.setUtf8(s.text.empty() && !s.nazvanieNOM ? std::string("--") : s.text);
  if (panel >= 0) e.NameNa = k.Na[static_cast<std::size_t>(panel)].Name;
  k.kol_Lb = slot + 1;
  ++k.NumberLb;
  return slot;
}

int Konstruktor::addIcon(const IconSample& s) {
  konstrT& k = ks();
  const int panel = findPanel(s.nKP);
  if (panel < 0) {
    say("Нет инкубатора с номером: " + std::to_string(s.nKP));
    return -1;
  }
  const int slot = usableCount(k.kol_Za, kMaxElements);
  if (slot >= kMaxElements) {
    say("Кол-во значков превышено(1000): " + std::to_string(slot));
    return -1;
  }
  Tlabel_& e = k.Za[static_cast<std::size_t>(slot)];
  e = Tlabel_{};
  e.Name.setUtf8(newName('Z'));
  e.Left = 5;
  e.Top = 5;
  e.Tag = slot + 1;
  e.Width = s.width;
  e.Height = s.height;
  e.Image = std::clamp(s.image, 0, static_cast<int>(sImage.size()) - 1);
  e.N_KP = s.nKP;
  e.NameNa = k.Na[static_cast<std::size_t>(panel)].Name;
  k.kol_Za = slot + 1;
  ++k.NumberZa;
  return slot;
}

std::string Konstruktor::rememberPanelNumber(int nKP) {
  Tlabel_* e = kind_ == KonstrKind::Panel ? selected() : nullptr;
  if (!e) {
    say(kNoPanel);
    return {};
  }
  if (findPanel(nKP) >= 0) return kTaken;
  konstrT& k = ks();
  e->N_KP = nKP;
  const auto follow = [&](auto& a, std::int32_t kol) {
    for (int i = 0; i < usableCount(kol, kMaxElements); ++i)
      if (sameName(a[static_cast<std::size_t>(i)].NameNa, e->Name))
        a[static_cast<std::size_t>(i)].N_KP = nKP;
  };
  follow(k.Dsk, k.kol_Dsk);
  follow(k.Lb, k.kol_Lb);
  follow(k.Za, k.kol_Za);
  return kFree;
}

bool Konstruktor::rememberNetwork(int nKP, int busNumber, int line, bool on) {
  if (!selected()) {
    say(kNoObject);
    return false;
  }
  // Only a configured row: the tables have 251 rows and the rest of a row means nothing.
  const int rows = std::min<int>(p_.kol_inkub, kMaxRows);
  if (nKP < 1 || nKP > rows) {
    say("Нет инкубатора с номером: " + std::to_string(nKP));
    return false;
  }
  if (busNumber < 0 || busNumber > 0xFFFF || line < 1 || line > 4) {
    say("Неверный номер блока или линии: " + std::to_string(busNumber) + ", " +
        std::to_string(line));
    return false;
  }
  const auto row = static_cast<std::size_t>(nKP - 1);
  p_.konfig_n[row] = static_cast<std::uint16_t>(busNumber);
  p_.konfig_linia[row] = static_cast<std::uint8_t>(line);
  p_.konfig_o[row] = on ? 1 : 0;
  return rememberConfig && rememberConfig();
}

std::string Konstruktor::zeroLine(bool& red) {
  konstrT& k = ks();
  const int n = countWhere(k.Dsk, k.kol_Dsk, [](const Tlabel_& e) { return e.N_KP == 0; });
  k.nal_KP0 = n > 0;
  red = n >= 2;
  return (n > 0 ? "Есть(" : "нет(") + std::to_string(n) + ")";
}

}  // namespace vs
