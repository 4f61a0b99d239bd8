// The shared station data file: what a serving station writes, byte for byte, and what a remote
// station makes of it, including files it cannot trust.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "config/TFile_config.h"
#include "station/Station.h"

namespace vs {
namespace {

namespace fs = std::filesystem;

fs::path freshDir(const std::string& name) {
  fs::path p = fs::path(::testing::TempDir()) / ("dan_" + name);
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

std::vector<std::uint8_t> fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int32_t i32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

RS232_T statusAnswer(std::uint8_t sender, int len, std::uint8_t fill) {
  RS232_T f{};
  f.Otpr = sender;
  f.Kol_d = static_cast<std::uint8_t>(len);
  for (int i = 0; i < len; ++i)
    f.Dann[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(fill + i);
  f.Dann[0] = 5;
  f.Dann[28] = 0;                        // C4: absolute bounds
  f.Dann[21] = 0x2C, f.Dann[22] = 0x0E;  // T1 = 36.28
  f.Dann[19] = 0x10, f.Dann[20] = 0x00;  // C2 bit 4: alarm code 4
  return f;
}

struct Side {
  explicit Side(const fs::path& home, int mode) : st(config, clock, home) {
    config.kol_inkub = 3;
    const char* names[] = {"Инкубатор 1", "Инкубатор 2", "Выводной"};
    for (std::size_t r = 0; r < 3; ++r) {
      config.konfig_n[r] = static_cast<std::uint16_t>(6 + r);
      config.konfig_o[r] = r != 2;
      config.konfig_s[r].setUtf8(names[r]);
    }
    st.serverP = mode;
    st.controls.RS = true;
    st.controls.Compyter = 1;
    st.serverTEK = mode == 1 || mode == 2;
    st.serverUD = mode == 3 || mode == 4;
    st.danWst = 100;  // the tests call the exchange themselves
  }
  ManualClock clock{46000.25};
  TFile_config config{};
  Station st;
};

TEST(DanFile, ServingStationWritesTheRecordByteForByte) {
  const fs::path home = freshDir("layout");
  Side srv(home, 1);
  srv.st.pr_svaz[1] = true;
  srv.st.tab_otvetR[0] = 4;
  srv.st.tab_otvetR[2] = 5;
  srv.st.onStatusFrame(statusAnswer(7, 122, 0x30));  // only row 1 answers
  srv.st.dan.DanWriteFile();

  const auto b = fileBytes(home / "dan.dan");
  ASSERT_EQ(b.size(), 66536u);
  EXPECT_EQ(std::distance(fs::directory_iterator(home), fs::directory_iterator()), 1)
      << "no temporary file is left beside it";
  EXPECT_EQ(b[0], 3);  // kol

  // Row 0 never answered: its name, poll flag and no-answer count, marked without link, and
  // zero data.
  const std::size_t e0 = 8;
  EXPECT_EQ(b[e0 + 0], 0);  // n_t
  EXPECT_EQ(i32At(b, e0 + 8), 4);
  EXPECT_EQ(b[e0 + 12], 0) << "a row that never answered has no link";
  EXPECT_EQ(b[e0 + 13], 1);
  EXPECT_EQ(b[e0 + 14], 11);  // "Инкубатор 1"
  EXPECT_EQ(b[e0 + 25], '1');
  for (std::size_t i = 0; i < 288; ++i) {
    if ((i >= 8 && i < 14 + 12) || i == 13) continue;  // tab_otvetR, on, on_sw, naim
    EXPECT_EQ(b[e0 + i], 0) << "row 0, offset " << i;
  }

  const std::size_t e1 = 8 + 288;
  EXPECT_EQ(b[e1 + 0], 1);         // n_t
  EXPECT_EQ(b[e1 + 1], 7);         // n_s
  EXPECT_EQ(b[e1 + 2], 122);       // kol_z
  EXPECT_EQ(i32At(b, e1 + 4), 0);  // kol_i: the first filled entry
  EXPECT_EQ(i32At(b, e1 + 8), 0);  // answered just now
  EXPECT_EQ(b[e1 + 12], 1);
  EXPECT_EQ(b[e1 + 13], 1);  // polled
  const std::uint8_t naim[] = {11,   0xC8, 0xED, 0xEA, 0xF3, 0xE1,
                               0xE0, 0xF2, 0xEE, 0xF0, 0x20, 0x32};
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + e1 + 14, b.begin() + e1 + 26),
            std::vector<std::uint8_t>(std::begin(naim), std::end(naim)));
  double dt;
  std::memcpy(&dt, b.data() + e1 + 48, 8);
  EXPECT_EQ(dt, 46000.25);
  EXPECT_EQ(b[e1 + 56], 122);
  EXPECT_EQ(b[e1 + 57], 5);
  EXPECT_EQ(b[e1 + 57 + 21], 0x2C);
  EXPECT_EQ(b[e1 + 57 + 121], static_cast<std::uint8_t>(0x30 + 121));
  EXPECT_EQ(b[e1 + 57 + 122], 0) << "nothing past the answer";

  const std::size_t e2 = 8 + 2 * 288;
  EXPECT_EQ(i32At(b, e2 + 8), 5);
  EXPECT_EQ(b[e2 + 12], 0) << "five unanswered polls: link down";
  EXPECT_EQ(b[e2 + 13], 0) << "row 2 is not polled";
  EXPECT_EQ(b[e2 + 0], 2);
  EXPECT_EQ(b[e2 + 14], 8);  // "Выводной"
  EXPECT_EQ(srv.st.dan.danWi, 2);
}

TEST(DanFile, LongNamesAndAnswersAreCutAndHighRowsLeftOut) {
  const fs::path home = freshDir("cut");
  Side srv(home, 2);
  srv.config.kol_inkub = 240;
  for (std::size_t r = 0; r < 240; ++r) srv.config.konfig_n[r] = static_cast<std::uint16_t>(r + 1);
  srv.config.konfig_s[0].setUtf8(std::string(40, 'x'));
  srv.st.onStatusFrame(statusAnswer(1, 255, 0));
  srv.st.onStatusFrame(statusAnswer(236, 122, 0));  // row 235: beyond the record
  EXPECT_EQ(srv.st.T1[235], 3628) << "the row itself is still decoded";
  srv.st.dan.DanWriteFile();
  const auto b = fileBytes(home / "dan.dan");
  ASSERT_EQ(b.size(), 66536u);
  EXPECT_EQ(b[0], 231);
  EXPECT_EQ(b[8 + 2], 230) << "kol_z";
  EXPECT_EQ(b[8 + 56], 230) << "d[0]";
  EXPECT_EQ(b[8 + 14], 30) << "at most 30 characters of the name";
  EXPECT_EQ(b[8 + 56 + 230], static_cast<std::uint8_t>(229));
  EXPECT_EQ(srv.st.dan.danWi, 2) << "row 235's answer filled no entry";
}

TEST(DanFile, RemoteStationReplaysTheServingStationsAnswers) {
  const fs::path share = freshDir("share");
  const fs::path remoteHome = freshDir("remote");
  Side srv(share, 1);
  srv.st.onStatusFrame(statusAnswer(7, 122, 0x30));
  srv.st.tab_otvetR[0] = 7;
  srv.st.dan.DanWriteFile();

  Side rem(remoteHome, 3);
  rem.config.kol_inkub = 1;
  rem.config.konfig_s[1].setUtf8("старое имя");
  rem.st.dan.Server_s = share.string() + "/";
  int count = -1;
  std::string caption;
  TDateTime modified = 0;
  std::vector<std::string> indicator;
  std::vector<int> decodedRows;
  rem.st.dan.setIncubatorCount = [&](int k) { count = k; };
  rem.st.dan.fileCaption = [&](const std::string& p, TDateTime t) { caption = p, modified = t; };
  rem.st.dan.linkIndicator = [&](bool v, const std::string& s) {
    indicator.push_back(v ? s : "-");
  };
  rem.st.listeners.add(StatusStep::MainTable,
                       [&](const StatusEvent& e) { decodedRows.push_back(e.nk); });
  std::vector<TDateTime> times;
  rem.st.listeners.add(StatusStep::TimeLabel,
                       [&](const StatusEvent& e) { times.push_back(e.time); });

  rem.st.dan.DanRead();
  EXPECT_EQ(std::memcmp(&rem.st.dan.danR, &srv.st.dan.danW, sizeof(TdanWm)), 0)
      << "the record arrives byte for byte";
  EXPECT_EQ(count, 3);
  EXPECT_EQ(caption, (share / "dan.dan").string());
  EXPECT_GT(modified, 40000.0);
  EXPECT_EQ(DanFile::caption("Инкубатор", "/srv/dan.dan", 46000.5),
            "Инкубатор  /srv/dan.dan  дата файла:  09.12.2025 12:00:00");
  EXPECT_EQ(indicator, std::vector<std::string>{"-"});
  EXPECT_EQ(decodedRows, std::vector<int>{1}) << "rows that never answered are not decoded";
  EXPECT_EQ(times, std::vector<TDateTime>{46000.25}) << "with the serving station's time";
  EXPECT_EQ(rem.st.T1[1], 3628);
  EXPECT_EQ(rem.st.ZON[1], srv.st.ZON[1]);
  EXPECT_EQ(rem.st.avaria[1], srv.st.avaria[1]);
  EXPECT_EQ(rem.config.konfig_s[1].utf8(), "Инкубатор 2");
  EXPECT_EQ(rem.config.konfig_o[1], 1);
  EXPECT_EQ(rem.config.konfig_o[2], 0);
  EXPECT_EQ(rem.st.dan.danRi, 0);

  // Every read replays every entry again.
  rem.st.dan.DanRead();
  EXPECT_EQ(decodedRows.size(), 2u);
  EXPECT_EQ(rem.st.answerCount, 2);
}

TEST(DanFile, RemoteStationReadsOnlyWhileWorking) {
  const fs::path share = freshDir("share_rs");
  Side srv(share, 1);
  srv.st.onStatusFrame(statusAnswer(7, 122, 0));
  srv.st.dan.DanWriteFile();
  Side rem(freshDir("remote_rs"), 4);
  rem.st.dan.Server_s = share.string() + "/";
  rem.st.controls.RS = false;
  rem.st.dan.DanRead();
  EXPECT_EQ(rem.st.T1[1], 0);
  Side passive(freshDir("passive"), 0);
  passive.st.dan.Server_s = share.string() + "/";
  passive.st.dan.DanRead();
  passive.st.onStatusFrame(statusAnswer(7, 122, 0));
  passive.st.dan.DanWriteFile();
  EXPECT_FALSE(fs::exists(freshDir("passive") / "dan.dan"));
  EXPECT_EQ(passive.st.dan.danWi, 0);
}

TEST(DanFile, UnreachableFileShowsNoNetworkAndKeepsTheData) {
  Side rem(freshDir("nonet"), 3);
  rem.st.T1[0] = 1234;
  rem.st.dan.Server_s = "/nonexistent/share/";
  std::vector<std::string> indicator;
  rem.st.dan.linkIndicator = [&](bool v, const std::string& s) {
    indicator.push_back(v ? s : "-");
  };
  rem.st.dan.DanRead();
  EXPECT_EQ(indicator, std::vector<std::string>{"нет сети"});
  EXPECT_EQ(rem.st.T1[0], 1234);
  EXPECT_EQ(rem.config.konfig_s[0].utf8(), "Инкубатор 1");
}

TEST(DanFile, BackslashFolderOfOldInstallationsIsAccepted) {
  Side rem(freshDir("bs"), 3);
  rem.st.dan.Server_s = "share\\hall\\";
#ifdef _WIN32
  EXPECT_EQ(rem.st.dan.readPath(), fs::path("share\\hall\\dan.dan"));
#else
  EXPECT_EQ(rem.st.dan.readPath(), fs::path("share/hall/dan.dan"));
#endif
}

TEST(DanFile, DamagedFileIsReadWithinItsBounds) {
  const fs::path share = freshDir("damaged");
  TdanWm bad;
  std::memset(&bad, 0xFF, sizeof bad);  // every count and index at its largest
  bad.d[3].n_t = 250;
  bad.d[3].kol_z = 122;
  bad.d[3].d[1] = 5;
  ASSERT_TRUE(writeFileAtomic(share / "dan.dan", &bad, sizeof bad));

  Side rem(freshDir("damaged_remote"), 3);
  rem.config.kol_inkub = 251;
  rem.st.dan.Server_s = share.string() + "/";
  int count = -1;
  std::vector<int> rows;
  std::vector<int> lengths;
  rem.st.dan.setIncubatorCount = [&](int k) { count = k; };
  rem.st.listeners.add(StatusStep::AnswerCount, [&](const StatusEvent& e) {
    rows.push_back(e.nk);
    lengths.push_back(e.length);
  });
  rem.st.dan.DanRead();
  EXPECT_EQ(count, 231);
  EXPECT_EQ(rows, std::vector<int>{250}) << "entries naming rows past 250 are skipped";
  EXPECT_EQ(lengths, std::vector<int>{122});
  EXPECT_EQ(rem.config.konfig_s[0].raw().size(), 31u) << "a name no longer than its field";
  EXPECT_EQ(rem.config.konfig_s[231].len, 0) << "rows past the record are not touched";

  // A short file (a copy cut off) changes only what it holds.
  TdanWm good{};
  good.kol = 1;
  good.d[0].n_t = 0;
  good.d[0].kol_z = 2;
  good.d[0].d[0] = 2;
  good.d[0].d[1] = 5;
  std::ofstream(share / "dan.dan", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(&good), 10);  // up to n_s of entry 0
  rem.st.dan.DanRead();
  EXPECT_EQ(rem.st.dan.danR.kol, 1);
  EXPECT_EQ(rem.st.dan.danR.d[0].n_t, 0);
  EXPECT_EQ(rem.st.dan.danR.d[0].kol_z, 0xFF) << "past the cut, the previous read stays";
  EXPECT_EQ(rows.back(), 0);
  EXPECT_EQ(lengths.back(), 230);

  std::ofstream(share / "dan.dan", std::ios::binary | std::ios::trunc);  // empty
  EXPECT_NO_FATAL_FAILURE(rem.st.dan.DanRead());
}

}  // namespace
}  // namespace vs
