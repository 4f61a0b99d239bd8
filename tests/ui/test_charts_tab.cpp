// The "Графики" tab over real log files: a load with every series shown and a pause in the
// recording, hidden series, the gap toggle, the settings it keeps, files that cannot be read,
// and the "Доп." window adding the setpoint log each time it is asked to.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "history/ui/TForm16.h"
#include "history/ui/TabCharts.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

constexpr double kMinute = 1.0 / 1440.0;

template <typename Record>
void writeRecords(const fs::path& p, const std::vector<Record>& records) {
  std::FILE* f = std::fopen(p.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(records.data(), sizeof(Record), records.size(), f);
  std::fputc(0x55, f);  // a torn last record is left out
  std::fclose(f);
}

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

// 30 samples a minute apart, an hour's pause, 30 more: with a 1 s poll and "1/1" the pause is
// more than the 50 minutes that count as a gap.
std::vector<TFile> measurements() {
  std::vector<TFile> log;
  for (int i = 0; i < 60; ++i) {
    TFile r{};
    const double wave = std::sin(i / 5.0);
    r.T1 = 37.6 + 0.2 * wave;
    r.T2 = 37.4 + 0.15 * wave;
    r.T3 = 37.8 - 0.1 * wave;
    r.BL = static_cast<std::uint8_t>(52 + i % 7);
    r.zsl = static_cast<std::int8_t>(10 + 30 + i % 10);
    r.C1 = static_cast<std::uint16_t>(i % 12 < 4 ? 0x0100 : 0);
    r.C2 = static_cast<std::uint16_t>((i % 20 < 3 ? 0x4000 : 0) | (i % 15 == 0 ? 0x8000 : 0));
    r.dt = 46000.25 + (i < 30 ? i : i + 60) * kMinute;
    log.push_back(r);
  }
  return log;
}

std::vector<TFileZon> setpoints() {
  std::vector<TFileZon> log;
  for (int i = 0; i < 6; ++i) {
    TFileZon z{};
    z.ustT = 3780;
    z.ustOhlv = 50;
    z.ustOhln = 3750;
    z.ustBLv = 55;
    z.ustBLn = 4;
    z.Chim = 40;
    z.Trab = 0;
    z.zsl = 35;
    z.dt = 46000.25 + i * 18 * kMinute;
    log.push_back(z);
  }
  return log;
}

int nanCount(const QCPGraph* g) {
  int n = 0;
  for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
    if (std::isnan(it->value)) ++n;
  return n;
}

TEST(TabCharts, LoadsALogWithItsGapsAndTheDopWindowAddsItsSetpointsEachTime) {
  TempDir dir;
  fs::create_directories(dir.path() / "file");
  const fs::path fil = dir.path() / "file" / "инк 1.fil";
  writeRecords(fil, measurements());
  writeRecords(dir.path() / "file" / "инк 1.0il", setpoints());

  Settings settings;
  settings.knT = {true, true, true, false};
  settings.pripusk = false;
  std::vector<std::string> messages;
  TabCharts tab({dir.path(), settings,
                 [] {
                   return GapInputs{1, false, 1};
                 },
                 [&](const std::string& m) { messages.push_back(m); }});
  EXPECT_TRUE(tab.seriesButton(2)->isChecked());
  EXPECT_FALSE(tab.seriesButton(3)->isChecked());
  EXPECT_TRUE(tab.averagingButton(1)->isChecked());
  EXPECT_FALSE(tab.gapButton()->isChecked());
  EXPECT_TRUE(tab.timeButton()->isChecked());
  EXPECT_TRUE(tab.progressBar()->isHidden());
  EXPECT_EQ(tab.seriesButton(4)->toolTip(), "Угол заслонки");
  EXPECT_EQ(tab.reloadButton()->toolTip(), "Обновить из тек. файла");

  tab.averagingButton(0)->click();                           // "1/1"
  for (int i = 3; i < 7; ++i) tab.seriesButton(i)->click();  // all but "Мотор"
  ASSERT_TRUE(tab.load(q(fil)));
  EXPECT_TRUE(tab.progressBar()->isHidden());
  EXPECT_EQ(tab.pathLabel()->text(), q(fil));
  for (int i = 0; i < 7; ++i) {
    const QCPGraph* g = tab.series(i);
    ASSERT_EQ(g->dataCount(), 61) << "series " << i;  // 60 points and the break
    EXPECT_EQ(nanCount(g), 1);
    // The break lies within the pause, before the first point after it.
    const double before = TabCharts::chartKey(46000.25 + 29 * kMinute);
    const double after = TabCharts::chartKey(46000.25 + 90 * kMinute);
    EXPECT_TRUE(std::isnan(g->data()->at(30)->value));
    EXPECT_GT(g->data()->at(30)->key, before);
    EXPECT_LT(g->data()->at(30)->key, after);
    EXPECT_DOUBLE_EQ(g->data()->at(31)->key, after);
  }
  EXPECT_DOUBLE_EQ(tab.series(4)->data()->at(0)->value, 30);  // zsl 40 drawn as 30 degrees
  EXPECT_DOUBLE_EQ(tab.series(6)->data()->at(0)->value, 21);  // cooling on
  // Hidden while loading: nothing, and showing it afterwards shows nothing either.
  EXPECT_EQ(tab.series(7)->dataCount(), 0);
  tab.seriesButton(7)->click();
  EXPECT_EQ(tab.series(7)->dataCount(), 0);

  // "Доп.": the setpoint log beside the chosen file, added again with every "прочитать".
  TForm16* dop = tab.extraWindow();
  EXPECT_EQ(dop->stateLabel()->text(), "нет доп.  записи");
  EXPECT_EQ(dop->box(5)->toolTip(), "Заданный номер рабочего датчика температуры");
  dop->refresh();
  EXPECT_EQ(dop->fileLabel()->text(), "инк 1.fil");
  EXPECT_EQ(dop->stateLabel()->text(), "Есть доп. данные");
  dop->box(0)->click();
  dop->box(1)->click();
  dop->box(4)->click();
  dop->readButton()->click();
  ASSERT_EQ(tab.series(9)->dataCount(), 6);
  EXPECT_DOUBLE_EQ(tab.series(9)->data()->at(0)->value, 38.30);  // 37.80 + 0.50
  EXPECT_DOUBLE_EQ(tab.series(12)->data()->at(0)->value, 51);    // 55 less a hysteresis of 4
  dop->readButton()->click();
  EXPECT_EQ(tab.series(8)->dataCount(), 12);
  EXPECT_EQ(tab.series(9)->dataCount(), 12);
  EXPECT_EQ(tab.series(10)->dataCount(), 0);
  EXPECT_TRUE(messages.empty());

  // Screenshots for a look, outside the working tree.
  tab.resize(1100, 560);
  tab.grab().save(q(fs::temp_directory_path() / "TabCharts.png"));
  dop->grab().save(q(fs::temp_directory_path() / "TForm16.png"));

  // Without its setpoint log "прочитать" says why and the chart keeps its points.
  fs::remove(dir.path() / "file" / "инк 1.0il");
  dop->refresh();
  EXPECT_EQ(dop->stateLabel()->text(), "Нет доп. данных");
  EXPECT_FALSE(dop->read());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("инк 1.0il: "), std::string::npos) << messages[0];
  EXPECT_EQ(tab.series(8)->dataCount(), 12);

  // A log that is gone: said so, the chart as it was.
  EXPECT_FALSE(tab.load(q(dir.path() / "file" / "нет.fil")));
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(tab.series(0)->dataCount(), 61);

  // Gaps not shown: a reload from the chosen file (the one chosen last) draws no breaks, and
  // the new log takes "Т рабочая" away too.
  tab.gapButton()->click();
  tab.chooseFile = [&](const QString& folder) {
    EXPECT_EQ(folder, q(dir.path() / "file") + "/");
    return q(fil);
  };
  tab.reloadButton()->click();  // the last chosen file is gone: acts as "Прочитать"
  EXPECT_EQ(tab.lastFile(), q(fil));
  EXPECT_EQ(tab.series(0)->dataCount(), 60);
  EXPECT_EQ(nanCount(tab.series(0)), 0);
  EXPECT_EQ(tab.series(8)->dataCount(), 0);
  EXPECT_EQ(tab.series(9)->dataCount(), 12);

  tab.clearButton()->click();  // "Очистить": T1, T2, T3 and humidity only
  EXPECT_EQ(tab.series(3)->dataCount(), 0);
  EXPECT_EQ(tab.series(4)->dataCount(), 60);

  tab.seriesButton(0)->click();
  tab.storeSettings();
  EXPECT_EQ(settings.knT, (std::array<bool, 4>{false, true, true, true}));
  EXPECT_TRUE(settings.pripusk);
}

