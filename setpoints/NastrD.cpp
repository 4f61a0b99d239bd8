#include "setpoints/NastrD.h"

#include <charconv>
#include <cstdio>

#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"

namespace vs {

const std::array<NastrPageInfo, kNastrPages> kNastrPageInfo{{
    {"Тип датчиков", 44, "КОНФИГУРАЦИЯ! Запись Тип Датчиков=", true},
    {"Таймер лотков", 45, "КОНФИГУРАЦИЯ! Запись Таймер лотков=", false},
    {"Полярность концевиков", 52, "КОНФИГУРАЦИЯ! Запись Полярность Концевиков=", false},
    {"Способ откл. лотков", 53, "КОНФИГУРАЦИЯ! Запись Способ Отключения лотков=", false},
    {"Авария на охлаждение", 54, "КОНФИГУРАЦИЯ! Запись Авария на Охлаждение=", false},
    {"Задержка аварий", 55, "КОНФИГУРАЦИЯ! Запись Задержка Аварий=", true},
    {"Мотор", 56, "КОНФИГУРАЦИЯ! Запись Мотор=", true},
    {"Вентиляция", 60, "КОНФИГУРАЦИЯ! Запись Вентиляция=", false},
    {"Тип блока", 57, "КОНФИГУРАЦИЯ! Запись Тип Блока=", true},
}};

const std::array<const char*, 5> kHumSensors{"HIH6131-i2s", "HIH6131-spi", "HIH40xx+DS18B20",
                                             "HIH50xx+DS18B20", "Si7021-i2s"};
const std::array<const char*, 3> kCo2Sensors{"нет", "СО2 = MHZ19B", "СО2 = CDM7160"};
const std::array<const char*, 2> kTrayTimer{"Нет аварии по герконам", "Есть авария по герконам"};
const std::array<const char*, 2> kSwitchPolarity{"На замыкание по краям", "На размыкание по краям"};
const std::array<const char*, 3> kTrayStop{"По любому концевику", "По одному концевику",
                                           "Внешнее управление лотками"};
const std::array<const char*, 2> kCoolingAlarm{"Есть аварии", "Нет аварий"};
const std::array<const char*, 6> kAlarmDelays{"Нет задержек", "30 сек", "1 минута",
                                              "1 мин 30 сек", "2 мин",  "3 мин"};
const std::array<const char*, 13> kMotorAlarms{
    "Нет аварии",    "30 об. в мин",  "60 об. в мин",  "90 об. в мин",  "120 об. в мин",
    "180 об. в мин", "240 об. в мин", "300 об. в мин", "360 об. в мин", "450 об. в мин",
    "600 об. в мин", "750 об. в мин", "900 об. в мин"};
const std::array<const char*, 4> kVentKinds{"Нет вентиляции", "Есть программная", "Есть аппаратная",
                                            "Аппаратная на охлаждениии"};
const std::array<const char*, 11> kControllerModels{
    "0: базовый, сеть 220 В",         "1: базовый, питание 12 В",
    "2: с платой лотков, сеть 220 В", "3: с платой лотков, питание 12 В",
    "4: с заслонками, сеть 220 В",    "5: с заслонками, питание 12 В",
    "6: выводной шкаф, сеть 220 В",   "7: выводной шкаф, питание 12 В",
    "8: малый инкубатор, сеть 220 В", "9: малый инкубатор, питание 12 В",
    "10: особое исполнение"};

namespace {

constexpr std::uint8_t kKindItem = 10;
constexpr std::uint8_t kServiceAddress = 0;
constexpr std::uint8_t kKindNewNumber = 100;
constexpr std::uint8_t kKindFactoryReset = 120;

// A code as a choice index: -1 when the list has no entry for it.
int choice(int code, std::size_t count) {
  return code >= 0 && static_cast<std::size_t>(code) < count ? code : -1;
}

// A choice as the byte it is written with; nullopt for a missing choice.
std::optional<int> pick(int index, std::size_t count) {
  if (index < 0 || static_cast<std::size_t>(index) >= count) return std::nullopt;
  return index;
}

std::string hex2(std::uint8_t v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", v);
  return buf;
}

}  // namespace

NastrState readNastr(const StationTables& t, int nk) {
  NastrState s;
  if (nk < 0 || nk >= kMaxRows) return s;
  const auto row = static_cast<std::size_t>(nk);
  const auto word = [&](int w) {
    return static_cast<std::uint16_t>(t.ZON[row][static_cast<std::size_t>(w)]);
  };
  const std::uint16_t w21 = word(21), w25 = word(25), w26 = word(26), w27 = word(27),
                      w31 = word(31);
  s.humSensor = choice(w21 & 0x0F, kHumSensors.size());
  s.co2Sensor = choice((w21 >> 4) & 0x0F, kCo2Sensors.size());
  s.trayTimer = choice(w21 >> 8, kTrayTimer.size());
  s.polarity = choice(w25 & 0xFF, kSwitchPolarity.size());
  s.trayStop = choice(w25 >> 8, kTrayStop.size());
  s.cooling = choice(w26 & 0xFF, kCoolingAlarm.size());
  s.delay = choice((w26 >> 8) & 0x2F, kAlarmDelays.size());
  s.motor = choice(w27 & 0x3F, kMotorAlarms.size());
  s.motorHeaterOff = (w27 & 0x80) != 0;
  s.motorHidden = (w27 & 0x40) != 0;
  s.vent = choice(w31 & 0xFF, kVentKinds.size());
  s.model = choice((w27 >> 8) & 0x3F, kControllerModels.size());
  s.humByDamper = (w27 & 0x4000) != 0;
  const std::uint8_t c4 = t.C4[row];
  s.bellShown = (c4 & 0x20) != 0;
  s.damperBoxesShown = (c4 & 0x02) != 0;
  // A hidden bell box counts as ticked; a hidden damper box as unticked.
  s.bell = s.bellShown ? (w26 & 0x8000) != 0 : true;
  s.dampers = s.damperBoxesShown && (t.C3[row] & 0x0200) != 0;
  return s;
}

std::optional<std::uint8_t> nastrValue(const NastrState& s, NPage page) {
  std::optional<int> v;
  switch (page) {
    case NPage::Sensors: {
      const auto h = pick(s.humSensor, kHumSensors.size());
      const auto c = pick(s.co2Sensor, kCo2Sensors.size());
      if (h && c) v = *h | (*c << 4);
      break;
    }
    case NPage::Trays:
      v = pick(s.trayTimer, kTrayTimer.size());
      break;
    case NPage::Polarity:
      v = pick(s.polarity, kSwitchPolarity.size());
      break;
    case NPage::StopMode:
      v = pick(s.trayStop, kTrayStop.size());
      break;
    case NPage::Cooling:
      v = pick(s.cooling, kCoolingAlarm.size());
      break;
    case NPage::Delay:
      if (const auto d = pick(s.delay, kAlarmDelays.size()))
        v = (*d & 0x3F) | (s.bell || !s.bellShown ? 0x80 : 0);
      break;
    case NPage::Motor:
      if (const auto m = pick(s.motor, kMotorAlarms.size()))
        v = (*m & 0x3F) | (s.motorHeaterOff ? 0x80 : 0) | (s.motorHidden ? 0x40 : 0);
      break;
    case NPage::Vent:
      v = pick(s.vent, kVentKinds.size());
      break;
    case NPage::Model:
      if (const auto m = pick(s.model, kControllerModels.size()))
        v = *m | (s.damperBoxesShown && s.dampers ? 0x80 : 0) | (s.humByDamper ? 0x40 : 0);
      break;
    case NPage::Count:
      break;
  }
  if (!v) return std::nullopt;
  return static_cast<std::uint8_t>(*v);
}

NastrD::NastrD(Station& station)
    : nk_Opros(station.nk_Opros),
      station_(station),
      following_(station.nk_Opros.listen([this] { followRow(); })) {}

bool NastrD::rowKnown() {
  return nk_Opros >= 0 && nk_Opros < station_.kol_inkub();
}

void NastrD::refresh() {
  if (!rowKnown()) return;
  const auto row = static_cast<std::size_t>(nk_Opros);
  numberLabel = std::to_string(station_.config().konfig_n[row]);
  if (!editing) {
    caption = std::string(kNastrCaptionFor) + station_.config().konfig_s[row].utf8();
    state = readNastr(station_, nk_Opros);
  }
}

void NastrD::activate() {
  editing = false;
  busEnabled = false;
  const int kol = station_.kol_inkub();
  if (nk_Opros >= kol) nk_Opros = kol - 1;
  if (nk_Opros < 0) nk_Opros = 0;
  refresh();
  if (changed) changed();
}

void NastrD::select(int row) {
  if (row != nk_Opros) {
    nk_Opros = row;  // followRow shows it
    return;
  }
  refresh();
  if (changed) changed();
}

void NastrD::prev() {
  const int kol = station_.kol_inkub();
  select(nk_Opros <= 0 || nk_Opros >= kol ? kol - 1 : nk_Opros - 1);
}

void NastrD::next() {
  const int kol = station_.kol_inkub();
  select(nk_Opros + 1 >= kol || nk_Opros < 0 ? 0 : nk_Opros + 1);
}

void NastrD::followRow() {
  editing = false;
  busEnabled = false;
  // A row beyond a shrunk list is kept, so that "Записать" says so; refresh leaves it alone.
  refresh();
  if (changed) changed();
}

void NastrD::setPage(NPage p) {
  page = p;
  busEnabled = false;
  OprosK(nk_Opros);
  if (changed) changed();
}

void NastrD::setEditing(bool down) {
  editing = down;
  if (changed) changed();
}

void NastrD::OprosK(int nk) {
  if (editing || nk != nk_Opros || !rowKnown()) return;
  refresh();
  if (changed) changed();
}

void NastrD::Timer2s() {
  if (!editing) OprosK(nk_Opros);
}

void NastrD::Zapisat(NPage p) {
  if (p == NPage::Count) return;
  if (!rowKnown()) {
    if (dialogs) dialogs->message(kLogNoRow);
    return;
  }
  const auto value = nastrValue(state, p);
  if (!value) {
    if (dialogs) dialogs->message(kRefused);
    return;
  }
  const NastrPageInfo& info = kNastrPageInfo[static_cast<std::size_t>(p)];
  TWriteCom& w = station_.WriteKom;
  w.Col = nk_Opros + 1;
  w.Row = info.item;
  w.b = *value;
  w.k = kKindItem;
  const bool confirmed = writeDialog && writeDialog();
  // A write that was not confirmed is reported by the write engine; the journal never shows
  // it as done.
  if (!confirmed || !journal) return;
  // Indices are written as they are, so the plain number is the index.
  journal(std::string(info.journal) + (info.hex ? hex2(*value) : std::to_string(*value)));
}

void NastrD::factoryReset() {
  if (!dialogs || dialogs->question(kFactoryQuestion, kYesNoTitle, false) != Dialogs::Answer::Yes)
    return;
  const std::uint8_t data[1] = {0};
  putKom485m(station_.kom485m, kServiceAddress, kKindFactoryReset, data, 1);
  if (journal) journal(kFactoryJournal);
}

void NastrD::writeBusNumber() {
  if (!busEnabled) return;
  std::string_view s = busNumber;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  int n = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  // A number the controllers do not take would leave the controller unreachable or be
  // dropped by it: refused before the question.
  if (s.empty() || ec != std::errc() || p != s.data() + s.size() || n < kFirstBusNumber ||
      n > kLastBusNumber) {
    if (dialogs) dialogs->message(kRefused);
    return;
  }
  if (!dialogs || dialogs->question(kBusNumberQuestion, kYesNoTitle, false) != Dialogs::Answer::Yes)
    return;
  const std::uint8_t data[1] = {static_cast<std::uint8_t>(n & 0xFF)};
  putKom485m(station_.kom485m, kServiceAddress, kKindNewNumber, data, 1);
  if (journal) journal(kBusNumberJournal + std::to_string(n));
}

}  // namespace vs
