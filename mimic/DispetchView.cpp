#include "mimic/DispetchView.h"

#include <cstdio>
#include <string_view>

#include "setpoints/SetpointEdit.h"
#include "station/RowTexts.h"
#include "station/Zones.h"

namespace vs {

namespace {

constexpr std::uint16_t bit(int n) {
  return static_cast<std::uint16_t>(1u << n);
}

std::string twoDigits(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u", v);
  return buf;
}

// Hundredths of a sum of n readings, rounded half away from zero like the "0.00" format.
std::int64_t average(std::int64_t sum, int n) {
  return sum >= 0 ? (2 * sum + n) / (2 * n) : -((-2 * sum + n) / (2 * n));
}

int fontClassOf(Zone z) {
  return z == Zone::Above ? 1 : z == Zone::Below ? 3 : 2;
}

int findPanel(const konstrT& ks, int panels, std::string_view name) {
  if (name.empty()) return -1;
  for (int i = 0; i < panels; ++i)
    if (ks.Na[static_cast<std::size_t>(i)].Name.raw() == name) return i;
  return -1;
}

}  // namespace

std::string trayText(const StationTables& t, std::size_t row) {
  const std::uint16_t c1 = t.C1[row];
  if ((t.C3[row] & bit(15)) || (t.ZON[row][19] & 0x01)) return "вывод";
  const std::string clock = twoDigits(t.VR_MIN[row]) + ":" + twoDigits(t.VR_SEK[row]);
  switch (c1 & 0x03) {
    case 0:
      return "00:00";
    case 1:
      return "<" + clock;
    case 2:
      return clock + ">";
    default:
      return clock;
  }
}

DispetchView::DispetchView(konstrT& KS, StationTables& t,
                           const std::array<std::int32_t, 256>& tab_otvet, TFile_config& config)
    : ks_(&KS), t_(t), tab_otvet_(tab_otvet), config_(config) {}

void DispetchView::setDocument(konstrT& KS) {
  ks_ = &KS;
  CreateDispetch();
}

std::vector<MimicElement>& DispetchView::list(MimicKind kind) {
  switch (kind) {
    case MimicKind::Panel:
      return _Na;
    case MimicKind::Sensor:
      return _Dsk;
    case MimicKind::Label:
      return _Lb;
    default:
      return _Za;
  }
}

const std::vector<MimicElement>& DispetchView::elements(MimicKind kind) const {
  return const_cast<DispetchView*>(this)->list(kind);
}

const Tlabel_& DispetchView::record(MimicKind kind, int index) const {
  const auto slot = static_cast<std::size_t>(elements(kind)[static_cast<std::size_t>(index)].slot);
  switch (kind) {
    case MimicKind::Panel:
      return ks_->Na[slot - 1];
    case MimicKind::Sensor:
      return ks_->Dsk[slot - 1];
    case MimicKind::Label:
      return ks_->Lb[slot - 1];
    default:
      return ks_->Za[slot - 1];
  }
}

void DispetchView::CreateDispetch() {
  konstrT& ks = *ks_;
  _Na.clear();
  _Dsk.clear();
  _Lb.clear();
  _Za.clear();
  tek_ink0 = tek_ink_pred = -1;
  poziciaBoo = false;
  const int panels = usableCount(ks.kol_Na, kMaxPanels);
  for (int i = 0; i < panels; ++i) {
    MimicElement e;
    e.slot = i + 1;
    e.color = ks.Na[static_cast<std::size_t>(i)].Color;
    _Na.push_back(e);
  }
  auto child = [&](const Tlabel_& r, int slot) {
    MimicElement e;
    e.slot = slot;
    e.parent = findPanel(ks, panels, r.NameNa.raw());
    e.placed = e.parent >= 0;
    e.color = r.Color;
    e.fontColor = r.Font.Color;
    e.underline = (r.Font.Style & 0x04) != 0;
    e.strikeOut = (r.Font.Style & 0x08) != 0;
    return e;
  };
  // Icons stay hidden until their incubator's data say that their condition holds.
  for (int i = 0; i < usableCount(ks.kol_Za, kMaxElements); ++i) {
    MimicElement e = child(ks.Za[static_cast<std::size_t>(i)], i + 1);
    e.visible = false;
    _Za.push_back(e);
  }
  for (int i = 0; i < usableCount(ks.kol_Lb, kMaxElements); ++i) {
    Tlabel_& r = ks.Lb[static_cast<std::size_t>(i)];
    if (r.Text.raw().empty()) r.Text.setUtf8("--");
    MimicElement e = child(r, i + 1);
    if (!r.privazkaKP) {
      e.parent = -1;
      e.placed = true;
    }
    e.text = r.Text.utf8();
    if (r.NazvanieNOM) e.text += std::to_string(r.N_KP);
    _Lb.push_back(e);
  }
  for (int i = 0; i < usableCount(ks.kol_Dsk, kMaxElements); ++i) {
    const Tlabel_& r = ks.Dsk[static_cast<std::size_t>(i)];
    if (r.Name.raw().empty()) continue;
    MimicElement e = child(r, i + 1);
    e.text = r.Text.utf8();
    _Dsk.push_back(e);
  }
}

bool DispetchView::validRow(int row) const {
  return row >= 0 && row < usableRows(config_);
}

bool DispetchView::inService(int incubator) const {
  return validRow(incubator - 1) && config_.konfig_o[static_cast<std::size_t>(incubator - 1)];
}

int DispetchView::incubatorOf(const Tlabel_& r) const {
  return r.N_KP > 0 ? r.N_KP : ks_->nom_KP0;
}

std::pair<int, int> DispetchView::panelsToRefresh() const {
  return {tek_ink0, usableCount(ks_->kol_Na, kMaxPanels)};
}

void DispetchView::setEditing(bool on) {
  editing_ = on;
  RedUst();
}

std::uint32_t DispetchView::zoneColor(std::int64_t sum, int n, int lowWord, int highWord,
                                      std::size_t row) const {
  const std::int64_t low = t_.ZON_[row][static_cast<std::size_t>(lowWord)];
  const std::int64_t high = t_.ZON_[row][static_cast<std::size_t>(highWord)];
  const Zone z = low * n > sum ? Zone::Below : sum > high * n ? Zone::Above : Zone::Within;
  return fonColor[static_cast<std::size_t>(fontClassOf(z))];
}

void DispetchView::updateSensor(MimicElement& e, const Tlabel_& r, std::size_t row) {
  const std::uint16_t c2 = t_.C2[row];
  const std::int32_t t1 = t_.T1k[row], t2 = t_.T2k[row], t3 = t_.T3k[row];
  const int work = t_.t1_t2[row];
  const bool tpodch = r.Tpodch != 0;
  auto temperature = [&](std::int64_t sum, int n, bool fault) {
    e.text = fault ? "??.??" : hundredths(average(sum, n));
    e.fontColor = zoneColor(sum, n, 2, 0, row);
  };
  switch (r.Tip) {
    case 0: {
      e.underline = false;
      if (work < 1 || work > 3) {  // no usable working sensor
        e.text = "??.??";
        break;
      }
      const std::int32_t v = work == 1 ? t1 : work == 2 ? t2 : t3;
      temperature(v, 1, (c2 & bit(9 + work)) != 0);
      break;
    }
    case 1:
    case 2:
    case 3: {
      const int k = r.Tip;
      temperature(k == 1 ? t1 : k == 2 ? t2 : t3, 1, (c2 & bit(9 + k)) != 0);
      e.underline = tpodch && work == k;
      break;
    }
    case 4:
      e.text = (c2 & bit(10)) ? "??%" : std::to_string(t_.BL[row]) + "%";
      e.fontColor = fonColor[static_cast<std::size_t>(fontClassOf(humidityZone(t_, int(row))))];
      break;
    case 5:
      e.text = t_.ugol[row] <= 99 ? std::to_string(t_.ugol[row]) : "--";
      break;
    case 6:
      e.text = hundredths(t_.new_p.Tots[row]);
      e.fontColor = fonColor[0];
      break;
    case 7:
      e.text = std::to_string(t_.new_p.S_motor[row]);
      e.fontColor = (c2 & bit(15)) ? kMimicRed : r.Font.Color;
      e.underline = (t_.ZON[row][27] & 0x80) != 0;
      break;
    case 8:
      e.text = std::to_string(t_.new_p.CO2[row]);
      break;
    case 9:
      e.text = trayText(t_, row);
      e.strikeOut = (t_.C1[row] & (bit(2) | bit(3))) != 0;
      break;
    case 10:
      temperature(std::int64_t{t1} + t2, 2, (c2 & (bit(10) | bit(11))) != 0);
      e.underline = tpodch && work == 1;
      break;
    case 11:
      temperature(std::int64_t{t1} + t2 + t3, 3, (c2 & (bit(10) | bit(11) | bit(12))) != 0);
      e.underline = tpodch && work == 1;
      break;
    default:  // a kind this program does not know keeps the text it was stored with
      break;
  }
}

void DispetchView::dispetchW(int row) {
  if (editing_ || !validRow(row)) return;
  const auto n = static_cast<std::size_t>(row);
  for (std::size_t i = 0; i < _Dsk.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Sensor, static_cast<int>(i));
    if (incubatorOf(r) - 1 == row) updateSensor(_Dsk[i], r, n);
  }
  for (std::size_t i = 0; i < _Za.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Icon, static_cast<int>(i));
    const int inc = incubatorOf(r);
    if (inc - 1 != row) continue;
    bool on = false;
    if (inService(inc)) {
      const std::uint16_t c1 = t_.C1[n], c2 = t_.C2[n];
      switch (r.Image) {
        case 0:
          on = config_.konfig_Write[n] != 0;
          break;
        case 1:
          on = config_.konfig_INK[n] != 0;
          break;
        case 2:
          on = (c1 & bit(11)) != 0;
          break;
        case 3:
          on = (c2 & 0x81E0) != 0;
          break;
        case 4:
          on = (c2 & bit(6)) != 0;
          break;
        case 5:
          on = (c2 & bit(5)) != 0;
          break;
        case 6:
          on = (c2 & bit(15)) != 0;
          break;
        case 7:
          on = (c2 & bit(7)) != 0;
          break;
        case 8:
          on = (c2 & bit(8)) != 0;
          break;
        default:  // no picture of that number: nothing to show
          break;
      }
    }
    _Za[i].visible = on;
  }
  for (std::size_t i = 0; i < _Lb.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Label, static_cast<int>(i));
    if (!r.NazvanieNOM || r.N_KP != 0) continue;
    if (ks_->nal_KP0 && ks_->nom_KP0 >= 0)
      _Lb[i].text = r.Text.utf8() + std::to_string(ks_->nom_KP0);
    _Lb[i].underline = poziciaBoo;
  }
}

