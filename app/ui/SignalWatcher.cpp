#include "app/ui/SignalWatcher.h"

#include <QSocketNotifier>
#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vs {

#ifndef _WIN32
namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &b, 1);
  errno = saved;
}

}  // namespace
#endif

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
#ifndef _WIN32
  if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0) return;
  ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
  ::fcntl(g_pipe[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(g_pipe[1], F_SETFD, FD_CLOEXEC);
  notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char b = 0;
    if (::read(g_pipe[1], &b, 1) != 1) return;
    if (requested_ == 0) requested_ = b;
    emit terminationRequested(b);
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  // A closed terminal or session (SIGHUP) ends the program the same orderly way.
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
#endif
}

SignalWatcher::~SignalWatcher() {
#ifndef _WIN32
  if (notifier_) {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
  }
#endif
}

}  // namespace vs
