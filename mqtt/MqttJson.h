// The small pieces of text the MQTT messages need: base64 of an answer's bytes, and a reader
// for the flat JSON objects the station itself publishes (strings, numbers, true, false, null;
// nested arrays and objects are stepped over). What comes from the broker is outside input:
// the reader bounds its depth and refuses anything that is not well formed.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vs::mqtt {

std::string base64(const std::uint8_t* data, std::size_t n);
// False for a character outside the alphabet, a wrong padding or a length not a multiple of 4.
bool unbase64(std::string_view text, std::vector<std::uint8_t>& out);

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Nested } kind = Kind::Null;
  bool flag = false;
  double number = 0;
  std::string text;  // String: the decoded UTF-8; Number: as written
};

// The members of one JSON object, by name; nothing when `text` is not one object.
std::optional<std::map<std::string, JsonValue>> readJsonObject(std::string_view text);

}  // namespace vs::mqtt
