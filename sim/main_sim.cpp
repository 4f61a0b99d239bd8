// vetrostan-sim: serves simulated incubator controllers on a pseudo-terminal or a serial device,
// so that the workstation can be tried and tested end to end without a hall. POSIX only.
//
//   vetrostan-sim --pty [--addresses 5,85,170] [--delay-ms N] [--silent-share P] [--baud N]
//                 [--config FILE] [--demo] [--bootloader TYPE]
//   vetrostan-sim --device /dev/ttyUSB0 [same hall options]
//
// With --pty it prints exactly one line "PTY <slave path>" on stdout, then serves until SIGTERM
// or SIGINT and exits 0. The far end may open, close and reopen the slave at any time.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "sim/SimBus.h"
#include "sim/SimHall.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int) {
  g_stop = 1;
}

struct Args {
  bool pty = false;
  std::string device;
  std::string addresses;
  std::string config;
  long long delayMs = -1;
  double silentShare = -1.0;
  long baud = 0;  // not given: 38 400, or the hub's 230 400
  bool demo = false;
  long bootloader = -1;  // board type of a board with a bootloader on the line
};

int usage(const char* why) {
  std::cerr << "vetrostan-sim: " << why << "\n"
            << "usage: vetrostan-sim (--pty | --device PATH) [--addresses LIST] [--delay-ms N]\n"
            << "                     [--silent-share P] [--baud N] [--config FILE] [--demo]\n"
            << "                     [--bootloader TYPE]\n";
  return 2;
}

// Accepts "--name value" and "--name=value".
bool takeValue(int argc, char** argv, int& i, const std::string& name, std::string& out) {
  const std::string a = argv[i];
  if (a == name) {
    if (i + 1 >= argc) return false;
    out = argv[++i];
    return true;
  }
  if (a.rfind(name + "=", 0) == 0) {
    out = a.substr(name.size() + 1);
    return true;
  }
  return false;
}

bool parseNumber(const std::string& s, long long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(s.c_str(), &end, 10);
  return !s.empty() && errno == 0 && *end == '\0';
}

// Returns 0 when fine, else the exit code for a usage error.
int parseArgs(int argc, char** argv, Args& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    std::string v;
    long long n = 0;
    if (a == "--pty") {
      args.pty = true;
    } else if (a == "--demo") {
      args.demo = true;
    } else if (takeValue(argc, argv, i, "--device", v)) {
      args.device = v;
    } else if (takeValue(argc, argv, i, "--addresses", v)) {
      args.addresses = v;
    } else if (takeValue(argc, argv, i, "--config", v)) {
      args.config = v;
    } else if (takeValue(argc, argv, i, "--delay-ms", v)) {
      if (!parseNumber(v, n) || n < 0 || n > 60'000) return usage("bad --delay-ms");
      args.delayMs = n;
    } else if (takeValue(argc, argv, i, "--bootloader", v)) {
      if (!parseNumber(v, n) || n < 0 || n > 0xFFFF) return usage("bad --bootloader");
      args.bootloader = static_cast<long>(n);
    } else if (takeValue(argc, argv, i, "--baud", v)) {
      if (!parseNumber(v, n) || n <= 0 || n > 4'000'000) return usage("bad --baud");
      args.baud = static_cast<long>(n);
    } else if (takeValue(argc, argv, i, "--silent-share", v)) {
      char* end = nullptr;
      args.silentShare = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(args.silentShare >= 0.0 && args.silentShare <= 1.0))
        return usage("bad --silent-share");
    } else {
      return usage(("unknown argument " + a).c_str());
    }
  }
  if (args.pty == !args.device.empty()) return usage("give exactly one of --pty and --device");
  return 0;
}

// Puts the chosen hall on the bus. Returns false (after saying why) when the hall is unusable.
bool buildChosenHall(const Args& args, vs::SimBus& bus) {
  vs::HallConfig hall;
  if (!args.config.empty()) {
    std::ifstream in(args.config, std::ios::binary);
    if (!in) {
      std::cerr << "vetrostan-sim: cannot read " << args.config << "\n";
      return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> errors;
    hall = vs::parseHallConfig(text.str(), errors);
    for (const auto& e : errors) std::cerr << "vetrostan-sim: " << args.config << ": " << e << "\n";
    if (!errors.empty()) return false;
  }
  if (!args.addresses.empty()) {
    const auto list = vs::parseAddressList(args.addresses);
    if (!list) {
      std::cerr << "vetrostan-sim: bad --addresses (numbers 1..251, ranges like 1-12)\n";
      return false;
    }
    for (auto a : *list)
      if (std::find(hall.addresses.begin(), hall.addresses.end(), a) == hall.addresses.end())
        hall.addresses.push_back(a);
  }
  if (args.bootloader >= 0) {
    if (!hall.bootloader) hall.bootloader.emplace();
    hall.bootloader->type = static_cast<std::uint16_t>(args.bootloader);
  }
  if (hall.addresses.empty()) {
    vs::demoHall(bus);
    if (hall.bootloader) vs::putBootloader(bus, *hall.bootloader, hall.bootloaderHost, hall.seed);
  } else {
    hall.live = hall.live || args.demo;
    vs::buildHall(bus, hall);
  }
  for (const auto& c : bus.controllers()) {
    if (args.delayMs >= 0) c->options().answerDelayMs = args.delayMs;
    if (args.silentShare >= 0.0) c->options().silentShare = args.silentShare;
  }
  return true;
}

bool makeRaw(int fd, long baud) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD | CSTOPB;  // 8 data bits, two stop bits, no parity
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | PARENB);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  speed_t speed = B38400;
  switch (baud) {
    case 9600:
      speed = B9600;
      break;
    case 19200:
      speed = B19200;
      break;
    case 38400:
      speed = B38400;
      break;
    case 57600:
      speed = B57600;
      break;
    case 115200:
      speed = B115200;
      break;
    case 230400:
      speed = B230400;
      break;
    default:
      break;
  }
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

