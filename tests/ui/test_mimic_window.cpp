// The mimic window over a simulated hall: the demo document shows every value kind from the
// controllers' own answers, follows the mouse, opens the program window on a double click and
// loses an incubator that stops answering; a document of hostile bytes is painted and clicked
// all over without harm.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>
#include <cstring>

#include "config/SettingsFile.h"
#include "mimic/ui/DemoMimic.h"
#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/MimicIcons.h"
#include "mimic/ui/MimicRecords.h"
#include "mimic/ui/TDispetch.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  const QPointF p(at);
  QMouseEvent e(type, p, w->mapToGlobal(p),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
void mouseMove(QWidget* w, QPoint at) {
  send(w, QEvent::MouseMove, at, Qt::NoButton);
}
// As a double click arrives: press, release, double click, release.
void mouseDClick(QWidget* w, QPoint at) {
  send(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
  send(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
  send(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
  send(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}
void wait(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct MimicWindow : HallProgram {
  std::unique_ptr<MimicDocument> doc;
  std::unique_ptr<TDispetch> d;
  std::vector<std::string> messages;

  void openMimic() {
    doc = std::make_unique<MimicDocument>(dir.home, dir.home / "Vetrostan.INI");
    doc->message = [this](const std::string& m) { messages.push_back(m); };
    d = std::make_unique<TDispetch>(*doc, st(), st().tab_otvet, ws->store.config, ws->settings,
                                    dir.home, dir.home / "Vetrostan.INI");
    d->openDocument();
    // As the program wires it: the end of each poll round and every decoded answer.
    st().hooks.mimicPanels = [this] { return d->view().panelsToRefresh(); };
    st().hooks.dispetchW = [this](int row) { d->dispetchW(row); };
    st().listeners.add(StatusStep::Mimic, [this](const StatusEvent& e) {
      if (d->isVisible()) d->dispetchW(e.nk);
    });
    d->show();
  }
  void TearDown() override {
    d.reset();
    HallProgram::TearDown();
  }
  // The first element of a kind matching `pred`, as painted.
  template <typename Pred>
  const MimicCanvas::Item* item(MimicKind kind, Pred pred) {
    items = d->canvas()->items();
    for (const auto& it : items)
      if (it.kind == kind && pred(d->view().record(kind, it.index))) return &it;
    return nullptr;
  }
  std::string text(const MimicCanvas::Item* it) {
    if (!it) return "(not shown)";
    return d->view().elements(it->kind)[static_cast<std::size_t>(it->index)].text;
  }
  std::vector<MimicCanvas::Item> items;
};

TEST_F(MimicWindow, DemoHallShowsEveryKindFromTheAnswersFollowsTheMouseAndLosesASilentOne) {
  std::string why;
  ASSERT_TRUE(prepareDemoMimic(dir.home, &why)) << why;
  std::filesystem::create_directories(dir.home / "file");  // incubator 1 keeps its log
  std::vector<std::uint8_t> hall;
  for (std::uint8_t a = 1; a <= 12; ++a) hall.push_back(a);
  startProgram(hall, {}, [](TFile_config& c) { c.konfig_Write[0] = 1; });
  for (std::uint8_t a : hall) {
    SimController& c = ctl(a);
    for (int k : {3, 4, 5, 6}) c.setZon(k, 0);  // no calibration, T1 works
    c.setZon(0, 3800);
    c.setZon(2, 3700);
    c.setZon(7, 60);
    c.setZon(8, 50);
    c.setC4(0);
  }
  SimController& seven = ctl(7);
  seven.setT1(3781);
  seven.setT2(3750);
  seven.setT3(3766);
  seven.setHumidity(48);
  seven.setC1(0x0001 | 0x0800);  // trays counting down to the left, heater on
  seven.setByte(StatusAt::VrMin, 7);
  seven.setByte(StatusAt::VrSek, 5);
  seven.setWord(StatusAt::SMotor, 1420);
  seven.setWord(StatusAt::CO2, 2150);
  seven.setWord(StatusAt::Tots, 2480);
  ctl(3).setT2(3720);
  ctl(3).setSensorFault(2, true);
  ctl(9).setAlarmBits(1u << 6);  // no water
  openMimic();
  EXPECT_TRUE(messages.empty()) << messages.front();
  runHallMs(8000);

  auto of = [](int n, int tip) {
    return [n, tip](const Tlabel_& r) { return r.N_KP == n && r.Tip == tip; };
  };
  EXPECT_EQ(text(item(MimicKind::Sensor, of(7, 1))), "37.81");
  EXPECT_EQ(text(item(MimicKind::Sensor, of(7, 4))), "48%");
  EXPECT_EQ(text(item(MimicKind::Sensor, of(7, 9))), "<07:05");
  EXPECT_EQ(text(item(MimicKind::Sensor, of(7, 5))), "0");
  auto icon = [&](int n, int image) {
    return item(MimicKind::Icon,
                [=](const Tlabel_& r) { return r.N_KP == n && r.Image == image; }) != nullptr;
  };
  EXPECT_TRUE(icon(7, 2));   // heater
  EXPECT_FALSE(icon(8, 2));  // not there
  EXPECT_TRUE(icon(9, 4));   // no water
  EXPECT_TRUE(icon(9, 3));   // and so an alarm
  EXPECT_TRUE(icon(1, 0));   // logging
  EXPECT_FALSE(icon(2, 0));
  EXPECT_FALSE(icon(2, 1));  // no program

  // The mouse over incubator 7: the bottom panel follows it with the other kinds.
  const MimicCanvas::Item* t1 = item(MimicKind::Sensor, of(7, 1));
  mouseMove(d->canvas(), t1->rect.center());
  EXPECT_EQ(d->view().tek_ink0, 7);
  const std::pair<int, const char*> current[] = {{0, "37.81"},  {2, "37.50"}, {3, "37.66"},
                                                 {6, "24.80"},  {7, "1420"},  {8, "2150"},
                                                 {10, "37.66"}, {11, "37.66"}};
  for (auto [tip, want] : current)
    EXPECT_EQ(text(item(MimicKind::Sensor, of(0, tip))), want) << tip;
  wait(150);
  EXPECT_EQ(d->statusLine()->text().toStdString().rfind("Звук:(нет) ПК-разрешено. кп7 -- ", 0), 0u)
      << d->statusLine()->text().toStdString();
  // Incubator 3's broken T2, in the bottom panel too.
  mouseMove(d->canvas(), item(MimicKind::Sensor, of(3, 1))->rect.center());
  EXPECT_EQ(text(item(MimicKind::Sensor, of(0, 2))), "??.??");

  if (const char* shots = std::getenv("VETROSTAN_SHOT_DIR")) {
    mouseMove(d->canvas(), item(MimicKind::Sensor, of(7, 1))->rect.center());
    d->resize(1200, 900);
    wait(50);
    EXPECT_TRUE(d->grab().save(QString::fromUtf8(shots) + "/mimic-demo.png"));
    QImage strip(9 * 72, 72, QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter p(&strip);
    for (int k = 0; k < 9; ++k) p.drawPixmap(4 + 72 * k, 4, builtInMimicIcon(k));
    p.end();
    EXPECT_TRUE(strip.save(QString::fromUtf8(shots) + "/mimic-icons.png"));
  }

  // A double click opens the program window of that incubator (the second press unpins).
  int opened = -1;
  d->hooks.programWindow = [&](int row) { opened = row; };
  const QPoint at = item(MimicKind::Sensor, of(11, 4))->rect.center();
  mouseDClick(d->canvas(), at);
  EXPECT_EQ(opened, 10);
  EXPECT_EQ(d->view().klikKP, 11);

  // Incubator 5 falls silent: its name label turns yellow once six polls went unanswered;
  // incubator 6 taken out of polling: its panel greys, its values vanish.
  ctl(5).options().neverAnswers = true;
  ws->store.config.konfig_o[5] = 0;
  runHallMs(20000);
  d->RedUst();
  const MimicCanvas::Item* name5 =
      item(MimicKind::Label, [](const Tlabel_& r) { return r.N_KP == 5 && r.NazvanieNOM; });
  ASSERT_NE(name5, nullptr);
  EXPECT_EQ(d->view()._Lb[static_cast<std::size_t>(name5->index)].color, kMimicYellow);
  EXPECT_EQ(item(MimicKind::Sensor, of(6, 1)), nullptr);
  EXPECT_FALSE(icon(6, 0));
  const MimicCanvas::Item* panel6 =
      item(MimicKind::Panel, [](const Tlabel_& r) { return r.N_KP == 6; });
  EXPECT_EQ(d->view()._Na[static_cast<std::size_t>(panel6->index)].color, doc->KS->ColorOFF);

  // The geometry and the document's name go back to the settings file.
  ASSERT_TRUE(d->saveState());
  IniFile ini;
  ASSERT_TRUE(ini.load(dir.home / "Vetrostan.INI"));
  EXPECT_EQ(ini.readString("Dispetch", "Form_File", ""), "Vetrostan.cfg");
  EXPECT_EQ(ini.readInt("Dispetch", "Form_Width", 0), d->width());
}

TEST(MimicWindowHostile, ADocumentOfOddBytesIsPaintedAndClickedWithoutHarm) {
  ScratchInstall dir;
  MimicDocument doc(dir.home, dir.home / "Vetrostan.INI");
  std::vector<std::string> said;
  doc.message = [&](const std::string& m) { said.push_back(m); };
  auto tables = std::make_unique<StationTables>();
  std::array<std::int32_t, 256> tab_otvet{};
  tab_otvet.fill(9);
  auto config = std::make_unique<TFile_config>();
  config->kol_inkub = 2;
  config->konfig_o[0] = config->konfig_o[1] = 1;
  const auto before = std::make_unique<TFile_config>(*config);
  Settings settings;

  konstrT& ks = *doc.KS;
  for (std::size_t i = 0; i < sizeof ks; ++i)
    reinterpret_cast<unsigned char*>(&ks)[i] = static_cast<unsigned char>(i * 131 + 7);
  ks.kol_Na = 300;
  ks.kol_Dsk = ks.kol_Lb = ks.kol_Za = 5000;
  ks.ImOn = 'o';
  ks.Im_f.setUtf8("../../etc/passwd");
  for (std::size_t i = 0; i < 255; ++i) ks.Na[i].Name.setUtf8("N_" + std::to_string(i % 7));
  for (std::size_t i = 0; i < 1000; ++i) {
    ks.Dsk[i].NameNa.setUtf8("N_" + std::to_string(i % 9));
    ks.Za[i].NameNa.setUtf8("N_" + std::to_string(i % 9));
    ks.Lb[i].NameNa.setUtf8("N_" + std::to_string(i % 9));
    ks.Dsk[i].Name.setUtf8("D_1");
  }
  TDispetch d(doc, *tables, tab_otvet, *config, settings, dir.home, dir.home / "Vetrostan.INI");
  int opened = 0;
  d.hooks.programWindow = [&](int row) {
    EXPECT_TRUE(row == 0 || row == 1) << row;
    ++opened;
  };
  d.CreateDispetch();
  EXPECT_FALSE(said.empty());  // the background names a folder: counted as missing
  d.resize(800, 600);
  d.show();
  for (int row = -1; row < 260; ++row) d.dispetchW(row);
  d.RedUst();
  (void)d.grab();
  for (int y = 5; y < 600; y += 53)
    for (int x = 5; x < 800; x += 61) {
      mouseMove(d.canvas(), {x, y});
      mouseDClick(d.canvas(), {x, y});
    }
  (void)d.grab();
  EXPECT_EQ(std::memcmp(before.get(), config.get(), sizeof(TFile_config)), 0);
}

}  // namespace
}  // namespace vs::testing
