// The four-line hub in virtual time: incubators on four lines behind a simulated hub, the
// station in hub mode downloading its routing table every 14 s and reading the hub's answers.
#include <gtest/gtest.h>

#include "bus/crc.h"
#include "station/Hub4RS485.h"
#include "tests/bus_hall.h"

namespace vs::testing {
namespace {

// What the link shows in the main window's status label, with the moment of each change.
struct HubView final : UsbLinkView {
  struct Shown {
    std::int64_t ms;
    std::string text;
  };
  std::function<std::int64_t()> now;
  std::vector<Shown> texts;
  std::vector<std::pair<std::int64_t, bool>> visible;
  std::string version;
  void setMainStatusText(const std::string& t) override { texts.push_back({now(), t}); }
  void setMainStatusVisible(bool on) override {
    if (visible.empty() || visible.back().second != on) visible.push_back({now(), on});
  }
  void setHubVersionText(const std::string& t) override { version = t; }
};

constexpr std::uint8_t kFourth = 99;  // the incubator on line 3

class HubHall : public BusHall {
 protected:
  void SetUp() override {
    BusHall::SetUp();
    sim.addController(kFourth).setT1(3799);
    hub = &sim.addHub();
    // 5 on line 1, 85 on 2, 99 on 3, 170 on 4; the hub's memory holds that from an earlier day.
    const std::pair<std::uint8_t, int> lines[] = {{5, 1}, {85, 2}, {kFourth, 3}, {170, 4}};
    for (auto [a, line] : lines) {
      ctl(a).hubLine = line;
      hub->setRoute(a, line);
    }
    extraIni = {"[UST]", "RS485_4=1"};
    configure = [this](TFile_config& c) {
      c.kol_inkub = 4;
      c.konfig_n[3] = kFourth;
      c.konfig_o[3] = 1;
      c.konfig_linia = {};
      c.konfig_linia[0] = 1;
      c.konfig_linia[1] = 2;
      c.konfig_linia[2] = 4;
      c.konfig_linia[3] = 3;
      if (editLines) editLines(c);
    };
    view.now = [this] { return nowUs / 1000; };
  }
  void startHub() {
    start();
    bus->link.setView(&view);
  }
  // The time of the n-th (1-based) download the hub heard, as far as `limitMs` from now.
  std::int64_t runToDownload(int n, std::int64_t limitMs) {
    for (std::int64_t t = 0; t < limitMs && hub->downloads < n; t += 20) runMs(20);
    return hub->downloads >= n ? nowUs / 1000 : -1;
  }
  bool answered(int address) {
    for (int nk = 0; nk < st().kol_inkub(); ++nk)
      if (st().config().konfig_n[static_cast<std::size_t>(nk)] == address)
        return st().tab_otvetR[static_cast<std::size_t>(nk)] <= 1;  // 1 while a poll is out
    return false;
  }

