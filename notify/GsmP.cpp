#include "notify/GsmP.h"

#include <algorithm>
#include <charconv>

#include "bus/FrameDispatcher.h"
#include "common/Cp1251.h"
#include "config/SettingsFile.h"

namespace vs {
namespace {

constexpr std::uint8_t kCarriageReturn = 13;

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

int dehex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string raspakNUM(const std::uint8_t* d, int length) {
  std::string digits;
  if (length <= static_cast<int>(GsmAt::Digits)) return digits;
  const int count = std::min<int>(d[GsmAt::Digits], kGsmMaxDigits);
  for (int k = 0; k < count; ++k) {
    const int at = static_cast<int>(GsmAt::Number) + k / 2;
    // The receive buffer past the frame's length still holds earlier frames.
    if (at >= length) break;
    const int nibble = k % 2 == 0 ? d[at] >> 4 : d[at] & 0x0F;
    digits += static_cast<char>(nibble + 0x30);
  }
  return digits;
}

GsmAnswer decodeGsmAnswer(const std::uint8_t* d, int length) {
  GsmAnswer a;
  const auto has = [length](std::size_t at) { return static_cast<std::size_t>(length) > at; };
  if (has(GsmAt::On)) a.on = (d[GsmAt::On] & 1) != 0;
  if (has(GsmAt::Mask)) a.mask = static_cast<std::uint8_t>(d[GsmAt::Mask] & 0x0F);
  if (has(GsmAt::Delay)) a.delay = d[GsmAt::Delay];
  if (has(GsmAt::Digits)) a.number = raspakNUM(d, length);
  if (has(GsmAt::Code)) {
    a.hash = (d[GsmAt::Code] & 0x80) != 0;
    a.code = static_cast<std::uint8_t>(d[GsmAt::Code] & 0x7F);
  }
  if (has(GsmAt::TextCount) && length > static_cast<int>(GsmAt::Text)) {
    const int n = std::min<int>(d[GsmAt::TextCount], length - static_cast<int>(GsmAt::Text));
    a.text.assign(reinterpret_cast<const char*>(d + GsmAt::Text), static_cast<std::size_t>(n));
  }
  return a;
}

std::string ussdText(const std::string& line) {
  std::string out;
  if (line.size() < 24) return out;
  const std::string hex = line.substr(11, line.size() - 23);
  for (std::size_t at = 0; at + 4 <= hex.size(); at += 4) {
    const char x = hex[at + 1];
    const int h = dehex(hex[at + 2]);
    const int l = dehex(hex[at + 3]);
    if (hex[at] != '0' || dehex(x) < 0 || h < 0 || l < 0) continue;
    const auto v = static_cast<std::uint32_t>(h * 16 + l);
    // Cyrillic is U+04xx: "А".."я" and also "Ё", "ё" and the rest of the block.
    const std::uint32_t cp = x == '4' ? 0x400 + v : v;
    if (cp != 0) appendUtf8(out, cp);
  }
  return out;
}

std::string gsmNumberDigits(const std::string& typed) {
  std::string t;
  for (const char c : typed)
    if (c != ' ' && c != '-' && c != '.' && c != '(' && c != ')') t += c;
  return t;
}

GsmNumberCheck checkGsmNumber(const std::string& number) {
  for (std::size_t i = 0; i < number.size(); ++i)
    if (!(number[i] >= '0' && number[i] <= '9') && !(i == 0 && number[i] == '+'))
      return GsmNumberCheck::BadCharacter;
  return number.size() > kGsmMaxNumberText ? GsmNumberCheck::TooLong : GsmNumberCheck::Ok;
}

std::optional<std::array<std::uint8_t, kGsmSettingsLength>> gsmSettingsRequest(
    const GsmSettings& s) {
  const std::string t = gsmNumberDigits(s.number);
  if (checkGsmNumber(t) != GsmNumberCheck::Ok) return std::nullopt;
  std::array<std::uint8_t, kGsmSettingsLength> d{};
  d[0] = s.on ? 1 : 0;
  d[1] = static_cast<std::uint8_t>(s.mask & 0x0F);
  d[2] = s.delay;
  const std::size_t n = t.size();
  d[3] = static_cast<std::uint8_t>(n);
  for (std::size_t i = 0; i < n; ++i) d[4 + i] = static_cast<std::uint8_t>(t[i]);
  d[4 + n] = 0;
  d[5 + n] = 1;
  d[6 + n] = 2;
  d[7 + n] = static_cast<std::uint8_t>((s.hash ? 0x80 : 0) | (s.code & 0x7F));
  return d;
}

void GsmP::setBlockNumber(int number) {
  number = std::clamp(number, 1, kGsmMaxBlock);
  if (number != block_) sGSM.clear();
  block_ = number;
}

void GsmP::loadBlockNumber(const std::filesystem::path& iniPath) {
  IniFile ini;
  ini.load(iniPath);
  setBlockNumber(ini.readInt("GSM", "Number", 1));
}

bool GsmP::saveBlockNumber(const std::filesystem::path& iniPath) const {
  return saveKey(iniPath, "GSM", "Number", std::to_string(block_));
}

void GsmP::setEditing(bool down) {
  editing_ = down;
  if (down && terminal_) setTerminal(false);
  changed();
}

void GsmP::setTerminal(bool down) {
  terminal_ = down;
  station_.controls.on_off_GSM = down;
  if (down) editing_ = false;
  changed();
}

void GsmP::activated() {
  terminal_ = false;
  changed();
}

void GsmP::closed() {
  terminal_ = false;
  station_.controls.on_off_GSM = false;
  changed();
}

std::uint8_t GsmP::gsmSost() const {
  const PollControls& c = station_.controls;
  // In the debug mode every answer lands in row 0.
  const int nk = c.otladka ? (c.otlad == block_ ? 0 : -1) : station_.f_opros_inkub(block_);
  return nk >= 0 ? station_.GSM_sost[static_cast<std::size_t>(nk)] : 0;
}

void GsmP::listen(FrameDispatcher& dispatcher) {
  dispatcher.setConsumer(kAnswerGsm, [this](const RS232_T& f) { terminal(f); });
}

void GsmP::terminal(const RS232_T& frame) {
  if (frame.Otpr != block_) return;
  ++answers;
  const GsmAnswer a = decodeGsmAnswer(frame.Dann.data(), frame.Kol_d);
  if (!editing_) {
    const std::uint8_t sost = gsmSost();
    if (sost & 0x80) {  // the status answer carries the settings the controller works with
      settings.on = (sost & 0x10) != 0;
      settings.mask = static_cast<std::uint8_t>(sost & 0x0F);
    } else {
      if (a.on) settings.on = *a.on;
      if (a.mask) settings.mask = *a.mask;
    }
    if (a.delay) settings.delay = *a.delay;
    if (a.hash) settings.hash = *a.hash;
    if (a.code) settings.code = *a.code;
    if (a.number) settings.number = *a.number;
  }
  // A line the modem had not finished when the controller sent this piece goes on in the next.
  for (const char c : a.text) {
    if (static_cast<std::uint8_t>(c) == kCarriageReturn)
      lineDone();
    else if (sGSM.size() < kGsmMaxLine)
      sGSM += c;
  }
  changed();
}

void GsmP::lineDone() {
  if (terminal_) {
    log.push_back(cp1251ToUtf8(sGSM));
    if (sGSM.find("+CUSD:") != std::string::npos) dekod_hex(sGSM);
    if (kolGSM >= kGsmLogLines && !log.empty()) log.erase(log.begin());
    ++kolGSM;
  }
  analizGSM();
  sGSM.clear();
}

void GsmP::dekod_hex(const std::string& line) {
  log.push_back(ussdText(line));
}

void GsmP::analizGSM() {
  const std::string& s = sGSM;
  if (s.find("+CSQ:") != std::string::npos && s.size() >= 7) {
    std::string digits(1, s[6]);
    if (s.size() >= 8 && s[7] != ',') digits += s[7];
    int v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec == std::errc() && end == digits.data() + digits.size()) {
      if (v == 99) v = 0;  // the modem's "not detectable"
      timer00 = 0;
      signalShown = true;
      signal = std::clamp(v, 0, kGsmSignalMax);
    }
  }
  if (s.find("+COPS:") != std::string::npos) {
    const std::size_t first = s.find(',');
    const std::size_t second = first == std::string::npos ? first : s.find(',', first + 1);
    operatorText = second == std::string::npos ? std::string() : cp1251ToUtf8(s.substr(second + 1));
  }
}

void GsmP::Timer1s() {
  if (timer00 <= kGsmNoOperatorAfter) ++timer00;
  if (timer00 > kGsmNoOperatorAfter) {
    operatorText = "нет оператора";
    signalShown = false;
  }
  changed();
}

std::string GsmP::peredat() {
  switch (checkGsmNumber(gsmNumberDigits(settings.number))) {
    case GsmNumberCheck::BadCharacter:
      return "Недопустимый символ! Не выполнено.";
    case GsmNumberCheck::TooLong:
      return "Слишком длинный номер! Не выполнено.";
    case GsmNumberCheck::Ok:
      break;
  }
  const auto d = gsmSettingsRequest(settings);
  if (!d) return "Недопустимый символ! Не выполнено.";
  putKom485m(station_.kom485m, static_cast<std::uint8_t>(block_), kGsmSettingsKind, d->data(),
             kGsmSettingsLength);
  return {};
}

void GsmP::command(GsmCommand c) {
  const std::uint8_t zero = 0;
  putKom485m(station_.kom485m, static_cast<std::uint8_t>(block_), static_cast<std::uint8_t>(c),
             &zero, 1);
}

void GsmP::clearLog() {
  log.clear();
  kolGSM = 0;
  changed();
}

}  // namespace vs
