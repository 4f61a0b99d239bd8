#include "setpoints/SetpointMap.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vs {

const std::array<std::string_view, kSetpointRows + 1> ustav = {
    "",
    "Верхняя Темп.",
    "Рабочая Темп.",
    "Нижняя  Темп.",
    "Калибр. T1",  // Latin T, as on the controllers' own screens
    "Калибр. Т2",
    "Калибр. Т3",
    "Номер раб. Т",
    "Вл. зона ВЕРХ(%)",
    "Вл. зона НИЗ(%)",
    "Вл. упр. ВЕРХ(%)",
    "Вл. упр. НИЗ(%)",
    "Вл. время упр(мин).",
    "Мощность ТЭН(%)",
    "Охл. Темп.  вкл",
    "Охл. Темп.  выкл",
    "Охл. работа(сек)",
    "Охл. пауза(сек)",
    "Лотки. Период(мин)",
    "Лотки. работа(сек)",
    "ВЫВОД или инкуб.",
    "Звук вкл-выкл",
    "Тип датчика Вл-Т1",
    "Авария по таймеру",
    "Влажн. пауза(сек)",
    "Влажн. работа(сек)",
    "Полярность концевиков",
    "Способ откл. лотков",
    "Версия ПО управления",
    "Версия ПО индикации",
    "Версия ПО RS485",
    "Вентиляция вкл-выкл",
    "Вентиляция период",
    "Вентиляция работа",
    "Авария на охлажд.",
    "Задержки по авариям",
};

const std::array<int, kSetpointRows + 1> rasp = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                 24, 25, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                                 31, 32, 33, 22, 23, 26, 27, 28, 29, 30, 34, 35};

const std::array<int, kSetpointRows + 1> ustav_tip = {
    0, 1, 1, 1, 2,  2, 2,  8,  3,  3, 3,  3,  4,  4,  4,  4,  1,  1,
    4, 4, 4, 4, 50, 7, 20, 21, 22, 9, 10, 11, 12, 13, 14, 15, 23, 24};

const std::array<std::string_view, 6> avarZDs = {"0",       "30 сек", "1 мин",
                                                 "1.5 мин", "2 мин",  "3 мин"};
const std::array<std::string_view, 5> tip_dt = {
    "HIH6131-i2s", "HIH6131-spi     ", "HIH40xx+DS18B20 ", "HIH50xx+DS18B20 ", "Si7021-i2s"};
const std::array<std::string_view, 2> tip_ten = {"Ав. нет по Герк", "Ав. по герконам"};
const std::array<std::string_view, 2> tip_pol = {"на замыкание", "на размыкание"};
const std::array<std::string_view, 2> tip_lotki = {"по любому", "по одному"};