int openPty(std::string& slavePath) {
  const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
    ::close(fd);
    return -1;
  }
  const char* name = ptsname(fd);
  if (!name) {
    ::close(fd);
    return -1;
  }
  slavePath = name;
  makeRaw(fd, 38400);
  return fd;
}

int openDevice(const std::string& path, long baud) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  if (!makeRaw(fd, baud)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::int64_t monotonicUs() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return duration_cast<microseconds>(steady_clock::now() - start).count();
}

// Waits up to ms milliseconds without watching any descriptor.
void pause(int ms) {
  ::poll(nullptr, 0, ms);
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (const int rc = parseArgs(argc, argv, args); rc != 0) return rc;

  vs::SimBus bus;
  if (!buildChosenHall(args, bus)) return 2;
  if (args.baud == 0) args.baud = static_cast<long>(bus.lineBaud());
  bus.setLineBaud(static_cast<std::uint32_t>(args.baud));
  bus.setTimeSource(monotonicUs);
  // On a real serial device the bytes already take their time on the wire.
  bus.setInstantWire(!args.pty);
  bus.open(vs::SimBus::kSerial);
  bus.configure(vs::LineSettings{static_cast<std::uint32_t>(args.baud), 8, 2, 0, 0});

  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int fd = -1;
  if (args.pty) {
    std::string slave;
    fd = openPty(slave);
    if (fd < 0) {
      std::cerr << "vetrostan-sim: cannot open a pseudo-terminal: " << std::strerror(errno) << "\n";
      return 1;
    }
    std::printf("PTY %s\n", slave.c_str());
    std::fflush(stdout);
  } else {
    fd = openDevice(args.device, args.baud);
    if (fd < 0) {
      std::cerr << "vetrostan-sim: cannot open " << args.device << ": " << std::strerror(errno)
                << "\n";
      return 1;
    }
  }
  std::cerr << "vetrostan-sim: serving " << bus.controllers().size() << " controllers\n";

  // Far end absent: a pty master reads EIO and polls as hung up while no slave is open; a
  // serial device may have gone. Either way wait a little and look again.
  bool farEndAway = false;
  std::uint8_t buf[4096];
  while (!g_stop) {
    if (fd < 0) {  // a serial device that went away: try to get it back once a second
      pause(1000);
      fd = openDevice(args.device, args.baud);
      continue;
    }
    int timeoutMs = 100;
    if (const auto next = bus.nextEventUs()) {
      const std::int64_t waitUs = *next - monotonicUs();
      timeoutMs = static_cast<int>(std::clamp<std::int64_t>((waitUs + 999) / 1000, 0, 100));
    }
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, farEndAway ? 0 : timeoutMs);
    if (r < 0 && errno != EINTR) break;
    farEndAway = false;
    if (r > 0 && (p.revents & POLLIN)) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        bus.write(buf, static_cast<std::size_t>(n));
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        farEndAway = true;
      }
    } else if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      farEndAway = true;
    }
    if (farEndAway && !args.pty) {
      ::close(fd);
      fd = -1;
      continue;
    }
    // Whatever the devices have put on the line by now goes to the far end.
    while (bus.bytesWaiting() > 0) {
      const long long got = bus.read(buf, sizeof buf);
      if (got > 0 && !farEndAway) {
        std::size_t off = 0;
        while (off < static_cast<std::size_t>(got)) {
          const ssize_t w = ::write(fd, buf + off, static_cast<std::size_t>(got) - off);
          if (w <= 0) break;  // nobody reading, or the queue is full: the answer is lost
          off += static_cast<std::size_t>(w);
        }
      }
    }
    if (farEndAway) pause(20);
  }
  if (fd >= 0) ::close(fd);
  return 0;
}
