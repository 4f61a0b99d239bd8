// The tray-turning board on the assembled bus station in virtual time: a simulated board as a
// configured row of its own, its reports through the dispatcher to the board's engine, its
// setting requests through the pending command and back in its next report.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "boards/LotkiP.h"
#include "sim/SimHall.h"
#include "sim/SimTrayBoard.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

constexpr std::uint8_t kBoard = 30;
constexpr std::size_t kBoardRow = 3;  // after the three controllers of the hall

class TrayHall : public testing::BusHall {
 protected:
  void SetUp() override {
    BusHall::SetUp();
    configure = [](TFile_config& c) {
      c.kol_inkub = 4;
      c.konfig_n[kBoardRow] = kBoard;
      c.konfig_o[kBoardRow] = 1;
    };
    sim.attach(board);
  }
  void TearDown() override {
    sim.detach(board);
    BusHall::TearDown();
  }
  void startWithWindow() {
    start();
    lotki = std::make_unique<LotkiP>(st(), pcClock);
    lotki->listen(bus->dispatcher);
  }

  // The board's clock runs a day and some behind the station's.
  SimTrayBoard board{kBoard, kStart - 1.25};
  ManualClock pcClock{encodeDateTime({2026, 3, 5, 9, 7, 3, 0})};  // a Thursday
  std::unique_ptr<LotkiP> lotki;
};

