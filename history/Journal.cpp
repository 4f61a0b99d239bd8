#include "history/Journal.h"

#include <cstdio>
#include <system_error>

#include "common/Cp1251.h"

namespace vs {

std::filesystem::path Journal::fileFor(TDateTime when) const {
  const LocalDateTime t = decodeDateTime(when);
  return home_ / "inf" / (std::to_string(t.month) + "_" + std::to_string(t.year) + ".txt");
}

std::string Journal::line(TDateTime when, const std::string& message) {
  // Short date and long time as a Russian desktop shows them: 08.12.2026 9:05:07.
  const LocalDateTime t = decodeDateTime(when);
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%02d.%02d.%04d %d:%02d:%02d", t.day, t.month, t.year, t.hour,
                t.minute, t.second);
  return utf8ToCp1251(std::string(stamp) + "  " + message) + "\r\n";
}

void Journal::Err(const std::string& message) {
  // The journal is written from every corner of the program, timer paths included: nothing here
  // may throw or stop the caller, and a journal that cannot be written is simply not written.
  try {
    const TDateTime now = clock_.now();
    const std::filesystem::path path = fileFor(now);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) std::filesystem::create_directory(home_ / "inf", ec);
    const std::string bytes = line(now, message);
    std::FILE* f = std::fopen(path.string().c_str(), "ab");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
    std::fclose(f);
  } catch (...) {
  }
}

}  // namespace vs
