#include "history/Journal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <system_error>

#include "common/Cp1251.h"

namespace vs {

namespace {

std::string utf8Of(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

}  // namespace

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

void Journal::tell(const std::string& text) const {
  if (trouble)
    trouble(text);
  else
    std::cerr << text << '\n';
}

bool Journal::append(const std::filesystem::path& path, const std::string& bytes) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) std::filesystem::create_directory(home_ / "inf", ec);
  std::FILE* f = std::fopen(path.string().c_str(), "ab");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

bool Journal::Err(const std::string& message) {
  // The journal is written from every corner of the program, timer paths included: nothing here
  // may throw or stop the caller.
  try {
    const TDateTime now = clock_.now();
    const std::filesystem::path path = fileFor(now);
    const std::string bytes = line(now, message);
    if (!append(path, bytes)) {
      const int err = errno;
      if (!failing_) {
        failing_ = true;
        lostSince_ = formatDateTime(now);
        tell("Журнал событий не записывается: " + utf8Of(path) + " (" + std::strerror(err) +
             "). Не записано: " + message);
      }
      return false;
    }
    if (failing_) {
      failing_ = false;
      const std::string back =
          "Журнал событий снова записывается; строки с " + lostSince_ + " до этой потеряны";
      append(path, line(now, back));
      tell(back);
    }
    return true;
  } catch (...) {
    // Out of memory while building the line: nothing can be told either; the next line tries.
    return false;
  }
}

}  // namespace vs
