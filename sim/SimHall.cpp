#include "sim/SimHall.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "sim/SimTrayBoard.h"

namespace vs {
namespace {

constexpr int kMaxIncubatorNumber = 251;

std::string_view trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Decimal, or hexadecimal after "0x".
std::optional<long long> parseInt(std::string_view s) {
  s = trim(s);
  int base = 10;
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  long long v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (s.empty() || ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return negative ? -v : v;
}

std::optional<long long> parseRange(std::string_view s, long long lo, long long hi) {
  auto v = parseInt(s);
  if (!v || *v < lo || *v > hi) return std::nullopt;
  return v;
}

std::optional<double> parseShare(std::string_view s) {
  s = trim(s);
  double v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || p != s.data() + s.size() || !(v >= 0.0 && v <= 1.0))
    return std::nullopt;
  return v;
}

std::optional<bool> parseBool(std::string_view s) {
  s = trim(s);
  if (s == "1" || s == "yes" || s == "true" || s == "on") return true;
  if (s == "0" || s == "no" || s == "false" || s == "off") return false;
  return std::nullopt;
}

void addAddress(HallConfig& c, std::uint8_t a) {
  if (std::find(c.addresses.begin(), c.addresses.end(), a) == c.addresses.end())
    c.addresses.push_back(a);
}

// Sets one entry (global or per incubator). Returns an error text, empty when fine.
std::string setKey(HallConfig& c, HallEntry* e, std::string_view key, std::string_view value) {
  const std::string bad = "bad value for " + std::string(key);
  if (key == "delay_ms") {
    auto v = parseRange(value, 0, 60'000);
    if (!v) return bad;
    if (e)
      e->delayMs = *v;
    else
      c.delayMs = *v;
  } else if (key == "silent_share") {
    auto v = parseShare(value);
    if (!v) return bad;
    if (e)
      e->silentShare = *v;
    else
      c.silentShare = *v;
  } else if (key == "short_length") {
    auto v = parseRange(value, 0, 121);
    if (!v) return bad;
    if (e)
      e->shortLength = static_cast<int>(*v);
    else
      c.shortLength = static_cast<int>(*v);
  } else if (!e) {
    if (key == "addresses") {
      auto list = parseAddressList(std::string(value));
      if (!list) return bad;
      for (auto a : *list) addAddress(c, a);
    } else if (key == "tray_boards") {
      auto list = parseAddressList(std::string(value));
      if (!list) return bad;
      for (auto a : *list)
        if (std::find(c.trayBoards.begin(), c.trayBoards.end(), a) == c.trayBoards.end())
          c.trayBoards.push_back(a);
    } else if (key.starts_with("bootloader")) {
      return setBootloaderKey(c.bootloader, c.bootloaderHost, key, value);
    } else if (key == "seed") {
      auto v = parseRange(value, 0, 0x7FFFFFFFFFFFFFFFLL);
      if (!v) return bad;
      c.seed = static_cast<std::uint64_t>(*v);
    } else if (key == "live") {
      auto v = parseBool(value);
      if (!v) return bad;
      c.live = *v;
    } else if (key == "hub") {
      auto v = parseBool(value);
      if (!v) return bad;
      c.hub = *v;
    } else if (key == "hub_version") {
      auto v = parseRange(value, 0, 0xFFFF);
      if (!v) return bad;
      c.hubVersion = static_cast<std::uint16_t>(*v);
    } else if (key == "hub_answer") {
      static constexpr std::pair<std::string_view, SimHubAnswer> kAnswers[] = {
          {"accept", SimHubAnswer::Accept},   {"error", SimHubAnswer::Error},
          {"eeprom", SimHubAnswer::Eeprom},   {"wrong_check", SimHubAnswer::WrongCheck},
          {"unknown", SimHubAnswer::Unknown}, {"silent", SimHubAnswer::Silent}};
      const auto it = std::find_if(std::begin(kAnswers), std::end(kAnswers),
                                   [&](const auto& a) { return a.first == trim(value); });
      if (it == std::end(kAnswers)) return bad;
      c.hubAnswer = it->second;
    } else {
      return "unknown key " + std::string(key);
    }
  } else if (key == "T1" || key == "T2" || key == "T3") {
    auto v = parseRange(value, 0, 65535);
    if (!v) return bad;
    (key == "T1" ? e->t1 : key == "T2" ? e->t2 : e->t3) = static_cast<int>(*v);
  } else if (key == "BL") {
    auto v = parseRange(value, 0, 100);
    if (!v) return bad;
    e->bl = static_cast<int>(*v);
  } else if (key == "C2") {
    auto v = parseRange(value, 0, 0xFFFF);
    if (!v) return bad;
    e->c2 = static_cast<std::uint16_t>(*v);
  } else if (key == "line") {
    auto v = parseRange(value, 1, 4);
    if (!v) return bad;
    e->line = static_cast<int>(*v);
  } else if (key == "never_answers" || key == "damper" || key == "gsm") {
    auto v = parseBool(value);
    if (!v) return bad;
    (key == "damper" ? e->damper : key == "gsm" ? e->gsm : e->neverAnswers) = *v;
  } else {
    return "unknown key " + std::string(key);
  }
  return {};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> parseAddressList(const std::string& text) {
  std::vector<std::uint8_t> out;
  std::string_view rest = text;
  while (true) {
    const auto comma = rest.find(',');
    const std::string_view item = trim(rest.substr(0, comma));
    const auto dash = item.find('-', 1);
    const auto lo = parseRange(item.substr(0, dash), 1, kMaxIncubatorNumber);
    const auto hi = dash == std::string_view::npos
                        ? lo
                        : parseRange(item.substr(dash + 1), 1, kMaxIncubatorNumber);
    if (!lo || !hi || *hi < *lo) return std::nullopt;
    for (long long a = *lo; a <= *hi; ++a) {
      const auto b = static_cast<std::uint8_t>(a);
      if (std::find(out.begin(), out.end(), b) == out.end()) out.push_back(b);
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return out;
}

HallConfig parseHallConfig(const std::string& text, std::vector<std::string>& errors) {
  HallConfig c;
  std::string_view rest = text;
  for (int lineNo = 1; !rest.empty(); ++lineNo) {
    const auto nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    line = trim(line);
    if (line.empty()) continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
      errors.push_back("line " + std::to_string(lineNo) + ": expected key = value");
      continue;
    }
    std::string_view key = trim(line.substr(0, eq));
    const std::string_view value = trim(line.substr(eq + 1));
    HallEntry* entry = nullptr;
    if (const auto dot = key.find('.'); dot != std::string_view::npos) {
      const auto a = parseRange(key.substr(0, dot), 1, kMaxIncubatorNumber);
      if (!a) {
        errors.push_back("line " + std::to_string(lineNo) + ": bad incubator number");
        continue;
      }
      const auto addr = static_cast<std::uint8_t>(*a);
      addAddress(c, addr);
      entry = &c.entries[addr];
      key = trim(key.substr(dot + 1));
    }
    if (auto err = setKey(c, entry, key, value); !err.empty())
      errors.push_back("line " + std::to_string(lineNo) + ": " + err);
  }
  // A board and a controller at one address would answer the same poll and collide.
  std::erase_if(c.trayBoards, [&](std::uint8_t a) {
    const bool shared = std::find(c.addresses.begin(), c.addresses.end(), a) != c.addresses.end();
    if (shared) errors.push_back("tray board " + std::to_string(a) + " is also an incubator");
    return shared;
  });
  return c;
}

void buildHall(SimBus& bus, const HallConfig& config) {
  SimHub* hub = nullptr;
  if (config.hub) {
    hub = &bus.addHub();
    hub->answer = config.hubAnswer;
    hub->version = config.hubVersion;
  }
  for (std::uint8_t a : config.addresses) {
    SimController& c = bus.addController(a);
    const auto it = config.entries.find(a);
    const HallEntry e = it == config.entries.end() ? HallEntry{} : it->second;
    if (hub) {
      c.hubLine = e.line.value_or(1);
      hub->setRoute(a, c.hubLine);
    }
    SimControllerOptions o;
    o.answerDelayMs = e.delayMs.value_or(config.delayMs);
    o.silentShare = e.silentShare.value_or(config.silentShare);
    o.shortLength = e.shortLength.value_or(config.shortLength);
    o.neverAnswers = e.neverAnswers.value_or(false);
    o.live = config.live;
    o.seed = config.seed * 1000003ULL + a;
    c.setOptions(o);
    if (e.t1) c.setT1(*e.t1);
    if (e.t2) c.setT2(*e.t2);
    if (e.t3) c.setT3(*e.t3);
    if (e.bl) c.setHumidity(*e.bl);
    if (e.c2) c.setC2(*e.c2);
    if (e.damper) c.fitDamper(*e.damper);
    if (e.gsm) c.fitGsm(*e.gsm);
  }
  // The boards' clocks start at a fixed moment, so runs repeat; "Уст. Время" sets them.
  const TDateTime clockAt0 = encodeDateTime({2026, 1, 1, 0, 0, 0, 0});
  for (std::uint8_t a : config.trayBoards) {
    SimDevice& board = bus.own(std::make_unique<SimTrayBoard>(a, clockAt0));
    if (!hub) continue;
    board.hubLine = 1;
    hub->setRoute(a, 1);
  }
  if (config.bootloader) putBootloader(bus, *config.bootloader, config.bootloaderHost, config.seed);
}

void demoHub(SimBus& bus) {
  SimHub& hub = bus.addHub();
  for (const auto& c : bus.controllers()) {
    c->hubLine = 1 + (c->address() - 1) % 4;
    hub.setRoute(c->address(), c->hubLine);
  }
}

void demoHall(SimBus& bus) {
  for (int a = 1; a <= 12; ++a) {
    SimController& c = bus.addController(static_cast<std::uint8_t>(a));
    SimControllerOptions o;
    o.live = true;
    o.answerDelayMs = 3 + a % 4;
    o.seed = 0xD3A0ULL + static_cast<std::uint64_t>(a);
    c.setOptions(o);
    // Small differences between cabinets, as in any hall.
    c.setT1(3780 + (a * 7) % 9 - 4);
    c.setT2(3772 + (a * 5) % 7 - 3);
    c.setT3(3750 + (a * 3) % 11 - 5);
    c.setHumidity(53 + a % 5);
    c.setWord(StatusAt::StPovorot, static_cast<std::uint16_t>(150 * a + 37));
  }
  bus.controller(1)->fitGsm(true);  // the GSM window's default block

  SimController& alarm = *bus.controller(4);
  alarm.setT1(3846);
  alarm.setT2(3839);
  alarm.setAlarmBits((1u << 2) | (1u << 5));  // temperature above its zone, cooling running

  SimController& cold = *bus.controller(5);  // below its zone: drawn in the "below" colour
  cold.setT1(3690);
  cold.setT2(3694);

  SimController& damper = *bus.controller(6);
  damper.fitDamper(true);
  damper.placeDamper(30);

  SimController& faulty = *bus.controller(7);
  faulty.setSensorFault(1, true);  // T1 and the humidity sensor built with it
  faulty.setT1(0);
  faulty.setHumidity(0);

  bus.controller(9)->options().neverAnswers = true;
  bus.controller(10)->options().silentShare = 0.1;

  for (int a : {11, 12}) {
    SimController& h = *bus.controller(static_cast<std::uint8_t>(a));
    h.setC3(h.word(StatusAt::C3) | 0x0080);  // hatcher
    h.setZon(0, 3770);
    h.setZon(1, 3720);
    h.setZon(2, 3670);
    h.setZon(7, 80);
    h.setZon(8, 60);
    h.setZon(9, 72);
    h.setZon(10, 66);
    h.setZon(19, 0x0101);  // hatching: trays stopped; ventilation on
    h.setT1(3721 + a % 2);
    h.setT2(3714);
    h.setT3(3702);
    h.setHumidity(70);
  }
}

void uniformHall(SimBus& bus, int count, int first) {
  for (int a = first; a < first + count && a <= kMaxIncubatorNumber; ++a)
    if (a >= 1) bus.addController(static_cast<std::uint8_t>(a));
}

}  // namespace vs
