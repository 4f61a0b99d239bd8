// The little JSON the web view writes: quoted strings with the escapes JSON requires.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace vs::web {

// Appends `s` (UTF-8) as a JSON string; control characters are escaped, "<" too, so that the
// text is safe wherever a page puts it.
inline void appendJsonString(std::string& out, std::string_view s) {
  out.push_back('"');
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u < 0x20 || c == '<') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

inline std::string jsonString(std::string_view s) {
  std::string out;
  appendJsonString(out, s);
  return out;
}

}  // namespace vs::web
