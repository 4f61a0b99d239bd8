// A reading position in a short text, for the small readers written by hand (the JSON of the
// broker's messages, the body of an acknowledgement): one character at a time, never past the
// end.
#pragma once
#include <cstddef>
#include <string_view>

namespace vs {

class TextCursor {
 public:
  explicit TextCursor(std::string_view s) : s_(s) {}

 protected:
  // The next character, '\0' at the end.
  char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
  // Steps over `c` when it comes next.
  bool take(char c) {
    if (peek() != c || at_ >= s_.size()) return false;
    ++at_;
    return true;
  }
  // Steps over JSON's white space: blank, tab, line feed, carriage return.
  void blanks() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
      ++at_;
  }
  // Steps over `w` when it comes next.
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace vs
