#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPlainTextEdit>
#include <QPushButton>

#include "bus/ui/TForm14.h"

namespace vs {
namespace {

TEST(TForm14Window, ButtonQueuesTheChosenScheduleAndAnswersAreListed) {
  Kom485m kom{};
  TForm14 w(kom);
  EXPECT_EQ(w.windowTitle(), "Отладка расписания");
  ASSERT_EQ(w.RG()->buttons().size(), 10);
  EXPECT_EQ(w.RG()->checkedButton()->text(), "4");  // the default item

  w.RG()->button(6)->setChecked(true);  // item "7"
  w.button()->click();
  EXPECT_EQ(kom[0], 1);  // pending
  EXPECT_EQ(kom[1], 1);
  EXPECT_EQ(kom[2], 101);
  EXPECT_EQ(kom[3], 6);
  EXPECT_EQ((std::vector<int>(kom.begin() + 4, kom.begin() + 10)),
            (std::vector<int>{5, 50, 7, 0, 0, 0}));

  RS232_T f{};
  f.Kol_d = 10;
  const std::uint8_t data[] = {51, 0xFE, 1, 2, 3, 4, 5, 6, 7, 255};
  std::copy(std::begin(data), std::end(data), f.Dann.begin());
  w.AvtoInkub(f);
  w.AvtoInkub(f);
  EXPECT_EQ(w.RI()->toPlainText(), "=-2 1 2 3 4 5 6 7 255\n=-2 1 2 3 4 5 6 7 255");
}

}  // namespace
}  // namespace vs
