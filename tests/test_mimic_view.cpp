// The mimic view's engine: what every value kind shows and in which colour, the service rules of
// RedUst, hovering, pinning and double clicks over the demo document, and a document of
// hostile indices that builds and runs without touching anything it must not.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mimic/DemoDispetch.h"
#include "mimic/DispetchView.h"
#include "setpoints/SetpointEdit.h"

namespace vs {
namespace {

struct AnsweringDialogs final : Dialogs {
  Answer answer = Answer::Yes;
  std::vector<std::string> asked;
  void message(const std::string& t) override { asked.push_back(t); }
  Answer question(const std::string& text, const std::string& title, bool cancel) override {
    asked.push_back(title + ": " + text + (cancel ? " [cancel]" : ""));
    return answer;
  }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

constexpr std::uint32_t kAbove = 0x11, kWithin = 0x22, kBelow = 0x33, kDefault = 0x44;

struct Hall {
  std::unique_ptr<konstrT> ks = std::make_unique<konstrT>();
  std::unique_ptr<StationTables> t = std::make_unique<StationTables>();
  std::array<std::int32_t, 256> tab_otvet{};
  std::unique_ptr<TFile_config> cfg = std::make_unique<TFile_config>();
  DispetchView view{*ks, *t, tab_otvet, *cfg};
  int saves = 0;

