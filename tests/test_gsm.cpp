// The GSM module of a controller: its answers on the assembled bus station in virtual time (each
// block's own settings, the modem's lines cut into pieces by the controller and put together
// again, the balance in UCS-2), and the settings request byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "bus/FrameDispatcher.h"
#include "notify/GsmP.h"
#include "sim/SimGsm.h"
#include "sim/SimHall.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

bool hasLine(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

class GsmHall : public testing::BusHall {
 protected:
  void SetUp() override {
    BusHall::SetUp();
    for (std::uint8_t a : {5, 85}) ctl(a).fitGsm(true);
    SimGsm& g5 = *ctl(5).gsm();
    g5.settings = {true, 0x03, 20, "+79001112233", 0x80 | 100};
    SimGsm& g85 = *ctl(85).gsm();
    g85.settings = {false, 0x0C, 90, "89995550011", 55};
    g85.signal = 9;
  }
};

// Incubator 85 answers after 5 in every cycle, with other settings and another signal: block 5
// must show only its own, and the modem's lines, cut into 24-byte pieces by the controller,
// arrive whole.
TEST_F(GsmHall, EachBlockShowsItsOwnSettingsAndModemLinesArriveWhole) {
  start();
  GsmP gsm(st());
  gsm.listen(bus->dispatcher);
  gsm.setBlockNumber(5);
  gsm.setTerminal(true);
  EXPECT_TRUE(st().controls.on_off_GSM) << "the polls carry 1";
  runMs(8'000);

  ASSERT_GT(gsm.answers, 0);
  EXPECT_EQ(st().GSM_sost[0], 0x93);
  EXPECT_EQ(st().GSM_sost[1], 0x8C);
  EXPECT_EQ(gsm.settings.on, true);
  EXPECT_EQ(gsm.settings.mask, 0x03);
  EXPECT_EQ(gsm.settings.delay, 20);
  EXPECT_EQ(gsm.settings.number, "79001112233");
  EXPECT_EQ(gsm.settings.hash, true);
  EXPECT_EQ(gsm.settings.code, 100);
  // "+COPS: ..." is 21 bytes behind the 11 of "+CSQ: 17,0": it spans two answers.
  EXPECT_TRUE(hasLine(gsm.log, "+CSQ: 17,0"));
  EXPECT_TRUE(hasLine(gsm.log, "+COPS: 0,0,\"MTS RUS\""));
  EXPECT_EQ(gsm.signal, 17) << "85's signal 9 must not reach block 5's window";
  EXPECT_TRUE(gsm.signalShown);
  EXPECT_EQ(gsm.operatorText, "\"MTS RUS\"");
  EXPECT_LE(st().tab_otvetR[0], 1) << "the status answer still follows the GSM frame";

  // The balance: a USSD line of 176 characters, in eight pieces, with "ё" beyond the letters.
  gsm.command(GsmCommand::Balance);
  runMs(20'000);
  ASSERT_EQ(ctl(5).gsm()->commands, std::vector<std::uint8_t>{224});
  EXPECT_TRUE(hasLine(gsm.log, SimGsm::ussdLine("Баланс: 123.45 р. Ваш счёт активен")));
  EXPECT_TRUE(hasLine(gsm.log, "Баланс: 123.45 р. Ваш счёт активен"));

  gsm.setBlockNumber(85);
  runMs(8'000);
  EXPECT_EQ(gsm.settings.on, false);
  EXPECT_EQ(gsm.settings.mask, 0x0C);
  EXPECT_EQ(gsm.settings.number, "89995550011");
  EXPECT_EQ(gsm.settings.hash, false);
  EXPECT_EQ(gsm.settings.code, 55);
  EXPECT_EQ(gsm.signal, 9);

  // No "+CSQ:" for more than 20 s: no operator, no gauge.
  gsm.closed();
  EXPECT_FALSE(st().controls.on_off_GSM);
  for (int s = 0; s < 20; ++s) gsm.Timer1s();
  EXPECT_TRUE(gsm.signalShown);
  gsm.Timer1s();
  EXPECT_EQ(gsm.operatorText, "нет оператора");
  EXPECT_FALSE(gsm.signalShown);
}

RS232_T gsmFrame(std::uint8_t from, const std::vector<std::uint8_t>& data) {
  RS232_T f{};
  f.Otpr = from;
  f.Kol_d = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), f.Dann.begin());
  return f;
}

// The receive buffer keeps the bytes of longer frames past a short frame's end: none of them
// may show, however large the counts the frame claims.
TEST(GsmAnswer, ShortFrameShowsNoStaleBytesAndCountsAreBounded) {
  TFile_config config{};
  ManualClock clock;
  Station st(config, clock, {});
  GsmP gsm(st);
  gsm.setTerminal(true);
  const std::vector<std::uint8_t> full{222,  1,    0x05, 30,   11,   0x79, 0x00, 0x12,
                                       0x34, 0x56, 0x70, 0x00, 0x85, 4,    'O',  'K'};
  RS232_T f = gsmFrame(1, full);
  gsm.terminal(f);
  EXPECT_EQ(gsm.settings.number, "79001234567");
  EXPECT_EQ(gsm.sGSM, "OK");

  // 9 bytes: the number is cut at the frame's end, code and text are not in it.
  f.Kol_d = 9;
  f.Dann[4] = 200;
  f.Dann[13] = 250;
  f.Dann[12] = 0x11;
  gsm.terminal(f);
  EXPECT_EQ(gsm.settings.number, "79001234") << "14 digits at most, and only those in the frame";
  EXPECT_EQ(gsm.settings.code, 0x05) << "the code byte lies past the frame";
  EXPECT_EQ(gsm.sGSM, "OK") << "no text taken from past the frame";

  f.Kol_d = 16;
  f.Dann[4] = 200;
  gsm.terminal(f);
  EXPECT_EQ(gsm.settings.number, "79001234567000") << "14 digits at most";
  EXPECT_EQ(gsm.settings.code, 0x11);
  EXPECT_EQ(gsm.sGSM, "OKOK") << "250 claimed, 2 in the frame";

  f.Dann[4] = 0;
  f.Dann[13] = 1;
  f.Dann[14] = 13;
  gsm.terminal(f);
  EXPECT_EQ(gsm.settings.number, "") << "a count of 0 is no number";
  EXPECT_EQ(gsm.log, std::vector<std::string>{"OKOK"});

  // Another block's answer changes nothing.
  RS232_T other = gsmFrame(2, full);
  gsm.terminal(other);
  EXPECT_EQ(gsm.settings.number, "");
  EXPECT_EQ(gsm.sGSM, "");

  // A line without its carriage return is kept to 255 characters.
  std::vector<std::uint8_t> longText(14 + 200, 'x');
  longText[0] = 222;
  longText[13] = 200;
  for (int k = 0; k < 2; ++k) gsm.terminal(gsmFrame(1, longText));
  EXPECT_EQ(gsm.sGSM.size(), 255u);
}

TEST(GsmRequest, NumbersUpTo23CharactersKeepTheCodeLongerOrNotDigitsSendNothing) {
  GsmSettings s{.on = true,
                .mask = 0x0A,
                .delay = 45,
                .hash = true,
                .code = 100,
                .number = "+7900123456789012345678"};
  ASSERT_EQ(s.number.size(), 23u);
  const auto d = gsmSettingsRequest(s);
  ASSERT_TRUE(d);
  const std::array<std::uint8_t, 31> expected{
      1,   0x0A, 45,  23,  '+', '7', '9', '0', '0', '1', '2', '3', '4', '5', '6', '7',
      '8', '9',  '0', '1', '2', '3', '4', '5', '6', '7', '8', 0,   1,   2,   0xE4};
  EXPECT_EQ(*d, expected);

  TFile_config config{};
  ManualClock clock;
  Station st(config, clock, {});
  GsmP gsm(st);
  gsm.setBlockNumber(7);
  for (const char* bad : {"8900abc1234", "89+001", "7 + 900", "12е", "+7_900", "89/001"}) {
    SCOPED_TRACE(bad);
    gsm.settings.number = bad;
    EXPECT_EQ(gsm.peredat(), "Недопустимый символ! Не выполнено.");
    EXPECT_EQ(st.kom485m[0], 0) << "nothing pending";
  }
  // 24 characters would push the code byte out of the frame; the count is of what is sent.
  for (const char* tooLong : {"+79001234567890123456789", "+7 900 123-45-67 890 123-45-67 89"}) {
    SCOPED_TRACE(tooLong);
    gsm.settings.number = tooLong;
    EXPECT_EQ(gsm.peredat(), "Слишком длинный номер! Не выполнено.");
    EXPECT_EQ(st.kom485m[0], 0) << "nothing pending";
  }
  gsm.settings = {.on = false, .mask = 0, .delay = 0, .hash = false, .code = 127, .number = ""};
  EXPECT_EQ(gsm.peredat(), "");
  const std::array<std::uint8_t, 12> sent{1, 7, 223, 31, 0, 0, 0, 0, 0, 1, 2, 127};
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), st.kom485m.begin()));

  gsm.command(GsmCommand::Version);
  EXPECT_EQ((std::array<std::uint8_t, 5>{st.kom485m[0], st.kom485m[1], st.kom485m[2], st.kom485m[3],
                                         st.kom485m[4]}),
            (std::array<std::uint8_t, 5>{1, 7, 227, 1, 0}));
}

