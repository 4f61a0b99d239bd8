// Windows-1251 <-> UTF-8 conversion at the edge of files and records.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vs {

// Converts Windows-1251 bytes to UTF-8. Every byte maps to a character (0x98 to U+FFFD).
std::string cp1251ToUtf8(std::string_view bytes);

// Converts UTF-8 text to Windows-1251. Characters the code page lacks (and invalid UTF-8)
// become '?'.
std::string utf8ToCp1251(std::string_view utf8);

}  // namespace vs
