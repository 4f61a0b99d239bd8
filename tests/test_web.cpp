// The web view's engine: what a request head may be, who may read, and the alarm events.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "station/Station.h"
#include "web/AlarmEvents.h"
#include "web/HallSnapshot.h"
#include "web/WebRequest.h"

namespace vs::web {
namespace {

using State = RequestHead::State;

TEST(WebRequest, RefusesWhatTheViewDoesNotServeAndTakesPlainGets) {
  struct Case {
    std::string bytes;
    int status;  // 0: accepted
  };
  const std::string big(9000, 'a');
  const std::vector<Case> cases = {
      {"GET /api/hall HTTP/1.1\r\nHost: x\r\n\r\n", 0},
      {"HEAD / HTTP/1.0\n\n", 0},
      {"GET /?token=a%20b HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 0},
      {"POST /api/hall HTTP/1.1\r\n\r\n", 405},
      {"DELETE / HTTP/1.1\r\n\r\n", 405},
      {"BREW / HTTP/1.1\r\n\r\n", 501},
      {"GET / HTTP/2.0\r\n\r\n", 505},
      {"GET / SPDY\r\n\r\n", 400},
      {"GET /../etc/passwd HTTP/1.1\r\n\r\n", 400},
      {"GET /%2e%2e/%2E%2E/etc/passwd HTTP/1.1\r\n\r\n", 400},
      {"GET /site/./app.js HTTP/1.1\r\n\r\n", 400},
      {"GET /..%5c..%5cwin.ini HTTP/1.1\r\n\r\n", 400},
      {"GET /a%00b HTTP/1.1\r\n\r\n", 400},
      {"GET /a%zz HTTP/1.1\r\n\r\n", 400},
      {"GET http://elsewhere/ HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nX-Folded: a\r\n b\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nNo colon here\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 10\r\n\r\n0123456789", 413},
      {"GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 413},
      {"GET / HTTP/1.1\r\nX-Big: " + big + "\r\n\r\n", 431},
      {"GET /" + big + " HTTP/1.1\r\n\r\n", 414},
  };
  for (const Case& c : cases) {
    const RequestHead h = parseRequestHead(c.bytes);
    if (c.status == 0) {
      EXPECT_EQ(h.state, State::Complete) << c.bytes;
    } else {
      EXPECT_EQ(h.state, State::Refused) << c.bytes;
      EXPECT_EQ(h.status, c.status) << c.bytes;
    }
  }
  const RequestHead h = parseRequestHead("GET /api/alarms?after=3 HTTP/1.1\r\nHOST: a\r\n\r\nxyz");
  EXPECT_EQ(h.path, "/api/alarms");
  EXPECT_EQ(h.query, "after=3");
  EXPECT_EQ(h.header("host"), "a");
  EXPECT_EQ(h.length, 45u);
  EXPECT_EQ(routeOf(h.path), Route::AlarmsJson);
  EXPECT_EQ(routeOf("/app.js/"), Route::NotFound);

  // A head still arriving waits, but not past the limit; a long request line is cut short.
  EXPECT_EQ(parseRequestHead("GET / HTTP/1.1\r\nHost: a\r\n").state, State::Incomplete);
  EXPECT_EQ(parseRequestHead("GET / HTTP/1.1\r\nX: " + big).status, 431);
  EXPECT_EQ(parseRequestHead("GET /" + big).status, 414);
}

TEST(WebRequest, AnotherMachineNeedsTheTokenThisOneDoesNot) {
  const std::string token =
      tokenFromBytes({0xde, 0xad, 0xbe, 0xef, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xff});
  EXPECT_EQ(token, "deadbeef000102030405060708090aff");
  auto head = [](const std::string& target, const std::string& headers = {}) {
    return parseRequestHead("GET " + target + " HTTP/1.1\r\n" + headers + "\r\n");
  };
  EXPECT_TRUE(decideAccess(true, head("/"), token).allowed);
  EXPECT_TRUE(decideAccess(true, head("/"), "").allowed);
  for (const char* host : {"127.0.0.1:8080", "localhost", "LOCALHOST:1", "[::1]:80", "10.0.0.5"})
    EXPECT_TRUE(decideAccess(true, head("/", "Host: " + std::string(host) + "\r\n"), token).allowed)
        << host;
  // A site whose name was pointed at this machine, read through the visitor's browser.
  EXPECT_FALSE(decideAccess(true, head("/", "Host: evil.example:8080\r\n"), token).allowed);
  EXPECT_TRUE(decideAccess(true, head("/?token=" + token, "Host: hall.local\r\n"), token).allowed);
  EXPECT_FALSE(decideAccess(false, head("/"), token).allowed);
  EXPECT_FALSE(decideAccess(false, head("/?token=deadbeef"), token).allowed);
  EXPECT_FALSE(decideAccess(false, head("/?token="), "").allowed);  // no token: nobody

  const Access viaQuery = decideAccess(false, head("/?x=1&token=" + token), token);
  EXPECT_TRUE(viaQuery.allowed);
  EXPECT_TRUE(viaQuery.setCookie);
  const Access viaCookie = decideAccess(
      false, head("/api/events", "Cookie: a=b; vetrostan_token=" + token + "\r\n"), token);
  EXPECT_TRUE(viaCookie.allowed);
  EXPECT_FALSE(viaCookie.setCookie);
  EXPECT_TRUE(
      decideAccess(false, head("/api/hall", "Authorization: Bearer " + token + "\r\n"), token)
          .allowed);
  EXPECT_FALSE(
      decideAccess(false, head("/api/hall", "Authorization: Bearer " + token + "0\r\n"), token)
          .allowed);

  EXPECT_EQ(parseListen("8080")->address, "127.0.0.1");
  EXPECT_EQ(parseListen("0.0.0.0:80")->address, "0.0.0.0");
  EXPECT_EQ(parseListen("[::1]:0")->address, "::1");
  EXPECT_EQ(parseListen("[::1]:0")->port, 0);
  for (const char* bad : {"", "http", "1:2:3:", "65536", "host:", ":80", "[::1]80", "12a"})
    EXPECT_FALSE(parseListen(bad)) << bad;
}

TEST(AlarmEvents, RisingAndFallingBitsBecomeNumberedEventsNewestFirst) {
  AlarmEvents ev(4);
  const TDateTime t0 = 46000.5;
  // Already on at the first answer: raised, marked as such; sensor faults are no alarms.
  EXPECT_EQ(ev.observe(2, 7, "Семь", 0x0020 | 0x0400, t0), 1);
  EXPECT_TRUE(ev.events().back().atFirstAnswer);
  EXPECT_EQ(ev.observe(2, 7, "Семь", 0x0020, t0 + 0.1), 0);  // unchanged
  // Bit 5 falls, bits 14 and 15 rise.
  EXPECT_EQ(ev.observe(2, 7, "Семь", 0xC000, t0 + 0.2), 3);
  EXPECT_EQ(ev.lastSeq(), 4);
  const std::string json = ev.json();
  EXPECT_LT(json.find("\"seq\":4"), json.find("\"seq\":3"));  // newest first
  EXPECT_NE(json.find("\"caption\":\"Мотор ниже скорость\""), std::string::npos);
  EXPECT_NE(json.find("\"caption\":\"Сработал отсекатель\""), std::string::npos);
  EXPECT_NE(json.find("\"bit\":5,\"caption\":\"Охлаждение работает\",\"raised\":false"),
            std::string::npos);
  EXPECT_EQ(ev.json(3), ev.json().substr(0, ev.json(3).size() - 1) + "]");
  // Bounded: the oldest go first.
  ev.observe(0, 1, "Один", 0x0001, t0);
  EXPECT_EQ(ev.events().size(), 4u);
  EXPECT_EQ(ev.events().front().seq, 2);
  EXPECT_EQ(ev.observe(300, 1, "", 0xFFFF, t0), 0);
}

// A remote station sees the hall only through the serving station's shared file; the view shows
// what the file says: names, values, alarms, the link state and the serving station's times.
TEST(HallFeed, RemoteStationShowsTheHallOfTheSharedFile) {
  namespace fs = std::filesystem;
  const fs::path share = fs::path(::testing::TempDir()) / "web_remote_share";
  fs::remove_all(share);
  fs::create_directories(share);
  struct Side {
    Side(const fs::path& home, int mode) : st(config, clock, home) {
      config.kol_inkub = 3;
      for (std::size_t r = 0; r < 3; ++r) {
        config.konfig_n[r] = static_cast<std::uint16_t>(6 + r);
        config.konfig_o[r] = 1;
        config.konfig_s[r].setUtf8("Инкубатор \"" + std::to_string(6 + r) + "\"");
      }
      st.serverP = mode;
      st.controls.RS = true;
      st.serverTEK = mode == 1;
      st.serverUD = mode == 3;
    }
    ManualClock clock{46000.25};
    TFile_config config{};
    Station st;
  };
  Side srv(share, 1), rem(share / "remote", 3);
  rem.st.dan.Server_s = share.string() + "/";
  Settings settings;
  settings.KOL_T = 0;
  auto feed = std::make_shared<HallFeed>(rem.st, settings);
  HallFeed::attach(feed, rem.st);

  RS232_T answer{};
  answer.Otpr = 7;
  answer.Kol_d = 122;
  answer.Dann[0] = 5;
  answer.Dann[19] = 0x10;                          // C2 bit 4
  answer.Dann[21] = 0x2C, answer.Dann[22] = 0x0E;  // T1 = 36.28
  answer.Dann[27] = 61;                            // humidity
  srv.st.tab_otvetR[2] = 7;                        // row 2 lost
  srv.st.onStatusFrame(answer);                    // only row 1 answers
  srv.st.dan.DanWriteFile();
  rem.st.dan.DanRead();

  const std::string hall = feed->hallJson();
  EXPECT_NE(hall.find("\"mode\":3"), std::string::npos);
  EXPECT_NE(hall.find("\"kolT\":0"), std::string::npos);
  const std::string row1 = feed->rowJson(1);
  EXPECT_EQ(row1,
            "{\"row\":1,\"number\":7,\"name\":\"Инкубатор \\\"7\\\"\",\"polled\":true,"
            "\"link\":true,\"answered\":true,\"t1\":\"36.28\",\"z1\":\"above\","
            "\"humidity\":\"61%\",\"zh\":\"above\",\"trays\":\"00:00 +\","
            "\"alarms\":[{\"bit\":4,\"caption\":\"Герконы оба замкнуты\"}],"
            "\"lastAnswer\":\"09.12.2025 06:00:00\"}");
  EXPECT_NE(feed->rowJson(0).find("\"answered\":false"), std::string::npos);
  EXPECT_NE(feed->rowJson(2).find("\"link\":false"), std::string::npos);
  EXPECT_EQ(feed->alarms().lastSeq(), 1);

  // Every read replays the same answer: nothing new to tell, no second event.
  EXPECT_NE(feed->takeChangedRows().find("\"row\":1"), std::string::npos);
  rem.st.dan.DanRead();
  EXPECT_EQ(feed->alarms().lastSeq(), 1);
  const std::string again = feed->takeChangedRows();
  EXPECT_NE(again.find("\"row\":1"), std::string::npos);
  EXPECT_EQ(again.find("\"row\":0"), std::string::npos);
  EXPECT_EQ(feed->takeChangedRows(), "");
}

}  // namespace
}  // namespace vs::web
