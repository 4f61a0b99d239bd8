#include "station/DetailView.h"

#include <cstdio>
#include <cstdlib>

#include "setpoints/SetpointMap.h"
#include "station/Zones.h"

namespace vs {

namespace {

bool bit(std::uint32_t word, int n) {
  return ((word >> n) & 1u) != 0;
}

std::uint8_t stateOf(Zone z) {
  switch (z) {
    case Zone::Above:
      return 1;
    case Zone::Below:
      return 3;
    case Zone::Within:
      break;
  }
  return 2;
}

std::string two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

constexpr std::uint8_t kKindWord = 1;

}  // namespace

std::string formatFixed2(std::int32_t hundredths) {
  const long long v = hundredths;
  const long long a = std::llabs(v);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", v < 0 ? "-" : "", a / 100, a % 100);
  return buf;
}

DetailTexts DetailView::OprosI(const StationTables& t, const TFile_config& cfg, int nk) {
  DetailTexts d;
  if (nk < 0 || nk >= kMaxRows) return d;
  const auto n = static_cast<std::size_t>(nk);
  const auto& zon = t.ZON[n];
  const std::uint16_t C1 = t.C1[n], C2 = t.C2[n];

  d.caption = cfg.konfig_s[n].utf8();
  // The humidity sensor and T1 share their fault bit.
  d.t1 = bit(C2, 10) ? "--.--" : formatFixed2(t.T1k[n]);
  d.humidity = bit(C2, 10) ? "--" : std::to_string(t.BL[n]);
  d.t2 = bit(C2, 11) ? "--.--" : formatFixed2(t.T2k[n]);
  d.t3 = bit(C2, 12) ? "--.--" : formatFixed2(t.T3k[n]);
  d.work = formatFixed2(zon[1]);
  d.upper = formatFixed2(zon[0]);
  d.lower = formatFixed2(zon[2]);
  d.humCtl = std::to_string(zon[9]);
  d.humUpper = std::to_string(zon[7]);
  d.humLow = std::to_string(zon[8]);
  d.tray = bit(static_cast<std::uint16_t>(zon[19]), 0) ? "ВЫВОД"
                                                       : two(t.VR_MIN[n]) + ":" + two(t.VR_SEK[n]);
  // The tray leans one way at a time: the glyph of the other side is cleared with it.
  const bool left = bit(C1, 0), right = bit(C1, 1);
  if (left != right) {
    d.leftGlyph = left ? "\\" : "";
    d.rightGlyph = right ? "/" : "";
  } else if (left) {
    d.leftGlyph = "";
    d.rightGlyph = "";
  }
  char volts[32];
  std::snprintf(volts, sizeof volts, "%u.%u", t.U1[n] / 10u, t.U1[n] % 10u);
  d.voltage = std::string(volts) + "B";
  if (n < t.new_p.Tots.size()) {
    d.tots = formatFixed2(t.new_p.Tots[n]);
    d.co2 = std::to_string(t.new_p.CO2[n]);
    d.motor = std::to_string(t.new_p.S_motor[n]);
  }
  d.ugol = t.ugol[n] > 90 ? 90 : t.ugol[n];
  d.humIndicator = bit(C1, 6);
  d.humIndicatorBlue = !bit(C1, 7);
  d.tempIndicator = bit(C1, 8);
  d.tempIndicatorRed = bit(C1, 9);
  if (zon[6] >= 0 && zon[6] <= 2) {
    d.workSensor = zon[6];
    d.workSensorAlarm = bit(C1, 11);
  }

  c1_FONT[n] = stateOf(temperatureZone(t, nk, t.T1k[n]));
  c2_FONT[n] = stateOf(temperatureZone(t, nk, t.T2k[n]));
  c3_FONT[n] = stateOf(temperatureZone(t, nk, t.T3k[n]));
  cV_FONT[n] = stateOf(humidityZone(t, nk));
  return d;
}

void DetailView::clamp(int rows) {
  if (rows < 1) rows = 1;
  if (nk_Opros < 0) nk_Opros = 0;
  if (nk_Opros >= rows) nk_Opros = rows - 1;
}

void DetailView::previous(int rows) {
  clamp(rows);
  nk_Opros = nk_Opros == 0 ? rows - 1 : nk_Opros - 1;
  clamp(rows);
}

void DetailView::next(int rows) {
  clamp(rows);
  nk_Opros = nk_Opros + 1 >= rows ? 0 : nk_Opros + 1;
}

int DetailView::lampStep(std::uint16_t C1) {
  const int p = phase;
  phase = (phase + 1) % 4;
  if (bit(C1, 2)) return p + 1;  // running forward
  if (bit(C1, 3)) return 4 - p;  // running backward
  return 0;
}

void DetailView::edit(DetailEdit what, const std::string& text, TWriteCom& WriteKom,
                      Dialogs& dialogs, const SetpointEditHooks& hooks) const {
  struct Query {
    const char* prompt;
    bool temperature;
    int row;
  };
  Query q{};
  switch (what) {
    case DetailEdit::Upper:
      q = {"Верхняя Темп.", true, 0};
      break;
    case DetailEdit::Lower:
      q = {"Нижняя  Темп.", true, 2};
      break;
    case DetailEdit::Work:
      q = {"Рабочая Темп.", true, 1};
      break;
    case DetailEdit::HumCtl:
      q = {"Вл. упр. ВЕРХ(%)", false, 9};
      break;
    case DetailEdit::HumUpper:
      q = {"Вл. зона ВЕРХ(%)", false, 7};
      break;
    case DetailEdit::HumLow:
      q = {"Вл. зона НИЗ(%)", false, 8};
      break;
  }
  const auto typed = dialogs.input(kQueryTitle, q.prompt, text);
  if (!typed) return;
  const auto v = q.temperature ? parseTemperature(*typed) : parseWord(*typed);
  if (!v) {
    dialogs.message(kRefused);
    return;
  }
  WriteKom.Col = nk_Opros + 1;
  WriteKom.Row = q.row;
  WriteKom.b = static_cast<std::uint16_t>(*v);
  WriteKom.k = kKindWord;
  if (hooks.writeDialog) hooks.writeDialog();
}

void DetailView::editSensor(const StationTables& t, const SetpointEditHooks& hooks) const {
  if (nk_Opros < 0 || nk_Opros >= kMaxRows || !hooks.workingSensor) return;
  hooks.workingSensor(t.ZON[static_cast<std::size_t>(nk_Opros)][6], nk_Opros + 1, 7);
}

}  // namespace vs
