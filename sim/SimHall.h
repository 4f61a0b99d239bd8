// Ready-made halls of simulated controllers, and the small text file that describes one.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimBootloader.h"
#include "sim/SimBus.h"
#include "sim/SimHub.h"

namespace vs {

// A dozen incubators at addresses 1..12 with slowly drifting values: number 4 in alarm
// (temperature above its zone, cooling running), number 7 with a faulty T1/humidity sensor,
// number 9 never answering, number 6 with a damper board, 10 missing one answer in ten,
// 11 and 12 hatchers.
void demoHall(SimBus& bus);
// Puts a four-line hub in front of the hall's controllers: incubator n on line 1 + (n - 1) % 4,
// the hub's memory routing each to its line.
void demoHub(SimBus& bus);

// `count` plain incubators at addresses first, first + 1, ... (at most up to 251), answering
// at once, with static values: for throughput figures.
void uniformHall(SimBus& bus, int count, int first = 1);

// One incubator's entries of a hall file; unset entries keep the hall's or the defaults.
struct HallEntry {
  std::optional<int> t1, t2, t3, bl;
  std::optional<std::uint16_t> c2;
  std::optional<std::int64_t> delayMs;
  std::optional<double> silentShare;
  std::optional<int> shortLength;
  std::optional<bool> neverAnswers, damper, gsm;
  std::optional<int> line;  // 1..4 behind the hub
};

struct HallConfig {
  std::vector<std::uint8_t> addresses;   // in the order given, without repeats
  std::vector<std::uint8_t> trayBoards;  // tray-turning boards, none at an incubator's address
  std::int64_t delayMs = 0;
  double silentShare = 0.0;
  int shortLength = 0;
  std::uint64_t seed = 1;
  bool live = false;
  std::map<std::uint8_t, HallEntry> entries;
  // A four-line hub in front of the hall (230 400 baud); every controller hangs on its `line`
  // (1 when not given) and the hub starts with a table that routes each to its line.
  bool hub = false;
  SimHubAnswer hubAnswer = SimHubAnswer::Accept;
  std::uint16_t hubVersion = 0x8005;
  // A board with a bootloader on the service line, and the incubator it is (0: none).
  std::optional<SimBootloaderOptions> bootloader;
  std::uint8_t bootloaderHost = 0;
};

// Reads a hall file (key=value lines, '#' comments; see sim/README.md). Problems are appended
// to `errors` as "line N: ..." and the offending line is skipped.
HallConfig parseHallConfig(const std::string& text, std::vector<std::string>& errors);

// Parses "5,85,170" or "1-12,20" into incubator numbers 1..251; nullopt if malformed.
std::optional<std::vector<std::uint8_t>> parseAddressList(const std::string& text);

// Puts the controllers of the hall on the bus. Each controller's silence generator is seeded
// from the hall seed and its address, so runs repeat.
void buildHall(SimBus& bus, const HallConfig& config);

}  // namespace vs
