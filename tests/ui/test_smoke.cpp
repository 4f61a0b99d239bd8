#include <gtest/gtest.h>

#include <QWidget>

TEST(WindowSmoke, OffscreenWidgetShows) {
  QWidget w;
  w.show();
  EXPECT_TRUE(w.isVisible());
}
