#include "programs/ProgramScheduler.h"

#include <algorithm>
#include <cmath>

#include "config/ConfigStore.h"
#include "station/Station.h"

namespace vs {

namespace {

constexpr double kMsPerDay = 86'400'000.0;

// Whole milliseconds, so that 08:00 minus 08:00 of the day before is one day and not a hair
// under it.
long long toMs(TDateTime t) {
  return std::llround(continuousDays(t) * kMsPerDay);
}

// Setpoint-table rows that the program writes, and the ZON words behind them.
constexpr int kRowTemp = 2, kRowHumidity = 10, kRowDamper = 13, kRowTrayPeriod = 20,
              kRowHatching = 22;
constexpr std::size_t kWordTemp = 1, kWordHumidity = 9, kWordTrayPeriod = 17, kWordHatching = 19;

int usedRows(const TFile_INKconfig& p) {
  return std::clamp(p.kol, 0, kInkRows);
}

}  // namespace

int incubationDay(TDateTime now, TDateTime start) {
  // A start that is no date (an odd value of an old record) is no day of any program.
  if (!isDate(now) || !isDate(start)) return 0;
  const long long span = std::llabs(toMs(now) - toMs(start));
  const long long n = span / static_cast<long long>(kMsPerDay);
  const long long day = toMs(now) < toMs(start) ? -n : n + 1;
  return static_cast<int>(std::clamp<long long>(day, -1'000'000, 1'000'000));
}

TDateTime nextDayChange(TDateTime now, TDateTime start, int day, int& startsDay) {
  constexpr long long dayMs = 86'400'000;
  const long long nowMs = toMs(now), startMs = toMs(start);
  const auto timeOfDay = [](long long ms) { return ((ms % dayMs) + dayMs) % dayMs; };
  long long next = nowMs - timeOfDay(nowMs) + timeOfDay(startMs);
  if (timeOfDay(nowMs) >= timeOfDay(startMs)) next += dayMs;
  if (day < 0) next += static_cast<long long>(-day) * dayMs;
  startsDay = day < 0 ? 1 : day + 1;
  return static_cast<double>(next) / kMsPerDay;
}

ProgramScheduler::ProgramScheduler(Station& station, ConfigStore& store, ProgramWriter& writer,
                                   std::filesystem::path home)
    : station_(station), store_(store), writer_(writer), home_(std::move(home)) {}

void ProgramScheduler::read_INk_all() {
  store_.loadPrograms();
}

void ProgramScheduler::tick1s() {
  if (!zap_ink || (hooks.editing && hooks.editing())) return;
  if (st_min <= 0) {
    st_min = 60;
    kn = true;
  } else {
    kn = false;
    --st_min;
  }
  if (st_min == 59) read_INk_all();

  TFile_config& cfg = store_.config;
  const TDateTime now = station_.clock().now();
  // A station that does not own the bus (a remote one, or a second copy) writes nothing.
  const bool ownsBus = !station_.observer && station_.serverP <= 2;
  den_izm = 0;
  por = 0;
  overflowed = 0;
  const int rows = station_.kol_inkub();
  for (int k = 0; k < rows; ++k) {
    const auto n = static_cast<std::size_t>(k);
    const int day = incubationDay(now, cfg.N_DateTime[n]);
    // The stored day is one byte: a start years away shows as the nearest it can hold, and
    // does not count as a change every second.
    const auto stored = static_cast<std::int8_t>(std::clamp(day, -128, 127));
    if (stored != cfg.konfig_DenTEK[n]) {
      cfg.konfig_DenTEK[n] = stored;
      ++den_izm;
    }
    const TFile_INKconfig& prog = store_.configINK[n];
    if (k == shown) {
      if (!cfg.konfig_INK[n])
        rezult = "расписание выключено";
      else if (usedRows(prog) > 0 && day < prog.nDen[0])
        rezult = "Вне расписания!" + std::to_string(day) + " " + std::to_string(prog.nDen[0]);
    }
    // An incubator that has not answered since start has no values to compare yet: a request
    // made from empty tables would report "->0" and write blindly.
    if (!ownsBus || !station_.controls.RS || !station_.zvukON1[n] || station_.tab_otvetR[n] >= 5 ||
        !cfg.konfig_o[n] || !cfg.konfig_INK[n] || usedRows(prog) == 0 || day < prog.nDen[0] ||
        day <= 0)
      continue;
    const int row = KomInkub(k, day);
    if (row >= 0) KomInkubRUN(k, row);
  }
  if (!isp_inkub && kn) {
    zajvka.kol = std::min(por, TInk_Isp::kSize);
    ispolnenie();
  }
  if (den_izm > 0 && hooks.saveConfig) hooks.saveConfig();
}

int ProgramScheduler::KomInkub(int k, int d) {
  if (hooks.loaderDown && hooks.loaderDown()) return -1;
  if (k < 0 || k >= kMaxRows) return -1;
  const TFile_INKconfig& prog = store_.configINK[static_cast<std::size_t>(k)];
  const int rows = usedRows(prog);
  for (int i = 0; i < rows; ++i) {
    const int day = prog.nDen[static_cast<std::size_t>(i)];
    if (day == d) return i;
    if (day > d) return i - 1;
  }
  if (k == shown) rezult = "не нашли...";
  isp_inkub = false;
  return -1;
}

void ProgramScheduler::KomInkubRUN(int k, int i) {
  const auto n = static_cast<std::size_t>(k);
  const auto r = static_cast<std::size_t>(i);
  const TFile_INKconfig& prog = store_.configINK[n];
  const auto& zon = station_.ZON[n];
  int found = 0;
  const auto request = [&](int p, int pSt, int pNom, int kind) {
    ++found;
    if (kn) {
      if (por < TInk_Isp::kSize) {
        const auto e = static_cast<std::size_t>(por);
        zajvka.nom_bloka[e] = static_cast<std::uint8_t>(k);
        zajvka.p[e] = static_cast<std::int16_t>(p);
        zajvka.p_st[e] = static_cast<std::int16_t>(pSt);
        zajvka.p_nom[e] = static_cast<std::int16_t>(pNom);
        zajvka.isp[e] = false;
        zajvka.n1_10[e] = static_cast<std::int16_t>(kind);
      } else {
        ++overflowed;
      }
    }
    ++por;
  };
  if (prog.Temp[r] > 0 && prog.Temp[r] != zon[kWordTemp])
    request(prog.Temp[r], zon[kWordTemp], kRowTemp, 1);
  if (prog.Vlaz[r] > 0 && prog.Vlaz[r] != zon[kWordHumidity])
    request(prog.Vlaz[r], zon[kWordHumidity], kRowHumidity, 1);
  const int setAngle = station_.ZASL[n][13];
  if ((station_.C3[n] & 0x0200) && prog.Zaslonki[r] >= 0 && prog.Zaslonki[r] != setAngle)
    request(prog.Zaslonki[r], setAngle, kRowDamper, 10);
  if (prog.prLotki) {
    const bool stopped = (zon[kWordHatching] & 1) != 0;
    if (prog.Lotki[r] == 0 && !stopped) request(1, zon[kWordHatching], kRowHatching, 1);
    if (prog.Lotki[r] > 0 && prog.Lotki[r] != zon[kWordTrayPeriod])
      request(prog.Lotki[r], zon[kWordTrayPeriod], kRowTrayPeriod, 1);
    if (prog.Lotki[r] != 0 && stopped) request(0, zon[kWordHatching], kRowHatching, 1);
  }
  if (k == shown) rezult = found == 0 ? "Нет заявок " : "Заявок=" + std::to_string(found);
}

void ProgramScheduler::ispolnenie() {
  if (zajvka.kol <= 0) return;
  if (hooks.showReport) hooks.showReport();
  if (writer_.report)
    writer_.report(formatDateTime(station_.clock().now()) +
                   ". Заявок всего=" + std::to_string(zajvka.kol));
  if (overflowed > 0) {
    const std::string text = "Заявок больше, чем вмещает очередь (" +
                             std::to_string(TInk_Isp::kSize) + "): " + std::to_string(overflowed) +
                             " оставлены до следующего прохода";
    if (writer_.report) writer_.report(text);
    if (hooks.overflow) hooks.overflow(text);
  }
  dispatchPhase_ = 0;
  writer_.newQueue();
  zajvka.tek = 0;
  station_.time_zadanie = true;
  isp_inkub = true;
}

void ProgramScheduler::tick2s() {
  if (!zap_ink || (hooks.editing && hooks.editing()) || !station_.time_zadanie) return;
  if (writer_.busy()) return;
  if (zajvka.kol <= 0) {
    // Nothing left to hand over: polling must not stay stopped.
    isp_inkub = false;
    station_.time_zadanie = false;
    return;
  }
  if (station_.WriteKom.z || zajvka.tek >= zajvka.kol) return;
  writer_.take(zajvka, zajvka.tek);
  ++zajvka.tek;
  if (zajvka.tek >= zajvka.kol) {
    zajvka.kol = 0;
    station_.time_zadanie = false;
    isp_inkub = false;
  }
}

void ProgramScheduler::tick1sDispatch() {
  // The dispatch runs every 2 s, counted from the start of the queue.
  if (++dispatchPhase_ >= 2) {
    dispatchPhase_ = 0;
    tick2s();
  }
}

ProgramStatus ProgramScheduler::status(int k, bool preview, TDateTime start) const {
  ProgramStatus s;
  if (k < 0 || k >= kMaxRows) return s;
  const auto n = static_cast<std::size_t>(k);
  const TFile_config& cfg = store_.config;
  const TDateTime now = station_.clock().now();
  const TDateTime from = preview ? start : cfg.N_DateTime[n];
  s.day = incubationDay(now, from);
  s.tekuschee = formatDateTime(now) + " -> " + std::to_string(s.day);
  s.dayCaption = s.day < 0 ? "Первый день:" : "Смена дня:";
  int starts = 0;
  if (isDate(from)) {
    const TDateTime next = nextDayChange(now, from, s.day, starts);
    s.dayChange = formatDateTime(next) + " -> " + std::to_string(starts);
  } else {
    s.dayChange = "нет даты";
  }
  const TFile_INKconfig& prog = store_.configINK[n];
  if (!cfg.konfig_INK[n])
    s.rezult = "расписание выключено";
  else if (usedRows(prog) > 0 && s.day < prog.nDen[0])
    s.rezult = "Вне расписания!" + std::to_string(s.day) + " " + std::to_string(prog.nDen[0]);
  else
    s.rezult = k == shown ? rezult : "";
  s.vsego = "всего = " + std::to_string(por);
  s.ostalos = std::to_string(st_min) + " сек";
  return s;
}

}  // namespace vs