  SimHub* hub = nullptr;
  HubView view;
  std::function<void(TFile_config&)> editLines;
};

TEST_F(HubHall, IncubatorsOnFourLinesAnswerAndTheTableFollowsItsSchedule) {
  startHub();
  EXPECT_EQ(sim.lineBaud(), 230400u);
  runMs(3000);
  for (int a : {5, 85, int{kFourth}, 170}) EXPECT_TRUE(answered(a)) << int(a);
  EXPECT_EQ(hub->downloads, 0);

  // "Работа" goes down on the first 100 ms tick; the table leaves 701 ticks of 20 ms later.
  const std::int64_t first = runToDownload(1, 20'000);
  EXPECT_GE(first, 100 + 701 * 20);
  EXPECT_LE(first, 100 + 701 * 20 + 150);
  const auto& t = hub->lastTable;
  EXPECT_EQ(t[0], 4);
  EXPECT_EQ(t[1], 0);
  EXPECT_EQ((std::vector<int>{t[2], t[3], t[4], t[5]}), (std::vector<int>{5, 85, 170, kFourth}));
  EXPECT_EQ((std::vector<int>{t[122], t[123], t[124], t[125]}),
            (std::vector<int>{0x81, 0x82, 0x84, 0x83}));
  EXPECT_EQ(t[242], ws->store.config.konfig_crc);

  runMs(200);
  ASSERT_FALSE(view.texts.empty());
  char expected[64];
  std::snprintf(expected, sizeof expected, "Принято CRC(%02X) %02X", t[242], t[242]);
  EXPECT_EQ(view.texts.back().text, expected);
  EXPECT_EQ(view.version, "версия 4RS485 - V5");
  const std::int64_t answeredAt = view.texts.back().ms;
  // The label goes 1 s after a good answer; the next table 701 ticks after that answer.
  runMs(1000);
  EXPECT_EQ(view.visible.back(), std::make_pair(answeredAt + 1000, false));
  const std::int64_t second = runToDownload(2, 20'000);
  EXPECT_GE(second, answeredAt + 700 * 20);
  EXPECT_LE(second, answeredAt + 701 * 20 + 150);
  for (int a : {5, 85, int{kFourth}, 170}) EXPECT_TRUE(answered(a)) << int(a);
}

TEST_F(HubHall, TheTableRoutesAndTheHubsAnswersShowAsTheySay) {
  // The operator typed line 2 for incubator 99, which hangs on line 3: once the hub has the
  // table, 99 is out of reach and the others answer on.
  editLines = [](TFile_config& c) { c.konfig_linia[3] = 2; };
  startHub();
  ASSERT_GT(runToDownload(1, 20'000), 0);
  runMs(200);
  const auto heardBefore = ctl(kFourth).counters().polls;
  const auto answersBefore = ctl(85).counters().answers;
  runMs(5000);
  EXPECT_EQ(ctl(kFourth).counters().polls, heardBefore);
  EXPECT_GE(st().tab_otvetR[3], 2);
  EXPECT_GT(ctl(85).counters().answers, answersBefore);
  for (int a : {5, 85, 170}) EXPECT_TRUE(answered(a)) << int(a);

  const std::pair<SimHubAnswer, std::string> cases[] = {
      {SimHubAnswer::Error, "Принято с Ошибкой"},
      {SimHubAnswer::Eeprom, "Ошибка ЕЕПРОМ"},
      {SimHubAnswer::Unknown, "Ошибка не опознана 7"},
  };
  int n = 1;
  for (const auto& [answer, text] : cases) {
    hub->answer = answer;
    ASSERT_GT(runToDownload(++n, 20'000), 0);
    runMs(100);
    EXPECT_EQ(view.texts.back().text, text);
    // Shown for 10 s; no "ОШИБКА": the hub did answer.
    runMs(9800);
    EXPECT_TRUE(view.visible.back().second);
    runMs(300);
    EXPECT_FALSE(view.visible.back().second);
  }
  // A check byte of its own: shown beside ours, and the count goes on from the download.
  hub->answer = SimHubAnswer::WrongCheck;
  const std::int64_t sent = runToDownload(++n, 20'000);
  runMs(100);
  const std::uint8_t ours = ws->store.config.konfig_crc;
  char expected[64];
  std::snprintf(expected, sizeof expected, "Принято CRC(%02X) %02X", ours ^ 0x5A, ours);
  EXPECT_EQ(view.texts.back().text, expected);
  EXPECT_LE(runToDownload(++n, 20'000), sent + 701 * 20 + 150);
}

TEST_F(HubHall, ASilentHubOrAShortAnswerShowsErrorForOneSecond) {
  hub->answer = SimHubAnswer::Silent;
  startHub();
  const std::int64_t sent = runToDownload(1, 20'000);
  ASSERT_GT(sent, 0);
  runMs(2500);
  ASSERT_GE(view.texts.size(), 2u);
  EXPECT_EQ(view.texts[view.texts.size() - 2].text, "ПЕРЕДАЧА");
  EXPECT_EQ(view.texts.back().text, "ОШИБКА");
  EXPECT_NEAR(static_cast<double>(view.texts.back().ms), static_cast<double>(sent + 2000), 120);
  const std::int64_t shownAt = view.texts.back().ms;
  runMs(1000);
  EXPECT_EQ(view.visible.back(), std::make_pair(shownAt + 1000, false));

  // A hub answer without its version bytes is not taken: bytes past its end would be an
  // earlier frame's, "Принято" included. The wait runs out as if nothing came.
  bus->hub.Write_4RS485();
  RS232_T shortAnswer{};
  shortAnswer.Kol_d = 3;
  shortAnswer.Dann[0] = 233;
  shortAnswer.Dann[1] = 11;
  shortAnswer.Dann[2] = ws->store.config.konfig_crc;
  runMs(200);
  bus->dispatcher.dispatch(shortAnswer);
  runMs(2000);
  EXPECT_EQ(view.texts.back().text, "ОШИБКА");
}

TEST_F(HubHall, ARefusalEndedAfterItsCodeStillShowsWhatTheHubSaid) {
  hub->answerLength = 2;  // 233 and the result code, nothing after
  startHub();
  const std::pair<SimHubAnswer, std::string> cases[] = {
      {SimHubAnswer::Error, "Принято с Ошибкой"},
      {SimHubAnswer::Eeprom, "Ошибка ЕЕПРОМ"},
      {SimHubAnswer::Unknown, "Ошибка не опознана 7"},
  };
  int n = 0;
  for (const auto& [answer, text] : cases) {
    SCOPED_TRACE(text);
    hub->answer = answer;
    ASSERT_GT(runToDownload(++n, 20'000), 0);
    runMs(2500);  // past the 2 s wait: a dropped answer would show "ОШИБКА" by now
    EXPECT_EQ(view.texts.back().text, text);
    EXPECT_TRUE(view.visible.back().second);
  }
  // An acceptance without its check byte and version cannot be shown: the wait runs out.
  hub->answer = SimHubAnswer::Accept;
  ASSERT_GT(runToDownload(++n, 20'000), 0);
  runMs(2500);
  EXPECT_EQ(view.texts.back().text, "ОШИБКА");
  EXPECT_EQ(view.version, "") << "no version was heard";
}

TEST_F(HubHall, LinesOutsideOneToFourGoOutWithTheTopBitDroppedAndReachNoLine) {
  // Stored lines 0, 5 and 133 (a configuration now keeps them): the table carries them as the
  // hub takes them, the hub routes those incubators nowhere, the one on line 3 answers on.
  editLines = [](TFile_config& c) {
    c.konfig_linia[0] = 0;
    c.konfig_linia[1] = 5;
    c.konfig_linia[2] = 133;
  };
  startHub();
  ASSERT_GT(runToDownload(1, 20'000), 0);
  const auto& t = hub->lastTable;
  EXPECT_EQ((std::vector<int>{t[122], t[123], t[124], t[125]}),
            (std::vector<int>{0x80, 0x85, 0x85, 0x83}));
  runMs(200);
  for (int a : {5, 85, 170}) EXPECT_EQ(hub->routeOf(static_cast<std::uint8_t>(a)), 0) << a;
  const auto answersBefore = ctl(kFourth).counters().answers;
  const auto heardBefore = ctl(5).counters().polls;
  runMs(8000);
  EXPECT_GT(ctl(kFourth).counters().answers, answersBefore);
  EXPECT_EQ(ctl(5).counters().polls, heardBefore) << "5 is out of reach";
  for (std::size_t nk = 0; nk < 3; ++nk) EXPECT_GE(st().tab_otvetR[nk], 2) << nk;
}

TEST_F(HubHall, ASettingPressedInTheTickOfADownloadIsNotOverwritten) {
  startHub();
  // Up to the tick before the download.
  while (bus->hub.prT4 < Hub4RS485::kPeriodTicks) runMs(20);
  // A setting already waiting: the table waits behind it.
  bus->writer.komWrite(85, 1, 0, 0x9C, 0x0E);  // 37.40 °C
  runMs(20);
  EXPECT_TRUE(bus->hub.tableWaiting());
  runMs(400);
  EXPECT_EQ(hub->downloads, 1);
  EXPECT_EQ(ctl(85).zon(0), 0x0E9C);

  // The other order: the table is placed, then a setting comes before the tick sends it.
  while (bus->hub.prT4 != Hub4RS485::kPeriodTicks) runMs(20);
  runMs(20);
  ASSERT_EQ(st().kom485m[0], 1);
  ASSERT_EQ(st().kom485m[2], kHubTableKind);
  bus->writer.komWrite(170, 1, 0, 0xA6, 0x0E);  // 37.50 °C
  runMs(400);
  EXPECT_EQ(ctl(170).zon(0), 0x0EA6);
  EXPECT_EQ(hub->downloads, 2);
}

TEST(HubTable, CarriesTheFirst120IncubatorsWithTheirLinesAndPollFlags) {
  auto c = std::make_unique<TFile_config>();
  *c = TFile_config{};
  c->kol_inkub = 130;
  for (std::size_t r = 0; r < 130; ++r) {
    c->konfig_n[r] = static_cast<std::uint16_t>(0x100 + r + 1);  // only the low byte goes
    c->konfig_o[r] = r % 2;
    c->konfig_linia[r] = static_cast<std::uint8_t>(1 + r % 4);
  }
  c->konfig_linia[0] = 200;  // top bit dropped, replaced by the poll flag
  c->konfig_linia[2] = 0;
  c->konfig_linia[3] = 5;
  c->konfig_linia[5] = 133;
  c->konfig_linia[119] = 255;
  c->konfig_linia[120] = 133;  // incubator 121: not in the table, nothing written for it
  const auto t = hubTable(*c);
  EXPECT_EQ(t[0], 130);
  EXPECT_EQ(t[2], 1);
  EXPECT_EQ(t[121], 120);
  EXPECT_EQ(t[122], 0x48);  // 200 without its top bit, poll flag clear
  EXPECT_EQ(t[123], 0x80 | 2);
  EXPECT_EQ(t[124], 0x00);  // line 0
  EXPECT_EQ(t[125], 0x80 | 5);
  EXPECT_EQ(t[127], 0x80 | 5);     // 133
  EXPECT_EQ(t[241], 0x80 | 0x7F);  // incubator 120: 255
  EXPECT_EQ(t[242], Count_CRC(t.data(), 242));
  EXPECT_EQ(hubVersionText(0x8005), "версия 4RS485 - V5");
  EXPECT_EQ(hubVersionText(0x0005), "версия 4RS485 - v5");
}

}  // namespace
}  // namespace vs::testing
