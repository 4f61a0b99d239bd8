#include "mimic/Konstruktor.h"

#include <algorithm>
#include <string_view>

#include "mimic/DispetchView.h"

namespace vs {

namespace {

bool sameName(const PString<50>& a, const PString<50>& b) {
  return a.raw() == b.raw();
}

// Removes the elements `drop` picks; later slots move down and their slot numbers follow.
// Returns how many went.
template <std::size_t N, class Drop>
int removeWhere(std::array<Tlabel_, N>& a, std::int32_t& kol, Drop drop) {
  const int n = usableCount(kol, static_cast<int>(N));
  int w = 0;
  for (int r = 0; r < n; ++r) {
    if (drop(a[static_cast<std::size_t>(r)])) continue;
    if (w != r) {
      a[static_cast<std::size_t>(w)] = a[static_cast<std::size_t>(r)];
      a[static_cast<std::size_t>(w)].Tag = w + 1;
    }
    ++w;
  }
  kol = w;
  return n - w;
}

template <std::size_t N, class Pick>
int countWhere(const std::array<Tlabel_, N>& a, std::int32_t kol, Pick pick) {
  const int n = usableCount(kol, static_cast<int>(N));
  return static_cast<int>(std::count_if(a.begin(), a.begin() + n, pick));
}

}  // namespace

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
