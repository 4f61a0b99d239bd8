// Any bytes as a settings file: no crash, no read outside the text, and what is written back
// reads back with the values that were set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vs::IniFile ini;
  ini.parse(bytes);
  unsigned sum = 0;
  for (const char* section : {"UST", "ust", "Form", "Nastr", "ZVUK", "", "["}) {
    for (const char* key : {"Width", "pripusk", "FON0_Color", "z0", "KOL_T", ";", "="}) {
      sum += static_cast<unsigned>(ini.readInt(section, key, 0));
      sum += ini.readBool(section, key, false) ? 1u : 0u;
      sum += static_cast<unsigned>(ini.readString(section, key, "").size());
      sum += ini.has(section, key) ? 1u : 0u;
    }
  }
  // A key written over whatever the input held is what a reader of the written text finds.
  const std::string value(bytes.substr(0, size < 40 ? size : 40));
  // A section and key named by the input: found again at once, in another letter case too
  // when the name is plain ASCII, however many sections the input made.
  const std::string name(bytes.substr(size / 2, 12));
  if (!name.empty() && name.front() != ';' && name.find_first_of("\r\n") == std::string::npos) {
    ini.writeInt(name, name, 7);
    if (ini.readInt(name, name, -1) != 7) std::abort();
    std::string upper = name;
    for (char& ch : upper)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    if (!ini.has(upper, upper)) std::abort();
  }
  ini.writeInt("UST", "Opros_period", static_cast<int>(size));
  ini.writeString("USB", "usb-Serial_Number", value);
  vs::IniFile back;
  back.parse(ini.text());
  if (back.readInt("ust", "OPROS_PERIOD", -1) != static_cast<int>(size)) std::abort();
  if (!back.has("usb", "usb-serial_number")) std::abort();
  return static_cast<int>(sum & 0);
}
