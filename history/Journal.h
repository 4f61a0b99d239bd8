// The event journal `Err`: one text file per month, "inf/<month>_<year>.txt" in the working
// folder, Windows-1251 with CR LF, one dated line per event. I/O errors are ignored.
#pragma once
#include <filesystem>
#include <string>

#include "common/DateTime.h"

namespace vs {

class Journal {
 public:
  Journal(std::filesystem::path home, const Clock& clock) : home_(std::move(home)), clock_(clock) {}
  // Appends one line with the current date and time; `message` is UTF-8.
  void Err(const std::string& message);
  std::filesystem::path fileFor(TDateTime when) const;
  // The Windows-1251 bytes of one journal line, CR LF included: "08.12.2026 9:05:07  message".
  static std::string line(TDateTime when, const std::string& message);

 private:
  std::filesystem::path home_;
  const Clock& clock_;
};

}  // namespace vs
