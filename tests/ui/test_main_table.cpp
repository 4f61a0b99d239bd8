// The main table as the operator sees it: simulated controllers answer through the whole bus
// station into the windows, and the drawn table is read back as pixels, so that a zone colour,
// a lost link or an alarm picture that is computed right but drawn wrong is caught.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QTableWidget>
#include <memory>
#include <string>
#include <vector>

#include "station/MainTableLayout.h"
#include "station/ui/IncubatorTable.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

// Text colours of the font classes: red above the zone, green within, blue below.
constexpr const char* kFonts[] = {
    "[UST]",        "FON0_Size=10",   "FON1_Size=10",     "FON2_Size=10",
    "FON3_Size=10", "FON1_Color=255", "FON2_Color=32768", "FON3_Color=16711680",
    "FON0_Color=0", "Table_w1=170",   "Table_h0=60",
};

struct HallWindow : testing::HallProgram {
  void start(const std::vector<std::uint8_t>& addresses, const std::vector<std::string>& extra) {
    std::vector<std::string> ini(std::begin(kFonts), std::end(kFonts));
    ini.insert(ini.end(), extra.begin(), extra.end());
    startProgram(addresses, ini);
    w.form1->resize(1500, 700);
  }
  void runMs(std::int64_t ms) { runHallMs(ms); }

  IncubatorTable& table() { return *w.form1->table(); }

  // The table as drawn, and the rectangle of cell (c, r) in it (row 0 and column 0 are the
  // header and the names).
  QImage shot() { return table().grid()->grab().toImage(); }
  QRect cellRect(int c, int r) {
    QTableWidget* g = table().grid();
    const int x = c == 0 ? 0 : g->verticalHeader()->width() + g->columnViewportPosition(c - 1);
    const int y = r == 0 ? 0 : g->horizontalHeader()->height() + g->rowViewportPosition(r - 1);
    const int wdt = c == 0 ? g->verticalHeader()->width() : g->columnWidth(c - 1);
    const int hgt = r == 0 ? g->horizontalHeader()->height() : g->rowHeight(r - 1);
    return {x + g->frameWidth(), y + g->frameWidth(), wdt, hgt};
  }
  // Pixels of the cell's text area whose strongest channel is clearly this one.
  static int inked(const QImage& img, const QRect& cell, int channel) {
    int n = 0;
    for (int y = cell.top() + 4; y < cell.bottom() - 2; ++y)
      for (int x = cell.left() + 4; x < cell.right() - 2; ++x) {
        const QColor c = img.pixelColor(x, y);
        const int v[3] = {c.red(), c.green(), c.blue()};
        const int o1 = v[(channel + 1) % 3], o2 = v[(channel + 2) % 3];
        if (v[channel] > 90 && o1 * 2 < v[channel] && o2 * 2 < v[channel]) ++n;
      }
    return n;
  }
};