void DispetchView::RedUst() {
  const konstrT& ks = *ks_;
  auto own = [&](MimicKind kind, std::vector<MimicElement>& v) {
    for (std::size_t i = 0; i < v.size(); ++i) {
      v[i].color = record(kind, static_cast<int>(i)).Color;
      v[i].visible = true;
    }
  };
  if (editing_) {
    own(MimicKind::Panel, _Na);
    own(MimicKind::Sensor, _Dsk);
    own(MimicKind::Label, _Lb);
    own(MimicKind::Icon, _Za);
    return;
  }
  auto linkLost = [&](int incubator) {
    return validRow(incubator - 1) && tab_otvet_[static_cast<std::size_t>(incubator - 1)] >= 6;
  };
  for (std::size_t i = 0; i < _Na.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Panel, static_cast<int>(i));
    _Na[i].color = (r.N_KP == 0 || inService(r.N_KP)) ? r.Color : ks.ColorOFF;
  }
  for (std::size_t i = 0; i < _Dsk.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Sensor, static_cast<int>(i));
    _Dsk[i].visible = r.N_KP == 0 || inService(r.N_KP);
    _Dsk[i].color = r.Color;
  }
  for (std::size_t i = 0; i < _Lb.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Label, static_cast<int>(i));
    MimicElement& e = _Lb[i];
    e.visible = true;
    e.color = r.Color;
    if (!r.privazkaKP) continue;
    if (r.N_KP == 0) {
      if (r.NazvanieNOM && linkLost(ks.nom_KP0)) e.color = kMimicYellow;
    } else if (inService(r.N_KP)) {
      if (r.NazvanieNOM && linkLost(r.N_KP)) e.color = kMimicYellow;
    } else {
      e.visible = r.NazvanieNOM != 0;
      e.color = ks.ColorOFF;
    }
  }
  for (std::size_t i = 0; i < _Za.size(); ++i) {
    const Tlabel_& r = record(MimicKind::Icon, static_cast<int>(i));
    if (r.N_KP != 0 && !inService(r.N_KP)) _Za[i].visible = false;
  }
}

