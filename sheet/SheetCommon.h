// What the spreadsheet writers share: how a failed save is worded and how text is checked.
#pragma once
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace vs {

// The path as UTF-8, whatever the platform's native form.
inline std::string sheetPathText(const std::filesystem::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

// "не удалось записать файл <path>: <reason>", the reason in words for the usual causes and the
// system's own text for the rest.
inline std::string sheetWriteFailure(const std::filesystem::path& path, int err) {
  std::string reason;
  switch (err) {
    case ENOSPC:
      reason = "нет места на диске";
      break;
    case EACCES:
    case EPERM:
      reason = "нет прав на запись";
      break;
    case ENOENT:
    case ENOTDIR:
      reason = "нет такой папки";
      break;
    case EISDIR:
      reason = "на месте файла папка";
      break;
    case EROFS:
      reason = "диск только для чтения";
      break;
    default:
      reason = err ? std::strerror(err) : "неизвестная ошибка";
  }
  return "не удалось записать файл " + sheetPathText(path) + ": " + reason;
}

// Decodes the character at `s[i]` and moves `i` past it; a byte that starts no valid UTF-8
// sequence (stray, overlong, surrogate, beyond U+10FFFF, cut short) is U+FFFD and one byte long.
inline char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80 || b < 0xC2 || b > 0xF4) {
    ++i;
    return b < 0x80 ? b : 0xFFFD;
  }
  const std::size_t len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  char32_t v = b & (0x3F >> (len - 1));
  bool ok = i + len <= s.size();
  for (std::size_t k = 1; ok && k < len; ++k) {
    const auto cb = static_cast<unsigned char>(s[i + k]);
    ok = (cb & 0xC0) == 0x80;
    v = (v << 6) | (cb & 0x3F);
  }
  const char32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
  if (!ok || v < least || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += len;
  return v;
}

// Characters a spreadsheet cell holds at most, in UTF-16 units.
constexpr std::size_t kMaxCellUnits = 32767;

// The text as UTF-16, cut to `limit` units without splitting a pair.
inline std::u16string toUtf16(std::string_view s, std::size_t limit = kMaxCellUnits) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const char32_t c = nextCodePoint(s, i);
    if (out.size() + (c > 0xFFFF ? 2 : 1) > limit) break;
    if (c > 0xFFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

// The text as valid UTF-8 (bad bytes as U+FFFD), cut to `limit` UTF-16 units like a cell.
inline std::string validUtf8(std::string_view s, std::size_t limit = kMaxCellUnits) {
  std::string out;
  out.reserve(s.size());
  std::size_t units = 0;
  for (std::size_t i = 0; i < s.size();) {
    const char32_t c = nextCodePoint(s, i);
    units += c > 0xFFFF ? 2 : 1;
    if (units > limit) break;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace vs
