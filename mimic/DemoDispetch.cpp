#include "mimic/DemoDispetch.h"

#include <cstring>

#include "mimic/DispetchView.h"

namespace vs {

namespace {

constexpr std::uint32_t kFace = 0xFF00000F;   // window face: a label without a background
constexpr std::uint32_t kPanel = 0x00D8E4EC;  // light warm grey
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kNavy = 0x00602000;
constexpr std::uint32_t kBlack = 0x00000000;

struct Builder {
  konstrT& ks;

  static void font(Tlabel_& r, int pixels, bool bold, std::uint32_t color) {
    r.Font.Style = bold ? 1 : 0;
    r.Font.Size = pixels * 3 / 4;
    r.Font.Name.setUtf8("Arial");
    r.Font.Height = -pixels;
    r.Font.Color = color;
    r.Font.Charset = 204;  // Cyrillic
  }
  static void name(Tlabel_& r, char kind, int slot) {
    r.Tag = slot;
    r.Name.setUtf8(std::string(1, kind) + "_" + std::to_string(slot));
  }

  int panel(int nKP, int left, int top, int width, int height) {
    const int slot = ++ks.kol_Na;
    Tlabel_& r = ks.Na[static_cast<std::size_t>(slot - 1)];
    name(r, 'N', slot);
    r.Left = left;
    r.Top = top;
    r.Width = width;
    r.Height = height;
    r.N_KP = nKP;
    r.Color = kPanel;
    return slot;
  }
  void label(int panelSlot, int nKP, const std::string& text, bool number, int left, int top,
             int pixels, bool bold, std::uint32_t color = kNavy) {
    const int slot = ++ks.kol_Lb;
    Tlabel_& r = ks.Lb[static_cast<std::size_t>(slot - 1)];
    name(r, 'L', slot);
    r.Left = left;
    r.Top = top;
    r.N_KP = nKP;
    r.Text.setUtf8(text);
    r.NazvanieNOM = number ? 1 : 0;
    r.privazkaKP = panelSlot > 0 ? 1 : 0;
    if (panelSlot > 0) r.NameNa.setUtf8("N_" + std::to_string(panelSlot));
    r.Color = kFace;
    font(r, pixels, bold, color);
  }
  void sensor(int panelSlot, int nKP, int tip, int left, int top, int width) {
    const int slot = ++ks.kol_Dsk;
    Tlabel_& r = ks.Dsk[static_cast<std::size_t>(slot - 1)];
    name(r, 'D', slot);
    r.Left = left;
    r.Top = top;
    r.Width = width;
    r.Height = 24;
    r.Tip = tip;
    r.N_KP = nKP;
    r.N_Na = panelSlot;
    r.NameNa.setUtf8("N_" + std::to_string(panelSlot));
    r.Tpodch = 1;
    r.Color = kWhite;
    r.Text.setUtf8(tipD[static_cast<std::size_t>(tip)]);
    font(r, 19, true, kBlack);
  }
  void icon(int panelSlot, int nKP, int image, int left, int top, int size) {
    const int slot = ++ks.kol_Za;
    Tlabel_& r = ks.Za[static_cast<std::size_t>(slot - 1)];
    name(r, 'Z', slot);
    r.Left = left;
    r.Top = top;
    r.Width = size;
    r.Height = size;
    r.N_KP = nKP;
    r.Image = image;
    r.NameNa.setUtf8("N_" + std::to_string(panelSlot));
  }
};

}  // namespace

void buildDemoDispetch(konstrT& ks, const std::string& background) {
  std::memset(static_cast<void*>(&ks), 0, sizeof ks);
  Builder b{ks};
  b.label(0, 0, "Инкубаторий: демонстрационный зал", false, 20, 14, 22, true);

  // Incubators 1..10 and the hatchers 11 and 12, two rows of six along the hall.
  for (int k = 0; k < 12; ++k) {
    const int n = k + 1;
    const int p = b.panel(n, 20 + (k % 6) * 190, 56 + (k / 6) * 250, 178, 232);
    b.label(p, n, n >= 11 ? "Выводной " : "Инкубатор ", true, 8, 6, 17, true);
    const char* captions[] = {"T1", "Вл", "Лотки", "Засл."};
    const int tips[] = {1, 4, 9, 5};
    for (int i = 0; i < 4; ++i) {
      b.label(p, n, captions[i], false, 8, 44 + i * 38, 16, false);
      b.sensor(p, n, tips[i], 72, 40 + i * 38, 96);
    }
    for (int image = 0; image < 9; ++image) b.icon(p, n, image, 4 + image * 19, 200, 18);
  }

  // The incubator under the mouse (or pinned by a click).
  const int cur = b.panel(0, 20, 564, 1130, 168);
  b.label(cur, 0, "Под курсором: кп ", true, 10, 8, 18, true);
  const char* captions[] = {"Tраб",  "T2",  "T3",        "Tотс",
                            "Мотор", "CO2", "(T1+T2)/2", "(T1+T2+T3)/3"};
  const int tips[] = {0, 2, 3, 6, 7, 8, 10, 11};
  for (int i = 0; i < 8; ++i) {
    const int x = 10 + (i % 4) * 280, y = 48 + (i / 4) * 44;
    b.label(cur, 0, captions[i], false, x, y + 3, 16, false);
    b.sensor(cur, 0, tips[i], x + 130, y, 110);
  }
  for (int image = 0; image < 9; ++image) b.icon(cur, 0, image, 10 + image * 30, 138, 26);

  ks.nal_KP0 = 1;
  ks.nom_KP0 = 1;
  ks.NumberNa = ks.kol_Na;
  ks.NumberDsk = ks.kol_Dsk;
  ks.NumberLb = ks.kol_Lb;
  ks.NumberZa = ks.kol_Za;
  ks.ImOn = 'o';
  ks.Im_f.setUtf8(background);
  ks.ColorOFF = 0x00A0A0A0;
  ks.chifr = kChifr;
}

}  // namespace vs
