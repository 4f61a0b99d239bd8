// A remote station that takes its hall from the broker instead of the shared data file: the
// serving station's retained states (names, poll flags, link state and the raw answer bytes),
// its hall (how many rows, the number of each) and its status. On each exchange of its mode it
// fills the shared record as a read of the file would and replays it through the same status
// decoding; while the broker or the serving station is away it shows "нет сети" and leaves
// every table as it was.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/DateTime.h"

namespace vs {
class Station;
}

namespace vs::mqtt {

class MqttRemote {
 public:
  // `serving` is the serving station's name in topics; `where` names the broker in the caption.
  MqttRemote(Station& st, std::string serving, std::string where);

  // Messages of the subscription, newest per topic; anything not of the serving station, not
  // well formed or out of bounds is passed over.
  void take(const std::vector<std::pair<std::string, std::string>>& messages);
  // The exchange of a remote mode (in place of the shared file's read): `brokerUp` is the
  // client's connection.
  void DanRead(bool brokerUp);

  bool servingOnline() const { return online_; }
  bool hallKnown() const { return hallKnown_; }
  std::size_t states() const { return byNumber_.size(); }

 private:
  struct State {
    int row = -1;
    std::string name;  // UTF-8
    bool polled = false;
    bool link = false;
    TDateTime time = 0;
    std::vector<std::uint8_t> raw;
  };
  static constexpr std::size_t kMaxStates = 1024;

  void takeState(int number, const std::string& payload);
  void takeHall(const std::string& payload);

  Station& st_;
  std::string prefix_;
  std::string where_;
  bool online_ = false;
  bool hallKnown_ = false;
  std::vector<int> numbers_;  // of the serving station's rows
  std::map<int, State> byNumber_;
  TDateTime lastMessage_ = 0;
  std::int32_t received_ = 0;  // states taken, shown as the answer counter
};

}  // namespace vs::mqtt
