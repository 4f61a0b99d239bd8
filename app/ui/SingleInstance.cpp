#include "app/ui/SingleInstance.h"

#include <QDir>

namespace vs {

QString SingleInstance::lockPathFor(const std::filesystem::path& workingFolder) {
  const std::u8string u = workingFolder.u8string();
  const QString dir =
      QString::fromUtf8(reinterpret_cast<const char*>(u.data()), static_cast<qsizetype>(u.size()));
  return QDir(dir).filePath(QString::fromLatin1(kLockName));
}

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
  // Only a holder that no longer runs gives its lock up (a copy killed outright leaves its
  // file behind, and the next start takes it over); the lock never ages out while it runs.
  lock_.setStaleLockTime(0);
  first_ = lock_.tryLock(0);
  if (first_) return;
  if (lock_.error() == QLockFile::LockFailedError) {
    QString host, app;
    lock_.getLockInfo(&holderPid_, &host, &app);
    return;
  }
  // Nobody holds it, but it cannot be made: go on as the only copy and say why.
  first_ = true;
  problem_ = lock_.error() == QLockFile::PermissionError
                 ? QStringLiteral("нет права записи в папку")
                 : QStringLiteral("ошибка файла блокировки");
}

}  // namespace vs
