// The event journal `Err`: one text file per month, "inf/<month>_<year>.txt" in the working
// folder, Windows-1251 with CR LF, one dated line per event. A journal that cannot be written
// never stops the caller; it is told once when the failure starts and once when it ends.
#pragma once
#include <filesystem>
#include <functional>
#include <string>

#include "common/DateTime.h"

namespace vs {

class Journal {
 public:
  Journal(std::filesystem::path home, const Clock& clock) : home_(std::move(home)), clock_(clock) {}
  // Appends one line with the current date and time; `message` is UTF-8. False when the line
  // could not be written.
  bool Err(const std::string& message);
  std::filesystem::path fileFor(TDateTime when) const;
  // The Windows-1251 bytes of one journal line, CR LF included: "08.12.2026 9:05:07  message".
  static std::string line(TDateTime when, const std::string& message);

  // Where the journal's own trouble is told (standard error, the main window): it cannot go
  // into the journal. Unset: standard error.
  std::function<void(const std::string& utf8)> trouble;
  bool failing() const { return failing_; }

 private:
  bool append(const std::filesystem::path& path, const std::string& bytes);
  void tell(const std::string& text) const;

  std::filesystem::path home_;
  const Clock& clock_;
  bool failing_ = false;
  std::string lostSince_;  // date and time of the first line that could not be written
};

}  // namespace vs
