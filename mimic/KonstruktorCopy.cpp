// The mimic editor's "Размеры по выбранному", "Создать 1 полную копию" and "Выровнять все": the
// copies check every limit before their first change, so a refusal leaves the document as it was.
#include <algorithm>
#include <string>
#include <vector>

#include "mimic/Konstruktor.h"
#include "mimic/KonstruktorSlots.h"

namespace vs {

using konstr::removeWhere;
using konstr::sameName;

bool Konstruktor::sameSize() {
  Tlabel_* e = kind_ == KonstrKind::Panel ? selected() : nullptr;
  if (!e) {
    say(kNoPanel);
    return false;
  }
  konstrT& k = ks();
  const int n = usableCount(k.kol_Na, kMaxPanels);
  for (int i = 0; i < n; ++i) {
    Tlabel_& p = k.Na[static_cast<std::size_t>(i)];
    if (p.N_KP == 0) continue;
    p.Height = e->Height;
    p.Width = e->Width;
    p.Color = e->Color;
  }
  return true;
}

// Appends a copy of panel `from` at (x, y) numbered nKP, with copies of its sensors, attached
// labels and icons. The caller has checked the room.
int Konstruktor::copyPanel(int from, int x, int y, int nKP) {
  konstrT& k = ks();
  const int slot = usableCount(k.kol_Na, kMaxPanels);
  // Checked by the callers; kept here too, since panels of a damaged document may share a name.
  if (slot >= kMaxPanels) return -1;
  const Tlabel_ src = k.Na[static_cast<std::size_t>(from)];
  Tlabel_& na = k.Na[static_cast<std::size_t>(slot)];
  na = src;
  na.Name.setUtf8(newName('N'));
  na.Left = x;
  na.Top = y;
  na.Tag = slot + 1;
  na.N_KP = nKP;
  k.kol_Na = slot + 1;
  ++k.NumberNa;
  const auto dup = [&](auto& a, std::int32_t& kol, std::int32_t& counter, char letter,
                       bool labels) {
    const int n = usableCount(kol, kMaxElements);
    for (int i = 0; i < n; ++i) {
      const Tlabel_& e = a[static_cast<std::size_t>(i)];
      if (!sameName(e.NameNa, src.Name) || (labels && !e.privazkaKP)) continue;
      const int to = usableCount(kol, kMaxElements);
      if (to >= kMaxElements) return;
      Tlabel_& c = a[static_cast<std::size_t>(to)];
      c = e;
      c.Name.setUtf8(newName(letter));
      c.NameNa = na.Name;
      c.N_KP = nKP;
      c.Tag = to + 1;
      if (letter == 'D') c.N_Na = slot + 1;
      if (labels && c.Text.len == 0 && !c.NazvanieNOM) c.Text.setUtf8("---");
      kol = to + 1;
      ++counter;
    }
  };
  dup(k.Dsk, k.kol_Dsk, k.NumberDsk, 'D', false);
  dup(k.Lb, k.kol_Lb, k.NumberLb, 'L', true);
  dup(k.Za, k.kol_Za, k.NumberZa, 'Z', false);
  return slot;
}

int Konstruktor::fullCopy() {
  Tlabel_* e = kind_ == KonstrKind::Panel ? selected() : nullptr;
  if (!e) {
    say(kNoPanel);
    return -1;
  }
  if (!fits(1, childrenOf(*e))) return -1;
  konstrT& k = ks();
  // The next free number rather than the new slot's, which another panel may already carry.
  int top = 0;
  for (int i = 0; i < usableCount(k.kol_Na, kMaxPanels); ++i)
    top = std::max(top, k.Na[static_cast<std::size_t>(i)].N_KP);
  return copyPanel(slot_, e->Left + e->Width, e->Top + e->Height, top + 1);
}

bool Konstruktor::alignAll() {
  Tlabel_* e = kind_ == KonstrKind::Panel ? selected() : nullptr;
  if (!e) {
    say(kNoPanel);
    return false;
  }
  konstrT& k = ks();
  struct mNaT {
    int Left, Top, nKP;
    std::string name;
  };
  std::vector<mNaT> others;
  Counts gone;
  const int n = usableCount(k.kol_Na, kMaxPanels);
  for (int i = 0; i < n; ++i) {
    const Tlabel_& p = k.Na[static_cast<std::size_t>(i)];
    if (i == slot_ || p.N_KP == 0) continue;
    others.push_back({p.Left, p.Top, p.N_KP, p.Name.utf8()});
    const Counts c = childrenOf(p);
    gone.sensors += c.sensors, gone.labels += c.labels, gone.icons += c.icons;
  }
  // Everything is checked before the first panel goes, so a refusal changes nothing.
  const Counts per = childrenOf(*e);
  const int m = static_cast<int>(others.size());
  if (!fits(0, {m * per.sensors - gone.sensors, m * per.labels - gone.labels,
                m * per.icons - gone.icons}))
    return false;
  const std::string keep = e->Name.utf8();
  for (const mNaT& o : others) {
    if (o.name != keep) removeChildren(o.name);
    removeWhere(k.Na, k.kol_Na,
                [&](const Tlabel_& p) { return p.Name.utf8() == o.name && p.Name.utf8() != keep; });
  }
  int from = 0;
  while (k.Na[static_cast<std::size_t>(from)].Name.utf8() != keep) ++from;
  for (const mNaT& o : others) copyPanel(from, o.Left, o.Top, o.nKP);
  select(KonstrKind::Panel, from);
  return true;
}

}  // namespace vs
