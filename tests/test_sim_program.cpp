// vetrostan-sim as a separate process on a pseudo-terminal, the way the end-to-end tests and the
// workstation use it. Every wait is bounded and the child is always reaped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"

extern char** environ;

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    args.insert(args.begin(), VETROSTAN_SIM_BIN);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    out_ = out[0];
  }
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }

  // Everything the program writes on stdout until it closes it or `ms` pass.
  std::string readStdout(int ms) {
    std::string text;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buf[256];
      const ssize_t n = ::read(out_, buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
      if (text.find('\n') != std::string::npos && stopAtLine_) break;
    }
    return text;
  }
  std::string firstLine(int ms) {
    stopAtLine_ = true;
    return readStdout(ms);
  }

  // Exit status after SIGTERM (or after exiting by itself), or nullopt if it hangs.
  std::optional<int> terminate(int ms) {
    kill(pid_, SIGTERM);
    return waitExit(ms);
  }
  std::optional<int> waitExit(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      ::poll(nullptr, 0, 10);
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool stopAtLine_ = false;
};

int openSlave(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// Writes a request and waits (bounded) for the first good frame that comes back.
std::optional<RS232_T> exchange(int fd, const Bytes& request, int ms = 3000) {
  if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
    return std::nullopt;
  FrameCodec codec;
  std::optional<RS232_T> got;
  codec.onGoodFrame = [&](const RS232_T& f) { got = f; };
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!got && Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    std::uint8_t buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    for (ssize_t k = 0; k < n; ++k) codec.Obrabotka_N(buf[k]);
  }
  return got;
}

const Bytes kPoll85 = {0x00, 0x00, 0xAA, 0x55, 0x02, 0xDE, 0x00, 0x01, 0x00, 0x1A};
const Bytes kPoll170 = {0x00, 0x00, 0xAA, 0x55, 0x01, 0xDE, 0x00, 0x01, 0x00, 0x89};
const Bytes kPoll5 = {0x00, 0x00, 0xAA, 0x05, 0xDE, 0x00, 0x01, 0x00, 0xA7};

TEST(SimProgram, ServesAPseudoTerminalAcrossReopeningsAndStopsCleanly) {
  SimProcess sim({"--pty", "--addresses", "5,85,170"});
  const std::string line = sim.firstLine(10'000);
  ASSERT_EQ(line.rfind("PTY /", 0), 0u) << line;
  ASSERT_EQ(line.back(), '\n');
  const std::string path = line.substr(4, line.size() - 5);

  int fd = openSlave(path);
  ASSERT_GE(fd, 0);
  auto f = exchange(fd, kPoll85);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Otpr, 85);
  EXPECT_EQ(f->Kol_d, 122);
  EXPECT_EQ(f->Dann[0], 5);
  ::close(fd);

  // The far end goes away and comes back.
  ::poll(nullptr, 0, 100);
  fd = openSlave(path);
  ASSERT_GE(fd, 0);
  f = exchange(fd, kPoll170);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Otpr, 170);
  f = exchange(fd, kPoll5);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Otpr, 5);
  ::close(fd);

  EXPECT_EQ(sim.terminate(5000), 0);
  EXPECT_EQ(sim.readStdout(200), "") << "nothing but the PTY line on stdout";
}

TEST(SimProgram, HallFromAFileWithTheCommandLineOnTop) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("vetrostan-sim-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const auto file = dir / "hall.txt";
  std::ofstream(file) << "addresses = 5\n5.T1 = 3900\n5.C2 = 0x0010\n";

  SimProcess sim({"--pty", "--config", file.string(), "--delay-ms", "2"});
  const std::string line = sim.firstLine(10'000);
  ASSERT_EQ(line.rfind("PTY /", 0), 0u) << line;
  const int fd = openSlave(line.substr(4, line.size() - 5));
  ASSERT_GE(fd, 0);
  const auto f = exchange(fd, kPoll5);
  ::close(fd);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Dann[21], 0x3C);  // 3900
  EXPECT_EQ(f->Dann[22], 0x0F);
  EXPECT_EQ(f->Dann[19], 0x10);
  EXPECT_EQ(sim.terminate(5000), 0);
  std::filesystem::remove_all(dir);
}

TEST(SimProgram, RefusesBadArgumentsWithoutPrintingAPath) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--pty", "--addresses", "0,300"},
                                             {"--pty", "--silent-share", "2"},
                                             {"--pty", "--config", "/nonexistent/hall.txt"},
                                             {"--frobnicate"},
                                             {}}) {
    SimProcess sim(args);
    EXPECT_EQ(sim.readStdout(5000), "");
    EXPECT_EQ(sim.waitExit(5000), 2);
  }
}

}  // namespace
}  // namespace vs