void DispetchView::hover(MimicKind kind, int index) {
  const Tlabel_& r = record(kind, index);
  if (!poziciaBoo) tek_ink0 = r.N_KP;
  // Elements bound to 0 follow only incubators that exist in the configured list.
  if (tek_ink0 > 0 && validRow(tek_ink0 - 1)) {
    ks_->nom_KP0 = tek_ink0;
    if (tek_ink0 != tek_ink_pred) dispetchW(tek_ink0 - 1);
  }
  tek_ink_pred = tek_ink0;
}

void DispetchView::hoverBackground() {
  if (!poziciaBoo) tek_ink0 = -1;
}

void DispetchView::press(MimicKind kind, int index) {
  const Tlabel_& r = record(kind, index);
  const int inc = incubatorOf(r);
  if (!validRow(inc - 1)) return;
  if (r.N_KP > 0) poziciaBoo = !poziciaBoo;
  klikKP = inc;
}

void DispetchView::doubleClick(MimicKind kind, int index, bool ctrl, Dialogs& dialogs) {
  const Tlabel_& r = record(kind, index);
  if (r.N_KP < 0) return;
  const int inc = incubatorOf(r);
  if (!validRow(inc - 1)) return;
  const int row = inc - 1;
  klikKP = inc;
  if (!ctrl) {
    if (programWindow) programWindow(row);
    return;
  }
  auto& polled = config_.konfig_o[static_cast<std::size_t>(row)];
  const std::string text =
      std::string("Включить Инкубатор? + ( ") + (polled ? "Включён" : "выключен") + " )";
  const Dialogs::Answer a = dialogs.question(text, "Подтверждение", true);
  if (a == Dialogs::Answer::Cancel) return;
  polled = a == Dialogs::Answer::Yes ? 1 : 0;
  if (saveConfig) saveConfig();
}

std::string DispetchView::statusLine(bool playing, int zvuk_on) const {
  if (tek_ink0 < 1) return {};
  std::string s = std::string("Звук:(") + (playing ? "ИГРА" : "нет") + ") " +
                  (zvuk_on == 1 ? "ПК-разрешено" : "ПК-запрет   ") + ". кп" +
                  std::to_string(tek_ink0);
  const int row = tek_ink0 - 1;
  if (validRow(row) && t_.pr_svaz[static_cast<std::size_t>(row)]) {
    const auto n = static_cast<std::size_t>(row);
    s += std::string(" -- ") + ((t_.zvuk_b[n] & 1) ? "разрешено" : "   запрет") + ". Аварии " +
         ((t_.C1[n] & bit(5)) ? "Есть" : "нет ");
  } else {
    s += " нет данных";
  }
  return s;
}

}  // namespace vs
