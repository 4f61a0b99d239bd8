#include "setpoints/ParamEditor.h"

#include <charconv>
#include <cmath>

#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"

namespace vs {

const std::array<const char*, kParamPages> kParamPageNames{
    " Температура ", " Охлаждение ", " Влажность ", " Вентиляция ", " Лотки "};

const std::array<ParamFieldInfo, kParamFields> kParamFieldInfo{{
    {0, "Верх:", PKind::Temperature, 0, 0, nullptr, ""},
    {0, "Задано:", PKind::Temperature, 1, 0, "Рабочая ТЕМП=", ""},
    {0, "Низ:", PKind::Temperature, 2, 0, nullptr, ""},
    {0, "Мощность ТЭН:", PKind::Number, 12, 0, "ТЭН=", "%"},
    {0, "Номер рабочего датчика", PKind::Sensor, 6, 0, "Рабочий датчик Т=", ""},
    {1, "Темп. включения:", PKind::Temperature, 13, 0, "охлаждение ВКЛ=", ""},
    {1, "Темп. выключения:", PKind::Temperature, 14, 0, "охлаждение ВыКЛ=", ""},
    {1, "Работа(сек):", PKind::Number, 15, 0, "охлаждение Работа=", ""},
    {1, "Пауза(сек):", PKind::Number, 16, 0, "охлаждение Пауза=", ""},
    {2, "Верхняя зона:", PKind::Number, 7, 0, nullptr, ""},
    {2, "Нижняя зона:", PKind::Number, 8, 0, nullptr, ""},
    {2, "Упр. Врх:", PKind::Number, 9, 0, "влажность ВЕРХ=", ""},
    {2, "Упр. Низ:", PKind::Number, 10, 0, "влажность НИЗ=", ""},
    {2, "Пауза(сек):", PKind::Number, 23, 0, "влажность ПАУЗА=", ""},
    {2, "Работа(сек):", PKind::Number, 24, 0, "влажность РАБОТА=", ""},
    {2, "Время работы(мин):", PKind::Number, 11, 0, nullptr, ""},
    {3, "Период:", PKind::VentNumber, 22, 46, nullptr, ""},
    {3, "Работа:", PKind::VentNumber, 22, 47, nullptr, ""},
    {3, "Включена?", PKind::Choice, 19, 41, nullptr, ""},
    {4, "Период(мин):", PKind::Number, 17, 0, "лотки Период=", "мин"},
    {4, "Работа(сек):", PKind::Number, 18, 0, "лотки Работа=", "сек"},
    {4, "Включены?", PKind::Choice, 19, 40, nullptr, ""},
}};

const std::array<const char*, 3> kSensorChoices{"T1", "T2", "T3"};
const std::array<const char*, 2> kVentPeriodUnits{"час", "мин"};
const std::array<const char*, 2> kVentRunUnits{"мин", "сек"};
const std::array<const char*, 2> kVentOnChoices{"Нет", "Да"};
const std::array<const char*, 2> kTraysOnChoices{"Нет(ВЫВОД)", "Да"};

namespace {

constexpr std::uint8_t kKindWord = 1;
constexpr std::uint8_t kKindItem = 10;
constexpr int kHoldTicks = 10;  // ticks counted before the first auto step

// The temperature field of step number 1..5.
PField stepField(int n) {
  switch (n) {
    case 1:
      return PField::CoolOn;
    case 2:
      return PField::CoolOff;
    case 3:
      return PField::Upper;
    case 4:
      return PField::Working;
    default:
      return PField::Lower;
  }
}
int stepNumber(PField f) {
  switch (f) {
    case PField::CoolOn:
      return 1;
    case PField::CoolOff:
      return 2;
    case PField::Upper:
      return 3;
    case PField::Working:
      return 4;
    case PField::Lower:
      return 5;
    default:
      return 0;
  }
}

std::optional<long long> parseInteger(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  long long v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<double> parseDecimal(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+' && s.size() > 1 && s[1] != '-') s.remove_prefix(1);
  double v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (s.empty() || ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

}  // namespace

std::string formatParamTemperature(double v) {
  // Fifteen significant digits hide the binary tails of repeated tenths: 37.7 + 0.1 is 37.8.
  char buf[64];
  const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  std::string s(buf, p);
  if (s == "-0") s = "0";
  return s;
}

double stepTemperature(double v, double kI, bool up) {
  if (up) {
    v += kI;
    if (v > 100) v = 0;
  } else {
    v -= kI;
    if (v < 0) v = 99;
  }
  return v;
}

std::optional<std::uint8_t> packVentByte(int number, int unit) {
  if (number < 0 || number > 99 || unit < 0 || unit > 1) return std::nullopt;
  return static_cast<std::uint8_t>(number | (unit ? 0x80 : 0));
}

void fillWorkingSensor(TWriteCom& w, int T1T2T3col, int T1T2T3row, int index) {
  w.Col = T1T2T3col;
  w.Row = rowWord(T1T2T3row);
  w.b = static_cast<std::uint16_t>(index);
  w.k = kKindWord;
}

void fillAlarmDelay(TWriteCom& w, int T1T2T3col, int index) {
  w.Col = T1T2T3col;
  w.Row = 55;
  w.b = static_cast<std::uint16_t>(index);
  w.k = kKindItem;
}

ParamEditor::ParamEditor(Station& station)
    : nk_Opros(station.nk_Opros),
      station_(station),
      following_(station.nk_Opros.listen([this] { followRow(); })) {}

void ParamEditor::showHeader() {
  const int kol = station_.kol_inkub();
  if (nk_Opros < 0 || nk_Opros >= kol) nk_Opros = 0;
  const auto row = static_cast<std::size_t>(nk_Opros);
  caption = std::string(kParamCaption) + " -> " + station_.config().konfig_s[row].utf8();
  numberLabel = std::to_string(station_.config().konfig_n[row]);
}

void ParamEditor::activate() {
  showHeader();
  ReadBL(nk_Opros);
  if (changed) changed();
}

void ParamEditor::select(int row) {
  if (row == nk_Opros)
    activate();
  else
    nk_Opros = row;  // followRow shows it
}

void ParamEditor::prev() {
  const int kol = station_.kol_inkub();
  select(nk_Opros <= 0 || nk_Opros >= kol ? kol - 1 : nk_Opros - 1);
}

void ParamEditor::next() {
  const int kol = station_.kol_inkub();
  select(nk_Opros + 1 >= kol || nk_Opros < 0 ? 0 : nk_Opros + 1);
}

void ParamEditor::followRow() {
  editing = false;
  kB = false;
  // A row beyond a shrunk list is kept as it is, so that "Запись" says so rather than write
  // to the first incubator.
  if (nk_Opros >= 0 && nk_Opros < station_.kol_inkub())
    activate();
  else if (changed)
    changed();
}

void ParamEditor::ReadBL(int nk) {
  if (editing || nk != nk_Opros || nk < 0 || nk >= kMaxRows) return;
  showHeader();
  const auto& z = station_.ZON[static_cast<std::size_t>(nk)];
  for (int i = 0; i < kParamFields; ++i) {
    const ParamFieldInfo& info = kParamFieldInfo[static_cast<std::size_t>(i)];
    Value& v = fields[static_cast<std::size_t>(i)];
    const std::int16_t w = z[static_cast<std::size_t>(info.word)];
    const auto u = static_cast<std::uint16_t>(w);
    switch (info.kind) {
      case PKind::Temperature:
        v.text = formatParamTemperature(w / 100.0);
        break;
      case PKind::Number:
        v.text = std::to_string(w);
        break;
      case PKind::Sensor:
        v.index = (u & 0xFF) <= 2 ? (u & 0xFF) : -1;
        break;
      case PKind::VentNumber: {
        const int byte = info.item == 46 ? (u & 0xFF) : (u >> 8);
        v.text = std::to_string(byte & 0x7F);
        v.index = (byte & 0x80) ? 1 : 0;
        break;
      }
      case PKind::Choice:
        if (info.item == 41)
          v.index = (u >> 8) & 1;
        else
          v.index = (u & 1) ? 0 : 1;  // hatching: trays off
        break;
    }
  }
  if (changed) changed();
}

void ParamEditor::refused() {
  if (dialogs) dialogs->message(kRefused);
}

std::optional<double> ParamEditor::fieldNumber(PField f) {
  const auto v = parseDecimal(field(f).text);
  if (!v) refused();
  return v;
}

void ParamEditor::press(PField f, bool up, bool big) {
  const int n = stepNumber(f);
  if (n == 0) return;
  const auto v = fieldNumber(f);
  if (!v) return;
  kB = true;
  kV = 0;
  kI = big ? 1.0 : 0.1;
  kN = up ? n : -n;
  pZ = *v;
}

void ParamEditor::release() {
  kB = false;
}

void ParamEditor::click(PField f, bool up, bool big) {
  if (stepNumber(f) == 0) return;
  const auto v = fieldNumber(f);
  if (!v) return;
  field(f).text = formatParamTemperature(stepTemperature(*v, big ? 1.0 : 0.1, up));
  if (changed) changed();
}

void ParamEditor::Timer100() {
  if (!kB || kN == 0) return;
  if (kV <= kHoldTicks) {
    ++kV;
    return;
  }
  pZ = stepTemperature(pZ, kI, kN > 0);
  field(stepField(kN > 0 ? kN : -kN)).text = formatParamTemperature(pZ);
  if (changed) changed();
}

void ParamEditor::Zapis(PField f) {
  const ParamFieldInfo& info = kParamFieldInfo[static_cast<std::size_t>(f)];
  const Value& v = field(f);
  const int kol = station_.kol_inkub();
  if (nk_Opros < 0 || nk_Opros >= kol) {
    // The configuration has shrunk under the editor: say so rather than write elsewhere.
    if (dialogs) dialogs->message(kLogNoRow);
    return;
  }
  std::uint16_t b = 0;
  std::string said;  // the value as the journal line gives it
  switch (info.kind) {
    case PKind::Temperature: {
      const auto t = parseTemperature(v.text);
      if (!t) return refused();
      b = static_cast<std::uint16_t>(*t);
      said = v.text;
      break;
    }
    case PKind::Number: {
      const auto n = parseInteger(v.text);
      if (!n || !fitsWrite(kKindWord, *n)) return refused();
      b = static_cast<std::uint16_t>(*n);
      said = std::to_string(b);
      break;
    }
    case PKind::Sensor:
      if (v.index < 0 || v.index > 2) return refused();
      b = static_cast<std::uint16_t>(v.index);
      said = std::to_string(v.index + 1);
      break;
    case PKind::VentNumber: {
      const auto n = parseInteger(v.text);
      const auto packed =
          n && *n >= 0 && *n <= 99 ? packVentByte(static_cast<int>(*n), v.index) : std::nullopt;
      if (!packed) return refused();
      b = *packed;
      break;
    }
    case PKind::Choice:
      if (v.index < 0 || v.index > 1) return refused();
      if (info.item == 41) {
        b = static_cast<std::uint16_t>(v.index);
      } else {
        b = v.index == 1 ? 0 : 1;
      }
      break;
  }
  TWriteCom& w = station_.WriteKom;
  w.Col = nk_Opros + 1;
  w.Row = info.item ? info.item : info.word;
  w.b = b;
  w.k = info.item ? kKindItem : kKindWord;
  std::string line;
  if (info.journal) line = info.journal + said + info.suffix;
  if (f == PField::TraysOn) line = v.index == 1 ? "лотки ВКЛЮЧЕНЫ" : "лотки Выключены";
  const bool confirmed = writeDialog && writeDialog();
  // The editor's own line says what the operator set; a write that was not confirmed is
  // reported by the write engine instead, so the journal never shows it as done.
  if (confirmed && !line.empty() && journal) journal(line);
}

}  // namespace vs
