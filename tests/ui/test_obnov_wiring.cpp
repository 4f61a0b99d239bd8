// The firmware update as the program wires it: Alt+O opens the window, its "Загрузчик" takes
// the bus from the poll cycle and the bootloader's answers reach it through the dispatcher; the
// program scheduler holds its requests meanwhile, and "Программа" gives the bus back.
#include <QPushButton>

#include "boards/ui/TObnovF.h"
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

  w.obnovF->programButton()->click();
  runHallMs(6000);
  EXPECT_EQ(st().obnovlenie, 0);
  EXPECT_GT(ctl(6).counters().polls, pollsDuring);
}

}  // namespace
}  // namespace vs::testing
