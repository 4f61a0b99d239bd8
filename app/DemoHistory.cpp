#include "app/DemoHistory.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "common/AtomicFile.h"
#include "config/TFile_config.h"
#include "history/LogWriter.h"
#include "sim/SimBus.h"
#include "sim/SimHall.h"
#include "station/StatusDecoder.h"

namespace vs {

namespace fs = std::filesystem;

bool recordDemoHistory(const fs::path& dir, TDateTime now, std::string& error) {
  auto config = std::make_unique<TFile_config>();
  if (readFilePrefix(dir / "config.cfg", config.get(), sizeof(TFile_config)) !=
      static_cast<long long>(sizeof(TFile_config))) {
    error = "нет конфигурации демонстрационного зала";
    return false;
  }
  auto tables = std::make_unique<StationTables>();
  LogWriter logs(dir, *config, *tables);
  logs.failures.report = [&error](const std::string& t) {
    if (error.empty()) error = t;
  };
  std::vector<int> rows;
  for (int nk = 0; nk < usableRows(*config); ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (!config->konfig_Write[n]) continue;
    std::error_code ec;
    if (fs::exists(logs.filPath(nk), ec)) return true;  // the demo has its history already
    rows.push_back(nk);
  }
  if (rows.empty()) return true;

  SimBus hall;
  demoHall(hall);
  constexpr std::int64_t kDayMs = 86'400'000;
  constexpr std::int64_t kStepMs = 30'000;  // one answer every 30 s
  const std::int64_t spanMs = 2 * kDayMs;
  const TDateTime from = now - 2.0;
  // The station was switched off for two hours the night before.
  const std::int64_t offFrom = spanMs - 20 * 3'600'000LL, offTo = offFrom + 2 * 3'600'000LL;
  for (std::int64_t ms = 0; ms < spanMs; ms += kStepMs) {
    if (ms >= offFrom && ms < offTo) continue;
    const double hours = static_cast<double>(ms) / 3'600'000.0;
    const double wave = std::sin(2 * std::numbers::pi * hours / 6.0);
    for (int nk : rows) {
      const auto n = static_cast<std::size_t>(nk);
      SimController* c = hall.controller(static_cast<std::uint8_t>(config->konfig_n[n] & 0xFF));
      if (!c) continue;
      // The program lowers the working temperature at the day change.
      const int setT = ms < kDayMs ? 3780 : 3760;
      c->setZon(1, static_cast<std::int16_t>(setT));
      const int t1 = setT + static_cast<int>(std::lround(18 * wave)) + nk * 3;
      c->setT1(t1);
      c->setT2(t1 - 8);
      c->setT3(t1 - 25);
      c->setHumidity(54 + static_cast<int>(std::lround(4 * std::cos(hours))));
      // Cooling while warm above the setpoint; trays turning two minutes in every half hour.
      std::uint16_t c1 = c->word(StatusAt::C1) & ~0x0100;
      if (t1 > setT + 10) c1 |= 0x0100;
      c->setC1(c1);
      std::uint16_t c2 = c->word(StatusAt::C2) & ~0x8000;
      if (ms % 1'800'000 < 120'000) c2 |= 0x8000;
      c->setC2(c2);
      if (c->hasDamper() && ms % 10'800'000 == 0) c->setDamperAngle(ms % 21'600'000 ? 60 : 20, ms);
      const SimController::Status s = c->status(ms);
      decodeStatusFields(*tables, nk, s.data(), static_cast<int>(s.size()));
      computeBounds(*tables, nk);
      calibrate(*tables, nk);
      updateDamperAngle(*tables, nk);
      logs.capture(nk, from + static_cast<double>(ms) / kDayMs);
    }
  }
  logs.flushAll();
  return error.empty();
}

}  // namespace vs
