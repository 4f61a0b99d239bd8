// The mimic editor's property changes of the selected element and its document buttons.
#include <algorithm>
#include <filesystem>

#include "mimic/DispetchView.h"
#include "mimic/Konstruktor.h"

namespace vs {

namespace {
constexpr std::uint32_t kWindowFace = 0xFF00000F;  // system colour 15, the window face
}  // namespace

void Konstruktor::moveTo(int x, int y) {
  if (Tlabel_* e = selected()) e->Left = x, e->Top = y;
}

void Konstruktor::resize(int width, int height) {
  Tlabel_* e = selected();
  if (e && (kind_ == KonstrKind::Panel || kind_ == KonstrKind::Icon))
    e->Width = width, e->Height = height;
}

void Konstruktor::setColor(std::uint32_t color, bool transparent) {
  Tlabel_* e = selected();
  if (!e) return;
  if (kind_ == KonstrKind::Panel) {
    e->Color = color;
    konstrT& k = ks();
    for (int i = 0; i < usableCount(k.kol_Dsk, kMaxElements); ++i)
      if (k.Dsk[static_cast<std::size_t>(i)].N_KP == e->N_KP)
        k.Dsk[static_cast<std::size_t>(i)].Color = color;
    for (int i = 0; i < usableCount(k.kol_Lb, kMaxElements); ++i) {
      Tlabel_& l = k.Lb[static_cast<std::size_t>(i)];
      if (l.privazkaKP && l.N_KP == e->N_KP) l.Color = color;
    }
  } else if (kind_ == KonstrKind::Sensor || kind_ == KonstrKind::Label) {
    e->Color = transparent ? kWindowFace : color;
  }
}

void Konstruktor::setTip(int tip) {
  Tlabel_* e = kind_ == KonstrKind::Sensor ? selected() : nullptr;
  if (!e) return;
  e->Tip = std::clamp(tip, 0, static_cast<int>(tipD.size()) - 1);
  e->Text.setUtf8(tipD[static_cast<std::size_t>(e->Tip)]);
}

void Konstruktor::setLabelText(const std::string& text, bool nazvanieNOM) {
  Tlabel_* e = kind_ == KonstrKind::Label ? selected() : nullptr;
  if (!e) return;
  e->NazvanieNOM = nazvanieNOM;
  e->Text.setUtf8(text.empty() && !nazvanieNOM ? std::string("--") : text);
}

void Konstruktor::setFont(const TFont_& font) {
  Tlabel_* e = selected();
  if (e && (kind_ == KonstrKind::Sensor || kind_ == KonstrKind::Label)) e->Font = font;
}

void Konstruktor::setBackgroundFile(const std::string& name) {
  ks().Im_f.setUtf8(name);
  ks().ImOn = 'o';
}

std::string Konstruktor::create(const std::string& name) {
  const std::u8string file =
      std::filesystem::path(std::u8string(name.begin(), name.end())).filename().u8string();
  const std::string plain = withCfgExtension(std::string(file.begin(), file.end()));
  doc_.File_DispNew = plain;
  doc_.File_DispNewOn = true;
  konstrT& k = ks();
  k.kol_Lb = k.kol_Dsk = k.kol_Za = k.kol_Na = 0;
  k.NumberNa = k.NumberDsk = k.NumberLb = k.NumberZa = 0;
  k.nal_KP0 = 0;
  k.chifr = kChifr;
  k.ImOn = 'n';
  clearSelection();
  return "Конструктор   " + plain;
}

bool Konstruktor::load(const std::filesystem::path& chosen) {
  if (!doc_.Zagruzit(chosen)) return false;
  konstrT& k = ks();
  k.NumberNa = k.NumberDsk = k.NumberLb = k.NumberZa = 0;
  clearSelection();
  return true;
}

bool Konstruktor::save() {
  if (!doc_.DispSave()) return false;
  return !saveConfig || saveConfig();
}

bool Konstruktor::saveAs(const std::string& name) {
  if (!doc_.DispSaveAs(name)) return false;
  return !saveConfig || saveConfig();
}

void Konstruktor::setTransparent(bool on) {
  Tlabel_* e = selected();
  if (!e || (kind_ != KonstrKind::Sensor && kind_ != KonstrKind::Label)) return;
  e->Transparent = on;
  if (!on) return;
  konstrT& k = ks();
  for (int i = 0; i < usableCount(k.kol_Na, kMaxPanels); ++i)
    if (k.Na[static_cast<std::size_t>(i)].Name.raw() == e->NameNa.raw())
      e->Color = k.Na[static_cast<std::size_t>(i)].Color;
}

void Konstruktor::setEditing(bool on, const TFile_config& live) {
  editing_ = on;
  clearSelection();
  blink_ = 0;
  shown_ = {};
  if (on) p_ = live;
}

std::pair<int, int> Konstruktor::dragTo(int x, int y) {
  Tlabel_* e = selected();
  if (!e) return {0, 0};
  e->Left += x - dragX_;
  e->Top += y - dragY_;
  dragX_ = x;
  dragY_ = y;
  return {e->Left, e->Top};
}

Konstruktor::Blink Konstruktor::blinkTick() {
  blink_ = blink_ >= 10 ? 0 : blink_ + 1;
  if (kind_ == KonstrKind::Panel) {
    if (blink_ == 8) shown_.bevelLowered = true;
    if (blink_ == 0) shown_.bevelLowered = false;
    shown_.hidden = false;
  } else if (kind_ == KonstrKind::Sensor) {
    if (blink_ == 8) shown_.hidden = true;
    if (blink_ == 0) shown_.hidden = false;
    shown_.bevelLowered = false;
  } else if (kind_ == KonstrKind::Label || kind_ == KonstrKind::Icon) {
    shown_.hidden = blink_ >= 9;
    shown_.bevelLowered = false;
  } else {
    shown_ = {};
  }
  return shown_;
}

}  // namespace vs