  explicit Hall(int incubators) {
    cfg->kol_inkub = static_cast<std::uint8_t>(incubators);
    for (int k = 0; k < incubators; ++k) cfg->konfig_o[static_cast<std::size_t>(k)] = 1;
    view.fonColor = {kDefault, kAbove, kWithin, kBelow};
    view.saveConfig = [this] {
      ++saves;
      return true;
    };
  }
  // One sensor of each kind on one panel of incubator `n`.
  void sensorsOf(int n) {
    ks->kol_Na = 1;
    ks->Na[0].Name.setUtf8("N_1");
    ks->Na[0].N_KP = n;
    ks->kol_Dsk = 12;
    for (int tip = 0; tip < 12; ++tip) {
      Tlabel_& r = ks->Dsk[static_cast<std::size_t>(tip)];
      r.Name.setUtf8("D_" + std::to_string(tip + 1));
      r.NameNa.setUtf8("N_1");
      r.Tip = tip;
      r.N_KP = n;
      r.Tpodch = 1;
      r.Font.Color = 0x77;
    }
    view.CreateDispetch();
  }
  const MimicElement& sensor(int tip) const { return view._Dsk[static_cast<std::size_t>(tip)]; }
};

TEST(MimicView, EverySensorKindShowsItsValueFaultTextAndZoneColour) {
  Hall h(3);
  h.sensorsOf(3);
  StationTables& t = *h.t;
  const std::size_t r = 2;
  t.T1k[r] = 3781;
  t.T2k[r] = 3750;
  t.T3k[r] = 3766;
  t.ZON_[r][0] = 3780;  // upper temperature bound
  t.ZON_[r][2] = 3700;  // lower
  t.BL[r] = 48;
  t.ZON_[r][7] = 60;
  t.ZON_[r][8] = 50;
  t.t1_t2[r] = 2;
  t.ugol[r] = 45;
  t.new_p.Tots[r] = -150;
  t.new_p.S_motor[r] = 1420;
  t.new_p.CO2[r] = 2150;
  t.C1[r] = 0x0001;  // trays: counting down towards the left
  t.VR_MIN[r] = 7;
  t.VR_SEK[r] = 5;
  h.view.dispetchW(2);

  EXPECT_EQ(h.sensor(0).text, "37.50");  // the working sensor T2
  EXPECT_EQ(h.sensor(0).fontColor, kWithin);
  EXPECT_FALSE(h.sensor(0).underline);
  EXPECT_EQ(h.sensor(1).text, "37.81");
  EXPECT_EQ(h.sensor(1).fontColor, kAbove);
  EXPECT_FALSE(h.sensor(1).underline);
  EXPECT_TRUE(h.sensor(2).underline);  // T2 works
  EXPECT_EQ(h.sensor(3).text, "37.66");
  EXPECT_EQ(h.sensor(4).text, "48%");
  EXPECT_EQ(h.sensor(4).fontColor, kBelow);
  EXPECT_EQ(h.sensor(5).text, "45");
  EXPECT_EQ(h.sensor(6).text, "-1.50");
  EXPECT_EQ(h.sensor(6).fontColor, kDefault);
  EXPECT_EQ(h.sensor(7).text, "1420");
  EXPECT_EQ(h.sensor(7).fontColor, 0x77u);  // its own colour while the motor is well
  EXPECT_EQ(h.sensor(8).text, "2150");
  EXPECT_EQ(h.sensor(9).text, "<07:05");
  EXPECT_FALSE(h.sensor(9).strikeOut);
  EXPECT_EQ(h.sensor(10).text, "37.66");  // 37.655 rounds away from zero
  EXPECT_EQ(h.sensor(11).text, "37.66");
  EXPECT_EQ(h.sensor(11).fontColor, kWithin);

  // Faults: T2 broken shows "??.??" in the zone colour of the stale value; no working sensor
  // at all shows "??.??" as well; the motor alarm turns its value red; damper 100 is "--";
  // trays turned strike their countdown out; hatching says so.
  t.C2[r] = (1u << 11) | (1u << 15);
  t.ZON_[r][0] = 3740;
  t.ugol[r] = 100;
  t.C1[r] = 0x0006;
  t.ZON[r][27] = 0x80;
  h.view.dispetchW(2);
  EXPECT_EQ(h.sensor(2).text, "??.??");
  EXPECT_EQ(h.sensor(2).fontColor, kAbove);
  EXPECT_EQ(h.sensor(0).text, "??.??");
  EXPECT_EQ(h.sensor(10).text, "??.??");
  EXPECT_EQ(h.sensor(1).text, "37.81");
  EXPECT_EQ(h.sensor(7).fontColor, kMimicRed);
  EXPECT_TRUE(h.sensor(7).underline);
  EXPECT_EQ(h.sensor(5).text, "--");
  EXPECT_EQ(h.sensor(9).text, "07:05>");
  EXPECT_TRUE(h.sensor(9).strikeOut);
  t.t1_t2[r] = 0;
  t.C2[r] = 0;
  t.ZON[r][19] = 1;
  h.view.dispetchW(2);
  EXPECT_EQ(h.sensor(0).text, "??.??");
  EXPECT_EQ(h.sensor(9).text, "вывод");

  // Another row's answer leaves them alone.
  t.T1k[1] = 1000;
  h.view.dispetchW(1);
  EXPECT_EQ(h.sensor(1).text, "37.81");
}

TEST(MimicView, DemoHallFollowsHoverPinsOnClickAndTellsServiceState) {
  Hall h(12);
  buildDemoDispetch(*h.ks, "demo-hall.png");
  h.view.CreateDispetch();
  StationTables& t = *h.t;
  t.T1k[6] = 3777;
  t.t1_t2[6] = 1;
  t.T1k[8] = 3600;
  t.t1_t2[8] = 1;
  auto find = [&](MimicKind kind, auto pred) {
    const auto& v = h.view.elements(kind);
    for (std::size_t i = 0; i < v.size(); ++i)
      if (pred(h.view.record(kind, static_cast<int>(i)))) return static_cast<int>(i);
    return -1;
  };
  const int current =
      find(MimicKind::Sensor, [](const Tlabel_& r) { return r.N_KP == 0 && r.Tip == 0; });
  const int of7 = find(MimicKind::Sensor, [](const Tlabel_& r) { return r.N_KP == 7; });
  const int of9 = find(MimicKind::Sensor, [](const Tlabel_& r) { return r.N_KP == 9; });
  const int title0 =
      find(MimicKind::Label, [](const Tlabel_& r) { return r.N_KP == 0 && r.NazvanieNOM; });
  ASSERT_GE(current, 0);
  ASSERT_GE(of7, 0);

  h.view.hover(MimicKind::Sensor, of7);
  EXPECT_EQ(h.ks->nom_KP0, 7);
  EXPECT_EQ(h.view._Dsk[static_cast<std::size_t>(current)].text, "37.77");
  EXPECT_EQ(h.view._Lb[static_cast<std::size_t>(title0)].text, "Под курсором: кп 7");
  EXPECT_EQ(h.view.statusLine(false, 1), "Звук:(нет) ПК-разрешено. кп7 нет данных");
  t.pr_svaz[6] = true;
  t.zvuk_b[6] = 1;
  t.C1[6] = 1u << 5;
  EXPECT_EQ(h.view.statusLine(true, 0), "Звук:(ИГРА) ПК-запрет   . кп7 -- разрешено. Аварии Есть");

  h.view.press(MimicKind::Sensor, of7);  // pinned
  EXPECT_EQ(h.view.klikKP, 7);
  h.view.hover(MimicKind::Sensor, of9);
  h.view.hoverBackground();
  EXPECT_EQ(h.ks->nom_KP0, 7);
  EXPECT_EQ(h.view.tek_ink0, 7);
  h.view.press(MimicKind::Sensor, of9);  // unpinned
  h.view.hover(MimicKind::Sensor, of9);
  EXPECT_EQ(h.view._Dsk[static_cast<std::size_t>(current)].text, "36.00");
  h.view.hoverBackground();
  EXPECT_EQ(h.view.statusLine(false, 1), "");

  // Incubator 4 out of service, incubator 5 lost (six unanswered polls).
  h.cfg->konfig_o[3] = 0;
  h.tab_otvet[4] = 6;
  h.view.RedUst();
  for (std::size_t i = 0; i < h.view._Na.size(); ++i) {
    const Tlabel_& r = h.view.record(MimicKind::Panel, static_cast<int>(i));
    EXPECT_EQ(h.view._Na[i].color, r.N_KP == 4 ? h.ks->ColorOFF : r.Color) << r.N_KP;
  }
  for (std::size_t i = 0; i < h.view._Dsk.size(); ++i)
    EXPECT_EQ(h.view._Dsk[i].visible, h.view.record(MimicKind::Sensor, int(i)).N_KP != 4);
  for (std::size_t i = 0; i < h.view._Lb.size(); ++i) {
    const Tlabel_& r = h.view.record(MimicKind::Label, static_cast<int>(i));
    const MimicElement& e = h.view._Lb[i];
    if (r.N_KP == 4) {
      EXPECT_EQ(e.visible, r.NazvanieNOM != 0);
    }
    if (r.N_KP == 5 && r.NazvanieNOM) {
      EXPECT_EQ(e.color, kMimicYellow);
    }
    if (r.N_KP == 5 && !r.NazvanieNOM) {
      EXPECT_EQ(e.color, r.Color);
    }
  }
  // Its icons hide although logging is on.
  h.cfg->konfig_Write[3] = 1;
  h.view.dispetchW(3);
  for (std::size_t i = 0; i < h.view._Za.size(); ++i)
    if (h.view.record(MimicKind::Icon, int(i)).N_KP == 4) {
      EXPECT_FALSE(h.view._Za[i].visible);
    }

  // Ctrl double click switches polling after the question; Cancel changes nothing; without
  // Ctrl the program window opens for the row.
  AnsweringDialogs d;
  int opened = -1;
  h.view.programWindow = [&](int row) { opened = row; };
  const int of4 = find(MimicKind::Sensor, [](const Tlabel_& r) { return r.N_KP == 4; });
  h.view.doubleClick(MimicKind::Sensor, of4, true, d);
  EXPECT_EQ(d.asked.back(), "Подтверждение: Включить Инкубатор? + ( выключен ) [cancel]");
  EXPECT_EQ(h.cfg->konfig_o[3], 1);
  d.answer = Dialogs::Answer::Cancel;
  h.view.doubleClick(MimicKind::Sensor, of7, true, d);
  EXPECT_EQ(d.asked.back(), "Подтверждение: Включить Инкубатор? + ( Включён ) [cancel]");
  EXPECT_EQ(h.cfg->konfig_o[6], 1);
  EXPECT_EQ(h.saves, 1);
  h.view.doubleClick(MimicKind::Sensor, of9, false, d);
  EXPECT_EQ(opened, 8);
  EXPECT_EQ(h.view.klikKP, 9);
}

TEST(MimicView, HostileDocumentBuildsAndRunsWithoutWritingAnywhere) {
  Hall h(3);
  // Every byte odd, then indices, counts and kinds out of any range.
  std::memset(static_cast<void*>(h.ks.get()), 0xA5, sizeof(konstrT));
  konstrT& ks = *h.ks;
  ks.kol_Na = 70000;
  ks.kol_Dsk = 1 << 30;
  ks.kol_Za = 1001;
  ks.kol_Lb = 5000;
  ks.nom_KP0 = 1 << 30;
  ks.nal_KP0 = 1;
  const std::int32_t nkp[] = {0, 1, 3, 4, 251, 256, 99999, -1, -7, INT32_MIN, INT32_MAX};
  for (std::size_t i = 0; i < 255; ++i) {
    ks.Na[i].Name.setUtf8("N_" + std::to_string(i % 4 + 1));  // duplicated names too
    ks.Na[i].N_KP = nkp[i % std::size(nkp)];
  }
  for (std::size_t i = 0; i < 1000; ++i) {
    for (Tlabel_* r : {&ks.Dsk[i], &ks.Za[i], &ks.Lb[i]}) {
      r->N_KP = nkp[i % std::size(nkp)];
      if (i % 3) r->NameNa.setUtf8("N_" + std::to_string(i % 5));  // N_0 matches nothing
    }
    ks.Dsk[i].Tip = static_cast<std::int32_t>(i % 15) - 2;
    ks.Dsk[i].Text.setUtf8("stored");
    ks.Za[i].Image = static_cast<std::int32_t>(i % 13) - 2;
  }
  h.t->C2.fill(0xFFFF);
  h.t->C1.fill(0xFFFF);
  h.t->t1_t2.fill(-9);
  h.tab_otvet.fill(10);
  const auto before = std::make_unique<TFile_config>(*h.cfg);

  h.view.CreateDispetch();
  EXPECT_EQ(h.view._Na.size(), 255u);
  EXPECT_EQ(h.view._Dsk.size(), 1000u);
  EXPECT_EQ(h.view._Za.size(), 1000u);
  EXPECT_EQ(h.view._Lb.size(), 1000u);
  AnsweringDialogs d;
  int opened = 0;
  h.view.programWindow = [&](int row) {
    EXPECT_TRUE(row >= 0 && row < 3) << row;
    ++opened;
  };
  for (int row = -3; row < 300; ++row) h.view.dispetchW(row);
  h.view.RedUst();
  for (auto [kind, n] : {std::pair{MimicKind::Sensor, 1000},
                         {MimicKind::Icon, 1000},
                         {MimicKind::Label, 1000},
                         {MimicKind::Panel, 255}}) {
    for (int i = 0; i < n; ++i) {
      h.view.hover(kind, i);
      h.view.press(kind, i);
      h.view.doubleClick(kind, i, true, d);
      h.view.doubleClick(kind, i, false, d);
      h.view.hoverBackground();
    }
  }
  for (int row = -3; row < 300; ++row) h.view.dispetchW(row);
  h.view.RedUst();
  (void)h.view.statusLine(true, 1);

  // Only incubators 1..3 were asked about; the rest neither wrote nor saved.
  EXPECT_EQ(std::memcmp(before.get(), h.cfg.get(), sizeof(TFile_config)), 0);
  for (const std::string& q : d.asked) EXPECT_NE(q.find("Включён"), std::string::npos) << q;
  EXPECT_EQ(static_cast<int>(d.asked.size()), h.saves);
  EXPECT_GT(opened, 0);
  for (std::size_t i = 0; i < h.view._Dsk.size(); ++i) {
    const Tlabel_& r = h.view.record(MimicKind::Sensor, static_cast<int>(i));
    if (r.Tip < 0 || r.Tip > 11) {
      EXPECT_EQ(h.view._Dsk[i].text, "stored");
    }
    if (r.N_KP > 3 || r.N_KP < 0) {
      EXPECT_FALSE(h.view._Dsk[i].visible);
    }
  }
  for (std::size_t i = 0; i < h.view._Za.size(); ++i) {
    const Tlabel_& r = h.view.record(MimicKind::Icon, static_cast<int>(i));
    if (r.Image < 0 || r.Image > 8 || r.N_KP > 3) {
      EXPECT_FALSE(h.view._Za[i].visible);
    }
  }
}

}  // namespace
}  // namespace vs
