// The browser's alarm list and its one change: who may acknowledge, which bodies are taken, and
// what the list looks like as JSON.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "alarms/AlarmList.h"
#include "web/ActiveAlarms.h"
#include "web/WebRequest.h"

namespace vs::web {
namespace {

using State = RequestHead::State;

class FixedClock final : public Clock {
 public:
  TDateTime now() const override { return t; }
  TDateTime t = encodeDateTime({2026, 12, 10, 14, 5, 0, 0});
};

std::string post(const std::string& path, const std::string& headers, const std::string& body) {
  return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n" + body;
}

TEST(WebAck, OnlyTheAcknowledgementIsPostedAndItsBodyIsSmallAndStated) {
  const RequestHead ok =
      parseRequestHead(post("/api/alarms/ack", "Content-Length: 13\r\n", "{\"number\":5}"));
  ASSERT_EQ(ok.state, State::Complete);
  EXPECT_EQ(ok.method, "POST");
  EXPECT_EQ(ok.bodyLength, 13u);
  EXPECT_EQ(routeOf(ok.path), Route::AcknowledgeJson);
  EXPECT_EQ(routeOf("/api/alarms/active"), Route::ActiveAlarmsJson);

  struct Case {
    std::string bytes;
    int status;
  };
  const std::vector<Case> refused = {
      {post("/api/alarms/ack", "", ""), 411},
      {post("/api/alarms/ack", "Content-Length: 1025\r\n", ""), 413},
      {post("/api/alarms/ack", "Content-Length: 99999999999999999999\r\n", ""), 413},
      {post("/api/alarms/ack", "Transfer-Encoding: chunked\r\n", ""), 413},
      {post("/api/alarms/ack", "Content-Length: -1\r\n", ""), 400},
      {post("/api/alarms/ack?x=1/../..", "Content-Length: 2\r\n", "{}"), 0},
      {post("/api/alarms/ack/", "Content-Length: 2\r\n", "{}"), 405},
      {post("/api/alarms/%61ck", "Content-Length: 2\r\n", "{}"), 405},
      {post("/api/alarms", "Content-Length: 2\r\n", "{}"), 405},
      {post("/", "Content-Length: 2\r\n", "{}"), 405},
      {"PUT /api/alarms/ack HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 405},
      {"GET /api/alarms/ack HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}", 413},
  };
  for (const Case& c : refused) {
    const RequestHead h = parseRequestHead(c.bytes);
    if (c.status == 0) {
      EXPECT_EQ(h.state, State::Complete) << c.bytes;
    } else {
      EXPECT_EQ(h.state, State::Refused) << c.bytes;
      EXPECT_EQ(h.status, c.status) << c.bytes;
    }
  }
}

TEST(WebAck, TheTokenIsNeededAsBearerEvenWhereReadingIsFree) {
  const std::string token = "0123456789abcdef0123456789abcdef";
  auto head = [](const std::string& headers) {
    return parseRequestHead(post("/api/alarms/ack", "Content-Length: 0\r\n" + headers, ""));
  };
  EXPECT_TRUE(decideAccess(true, head(""), token).allowed) << "a local page reads freely";
  EXPECT_FALSE(bearerMatches(head(""), token)) << "but acknowledges only with the token";
  EXPECT_TRUE(bearerMatches(head("Authorization: Bearer " + token + "\r\n"), token));
  EXPECT_TRUE(bearerMatches(head("authorization: bearer  " + token + " \r\n"), token));
  EXPECT_FALSE(bearerMatches(head("Authorization: Bearer " + token.substr(1) + "\r\n"), token));
  EXPECT_FALSE(bearerMatches(head("Authorization: Basic " + token + "\r\n"), token));
  EXPECT_FALSE(bearerMatches(head("Cookie: vetrostan_token=" + token + "\r\n"), token))
      << "a cookie goes along with any page's request, so it cannot stand for a person";
  EXPECT_FALSE(bearerMatches(head("Authorization: Bearer \r\n"), ""));
}

TEST(WebAck, BodiesOfExactlyTheTwoShapesAreTaken) {
  std::string why;
  const auto one = parseAckBody(" {\r\n \"number\" : 85 }\n", &why);
  ASSERT_TRUE(one) << why;
  EXPECT_FALSE(one->all);
  EXPECT_EQ(one->number, 85);
  const auto all = parseAckBody("{\"all\":true}", &why);
  ASSERT_TRUE(all) << why;
  EXPECT_TRUE(all->all);

  for (const std::string& bad : std::vector<std::string>{"",
                                                         "{}",
                                                         "[]",
                                                         "null",
                                                         "{\"number\":\"5\"}",
                                                         "{\"number\":5.0}",
                                                         "{\"number\":5e0}",
                                                         "{\"number\":05}",
                                                         "{\"number\":0}",
                                                         "{\"number\":256}",
                                                         "{\"number\":-5}",
                                                         "{\"number\":99999999999}",
                                                         "{\"number\":}",
                                                         "{\"all\":false}",
                                                         "{\"all\":1}",
                                                         "{\"all\":true,\"number\":3}",
                                                         "{\"number\":3,\"number\":4}",
                                                         "{\"numbe\\u0072\":3}",
                                                         "{\"everything\":true}",
                                                         "{\"number\":5}x",
                                                         "{\"number\":5",
                                                         "{number:5}",
                                                         std::string("{\"number\":5}\0", 13)}) {
    why.clear();
    EXPECT_FALSE(parseAckBody(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  EXPECT_FALSE(parseAckBody("{\"all\":true}" + std::string(1100, ' '), &why));
}

TEST(WebAck, TheListShowsEachStateAndAcknowledgementsNameTheirAuthor) {
  FixedClock clock;
  AlarmList list(clock);
  std::vector<std::string> journal;
  list.journal = [&](const std::string& s) { journal.push_back(s); };
  list.set({5, slotKind(4)}, true, "Инкубатор \"5\"");
  list.set({85, AlarmKind::NoLink}, true, "Выводной");
  list.set({85, AlarmKind::SensorT2}, true, "Выводной");
  list.set({170, slotKind(0)}, true, "Третий");
  clock.t += 60 / 86400.0;
  list.set({85, AlarmKind::SensorT2}, false, "");
  ASSERT_TRUE(list.shelve(170, 3600, "оператор"));

  EXPECT_EQ(applyAck(list, {false, 5}, "веб 10.0.0.7"), 1);
  EXPECT_EQ(applyAck(list, {false, 5}, "веб 10.0.0.7"), 0) << "nothing left to acknowledge";
  EXPECT_NE(journal.back().find("веб 10.0.0.7"), std::string::npos) << journal.back();

  const std::string json = activeAlarmsJson(list);
  EXPECT_NE(json.find("\"unacknowledged\":3,"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"number\":5,\"name\":\"Инкубатор \\\"5\\\"\",\"caption\":\"" +
                      alarmCaption(slotKind(4)) +
                      "\",\"state\":\"active-acknowledged\",\"raised\":\"10.12.2026 14:05:00\","
                      "\"acknowledged\":\"10.12.2026 14:06:00\",\"by\":\"веб 10.0.0.7\","
                      "\"shelvedUntil\":\"\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"caption\":\"Нет связи\",\"state\":\"active-unacknowledged\""),
            std::string::npos);
  EXPECT_NE(json.find("\"state\":\"cleared-unacknowledged\""), std::string::npos);
  EXPECT_NE(json.find("\"state\":\"shelved\",\"raised\":\"10.12.2026 14:05:00\",\"acknowledged\":"
                      "\"\",\"by\":\"\",\"shelvedUntil\":\"10.12.2026 15:06:00\""),
            std::string::npos)
      << json;

  EXPECT_EQ(applyAck(list, {true, 0}, "веб ::1"), 3);
  EXPECT_EQ(activeAlarmsJson(list).find("cleared"), std::string::npos)
      << "a cleared alarm leaves the list once acknowledged";
  EXPECT_EQ(list.unacknowledgedCount(), 0);
}

TEST(WebAck, AWholeHallInAlarmIsOneDocumentOfBoundedCost) {
  FixedClock clock;
  AlarmList list(clock);
  for (int n = 1; n <= 251; ++n)
    for (int k : {0, 4, 9, static_cast<int>(AlarmKind::NoLink)})
      list.set({n, static_cast<AlarmKind>(k)}, true, "Инкубатор " + std::to_string(n));
  const auto start = std::chrono::steady_clock::now();
  const std::string json = activeAlarmsJson(list);
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  EXPECT_NE(json.find("\"unacknowledged\":1004,"), std::string::npos);
  EXPECT_EQ(json.back(), '}');
  std::cout << "[ web ] alarm list of 1004 alarms: " << json.size() / 1024 << " KiB in " << us
            << " us\n";
}

}  // namespace
}  // namespace vs::web