// Rows: 5 above its zone, 85 exactly at its upper bound, 170 below, 200 with a hatcher's trays
// and short answers only, 201 silent. Colours, link colours and pictures are read off the image.
TEST_F(HallWindow, ZoneColoursLinkColoursAndAlarmPicturesAsDrawn) {
  start({5, 85, 170, 200, 201}, {});
  ctl(200).options().shortLength = 5;
  ctl(201).options().neverAnswers = true;
  runMs(3000);
  // Put each temperature where it belongs against the bounds the controller reported.
  const auto place = [&](std::uint8_t a, int row, int where) {
    const auto n = static_cast<std::size_t>(row);
    const int offset = st().T1k[n] - st().T1[n];
    const int bound = where >= 0 ? st().ZON_[n][0] : st().ZON_[n][2];
    ctl(a).setT1(bound + where - offset);
  };
  place(5, 0, +1);                             // one hundredth above the upper bound
  place(85, 1, 0);                             // exactly at it: within
  place(170, 2, -1);                           // one hundredth below the lower bound
  ctl(5).setAlarmBits((1u << 5) | (1u << 4));  // codes 2 and 4: two pictures
  ctl(170).setC3(static_cast<std::uint16_t>(1u << 7));
  runMs(12'000);

  const QImage img = shot();
  enum { Red = 0, Green = 1, Blue = 2 };
  EXPECT_GT(inked(img, cellRect(1, 1), Red), 20) << "above the zone: red";
  EXPECT_EQ(inked(img, cellRect(1, 1), Green), 0);
  EXPECT_GT(inked(img, cellRect(1, 2), Green), 20) << "at the bound: within, green";
  EXPECT_EQ(inked(img, cellRect(1, 2), Red), 0);
  EXPECT_GT(inked(img, cellRect(1, 3), Blue), 20) << "below the zone: blue";

  // Names: grey while answering, yellow when silent or answering with 5 data bytes or fewer.
  const auto nameColour = [&](int r) {
    const QRect c = cellRect(0, r);
    return img.pixelColor(c.left() + 3, c.bottom() - 3);
  };
  EXPECT_EQ(nameColour(1), QColor(214, 214, 214));
  EXPECT_EQ(nameColour(3), QColor(214, 214, 214));
  EXPECT_EQ(nameColour(4), QColor(255, 255, 0)) << "short answers only";
  EXPECT_EQ(nameColour(5), QColor(255, 255, 0)) << "never answers";

  // Two alarm pictures, 50 pixels apart, and nothing where a third would be.
  const QRect alarms = cellRect(alarmsColumn(2), 1);
  const auto drawnAt = [&](int x0) {
    int n = 0;
    for (int y = alarms.top() + 10; y < alarms.top() + 48; ++y)
      for (int x = alarms.left() + x0 + 6; x < alarms.left() + x0 + 44; ++x)
        if (img.pixelColor(x, y) != QColor(Qt::white)) ++n;
    return n;
  };
  EXPECT_GT(drawnAt(1), 200);
  EXPECT_GT(drawnAt(51), 200);
  EXPECT_EQ(drawnAt(101), 0);
  EXPECT_EQ(table().cells(traysColumn(2), 3), "выводной");
  EXPECT_EQ(st().ChasiLotki[2], "выводной");
}

// One temperature column: humidity moves to column 2 and is coloured by its own zone.
TEST_F(HallWindow, WithOneTemperatureColumnHumidityIsColumnTwoAndZoned) {
  start({5}, {"[Nastr]", "KOL_T=0"});
  runMs(2000);
  ctl(5).setHumidity(st().ZON_[0][7] + 1);
  runMs(3000);
  ASSERT_EQ(table().colCount(), 6);
  EXPECT_EQ(table().cells(2, 0), "Влажн.");
  EXPECT_EQ(table().cells(2, 1), QString(" %1%").arg(st().ZON_[0][7] + 1));
  EXPECT_GT(inked(shot(), cellRect(2, 1), 0), 20) << "humidity above its zone: red";

  // "Помощь на табло": the humidity panel over the humidity column, nothing elsewhere, and
  // nothing at all while it is off.
  IncubatorTable& t = table();
  t.TableTMouseMove(2, 1, QPoint(300, 300));
  EXPECT_TRUE(t.humHint()->isHidden()) << "help is off";
  ws->settings.Help = 1;
  t.TableTMouseMove(2, 1, QPoint(300, 300));
  EXPECT_FALSE(t.humHint()->isHidden());
  EXPECT_TRUE(t.tempHint()->isHidden());
  EXPECT_EQ(t.humHintValues()[0]->text(), QString("%1%").arg(st().ZON[0][7]));
  EXPECT_EQ(t.humHintValues()[3]->text(), QString("%1%").arg(st().ZON[0][10]));
  EXPECT_EQ(t.humHintValues()[4]->text(), "Инкубатор 5");
  EXPECT_EQ(t.humHint()->pos(), QPoint(320, 170));
  t.TableTMouseMove(1, 1, QPoint(300, 300));
  EXPECT_TRUE(t.humHint()->isHidden());
  EXPECT_FALSE(t.tempHint()->isHidden());
  EXPECT_EQ(t.tempHintValues()[1]->text(), "37.80") << "the working temperature, word 1";
  t.TableTMouseMove(3, 1, QPoint(300, 300));
  EXPECT_TRUE(t.tempHint()->isHidden());
}

}  // namespace
}  // namespace vs