TEST_F(TrayHall, BoardRowAnswersThePollAndItsClockIsSetInBcdWithTheWeekday) {
  start();  // the station alone: the report still counts as the board row's answer
  runMs(12'000);
  EXPECT_EQ(st().tab_otvetR[kBoardRow], 0);
  EXPECT_EQ(st().kol_byte_opros[kBoardRow], 31);
  EXPECT_TRUE(st().nameCellLinked(static_cast<int>(kBoardRow)));

  lotki = std::make_unique<LotkiP>(st(), pcClock);
  lotki->listen(bus->dispatcher);
  runMs(6'000);
  ASSERT_GT(lotki->ul, 0);
  EXPECT_TRUE(lotki->linkGreen());
  EXPECT_EQ(lotki->last.version, "Версия ПО - V3");
  const std::string before = lotki->last.time.value_or("");
  EXPECT_TRUE(before.starts_with("Время  00:00:")) << before;
  EXPECT_TRUE(before.ends_with("  08.12.2025")) << before;

  lotki->ustVremya();
  runMs(200);
  ASSERT_EQ(board.clockRequests.size(), 1u);
  const std::vector<std::uint8_t> expected{11, 0x03, 0x07, 0x09, 4, 0x05, 0x03, 0x26, 0};
  EXPECT_EQ(board.clockRequests[0], expected);
  runMs(6'000);
  const std::string time = lotki->last.time.value_or("");
  EXPECT_TRUE(time.starts_with("Время  09:07:")) << time;
  EXPECT_TRUE(time.ends_with("  05.03.2026")) << time;
  EXPECT_EQ(lotki->chasi[3], 4) << "weekday as the board keeps it";

  // With no report for 2.5 s the lamp turns yellow.
  sim.detach(board);
  for (int i = 0; i < 5; ++i) lotki->Timer500ms();
  EXPECT_FALSE(lotki->linkGreen());
  sim.attach(board);
}

TEST_F(TrayHall, SettingsComeBackInTheNextReportAndBadNumbersSendNothing) {
  startWithWindow();
  runMs(6'000);
  ASSERT_EQ(lotki->last.period, 60);

  for (const char* bad : {"65536", "-1", "abc", "", "12x"}) {
    SCOPED_TRACE(bad);
    const std::string why = lotki->zapisNumber(LotkiParam::Period, bad);
    EXPECT_NE(why.find("от 0 до 65535"), std::string::npos) << why;
    EXPECT_EQ(st().kom485m[0], 0) << "nothing pending";
  }

  lotki->editing = true;  // "Изменить" down: the operator's values are not overwritten
  EXPECT_EQ(lotki->zapisNumber(LotkiParam::Period, "65535"), "");
  runMs(6'000);
  EXPECT_EQ(board.settings.period, 65535);
  EXPECT_EQ(lotki->last.period, 60) << "still the value from before the edit";
  EXPECT_EQ(lotki->zapisNumber(LotkiParam::WorkTime, " 0 "), "");
  runMs(300);
  lotki->zapis(LotkiParam::Trolleys, 0b0101);  // first and third
  runMs(300);
  lotki->zapis(LotkiParam::WholeHours, 1);
  runMs(300);
  lotki->zapis(LotkiParam::ThirdSwitch, 2);
  runMs(300);

  lotki->editing = false;
  runMs(6'000);
  EXPECT_EQ(lotki->last.period, 65535);
  EXPECT_EQ(lotki->last.workTime, 0);
  EXPECT_EQ(lotki->last.trolleys, 5);
  EXPECT_EQ(lotki->last.wholeHours, true);
  EXPECT_EQ(lotki->last.thirdSwitch, 2);
  EXPECT_EQ(lotki->last.flags, "0 0 0 0 1 0 1 0 0 0 0 0 0 0 0 0") << "trolley bits in the sim";
}

TEST_F(TrayHall, ShortReportShowsOnlyItsOwnFieldsNotThoseOfEarlierFrames) {
  startWithWindow();
  runMs(6'000);
  ASSERT_TRUE(lotki->last.flags.has_value());
  const int before = lotki->ul;

  board.shortLength = 12;  // type, version, the clock up to the year, byte 11
  runMs(6'000);
  ASSERT_GT(lotki->ul, before);
  EXPECT_EQ(lotki->last.length, 12);
  EXPECT_TRUE(lotki->last.version.has_value());
  EXPECT_TRUE(lotki->last.time.has_value());
  EXPECT_FALSE(lotki->last.countdown.has_value());
  EXPECT_FALSE(lotki->last.seconds.has_value());
  EXPECT_FALSE(lotki->last.period.has_value());
  EXPECT_FALSE(lotki->last.flags.has_value()) << "bytes 29..30 are those of the earlier report";

  board.shortLength = 8;  // the clock is cut: no time label from stale bytes either
  runMs(6'000);
  EXPECT_FALSE(lotki->last.time.has_value());
  EXPECT_TRUE(lotki->last.version.has_value());
}

// A hall file's tray board answers its poll on the line with its report; one at an incubator's
// number would collide with it and is refused.
TEST(TrayHallFile, BoardOfTheHallFileAnswersItsPoll) {
  std::vector<std::string> errors;
  const HallConfig hall = parseHallConfig("addresses = 1-2\ntray_boards = 2, 30\n", errors);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "tray board 2 is also an incubator");
  ASSERT_EQ(hall.trayBoards, std::vector<std::uint8_t>{30});

  SimBus line;
  buildHall(line, hall);
  ASSERT_TRUE(line.open(SimBus::kSerial));
  std::array<std::uint8_t, kMaxWireFrame> wire{};
  const std::uint8_t poll = 0;
  line.write(wire.data(), encodeFrame(30, kStationAddress, 0, &poll, 1, wire.data()));
  line.advance(50);
  FrameCodec rx;
  std::vector<std::uint8_t> answer;
  rx.onGoodFrame = [&answer](const RS232_T& f) {
    answer.assign(f.Dann.begin(), f.Dann.begin() + f.Kol_d);
    EXPECT_EQ(f.Otpr, 30);
  };
  std::array<std::uint8_t, 256> in{};
  for (long long n = line.read(in.data(), in.size()), k = 0; k < n; ++k)
    rx.Obrabotka_N(in[static_cast<std::size_t>(k)]);
  ASSERT_EQ(answer.size(), SimTrayBoard::kReportSize);
  const LotkiReport r = decodeLotkiReport(answer.data(), static_cast<int>(answer.size()));
  EXPECT_TRUE(r.time.value_or("").ends_with("  01.01.2026")) << r.time.value_or("");
}

}  // namespace
}  // namespace vs
