// The single-instance check: a lock of a fixed name in the temporary folder, held while the
// program runs. A second copy finds it taken and only says so in its caption.
#pragma once
#include <QLockFile>
#include <QString>

namespace vs {

class SingleInstance {
 public:
  static constexpr const char* kLockName = "Vetrostan2022-RS485.lock";

  // `lockPath` empty: the fixed name in the temporary folder.
  explicit SingleInstance(const QString& lockPath = {});
  // False when another running copy holds the lock.
  bool isFirst() const { return first_; }
  static QString defaultPath();

 private:
  QLockFile lock_;
  bool first_ = false;
};

}  // namespace vs
