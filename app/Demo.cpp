#include "app/Demo.h"

#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <system_error>

#include "common/AtomicFile.h"
#include "config/SettingsFile.h"
#include "config/TFile_config.h"
#include "programs/TFile_INKconfig.h"
#include "sim/SimBus.h"
#include "station/SoundAlarms.h"

namespace vs {

namespace {

// The names scripts/make_sounds.sh gives its clips, for the slots not named yet.
bool nameSounds(IniFile& ini) {
  bool named = false;
  for (int slot = 0; slot < kAlarmSoundSlots; ++slot) {
    if (ini.has(kSoundSection, soundKey(slot))) continue;
    ini.writeString(kSoundSection, soundKey(slot), demoSoundName(slot));
    named = true;
  }
  return named;
}

}  // namespace

namespace {

// A program of the day table: days, hundredths of a degree, %, damper degrees (-1 none),
// tray period in minutes (0 stopped).
struct DemoRow {
  int day, temp, humidity, damper, trays;
};

bool writeProgram(const std::filesystem::path& path, std::initializer_list<DemoRow> rows) {
  auto p = std::make_unique<TFile_INKconfig>();
  *p = TFile_INKconfig{};
  p->prLotki = 1;
  for (const DemoRow& r : rows) {
    const auto i = static_cast<std::size_t>(p->kol++);
    p->nDen[i] = r.day;
    p->Temp[i] = r.temp;
    p->Vlaz[i] = r.humidity;
    p->Zaslonki[i] = r.damper;
    p->Lotki[i] = r.trays;
  }
  return writeFileAtomic(path, p.get(), sizeof(TFile_INKconfig));
}

}  // namespace

bool prepareDemoFolder(const std::filesystem::path& dir, TDateTime now) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir / "file", ec);  // the measurement logs
  if (ec) return false;
  fs::create_directories(dir / "rezim", ec);  // the incubation programs
  if (ec) return false;
  bool ok = true;
  if (!fs::exists(dir / "rezim" / "Куры.ink", ec))
    ok = writeProgram(dir / "rezim" / "Куры.ink", {{1, 3780, 55, 20, 60},
                                                   {10, 3760, 50, 40, 60},
                                                   {15, 3740, 50, 60, 90},
                                                   {19, 3710, 70, 30, 0}}) &&
         ok;
  if (!fs::exists(dir / "rezim" / "Утки.ink", ec))
    ok = writeProgram(dir / "rezim" / "Утки.ink",
                      {{1, 3790, 60, -1, 60}, {14, 3760, 55, -1, 60}, {25, 3730, 75, -1, 0}}) &&
         ok;
  if (!fs::exists(dir / "config.cfg", ec)) {
    auto cfg = std::make_unique<TFile_config>();
    *cfg = TFile_config{};
    cfg->kol_inkub = 12;
    for (int k = 0; k < 12; ++k) {
      const auto n = static_cast<std::size_t>(k);
      const int number = k + 1;
      cfg->konfig_n[n] = static_cast<std::uint16_t>(number);
      cfg->konfig_s[n].setUtf8((number >= 11 ? "Выводной " : "Инкубатор ") +
                               std::to_string(number));
      cfg->konfig_o[n] = 1;
      cfg->konfig_linia[n] = static_cast<std::uint8_t>(1 + k % 4);  // as wired behind a hub
      // Five incubators keep measurement logs (one of them with a damper board), so the charts
      // have something to show.
      if (number <= 4 || number == 6) {
        cfg->konfig_Write[n] = 1;
        cfg->konfig_f[n].setUtf8("ink" + std::to_string(number));
      }
      // Four on programs, at different days of their incubation; day changes at 08:00.
      const int daysIn = number == 1 ? 5 : number == 2 ? 12 : number == 3 ? 20 : 16;
      if (number <= 3 || number == 6) {
        cfg->konfig_INK[n] = 1;
        cfg->konfig_finkub[n].setUtf8(number == 3 ? "Утки.ink" : "Куры.ink");
        cfg->N_DateTime[n] = std::floor(now) - (daysIn - 1) + 8.0 / 24.0;
      }
    }
    ok = writeFileAtomic(dir / "config.cfg", cfg.get(), sizeof(TFile_config)) && ok;
  }
  if (!fs::exists(dir / "Vetrostan.INI", ec)) {
    IniFile ini;
    ini.writeString("USB", "usb-Serial_Number", kDemoAdapter);
    ini.writeInt("USB", "usb-com", 1);
    ini.writeInt("Nastr", "RUN_WIN", 0);  // "Запускать": the link comes up with the program
    ini.writeInt("Nastr", "KOL_T", 2);
    ini.writeInt("Nastr", "Help", 1);  // the hover panels show a newcomer the zones
    ini.writeInt("Nastr", "Compyter", 0);
    // Room for the tray countdown, three alarm pictures and the recording texts.
    for (int c = 1; c <= 7; ++c)
      ini.writeInt("UST", "Table_w" + std::to_string(c), c == 5 ? 140 : (c >= 6 ? 160 : 110));
    ini.writeInt("Form", "Width", 1200);
    ini.writeInt("Form", "Height", 860);
    ini.writeInt("Form", "Left", 20);
    ini.writeInt("Form", "Top", 20);
    ini.writeInt("UST", "Table_w0", 200);
    ini.writeInt("UST", "Table_h0", 58);
    // Above the zone red, within dark green, below blue; names and headers black.
    const int colours[4] = {0x000000, 0x0000FF, 0x008000, 0xFF0000};
    for (int c = 0; c < 4; ++c) {
      ini.writeInt("UST", "FON" + std::to_string(c) + "_Size", 14);
      ini.writeInt("UST", "FON" + std::to_string(c) + "_Color", colours[c]);
    }
    nameSounds(ini);
    ini.writeInt("Nastr", "ZWUK_ON", 1);
    ok = ini.save(dir / "Vetrostan.INI") && ok;
  } else {
    IniFile ini;
    if (ini.load(dir / "Vetrostan.INI")) {
      const bool hadSounds = ini.has(kSoundSection, soundKey(0));
      if (nameSounds(ini)) {
        if (!hadSounds) ini.writeInt("Nastr", "ZWUK_ON", 1);
        ok = ini.save(dir / "Vetrostan.INI") && ok;
      }
    }
  }
  return ok;
}

void DemoAlarms::attachTo(SimBus& bus) {
  bus_ = &bus;
  bus.attach(*this);
}

std::optional<SimAnswer> DemoAlarms::onFrame(const RS232_T&, std::int64_t nowMs) {
  if (!bus_ || nowMs < 0) return std::nullopt;
  const std::int64_t t = nowMs % kCycleMs;
  for (std::size_t k = 0; k < std::size(kAlarms); ++k) {
    const Alarm& a = kAlarms[k];
    const bool on = t >= a.fromMs && t < a.toMs;
    SimController* c = bus_->controller(a.incubator);
    if (on == on_[k] || !c) continue;
    on_[k] = on;
    // Only this alarm's bit changes: the others, and the operator's alarm reset, stay as they
    // are until the next edge.
    const auto mask = static_cast<std::uint16_t>(1u << a.bit);
    const std::uint16_t c2 = c->word(StatusAt::C2);
    c->setAlarmBits(static_cast<std::uint16_t>(on ? (c2 | mask) : (c2 & ~mask)));
  }
  return std::nullopt;
}

}  // namespace vs
