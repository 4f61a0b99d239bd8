// Decoding of status answers into the per-incubator tables, the derived values and the order in
// which the rest of the program hears of an answer.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "config/TFile_config.h"
#include "station/Station.h"
#include "station/StatusDecoder.h"

namespace vs {
namespace {

// A status answer of incubator 7 as it arrives (data bytes only, answer type first).
constexpr std::array<std::uint8_t, 122> kAnswer = {
    /*   0 */ 0x05, 0x34, 0x12, 0x07, 0x00, 0x0F, 0x00, 0x21, 0x00, 0x00,
    /*  10 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x08, 0x30,
    /*  20 */ 0x80, 0x2C, 0x0E, 0x1A, 0x0E, 0x00, 0x00, 0x37, 0x02, 0xF0,
    /*  30 */ 0x00, 0x1E, 0x3B, 0xE8, 0x03, 0x00, 0x00, 0x05, 0x80, 0xA0,
    /*  40 */ 0x00, 0x32, 0x00, 0xC4, 0x0E, 0x1E, 0x00, 0xEC, 0xFF, 0x0F,
    /*  50 */ 0x00, 0x00, 0x00, 0x00, 0x01, 0x05, 0x00, 0x05, 0x00, 0x37,
    /*  60 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    /*  70 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    /*  80 */ 0x01, 0x01, 0x00, 0x00, 0x00, 0x8C, 0x85, 0x00, 0x00, 0x00,
    /*  90 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x04, 0x11,
    /* 100 */ 0x22, 0x00, 0x00, 0x02, 0x2C, 0x01, 0x01, 0x00, 0x07, 0x00,
    /* 110 */ 0x10, 0x27, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x20, 0x03,
    /* 120 */ 0x10, 0x8C,
};

RS232_T frameOf(std::uint8_t sender, const std::uint8_t* data, int len) {
  RS232_T f{};
  f.Pol = 222;
  f.Otpr = sender;
  f.Kol_d = static_cast<std::uint8_t>(len);
  for (int i = 0; i < len; ++i) f.Dann[static_cast<std::size_t>(i)] = data[i];
  return f;
}

RS232_T fullAnswer(std::uint8_t sender = 7) {
  return frameOf(sender, kAnswer.data(), 122);
}

void put16(RS232_T& f, int at, std::uint16_t v) {
  f.Dann[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v & 0xFF);
  f.Dann[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>(v >> 8);
}

class DecodeTest : public ::testing::Test {
 protected:
  DecodeTest() : st(config, clock, ::testing::TempDir()) {
    config.kol_inkub = 3;
    for (int r = 0; r < 3; ++r) {
      config.konfig_n[static_cast<std::size_t>(r)] = static_cast<std::uint16_t>(6 + r);
      config.konfig_o[static_cast<std::size_t>(r)] = 1;
    }
    st.hooks.send = [this](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t*, std::uint8_t) {
      sent.push_back({pol, kadr});
    };
    st.controls.RS = true;
  }

  ManualClock clock;
  TFile_config config{};
  Station st;
  std::vector<std::pair<int, int>> sent;
};

TEST_F(DecodeTest, FullAnswerFillsEveryTableOfItsRow) {
  st.onStatusFrame(fullAnswer());
  const int r = 1;  // incubator 7
  EXPECT_EQ(st.versia_xmeg[r], 0x1234);
  EXPECT_EQ(st.GSM_sost[r], 7);
  EXPECT_EQ(st.GSM_sost[0], 0) << "another row keeps its own GSM settings";
  EXPECT_EQ(st.versia_ind[r], 33);
  EXPECT_EQ(st.C1[r], 0x080C);
  EXPECT_EQ(st.C2[r], 0x8030);
  EXPECT_EQ(st.T1[r], 3628);
  EXPECT_EQ(st.T2[r], 3610);
  EXPECT_EQ(st.T3[r], 0);
  EXPECT_EQ(st.BL[r], 55);
  EXPECT_EQ(st.C4[r], 2);
  EXPECT_EQ(st.U1[r], 240);
  EXPECT_EQ(st.VR_SEK[r], 30);
  EXPECT_EQ(st.VR_MIN[r], 59);
  EXPECT_EQ(st.new_p.S_motor[r], 1000);
  EXPECT_EQ(st.versia_avt[r], 5) << "bit 15 of the control firmware word is not a version bit";
  EXPECT_EQ(st.C3[r], 0x00A0);
  EXPECT_EQ(st.ZON[r][0], 50);
  EXPECT_EQ(st.ZON[r][1], 3780);
  EXPECT_EQ(st.ZON[r][3], -20) << "setpoint words are signed";
  EXPECT_EQ(st.ZON[r][6], 0x0100);
  EXPECT_EQ(st.ZON[r][31], 0x2C02) << "byte 104 is both word 31's high byte and the turn count";
  EXPECT_EQ(st.ZON[r][34], 0x1000);
  EXPECT_EQ(st.ZON[r][35], 0) << "only 35 words come from the answer";
  EXPECT_EQ(st.new_p.st_povorot[r], 300);
  EXPECT_EQ(st.C5[r], 1);
  EXPECT_EQ(st.new_p.Versia_lotki[r], 7);
  EXPECT_EQ(st.new_p.st_narabotka[r], 10000u);
  EXPECT_EQ(st.new_p.CO2[r], 800);
  EXPECT_EQ(st.new_p.Tots[r], 0x8C10) << "zero-extended, not sign-extended";
  EXPECT_EQ(st.vivod_b[r], 1);
  EXPECT_EQ(st.vent_b[r], 1);
  EXPECT_EQ(st.zvuk_b[r], 1);
  EXPECT_EQ(st.ventP_b[r], 0x8C);
  EXPECT_EQ(st.ventV_b[r], 0x85);
  EXPECT_EQ(st.avar_b[r], 3);
  EXPECT_EQ(st.avarV_b[r], 4);
  EXPECT_EQ(st.motor_b[r], 0x11);
  EXPECT_EQ(st.tipBL_b[r], 0x22);
  EXPECT_EQ(st.ventON_b[r], 2);
  // Derived values.
  EXPECT_EQ(st.T1k[r], 3608);
  EXPECT_EQ(st.T2k[r], 3625);
  EXPECT_EQ(st.ZON_[r][0], 3830);
  EXPECT_EQ(st.ZON_[r][2], 3750);
  EXPECT_EQ(st.ZON_[r][7], 60);
  EXPECT_EQ(st.ZON_[r][8], 50);
  EXPECT_EQ(st.t1_t2[r], 1);
  EXPECT_EQ(st.kol_byte_opros[r], 122);
  // Without the damper board its block is left alone.
  EXPECT_EQ(st.ZASL[r], (std::array<std::uint8_t, 21>{}));
  // Nothing of the other rows moved.
  EXPECT_EQ(st.T1[0], 0);
  EXPECT_EQ(st.T1[2], 0);
  EXPECT_EQ(st.C2[0], 0);
}

TEST(AbsoluteBounds, RelativeBoundsFollowTheHalfOfTheBase) {
  EXPECT_EQ(absoluteBound(50, 3780, true, true), 3830);
  EXPECT_EQ(absoluteBound(3850, 3780, true, true), 3850);
  EXPECT_EQ(absoluteBound(1890, 3780, true, true), 5670) << "exactly half is an offset";
  EXPECT_EQ(absoluteBound(1891, 3780, true, true), 1891);
  EXPECT_EQ(absoluteBound(30, 3780, false, true), 3750);
  EXPECT_EQ(absoluteBound(3700, 3780, false, true), 3700);
  EXPECT_EQ(absoluteBound(27, 55, true, true), 82) << "half of 55 rounds down to 27";
  EXPECT_EQ(absoluteBound(28, 55, true, true), 28);
  EXPECT_EQ(absoluteBound(3000, -100, true, true), 2900) << "a negative base: always an offset";
  EXPECT_EQ(absoluteBound(50, 3780, true, false), 50) << "without C4 bit 1 bounds are absolute";
}

TEST_F(DecodeTest, BoundsAreAbsoluteWithoutTheRelativeFlag) {
  RS232_T f = fullAnswer();
  f.Dann[28] = 0x00;
  st.onStatusFrame(f);
  EXPECT_EQ(st.ZON_[1][0], 50);
  EXPECT_EQ(st.ZON_[1][2], 30);
  EXPECT_EQ(st.ZON_[1][7], 5);
  EXPECT_EQ(st.ZON_[1][8], 5);
}

TEST_F(DecodeTest, AlarmCodesFollowTheFixedBitOrder) {
  RS232_T f = fullAnswer();
  st.onStatusFrame(f);  // C2 bits 4, 5, 15
  EXPECT_EQ(st.avaria[1], (std::array<std::int32_t, 11>{2, 4, 5, -1, -1, -1, -1, -1, -1, -1, -1}));

  put16(f, 19, 0x81F0);  // bits 4..8 and 15: all six codes
  st.onStatusFrame(f);
  EXPECT_EQ(st.avaria[1], (std::array<std::int32_t, 11>{2, 4, 5, 6, 7, 8, -1, -1, -1, -1, -1}));

  put16(f, 19, 0x0000);
  st.onStatusFrame(f);
  EXPECT_EQ(st.avaria[1],
            (std::array<std::int32_t, 11>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}))
      << "the list is rebuilt on every answer";
  EXPECT_EQ(st.avaria[0][0], -1) << "rows that never answered have an empty list";
}

TEST(ReadT1T2, WorkingSensorAndFaultBitsChooseTheSensorInControl) {
  StationTables t;
  struct Case {
    std::int16_t word6;
    std::uint16_t c2;
    int expected;
  } cases[] = {
      {0x0000, 0x0000, 1},    // T1 working, healthy
      {0x0000, 1u << 10, 2},  // T1 faulty, T2 healthy
      {0x0000, 3u << 10, 0},  // both faulty
      {0x0001, 0x0000, 2},    // T2 working
      {0x0001, 1u << 11, 0},  // T2 working but faulty
      {0x0001, 1u << 10, 2},  // a T1 fault does not matter then
      {0x0002, 7u << 10, 3},  // T3 working: taken whatever the fault bits say
      {0x0700, 1u << 10, 2},  // only the low byte selects the sensor
  };
  for (const auto& c : cases) {
    t.ZON[4][6] = c.word6;
    t.C2[4] = c.c2;
    t.t1_t2[4] = -7;
    readT1_T2(t, 4);
    EXPECT_EQ(t.t1_t2[4], c.expected) << "word 6 = " << c.word6 << ", C2 = " << c.c2;
  }
  t.t1_t2[4] = 2;
  t.ZON[4][6] = 3;
  readT1_T2(t, 4);
  EXPECT_EQ(t.t1_t2[4], 2) << "an unknown working sensor leaves the value as it was";
}

TEST_F(DecodeTest, AlarmsAlreadyOnAtTheFirstAnswerRaiseNoSoundEdge) {
  std::vector<std::pair<std::uint16_t, std::uint16_t>> seen;  // (C2k, C2) at the sound check
  st.listeners.add(StatusStep::SoundCheck, [&](const StatusEvent& e) {
    seen.emplace_back(st.C2k[static_cast<std::size_t>(e.nk)],
                      st.C2[static_cast<std::size_t>(e.nk)]);
    st.C2k[static_cast<std::size_t>(e.nk)] =
        st.C2[static_cast<std::size_t>(e.nk)];  // as zvuk_prov does
  });
  RS232_T f = fullAnswer();
  EXPECT_FALSE(st.zvukON1[1]);
  st.onStatusFrame(f);
  EXPECT_TRUE(st.zvukON1[1]);
  put16(f, 19, 0x8031);  // bit 0 rises
  st.onStatusFrame(f);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, seen[0].second) << "first answer: nothing looks like a rising edge";
  EXPECT_EQ(seen[1].first, 0x8030);
  EXPECT_EQ(seen[1].second, 0x8031);
}

TEST(DamperAngle, ScaledPositionBetweenTheTwoCalibrationPoints) {
  StationTables t;
  auto set = [&t](std::uint16_t a, std::uint16_t b, std::uint16_t c) {
    auto& z = t.ZASL[3];
    z[0] = a & 0xFF, z[1] = a >> 8, z[9] = b & 0xFF, z[10] = b >> 8, z[11] = c & 0xFF,
    z[12] = c >> 8;
  };
  set(3200, 0, 6400);
  updateDamperAngle(t, 3);
  EXPECT_EQ(t.ugol[3], 45);
  set(320, 0, 6400);  // exactly 4.5 degrees: halves go to the even neighbour
  updateDamperAngle(t, 3);
  EXPECT_EQ(t.ugol[3], 4);
  set(960, 0, 6400);  // 13.5
  updateDamperAngle(t, 3);
  EXPECT_EQ(t.ugol[3], 14);
  set(0x1000, 0x0800, 0x1800);
  updateDamperAngle(t, 3);
  EXPECT_EQ(t.ugol[3], 45);
  set(1234, 0x0800, 0x0800);  // B = C: no calibration, the angle stays
  updateDamperAngle(t, 3);
  EXPECT_EQ(t.ugol[3], 45);
}

TEST_F(DecodeTest, DamperBlockIsTakenOnlyWithTheDamperBoard) {
  RS232_T f = fullAnswer();
  put16(f, 39, 0x0200);  // C3 bit 9
  for (int i = 3; i <= 16; ++i)
    f.Dann[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x40 + i);
  put16(f, 35, 0x1000);
  // B (ZASL 9, 10 = bytes 8, 9) = 0x0800, C (ZASL 11, 12 = bytes 10, 11) = 0x1800.
  put16(f, 8, 0x0800);
  put16(f, 10, 0x1800);
  int damperCalls = 0;
  st.listeners.add(StatusStep::Damper, [&](const StatusEvent&) { ++damperCalls; });
  st.onStatusFrame(f);
  const auto& z = st.ZASL[1];
  EXPECT_EQ(z[0], 0x00);
  EXPECT_EQ(z[1], 0x10);
  EXPECT_EQ(z[4], 0x43);
  EXPECT_EQ(z[7], 0x46);
  EXPECT_EQ(z[17], 0x50);
  EXPECT_EQ(z[2], 0) << "ZASL 2, 3 are not in the answer";
  EXPECT_EQ(st.ugol[1], 45);
  EXPECT_EQ(damperCalls, 1);

  // An answer that ends inside the position (bytes 35, 36) moves no angle: a new low byte
  // beside an old high byte is no position.
  RS232_T shortFrame = f;
  shortFrame.Kol_d = 36;
  put16(shortFrame, 35, 0x0C40);  // 0x1040 with the old high byte: 46 degrees
  st.onStatusFrame(shortFrame);
  EXPECT_EQ(st.ugol[1], 45);
  damperCalls = 1;

  put16(f, 39, 0x0000);
  put16(f, 35, 0x1800);
  st.onStatusFrame(f);
  EXPECT_EQ(st.ZASL[1][1], 0x10) << "without the board the block keeps its last value";
  EXPECT_EQ(damperCalls, 1);
}

TEST_F(DecodeTest, ShortAnswerDecodesOnlyTheFieldsItCarries) {
  st.onStatusFrame(fullAnswer());
  // A later frame leaves other values in the receive buffer past a 41-byte answer.
  RS232_T f = fullAnswer();
  for (std::size_t i = 41; i < 1024; ++i) f.Dann[i] = 0x99;
  put16(f, 21, 3700);    // T1 lies within the 41 bytes
  put16(f, 39, 0x00A1);  // C3 ends exactly at byte 40
  f.Kol_d = 41;
  st.onStatusFrame(f);
  EXPECT_EQ(st.T1[1], 3700);
  EXPECT_EQ(st.C3[1], 0x00A1);
  EXPECT_EQ(st.ZON[1][0], 50) << "word 0 lies past the answer and keeps its value";
  EXPECT_EQ(st.ZON[1][34], 0x1000);
  EXPECT_EQ(st.new_p.CO2[1], 800);
  EXPECT_EQ(st.vivod_b[1], 1);
  EXPECT_EQ(st.kol_byte_opros[1], 41);

  // A field cut by the end of the answer is not half taken.
  f.Kol_d = 22;  // byte 21 is in, byte 22 (T1's high byte) is not
  put16(f, 21, 0x0101);
  st.onStatusFrame(f);
  EXPECT_EQ(st.T1[1], 3700);
}

TEST_F(DecodeTest, TwoByteAnswerStoresNoStaleBytes) {
  st.onStatusFrame(fullAnswer(6));  // row 0 answers fully
  RS232_T f = fullAnswer(7);        // the buffer still holds a full answer...
  put16(f, 21, 4444);
  f.Kol_d = 2;  // ...but row 1 sent only two bytes
  st.onStatusFrame(f);
  EXPECT_EQ(st.T1[1], 0);
  EXPECT_EQ(st.ZON[1][1], 0);
  EXPECT_TRUE(st.zvukON1[1]) << "a two-byte answer is still an answer";
  EXPECT_EQ(st.avaria[1][0], -1);
}

TEST_F(DecodeTest, OneByteAnswerUpdatesNothingButBringsTheNextPoll) {
  int heard = 0;
  for (int s = 0; s < static_cast<int>(StatusStep::Count); ++s)
    st.listeners.add(static_cast<StatusStep>(s), [&](const StatusEvent&) { ++heard; });
  st.oprosN = 1;
  st.tab_otvetR[1] = 4;
  RS232_T f = fullAnswer();
  f.Kol_d = 1;
  st.onStatusFrame(f);
  EXPECT_EQ(heard, 0);
  EXPECT_EQ(st.T1[1], 0);
  EXPECT_FALSE(st.zvukON1[1]);
  EXPECT_EQ(st.answerCount, 0);
  EXPECT_EQ(st.tab_otvetR[1], 0);
  EXPECT_EQ(st.kol_byte_opros[1], 1);
  ASSERT_EQ(sent.size(), 1u) << "fast polling goes on";
  EXPECT_EQ(sent[0].first, 8);

  // Nor is it a step signal for a running write.
  st.WriteKom.z = true;
  st.WrK = 2;
  st.onStatusFrame(f);
  EXPECT_EQ(st.WrK, 2);
}

TEST_F(DecodeTest, AnswerFromAnUnconfiguredAddressChangesNothing) {
  int heard = 0;
  st.listeners.add(StatusStep::MainTable, [&](const StatusEvent&) { ++heard; });
  st.tab_otvetR = {};
  st.tab_otvetR.fill(3);
  st.svaz_st_norm = 9;
  st.obn_oN = true;
  st.onStatusFrame(fullAnswer(99));
  EXPECT_EQ(heard, 0);
  for (std::size_t r = 0; r < 256; ++r) {
    EXPECT_EQ(st.T1[r], 0);
    EXPECT_EQ(st.tab_otvetR[r], 3);
    EXPECT_EQ(st.kol_byte_opros[r], 0);
  }
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(st.svaz_st_norm, 0) << "the update window still hears that a main program talks";
  EXPECT_FALSE(st.obn_oN);
}

TEST_F(DecodeTest, DebugModeStoresAnyAnswerInRowZero) {
  st.controls.otladka = true;
  st.onStatusFrame(fullAnswer(99));
  EXPECT_EQ(st.T1[0], 3628);
  EXPECT_TRUE(sent.empty()) << "no fast polling in debug mode";
}

TEST_F(DecodeTest, ListenersRunInTheirFixedOrder) {
  std::vector<StatusStep> order;
  std::vector<long long> counts;
  for (int s = 0; s < static_cast<int>(StatusStep::Count); ++s) {
    st.listeners.add(static_cast<StatusStep>(s), [&, s](const StatusEvent& e) {
      order.push_back(static_cast<StatusStep>(s));
      counts.push_back(e.answerCount);
    });
  }
  // What the steps may rely on: the main table sees the damper angle and t1_t2 of this answer,
  // the sound check sees the alarm codes, and the log writer runs for logged rows only.
  std::uint16_t angleAtTable = 0;
  int sensorAtGrid = -1;
  int firstCodeAtSound = 0;
  st.listeners.add(StatusStep::MainTable, [&](const StatusEvent& e) {
    angleAtTable = st.ugol[static_cast<std::size_t>(e.nk)];
  });
  st.listeners.add(StatusStep::SetpointGrid, [&](const StatusEvent& e) {
    sensorAtGrid = st.t1_t2[static_cast<std::size_t>(e.nk)];
  });
  st.listeners.add(StatusStep::SoundCheck, [&](const StatusEvent& e) {
    firstCodeAtSound = st.avaria[static_cast<std::size_t>(e.nk)][0];
  });

  RS232_T f = fullAnswer();
  put16(f, 39, 0x0200);
  put16(f, 35, 0x1000);
  put16(f, 8, 0x0800);
  put16(f, 10, 0x1800);
  st.onStatusFrame(f);
  const std::vector<StatusStep> expectNoLog = {
      StatusStep::AnswerCount,  StatusStep::UpdateWindow, StatusStep::Damper,
      StatusStep::AlarmCell,    StatusStep::SoundCheck,   StatusStep::SetpointGrid,
      StatusStep::DetailWindow, StatusStep::MainTable,    StatusStep::TimeLabel,
      StatusStep::ParamEditor,  StatusStep::ConfigWindow, StatusStep::Mimic,
      StatusStep::DetailTime};
  EXPECT_EQ(order, expectNoLog);
  EXPECT_EQ(angleAtTable, 45);
  EXPECT_EQ(sensorAtGrid, 1);
  EXPECT_EQ(firstCodeAtSound, 2);
  EXPECT_EQ(counts.front(), 0);
  EXPECT_EQ(st.answerCount, 1);

  order.clear();
  config.konfig_Write[1] = 1;
  put16(f, 39, 0x0000);
  st.onStatusFrame(f);
  std::vector<StatusStep> expectLog = expectNoLog;
  expectLog.erase(expectLog.begin() + 2);  // no damper board now
  expectLog.insert(expectLog.end() - 2, StatusStep::LogWriter);
  EXPECT_EQ(order, expectLog);
}

TEST_F(DecodeTest, AnswerIsTheStepSignalOfARunningWriteInsteadOfTheNextPoll) {
  st.WriteKom.z = true;
  st.WrK = 2;
  st.onStatusFrame(fullAnswer());
  EXPECT_EQ(st.WrK, 3);
  st.onStatusFrame(fullAnswer());
  EXPECT_EQ(st.WrK, 3) << "an answer in state 3 moves nothing";
  st.WrK = 5;
  st.onStatusFrame(fullAnswer());
  EXPECT_EQ(st.WrK, 6);
  EXPECT_TRUE(sent.empty()) << "no poll while a write owns the bus";

  st.WriteKom.z = false;
  st.WriteI.z = true;
  st.WrI = 2;
  st.WrK = 2;  // a stale state of an ended interactive write does not count
  st.time_zadanie = true;
  st.onStatusFrame(fullAnswer());
  EXPECT_EQ(st.WrK, 2);
  EXPECT_EQ(st.WrI, 3);
  st.WrI = 5;
  st.onStatusFrame(fullAnswer());
  EXPECT_EQ(st.WrI, 6);
  EXPECT_TRUE(sent.empty());
}

TEST_F(DecodeTest, FastPollingOnlyOnABusStationWithAModernComputer) {
  st.oprosN = 0;
  st.controls.Compyter = 1;  // "Старый"
  st.onStatusFrame(fullAnswer(6));
  EXPECT_TRUE(sent.empty());
  st.controls.Compyter = 0;
  st.serverP = 3;
  st.onStatusFrame(fullAnswer(6));
  EXPECT_TRUE(sent.empty());
  st.serverP = 1;
  st.onStatusFrame(fullAnswer(6));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], std::make_pair(7, 0)) << "the next row, a status poll";
}

}  // namespace
}  // namespace vs
