#include "mqtt/MqttJson.h"

#include <charconv>
#include <system_error>

#include "common/TextCursor.h"

namespace vs::mqtt {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

class Reader : TextCursor {
 public:
  explicit Reader(std::string_view s) : TextCursor(s) {}

  std::optional<std::map<std::string, JsonValue>> object() {
    std::map<std::string, JsonValue> members;
    blanks();
    if (!take('{')) return std::nullopt;
    blanks();
    if (!take('}')) {
      for (;;) {
        blanks();
        std::string name;
        if (!string(name)) return std::nullopt;
        blanks();
        if (!take(':')) return std::nullopt;
        JsonValue v;
        if (!value(v, 1)) return std::nullopt;
        members.emplace(std::move(name), std::move(v));  // the first of a repeated name counts
        blanks();
        if (take('}')) break;
        if (!take(',')) return std::nullopt;
      }
    }
    blanks();
    if (at_ != s_.size()) return std::nullopt;
    return members;
  }

 private:
  static constexpr int kMaxDepth = 16;

  bool hex4(std::uint32_t& v) {
    if (at_ + 4 > s_.size()) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        v |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        v |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }
  bool string(std::string& out) {
    if (!take('"')) return false;
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (at_ >= s_.size()) return false;
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out.push_back(e);
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00) {  // a surrogate pair
            std::uint32_t lo = 0;
            if (!word("\\u") || !hex4(lo) || lo < 0xDC00 || lo > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
          }
          appendUtf8(out, cp);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }
  bool number(JsonValue& v) {
    const std::size_t from = at_;
    take('-');
    if (at_ >= s_.size() || s_[at_] < '0' || s_[at_] > '9') return false;
    while (at_ < s_.size() &&
           ((s_[at_] >= '0' && s_[at_] <= '9') || s_[at_] == '.' || s_[at_] == 'e' ||
            s_[at_] == 'E' || s_[at_] == '+' || s_[at_] == '-'))
      ++at_;
    v.kind = JsonValue::Kind::Number;
    v.text = std::string(s_.substr(from, at_ - from));
    // "." whatever the locale.
    const char* end = v.text.data() + v.text.size();
    const auto r = std::from_chars(v.text.data(), end, v.number);
    return r.ec == std::errc() && r.ptr == end;
  }
  bool value(JsonValue& v, int depth) {
    if (depth > kMaxDepth) return false;
    blanks();
    if (at_ >= s_.size()) return false;
    const char c = s_[at_];
    if (c == '"') {
      v.kind = JsonValue::Kind::String;
      return string(v.text);
    }
    if (c == '{' || c == '[') {
      v.kind = JsonValue::Kind::Nested;
      return nested(depth);
    }
    if (word("true")) {
      v.kind = JsonValue::Kind::Bool;
      v.flag = true;
      return true;
    }
    if (word("false")) {
      v.kind = JsonValue::Kind::Bool;
      return true;
    }
    if (word("null")) return true;
    return number(v);
  }
  // An array or object stepped over, checked as it goes.
  bool nested(int depth) {
    const char close = s_[at_] == '{' ? '}' : ']';
    const bool isObject = close == '}';
    ++at_;
    blanks();
    if (take(close)) return true;
    for (;;) {
      blanks();
      if (isObject) {
        std::string name;
        if (!string(name)) return false;
        blanks();
        if (!take(':')) return false;
      }
      JsonValue inner;
      if (!value(inner, depth + 1)) return false;
      blanks();
      if (take(close)) return true;
      if (!take(',')) return false;
    }
  }
};

}  // namespace

std::string base64(const std::uint8_t* data, std::size_t n) {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  for (std::size_t i = 0; i < n; i += 3) {
    const std::uint32_t b0 = data[i];
    const std::uint32_t b1 = i + 1 < n ? data[i + 1] : 0;
    const std::uint32_t b2 = i + 2 < n ? data[i + 2] : 0;
    const std::uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(i + 1 < n ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back(i + 2 < n ? kAlphabet[v & 63] : '=');
  }
  return out;
}

bool unbase64(std::string_view text, std::vector<std::uint8_t>& out) {
  out.clear();
  if (text.size() % 4 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + static_cast<std::size_t>(k)];
      if (c == '=' && last && k >= 2) {
        v[k] = 0;
        ++pad;
        continue;
      }
      if (pad > 0) return false;  // data after padding
      v[k] = sextet(c);
      if (v[k] < 0) return false;
    }
    const std::uint32_t w =
        (static_cast<std::uint32_t>(v[0]) << 18) | (static_cast<std::uint32_t>(v[1]) << 12) |
        (static_cast<std::uint32_t>(v[2]) << 6) | static_cast<std::uint32_t>(v[3]);
    out.push_back(static_cast<std::uint8_t>(w >> 16));
    if (pad < 2) out.push_back(static_cast<std::uint8_t>(w >> 8));
    if (pad < 1) out.push_back(static_cast<std::uint8_t>(w));
  }
  return true;
}

std::optional<std::map<std::string, JsonValue>> readJsonObject(std::string_view text) {
  return Reader(text).object();
}

}  // namespace vs::mqtt
