// The firmware update as the program wires it: Alt+O opens the window, its "Загрузчик" takes
// the bus from the poll cycle and the bootloader's answers reach it through the dispatcher; the
// program scheduler holds its requests meanwhile, and "Программа" gives the bus back.
#include <QPushButton>
#include <fstream>

#include "boards/BitFile.h"
#include "boards/ui/TObnovF.h"
#include "bus/crc.h"
#include "sim/SimBootloader.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

TEST_F(HallProgram, FirmwareUpdateWindowTakesTheBusThroughTheProgramsWiring) {
  SimBootloaderOptions board;
  board.type = 300;
  putBootloader(sim, board, 5, 1);  // the controller of incubator 5
  startProgram({5, 6}, {});
  ASSERT_NE(w.obnovF, nullptr);
  runHallMs(2000);
  const auto polls6 = ctl(6).counters().polls;
  EXPECT_GT(polls6, 0u);

  w.form1->hooks.firmwareUpdate();
  ASSERT_TRUE(w.obnovF->isVisible());
  w.obnovF->loaderButton()->click();
  runHallMs(3000);
  Obnov& e = w.obnovF->engine();
  EXPECT_TRUE(e.view.loaderGreen) << e.view.state;
  EXPECT_EQ(e.tip_kod, 300);
  EXPECT_GT(st().obnovlenie, 0);
  EXPECT_TRUE(bus->programs.hooks.loaderDown && bus->programs.hooks.loaderDown());
  // No polls while the update owns the bus.
  const auto pollsDuring = ctl(6).counters().polls;
  runHallMs(2000);
  EXPECT_EQ(ctl(6).counters().polls, pollsDuring);

  // Ending the program in the middle of a write asks first: "Нет" keeps it running and the
  // write goes on; a service stop asks nothing.
  std::vector<std::uint8_t> b = packImage(std::vector<std::uint8_t>(8192, 0x5A), 3);
  b[kBitBoardAt] = 300 >> 8;
  b[kBitBoardAt + 1] = 300 & 0xFF;
  b[0] = Count_CRC(b.data() + 1, b.size() - 1);
  const auto file = dir.home / "fw.bit";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  w.obnovF->chooseFile = [file](bool) { return std::optional<std::filesystem::path>(file); };
  e.confirm = [](const std::string&, const std::string&) { return true; };
  e.notice = [](const std::string&, const std::string&) {};
  int asked = 0;
  e.askYesNo = [&asked](const std::string&, const std::string&) { return ++asked > 1; };
  w.form1->show();
  w.obnovF->writeButton()->click();
  runHallMs(500);
  ASSERT_TRUE(e.transferRunning());
  EXPECT_FALSE(w.form1->close());
  EXPECT_EQ(asked, 1);
  runHallMs(300);
  EXPECT_TRUE(e.transferRunning());
  for (int i = 0; i < 200 && e.transferRunning(); ++i) runHallMs(100);
  EXPECT_EQ(e.view.compareResult, "Завершено. Ошибок нет");

  w.obnovF->programButton()->click();
  runHallMs(6000);
  EXPECT_EQ(st().obnovlenie, 0);
  EXPECT_GT(ctl(6).counters().polls, pollsDuring);
}

}  // namespace
}  // namespace vs::testing