TEST(GsmRequest, SpacesDashesDotsAndBracketsAreDroppedBeforeTheNumberIsSent) {
  TFile_config config{};
  ManualClock clock;
  Station st(config, clock, {});
  GsmP gsm(st);
  gsm.setBlockNumber(3);
  gsm.settings = {
      .on = true, .mask = 1, .delay = 30, .hash = false, .code = 100, .number = "+7 900 123-45-67"};
  ASSERT_EQ(gsm.peredat(), "");
  const std::array<std::uint8_t, 24> sent{1,   3,   223, 31,  1,   1,   30,  12,
                                          '+', '7', '9', '0', '0', '1', '2', '3',
                                          '4', '5', '6', '7', 0,   1,   2,   100};
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), st.kom485m.begin()));
  EXPECT_EQ(gsm.settings.number, "+7 900 123-45-67") << "the field keeps what was typed";

  for (const char* typed : {"8 (900) 123.45.67", "(8900)1234567", " 8-900-123-45-67 "}) {
    SCOPED_TRACE(typed);
    gsm.settings.number = typed;
    ASSERT_EQ(gsm.peredat(), "");
    EXPECT_EQ(st.kom485m[7], 11);
    EXPECT_EQ(std::string(st.kom485m.begin() + 8, st.kom485m.begin() + 19), "89001234567");
    EXPECT_EQ(st.kom485m[22], 100) << "the code right after the number";
  }
  // Grouped, 23 characters remain: the longest number that keeps the code in the frame.
  gsm.settings.number = "+7 900 123-45-67 890 123-45-678";
  ASSERT_EQ(gsm.peredat(), "");
  EXPECT_EQ(st.kom485m[7], 23);
  EXPECT_EQ(st.kom485m[34], 100);
  EXPECT_EQ(gsmNumberDigits("(+7) 900"), "+7900") << "a leading \"+\" inside a bracket";
}