TEST(TabCharts, ZoomStepsGoOnAHistoryThatAllEmpties) {
  TempDir dir;
  const fs::path fil = dir / "a.fil";
  writeRecords(fil, measurements());
  Settings settings;
  settings.knT = {true, false, false, false};
  TabCharts tab({dir.path(), settings, {}, [](const std::string&) {}});
  tab.averagingButton(0)->click();
  ASSERT_TRUE(tab.load(q(fil)));
  const QCPRange full = tab.chart()->xAxis->range();
  tab.zoomInButton()->click();  // 125 %: the range shrinks to 80 % about its centre
  EXPECT_NEAR(tab.chart()->xAxis->range().size(), full.size() * 0.8, 1e-6);
  EXPECT_NEAR(tab.chart()->xAxis->range().center(), full.center(), 1e-6);
  tab.zoomOutButton()->click();
  tab.zoomOutButton()->click();  // 75 %: the range grows by 4/3
  EXPECT_NEAR(tab.chart()->xAxis->range().size(), full.size() * 0.8 * 16 / 9, 1e-6);
  EXPECT_EQ(tab.zoomDepth(), 3);
  tab.zoomBack();
  EXPECT_NEAR(tab.chart()->xAxis->range().size(), full.size() * 0.8 * 4 / 3, 1e-6);
  tab.allButton()->click();
  EXPECT_EQ(tab.zoomDepth(), 0);
  EXPECT_NEAR(tab.chart()->xAxis->range().size(), full.size(), 1e-6);
}

}  // namespace
}  // namespace vs
