// The single-instance check: a lock file in the working folder, held while the program runs.
// The folder is what two copies must not share (the bus of its settings, "dan.dan", the settings
// file, the configuration), so two copies on different folders run side by side, and two on
// one folder are found whatever their temporary folders are.
#pragma once
#include <QLockFile>
#include <QString>
#include <filesystem>

namespace vs {

class SingleInstance {
 public:
  static constexpr const char* kLockName = "Vetrostan.lock";

  // Takes the lock at `lockPath` (see lockPathFor) if no running copy holds it.
  explicit SingleInstance(const QString& lockPath);
  static QString lockPathFor(const std::filesystem::path& workingFolder);

  // False when another running copy holds the lock.
  bool isFirst() const { return first_; }
  // The holder's process id when another copy holds the lock, else 0.
  qint64 holderPid() const { return holderPid_; }
  // Not empty when the lock could not be made at all (a folder nobody may write): the check
  // could not be done, and this says why.
  QString problem() const { return problem_; }

 private:
  QLockFile lock_;
  bool first_ = false;
  qint64 holderPid_ = 0;
  QString problem_;
};

}  // namespace vs
