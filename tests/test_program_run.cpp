// Automatic incubation over the simulated hall: the scheduler runs from start-up without any
// window, finds each incubator's row for its day, queues what differs, and the program write
// engine writes it one request at a time with its check, while polling waits.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/AtomicFile.h"
#include "programs/ProgramScheduler.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

using testing::BusHall;
using testing::kAddresses;
using testing::occurrences;

// Days 1, 10, 18: 37.80 °C / 55 %, 37.50 °C / 52 %, 37.20 °C / 70 % with the trays stopped.
TFile_INKconfig threeRows() {
  TFile_INKconfig p{};
  p.kol = 3;
  const int day[3] = {1, 10, 18}, temp[3] = {3780, 3750, 3720}, hum[3] = {55, 52, 70},
            trays[3] = {60, 60, 0};
  for (std::size_t i = 0; i < 3; ++i) {
    p.nDen[i] = day[i];
    p.Temp[i] = temp[i];
    p.Vlaz[i] = hum[i];
    p.Zaslonki[i] = -1;
    p.Lotki[i] = trays[i];
  }
  p.TimeDen[3] = 1.25;  // reserved bytes stay as they are
  return p;
}

class ProgramHall : public BusHall {
 protected:
  // Every incubator on the program, started `daysAgo` days before the hall's start.
  void startOnProgram(double daysAgo) {
    const TFile_INKconfig p = threeRows();
    std::filesystem::create_directories(dir.home / "rezim");
    ASSERT_TRUE(writeFileAtomic(dir.home / "rezim" / "p.ink", &p, sizeof p));
    configure = [daysAgo](TFile_config& c) {
      for (std::size_t r = 0; r < kAddresses.size(); ++r) {
        c.konfig_INK[r] = 1;
        c.konfig_finkub[r].setUtf8("p.ink");
        c.N_DateTime[r] = kStart - daysAgo;
      }
    };
    for (std::uint8_t a : kAddresses) {
      ctl(a).setZon(1, 3700);
      ctl(a).setZon(9, 50);
    }
    start();
  }
};

TEST_F(ProgramHall, AfterARestartTheProgramsRunWithoutAnyWindowAndEveryRequestIsConfirmed) {
  startOnProgram(9.5);  // day 10: row 1
  runMs(60'000);
  for (std::uint8_t a : kAddresses) {
    EXPECT_EQ(ctl(a).zon(1), 3750) << int{a};
    EXPECT_EQ(ctl(a).zon(9), 52) << int{a};
  }
  const std::string j = dir.journal();
  EXPECT_EQ(occurrences(j, ". Заявок всего=6"), 1u) << j;
  EXPECT_NE(j.find("1. блок № 5 Изменить:Рабочая Темп.->3700 на 3750."), std::string::npos) << j;
  EXPECT_EQ(occurrences(j, "   Получен второй ответ."), 6u) << j;
  EXPECT_EQ(j.find("не получен"), std::string::npos) << j;
  auto& q = bus->programs.zajvka;
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(q.isp[static_cast<std::size_t>(i)]) << i;
  // Polling is back, and the next pass finds nothing left to do.
  EXPECT_FALSE(st().time_zadanie);
  const long long answers = st().answerCount;
  runMs(65'000);
  EXPECT_GT(st().answerCount, answers + 20);
  EXPECT_EQ(occurrences(dir.journal(), "Заявок всего="), 1u);
  // The day changed from what was stored: the configuration on disk knows day 10.
  auto saved = std::make_unique<TFile_config>();
  ASSERT_EQ(readFilePrefix(dir.home / "config.cfg", saved.get(), sizeof *saved),
            static_cast<long long>(sizeof *saved));
  EXPECT_EQ(saved->konfig_DenTEK[0], 10);
}

TEST_F(ProgramHall, HatchingDayStopsTheTraysAndADayPastTheProgramAsksNothing) {
  startOnProgram(17.5);  // day 18: row 2, trays stopped, program drives the trays
  auto& s = bus->programs;
  // The program with "Лотки упр." ticked, loaded again at the next reload.
  TFile_INKconfig p = threeRows();
  p.prLotki = 1;
  ASSERT_TRUE(writeFileAtomic(dir.home / "rezim" / "p.ink", &p, sizeof p));
  s.read_INk_all();
  runMs(60'000);
  for (std::uint8_t a : kAddresses) {
    EXPECT_EQ(ctl(a).zon(19) & 1, 1) << "trays stopped on " << int{a};
    EXPECT_EQ(ctl(a).zon(1), 3720);
  }
  // Day 19 and later: no row, no request.
  s.shown = 0;
  EXPECT_EQ(s.KomInkub(0, 19), -1);
  EXPECT_EQ(s.rezult, "не нашли...");
  EXPECT_EQ(s.KomInkub(0, 9), 0);
  EXPECT_EQ(s.KomInkub(0, 10), 1);
}

TEST_F(ProgramHall, APassBeyondTheQueueKeepsTheFirst501AndTellsTheRest) {
  startOnProgram(9.5);
  auto& s = bus->programs;
  std::vector<std::string> lines;
  bus->programWriter.report = [&lines](const std::string& l) { lines.push_back(l); };
  // 251 incubators on the program, each wanting two writes: 502 requests.
  TFile_config& c = ws->store.config;
  c.kol_inkub = 251;
  for (std::size_t r = 0; r < 251; ++r) {
    c.konfig_o[r] = 1;
    c.konfig_INK[r] = 1;
    c.N_DateTime[r] = kStart - 9.5;
    ws->store.configINK[r] = threeRows();
    st().zvukON1[r] = true;  // each has answered
  }
  st().controls.RS = true;
  s.st_min = 0;
  s.tick1s();
  EXPECT_EQ(s.por, 502);
  EXPECT_EQ(s.zajvka.kol, 501);
  EXPECT_EQ(s.overflowed, 1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[1].find("1 оставлены до следующего прохода"), std::string::npos) << lines[1];
}

TEST(IncubationDay, CountsWholeDaysFromTheStartAndBeforeIt) {
  const TDateTime start = encodeDateTime({2026, 3, 10, 8, 0, 0, 0});
  EXPECT_EQ(incubationDay(start, start), 1);
  EXPECT_EQ(incubationDay(encodeDateTime({2026, 3, 11, 7, 59, 0, 0}), start), 1);
  EXPECT_EQ(incubationDay(encodeDateTime({2026, 3, 11, 8, 0, 0, 0}), start), 2);
  const TDateTime later = encodeDateTime({2026, 3, 12, 8, 0, 0, 0});
  const TDateTime now = encodeDateTime({2026, 3, 10, 9, 0, 0, 0});
  const int day = incubationDay(now, later);
  EXPECT_EQ(day, -1);
  int starts = 0;
  EXPECT_EQ(formatDateTime(nextDayChange(now, later, day, starts)), "12.03.2026 08:00:00");
  EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace vs