TEST(GsmLines, UssdSignalOperatorAndTheFortyLineLog) {
  const auto ussd = [](const std::string& hex) { return "+CUSD: 0, \"" + hex + "000D000A\",72"; };
  EXPECT_EQ(ussdText(ussd("0041043000201041")), "Aа ") << "a group not starting with 0 is skipped";
  EXPECT_EQ(ussdText(ussd("0G410041004-0401045104FF")), "AЁёӿ") << "non-hex groups skipped";
  std::string many;
  for (int k = 0; k < 20; ++k) many += "0431";
  EXPECT_EQ(ussdText(ussd(many)).size(), 40u) << "all twenty letters, not sixteen";
  EXPECT_EQ(ussdText("+CUSD: 0,\"0041\""), "") << "shorter than 24 characters";

  TFile_config config{};
  ManualClock clock;
  Station st(config, clock, {});
  GsmP gsm(st);
  const auto line = [&gsm](const std::string& s) {
    gsm.sGSM = s;
    gsm.analizGSM();
  };
  line("+CSQ: 99,0");
  EXPECT_TRUE(gsm.signalShown);
  EXPECT_EQ(gsm.signal, 0);
  line("+CSQ: 7,99");
  EXPECT_EQ(gsm.signal, 7);
  line("+CSQ: x1,0");
  EXPECT_EQ(gsm.signal, 7) << "not a number: ignored";
  line("+COPS: 0");
  EXPECT_EQ(gsm.operatorText, "");

  gsm.setTerminal(true);
  std::vector<std::uint8_t> d{222, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 'L', 0, 13};
  for (int k = 1; k <= 45; ++k) {
    d[15] = static_cast<std::uint8_t>('0' + k % 10);
    gsm.terminal(gsmFrame(1, d));
  }
  EXPECT_EQ(gsm.kolGSM, 45);
  ASSERT_EQ(gsm.log.size(), 40u);
  EXPECT_EQ(gsm.log.front(), "L6");
  gsm.clearLog();
  EXPECT_TRUE(gsm.log.empty());
  EXPECT_EQ(gsm.kolGSM, 0);
}

// "N.gsm = 1" of a hall file fits incubator N with a module whose settings the status shows.
TEST(GsmHallFile, GsmKeyFitsAModule) {
  std::vector<std::string> errors;
  const HallConfig hall = parseHallConfig("addresses = 1-2\n2.gsm = 1\n", errors);
  ASSERT_TRUE(errors.empty());
  SimBus bus;
  buildHall(bus, hall);
  EXPECT_EQ(bus.controller(1)->gsm(), nullptr);
  ASSERT_NE(bus.controller(2)->gsm(), nullptr);
  EXPECT_EQ(bus.controller(2)->status(0)[StatusAt::GsmSost], 0x9F);
}

}  // namespace
}  // namespace vs
