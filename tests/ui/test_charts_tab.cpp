// The "Графики" tab over real log files: a load with every series shown and a pause in the
// recording, hidden series, the gap toggle, the settings it keeps, files that cannot be read,
// and the "Доп." window adding the setpoint log each time it is asked to. Loads run on a
// worker: a log of ten million records shows its one-sample spike at "1/1", a zoom reads its
// range again at full detail, a load can be cancelled or replaced by the next one, and the tab
// can go while one runs.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
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

// Waits for the read running on `sender` to end (a minute at most, against a hang) and gives
// its outcome; false at once when `start` started nothing.
template <typename Sender, typename Signal, typename Start>
bool finishes(Sender* sender, Signal finished, Start start) {
  bool ok = false;
  bool ended = false;
  QEventLoop loop;
  auto c = QObject::connect(sender, finished, &loop, [&](bool result) {
    ok = result;
    ended = true;
    loop.quit();
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  if (start()) loop.exec();
  QObject::disconnect(c);
  EXPECT_TRUE(ended || !ok);
  return ended && ok;
}

bool loads(TabCharts& tab, const QString& path) {
  return finishes(&tab, &TabCharts::loadFinished, [&] { return tab.load(path); });
}
bool reads(TForm16& dop) {
  return finishes(&dop, &TForm16::readFinished, [&] { return dop.read(); });
}
// Whatever a click started, to its end.
template <typename Click>
bool clicked(TabCharts& tab, Click click) {
  return finishes(&tab, &TabCharts::loadFinished, [&] {
    click();
    return tab.loading();
  });
}

// Lets queued results arrive for a while: what a cancelled read would still deliver.
void settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
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
  EXPECT_TRUE(tab.cancelButton()->isHidden());
  ASSERT_TRUE(tab.load(q(fil)));
  EXPECT_TRUE(tab.loading());
  EXPECT_FALSE(tab.progressBar()->isHidden());
  EXPECT_FALSE(tab.cancelButton()->isHidden());
  EXPECT_EQ(tab.cancelButton()->text(), "Отмена");
  ASSERT_TRUE(clicked(tab, [] {}));
  EXPECT_FALSE(tab.loading());
  EXPECT_TRUE(tab.progressBar()->isHidden());
  EXPECT_TRUE(tab.cancelButton()->isHidden());
  EXPECT_FALSE(tab.overviewReduced());  // 60 points: every one drawn
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
  ASSERT_TRUE(finishes(dop, &TForm16::readFinished, [&] {
    dop->readButton()->click();
    return dop->loading();
  }));
  ASSERT_EQ(tab.series(9)->dataCount(), 6);
  EXPECT_DOUBLE_EQ(tab.series(9)->data()->at(0)->value, 38.30);  // 37.80 + 0.50
  EXPECT_DOUBLE_EQ(tab.series(12)->data()->at(0)->value, 51);    // 55 less a hysteresis of 4
  ASSERT_TRUE(reads(*dop));
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
  // The last chosen file is gone: acts as "Прочитать".
  ASSERT_TRUE(clicked(tab, [&] { tab.reloadButton()->click(); }));
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
  ASSERT_TRUE(loads(tab, q(fil)));
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

// Ten million records a sample every 10 s (three years and two months), a pause of two hours
// after every million, and one sample of T1 at 45 °C. Written once for the suite, a slice at a
// time.
class LongLog : public ::testing::Test {
 protected:
  static constexpr std::size_t kRecords = 10'000'000;
  static constexpr std::size_t kSpike = 6'543'210;
  static constexpr std::size_t kPauseEvery = 1'000'000;

  static void SetUpTestSuite() {
    dir_ = new TempDir;
    std::FILE* f = std::fopen(path().string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::vector<TFile> slice(1 << 16);
    for (std::size_t done = 0; done < kRecords;) {
      const std::size_t n = std::min(slice.size(), kRecords - done);
      for (std::size_t i = 0; i < n; ++i) slice[i] = record(done + i);
      ASSERT_EQ(std::fwrite(slice.data(), sizeof(TFile), n, f), n);
      done += n;
    }
    ASSERT_EQ(std::fclose(f), 0);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static TFile record(std::size_t k) {
    TFile r{};
    r.T1 = k == kSpike ? 45.0 : 37.5 + static_cast<double>(k % 50) / 100.0;
    r.T2 = 37.4;
    r.T3 = 37.6;
    r.BL = 55;
    r.dt = time(k);
    return r;
  }
  static TDateTime time(std::size_t k) {
    const std::size_t pauses = k / kPauseEvery;
    return 46000.0 +
           (static_cast<double>(k) * 10.0 + static_cast<double>(pauses) * 7200.0) / 86400.0;
  }
  static fs::path path() { return dir_->path() / "long.fil"; }

  // A tab showing T1 only, "1/1", gaps marked.
  static std::unique_ptr<TabCharts> tab(Settings& settings) {
    settings.knT = {true, false, false, false};
    settings.pripusk = false;
    auto t = std::make_unique<TabCharts>(
        TabCharts::Inputs{dir_->path(), settings,
                          [] {
                            return GapInputs{1, false, 1};
                          },
                          [](const std::string& m) { ADD_FAILURE() << m; }});
    t->averagingButton(0)->click();
    return t;
  }

  static inline TempDir* dir_ = nullptr;
};

double maxValue(const QCPGraph* g) {
  double m = -1e300;
  for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
    if (!std::isnan(it->value)) m = std::max(m, it->value);
  return m;
}

int pointsWithin(const QCPGraph* g, double lo, double hi) {
  int n = 0;
  for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it)
    if (!std::isnan(it->value) && it->key >= lo && it->key <= hi) ++n;
  return n;
}

TEST_F(LongLog, OneSampleSpikeShowsAtOneToOneAndAZoomReadsItsRangeAtFullDetail) {
  Settings settings;
  auto t = tab(settings);
  ASSERT_TRUE(loads(*t, q(path())));
  const QCPGraph* g = t->series(0);
  EXPECT_TRUE(t->overviewReduced());
  // Two points a column at most, a column more for each of the nine pauses and the ends.
  const int columns = t->plotColumns();
  EXPECT_LE(g->dataCount(), 2 * (columns + 9 + 4) + 9);
  EXPECT_GE(g->dataCount(), columns);
  EXPECT_EQ(maxValue(g), 45.0);
  EXPECT_EQ(nanCount(g), 9);  // every pause a break
  EXPECT_DOUBLE_EQ(g->data()->constBegin()->key, TabCharts::chartKey(time(0)));
  EXPECT_DOUBLE_EQ((g->data()->constEnd() - 1)->key, TabCharts::chartKey(time(kRecords - 1)));
  const int overview = g->dataCount();

  // An hour and a half around the spike: 540 records, each drawn; the rest of the log stays as
  // it was drawn.
  const double lo = TabCharts::chartKey(time(kSpike - 270));
  const double hi = TabCharts::chartKey(time(kSpike + 269));
  const int coarse = pointsWithin(g, lo, hi);
  EXPECT_LT(coarse, 20);
  ASSERT_TRUE(clicked(*t, [&] { t->zoomTo(lo, hi); }));
  EXPECT_EQ(t->zoomDepth(), 1);
  EXPECT_EQ(pointsWithin(g, lo, hi), 540);
  EXPECT_EQ(maxValue(g), 45.0);
  EXPECT_EQ(g->dataCount(), overview - coarse + 540);
  for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it) {
    if (it->key < lo || it->key > hi) continue;
    const auto k = kSpike - 270 + static_cast<std::size_t>(std::lround((it->key - lo) / 10));
    ASSERT_DOUBLE_EQ(it->value, record(k).T1);
  }

  // Around a pause: the break is there at full detail too.
  const double plo = TabCharts::chartKey(time(3 * kPauseEvery - 100));
  const double phi = TabCharts::chartKey(time(3 * kPauseEvery + 99));
  ASSERT_TRUE(clicked(*t, [&] { t->zoomTo(plo, phi); }));
  EXPECT_EQ(pointsWithin(g, plo, phi), 200);
  EXPECT_EQ(nanCount(g), 9);
  EXPECT_EQ(t->zoomDepth(), 2);

  // Back one step reads the first range again; "Всё" goes back to the overview.
  ASSERT_TRUE(clicked(*t, [&] { t->zoomBack(); }));
  EXPECT_EQ(pointsWithin(g, lo, hi), 540);
  t->allButton()->click();
  EXPECT_FALSE(t->loading());
  EXPECT_EQ(g->dataCount(), overview);
  EXPECT_TRUE(std::isnan(t->detailFrom()));

  // "Очистить" while a range is being read: the temperatures do not come back with it.
  t->zoomTo(lo, hi);
  ASSERT_TRUE(t->loading());
  t->clearButton()->click();
  EXPECT_FALSE(t->loading());
  settle(1000);
  EXPECT_EQ(g->dataCount(), 0);
  t->zoomTo(plo, phi);
  ASSERT_TRUE(finishes(t.get(), &TabCharts::loadFinished, [&] { return t->loading(); }));
  EXPECT_EQ(g->dataCount(), 0);
}

TEST_F(LongLog, ACancelledLoadLeavesTheChartAndASecondLoadReplacesTheFirst) {
  Settings settings;
  auto t = tab(settings);
  const fs::path small = dir_->path() / "small.fil";
  writeRecords(small, measurements());
  ASSERT_TRUE(loads(*t, q(small)));
  ASSERT_EQ(t->series(0)->dataCount(), 61);

  std::vector<bool> ends;
  QObject::connect(t.get(), &TabCharts::loadFinished, [&](bool ok) { ends.push_back(ok); });
  ASSERT_TRUE(t->load(q(path())));
  EXPECT_EQ(t->pathLabel()->text(), q(path()));
  ASSERT_FALSE(t->cancelButton()->isHidden());
  t->cancelButton()->click();
  EXPECT_FALSE(t->loading());
  EXPECT_TRUE(t->cancelButton()->isHidden());
  EXPECT_TRUE(t->progressBar()->isHidden());
  EXPECT_EQ(ends, std::vector<bool>{false});
  settle(1500);  // what the stopped worker had would have come by now
  EXPECT_EQ(ends, std::vector<bool>{false});
  EXPECT_EQ(t->series(0)->dataCount(), 61);
  EXPECT_EQ(t->lastFile(), q(small));  // "Доп." and the reload button go with the chart
  EXPECT_EQ(t->pathLabel()->text(), q(small));

  // The long log, then at once the small one: the first ends unfinished, the second is drawn
  // and stays.
  ends.clear();
  ASSERT_TRUE(t->load(q(path())));
  ASSERT_TRUE(loads(*t, q(small)));
  settle(1500);
  EXPECT_EQ(ends, (std::vector<bool>{false, true}));
  EXPECT_EQ(t->series(0)->dataCount(), 61);
  EXPECT_FALSE(t->overviewReduced());

  // A zoom into a log drawn whole reads nothing again.
  t->zoomBy(125);
  EXPECT_FALSE(t->loading());
}

TEST_F(LongLog, TheTabGoesWhileALoadAndASetpointReadRun) {
  const fs::path zon = dir_->path() / "long.0il";
  {
    std::vector<TFileZon> z(300'000, setpoints().front());
    for (std::size_t k = 0; k < z.size(); ++k) z[k].dt = time(k * 30);
    writeRecords(zon, z);
  }
  Settings settings;
  auto t = tab(settings);
  ASSERT_TRUE(loads(*t, q(path())));
  t->extraWindow()->box(0)->click();
  ASSERT_TRUE(t->load(q(path())));
  ASSERT_TRUE(t->extraWindow()->read());
  EXPECT_TRUE(t->extraWindow()->loading());
  t.reset();  // stops both and waits for them
  settle(200);

  // And "Доп." brought down to the plot: the setpoints of a long log stay few.
  t = tab(settings);
  ASSERT_TRUE(loads(*t, q(path())));
  t->extraWindow()->box(0)->click();
  ASSERT_TRUE(reads(*t->extraWindow()));
  EXPECT_LE(t->series(8)->dataCount(), 2 * (t->plotColumns() + 2));
  EXPECT_GT(t->series(8)->dataCount(), 0);
  fs::remove(zon);
}

}  // namespace
}  // namespace vs