namespace {

constexpr const char* kYes = "ДА";
constexpr const char* kNo = "НЕТ";

std::uint8_t lo(std::int16_t w) {
  return static_cast<std::uint8_t>(static_cast<std::uint16_t>(w) & 0xFF);
}
std::uint8_t hi(std::int16_t w) {
  return static_cast<std::uint8_t>(static_cast<std::uint16_t>(w) >> 8);
}

std::string inParens(int v) {
  return "(" + std::to_string(v) + ")";
}

template <std::size_t N>
std::string coded(int v, const std::array<std::string_view, N>& names) {
  std::string s = inParens(v);
  if (v >= 0 && static_cast<std::size_t>(v) < N) s += names[static_cast<std::size_t>(v)];
  return s;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A leading "+" is allowed, as the operator may type it; from_chars does not take it.
std::string_view unsigned_(std::string_view s) {
  if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
  return s;
}

std::optional<long long> parseInteger(std::string_view text) {
  const std::string_view s = unsigned_(trimmed(text));
  long long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// Configuration items: the word that carries each and the byte of it (0 low, 1 high); the items
// that are one flag in bit 0 have mask 1.
struct Item {
  int code;
  int word;
  int high;
  int mask;
  std::string_view caption;
};
constexpr Item kItems[] = {
    {40, 19, 0, 0x01, "ВЫВОД или инкуб."},    {41, 19, 1, 0x01, "Вентиляция вкл-выкл"},
    {42, 20, 0, 0x01, "Звук вкл-выкл"},       {44, 21, 0, 0xFF, "Тип датчика Вл-Т1"},
    {45, 21, 1, 0xFF, "Авария по таймеру"},   {46, 22, 0, 0xFF, "Вентиляция период"},
    {47, 22, 1, 0xFF, "Вентиляция работа"},   {52, 25, 0, 0xFF, "Полярность концевиков"},
    {53, 25, 1, 0xFF, "Способ откл. лотков"}, {54, 26, 0, 0x01, "Авария на охлажд."},
    {55, 26, 1, 0xFF, "Задержки по авариям"}, {56, 27, 0, 0xFF, "Мотор"},
    {57, 27, 1, 0xFF, "Тип блока"},           {60, 31, 0, 0xFF, "Оборудование вентиляции"},
};

const Item* item(int code) {
  for (const Item& it : kItems)
    if (it.code == code) return &it;
  return nullptr;
}

// Words that hold temperatures in hundredths of a degree.
bool temperatureWord(int w) {
  return (w >= 0 && w <= 5) || w == 13 || w == 14;
}

}  // namespace

int rowWord(int r) {
  return r >= 1 && r <= kSetpointRows ? rasp[static_cast<std::size_t>(r)] - 1 : -1;
}

std::string_view rowCaption(int r) {
  return r >= 1 && r <= kSetpointRows
             ? ustav[static_cast<std::size_t>(rasp[static_cast<std::size_t>(r)])]
             : std::string_view{};
}

std::string formatHundredths(int value) {
  const long long v = value;
  const long long a = std::llabs(v);
  std::string whole = std::to_string(a / 100);
  if (whole.size() < 2) whole.insert(0, 2 - whole.size(), '0');
  const long long cents = a % 100;
  return (v < 0 ? "-" : "") + whole + "." + (cents < 10 ? "0" : "") + std::to_string(cents);
}

std::string zonText(const StationTables& t, int nk, int r) {
  if (nk < 0 || nk >= static_cast<int>(t.ZON.size()) || r < 1 || r > kSetpointRows) return {};
  const auto n = static_cast<std::size_t>(nk);
  const auto& z = t.ZON[n];
  const std::int16_t w = z[static_cast<std::size_t>(rowWord(r))];
  switch (ustav_tip[static_cast<std::size_t>(r)]) {
    case 1:
    case 2:
      return formatHundredths(w);
    case 3:
    case 4:
      return std::to_string(w);
    case 7:
    case 50:
      return (w & 1) ? kYes : kNo;
    case 8:
      return "T" + std::to_string(lo(w) + 1);
    case 9:
      return coded(lo(w), tip_dt);
    case 10:
      return coded(hi(z[21]), tip_ten);
    case 11:
      return coded(lo(w), tip_pol);
    case 12:
      return coded(hi(z[25]), tip_lotki);
    case 13:
      return ((t.C2[n] & (1u << 13)) ? "v" : "V") + std::to_string(t.versia_avt[n]);
    case 14:
      return ((t.versia_ind[n] & 0x8000) ? "v" : "V") + std::to_string(t.versia_ind[n] & 0x7FFF);
    case 15:
      return ((t.versia_xmeg[n] & 0x8000) ? "V" : "v") + std::to_string(t.versia_xmeg[n] & 0x7FFF);
    case 20:
      return (hi(z[19]) & 1) ? kYes : kNo;
    case 21: {
      const std::uint8_t b = lo(z[22]);
      return std::to_string(b & 0x7F) + ((b & 0x80) ? " мин" : " час");
    }
    case 22: {
      const std::uint8_t b = hi(z[22]);
      return std::to_string(b & 0x7F) + ((b & 0x80) ? " сек" : " мин");
    }
    case 23:
      return (z[26] & 1) ? kNo : kYes;
    case 24: {
      const int d = hi(z[26]) & 0x2F;
      return std::string(avarZDs[d <= 5 ? static_cast<std::size_t>(d) : 0]);
    }
    default:
      return {};
  }
}

std::optional<std::int16_t> parseTemperature(std::string_view text) {
  const std::string_view s = unsigned_(trimmed(text));
  double x = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(x))
    return std::nullopt;
  const double h = std::nearbyint(x * 100.0);  // to nearest, ties to even
  if (h < -32768.0 || h > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(h);
}

std::optional<std::int16_t> parseWord(std::string_view text) {
  const auto v = parseInteger(text);
  if (!v || *v < -32768 || *v > 32767) return std::nullopt;
  return static_cast<std::int16_t>(*v);
}

std::optional<std::uint8_t> parseByte(std::string_view text) {
  const auto v = parseInteger(text);
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*v);
}

bool fitsWrite(std::uint8_t k, long long value) {
  if (k == 1) return value >= -32768 && value <= 65535;
  return value >= 0 && value <= 255;
}

std::string writeCaption(std::uint8_t k, int row) {
  if (k == 1) {
    if (row >= 0 && row < kSetpointRows)
      return std::string(ustav[static_cast<std::size_t>(row + 1)]);
    return "Слово " + std::to_string(row);
  }
  if (k == 10) {
    if (const Item* it = item(row)) return std::string(it->caption);
    return "Параметр " + std::to_string(row);
  }
  if (k == 211) {
    if (row == 13) return "Заслонки(градусы)";
    if (row == 12) return "Заслонки, время проверки";
    return "Заслонки, параметр " + std::to_string(row);
  }
  return "Команда " + std::to_string(k) + ", параметр " + std::to_string(row);
}

std::optional<int> reportedValue(const StationTables& t, int nk, std::uint8_t k, int row) {
  if (nk < 0 || nk >= static_cast<int>(t.ZON.size())) return std::nullopt;
  const auto n = static_cast<std::size_t>(nk);
  if (k == 1 && row >= 0 && row < kSetpointRows) return t.ZON[n][static_cast<std::size_t>(row)];
  if (k == 10) {
    const Item* it = item(row);
    if (!it) return std::nullopt;
    const std::int16_t w = t.ZON[n][static_cast<std::size_t>(it->word)];
    return (it->high ? hi(w) : lo(w)) & it->mask;
  }
  if (k == 211 && row == 13) return t.ZASL[n][13];
  if (k == 211 && row == 12) return t.ZASL[n][14];
  return std::nullopt;
}

std::string formatWriteValue(std::uint8_t k, int row, int value) {
  if (k == 1 && temperatureWord(row)) return formatHundredths(static_cast<std::int16_t>(value));
  if (k == 1) return std::to_string(static_cast<std::int16_t>(value));
  return std::to_string(value);
}

}  // namespace vs
