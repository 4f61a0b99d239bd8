#include "boards/Zaslonki.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "setpoints/WriteEngine.h"
#include "station/StatusDecoder.h"

namespace vs {

namespace {

std::uint16_t word(const std::array<std::uint8_t, 21>& z, std::size_t at) {
  return static_cast<std::uint16_t>(z[at] | (z[at + 1] << 8));
}

}  // namespace

double zaslKOhm(std::uint16_t raw) {
  return static_cast<double>(raw) * 45 / 64 / 100;
}

double zaslVolts(std::uint16_t raw) {
  return static_cast<double>(raw) * 156 / 64 / 100;
}

std::string zaslFixed(double x, int precision, int decimals) {
  const double mag = std::fabs(x);
  const int whole = mag < 1 ? 1 : static_cast<int>(std::floor(std::log10(mag))) + 1;
  const int shown = std::clamp(precision - whole, 0, decimals);
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, shown);
  std::string s(buf, r.ptr);
  // The rounding to fewer significant digits still pads to the decimals asked for.
  if (shown < decimals) {
    if (shown == 0) s += '.';
    s.append(static_cast<std::size_t>(decimals - shown), '0');
  }
  return s;
}

std::uint16_t zaslAngleToSend(int entered) {
  if (entered == kZaslFactory) return kZaslFactory;
  return static_cast<std::uint16_t>(std::clamp(entered, 0, kZaslMaxAngle));
}

ZaslView readZasl(const Station& station, int nk, bool complete) {
  ZaslView v;
  if (nk < 0 || nk >= station.kol_inkub()) return v;
  const auto n = static_cast<std::size_t>(nk);
  v.caption = kZaslCaptionFor + station.config().konfig_s[n].utf8();
  if (!complete) {
    // What ZASL holds is not (all) from the last answer: shown as not answering, without the
    // old figures.
    v.state = kZaslOffline;
    return v;
  }
  const auto& z = station.ZASL[n];
  v.known = true;
  const std::uint16_t ver = word(z, 15);
  v.version =
      std::string(kZaslVersion) + ((ver & 0x8000) ? "V" : "v") + std::to_string(ver & 0x7FFF);
  v.online = (z[5] & 0x80) != 0;
  v.mercury = v.online && (z[5] & 0x40) != 0;
  v.state = v.online ? kZaslOnline : kZaslOffline;
  v.number = std::to_string(z[5] & 0x3F);
  v.voltage = zaslFixed(zaslVolts(word(z, 7)), 4, 1) + kZaslVolts;
  v.r0 = zaslFixed(zaslKOhm(word(z, 9)), 5, 2) + kZaslKOhm;
  v.r1 = zaslFixed(zaslKOhm(word(z, 11)), 5, 2) + kZaslKOhm;
  v.r = zaslFixed(zaslKOhm(word(z, 0)), 5, 2) + kZaslKOhm;
  // The angle is kept unsigned; a reading below R0 gives a small negative angle, not 65535.
  const int angle = static_cast<std::int16_t>(station.ugol[n]);
  v.measured = std::to_string(angle);
  v.gauge = std::clamp(angle, 0, kZaslMaxAngle);
  v.setAngle = std::to_string(z[13]);
  v.checkTime = std::to_string(z[14]);
  return v;
}

Zaslonki::Zaslonki(Station& station)
    : nk_Opros(station.nk_Opros),
      station_(station),
      following_(station.nk_Opros.listen([this] { show(); })) {}

bool Zaslonki::rowKnown() const {
  return nk_Opros >= 0 && nk_Opros < station_.kol_inkub();
}

void Zaslonki::show() {
  if (rowKnown())
    numberLabel = std::to_string(station_.config().konfig_n[static_cast<std::size_t>(nk_Opros)]);
  else
    numberLabel.clear();
  const auto n = static_cast<std::size_t>(nk_Opros);
  view = rowKnown() ? readZasl(station_, nk_Opros, complete_[n] && (station_.C3[n] & (1u << 9)))
                    : ZaslView{};
  if (changed) changed();
}

void Zaslonki::activate() {
  const int kol = station_.kol_inkub();
  if (nk_Opros >= kol) nk_Opros = kol - 1;
  if (nk_Opros < 0) nk_Opros = 0;
  show();
}

void Zaslonki::select(int row) {
  if (row == nk_Opros)
    show();
  else
    nk_Opros = row;  // the listener shows it
}

void Zaslonki::prev() {
  const int kol = station_.kol_inkub();
  select(nk_Opros <= 0 || nk_Opros >= kol ? kol - 1 : nk_Opros - 1);
}

void Zaslonki::next() {
  const int kol = station_.kol_inkub();
  select(nk_Opros + 1 >= kol || nk_Opros < 0 ? 0 : nk_Opros + 1);
}

void Zaslonki::terminal(int nk, int length) {
  if (nk < 0 || nk >= kMaxRows) return;
  // The angle of this answer, for the gauge now and for the views after it. A block that the
  // answer carried only in part is not used.
  const bool complete = length >= kZaslMinLength;
  complete_[static_cast<std::size_t>(nk)] = complete;
  if (complete) updateDamperAngle(station_, nk);
  if (nk != nk_Opros) return;
  view = readZasl(station_, nk, complete);
  if (changed) changed();
}

bool Zaslonki::send(int item, std::uint16_t value) {
  if (!rowKnown()) {
    if (dialogs) dialogs->message(kLogNoRow);
    return false;
  }
  TWriteCom& w = station_.WriteKom;
  w.Col = nk_Opros + 1;
  w.Row = item;
  w.b = value;
  w.k = kKindDamper;
  // A write that was not confirmed is reported by the write engine; the journal never shows
  // it as done.
  return writeDialog && writeDialog();
}

bool Zaslonki::writeAngle(int entered, std::uint16_t* sent) {
  const std::uint16_t value = zaslAngleToSend(entered);
  if (sent) *sent = value;
  if (!send(kZaslItemAngle, value)) return false;
  if (journal) journal(kZaslAngleJournal + std::to_string(value));
  return true;
}

bool Zaslonki::writeCheckTime(int seconds) {
  return send(kZaslItemCheckTime,
              static_cast<std::uint16_t>(std::clamp(seconds, 0, kZaslMaxCheckTime)));
}

bool Zaslonki::calibrate() {
  if (!send(kZaslItemCalibrate, 0)) return false;
  if (journal) journal(kZaslCalibrationJournal);
  return true;
}

bool Zaslonki::factory() {
  return send(kZaslItemAngle, kZaslFactory);
}

}  // namespace vs
