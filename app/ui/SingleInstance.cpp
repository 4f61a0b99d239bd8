#include "app/ui/SingleInstance.h"

#include <QDir>

namespace vs {

QString SingleInstance::defaultPath() {
  return QDir::temp().filePath(QString::fromLatin1(kLockName));
}

SingleInstance::SingleInstance(const QString& lockPath)
    : lock_(lockPath.isEmpty() ? defaultPath() : lockPath) {
  // Only a holder that no longer runs gives its lock up; the lock never ages out while the
  // first copy is running.
  lock_.setStaleLockTime(0);
  first_ = lock_.tryLock(0);
}

}  // namespace vs
