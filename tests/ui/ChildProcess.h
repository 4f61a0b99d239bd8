// Child processes of the window tests: the program and the simulator started for real.
#pragma once
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <filesystem>

namespace vs::testing {

// Stops a child for good: SIGTERM, a bounded wait, then SIGKILL.
inline void stopProcess(QProcess& p) {
  if (p.state() == QProcess::NotRunning) return;
  p.terminate();
  if (!p.waitForFinished(3000)) {
    p.kill();
    p.waitForFinished(3000);
  }
}

// The environment of a program started by a test: its own registry copy and single-instance
// lock under `root`, since tests run in parallel.
inline QProcessEnvironment isolatedEnvironment(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "tmp");
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("XDG_CONFIG_HOME", QString::fromStdString((root / "xdg").string()));
  e.insert("TMPDIR", QString::fromStdString((root / "tmp").string()));
  return e;
}

}  // namespace vs::testing
