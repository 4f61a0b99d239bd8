// The real serial code on pseudo-terminals: the Qt backend against a socat pair, and the whole
// link (Qt backend, adapter wrapper, USB link, frame codec) against the simulator program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "bus/FrameCodec.h"
#include "bus/UsbLink.h"
#include "bus/ui/QtSerialBackend.h"
#include "tests/ui/ChildProcess.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs the event loop until `done` holds or `ms` milliseconds pass; returns `done()`.
template <typename Pred>
bool spinUntil(Pred done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

using testing::stopProcess;

// Two connected pseudo-terminals made by socat; `a` and `b` are their /dev/pts paths.
struct PtyPair {
  QTemporaryDir dir;
  QProcess socat;
  std::string a, b;

  bool start() {
    const QString la = dir.filePath("a"), lb = dir.filePath("b");
    socat.start("socat", {"-d", "pty,raw,echo=0,link=" + la, "pty,raw,echo=0,link=" + lb});
    if (!socat.waitForStarted(3000)) return false;
    QElapsedTimer t;
    t.start();
    while (!(QFileInfo::exists(la) && QFileInfo::exists(lb)) && t.elapsed() < 3000) {
      QThread::msleep(10);
    }
    if (!QFileInfo::exists(la) || !QFileInfo::exists(lb)) return false;
    a = std::filesystem::read_symlink(la.toStdString()).string();
    b = std::filesystem::read_symlink(lb.toStdString()).string();
    return true;
  }
  ~PtyPair() { stopProcess(socat); }
};

// The far end of a pair, opened raw.
struct FarEnd {
  int fd = -1;
  explicit FarEnd(const std::string& path) { fd = ::open(path.c_str(), O_RDWR | O_NOCTTY); }
  ~FarEnd() {
    if (fd >= 0) ::close(fd);
  }
  bool send(const Bytes& b) const {
    return fd >= 0 && ::write(fd, b.data(), b.size()) == static_cast<ssize_t>(b.size());
  }
};

bool haveSocat() {
  return !QStandardPaths::findExecutable("socat").isEmpty();
}

TEST(QtSerialBackend, NamesThatArePortPaths) {
  EXPECT_TRUE(QtSerialBackend::isDevicePath("/dev/ttyUSB0"));
  EXPECT_TRUE(QtSerialBackend::isDevicePath("/dev/pts/3"));
  EXPECT_TRUE(QtSerialBackend::isDevicePath("COM3"));
  EXPECT_TRUE(QtSerialBackend::isDevicePath("com12"));
  EXPECT_TRUE(QtSerialBackend::isDevicePath("\\\\.\\COM12"));
  EXPECT_FALSE(QtSerialBackend::isDevicePath("FT4RS485"));
  EXPECT_FALSE(QtSerialBackend::isDevicePath("COMPORT"));
  EXPECT_FALSE(QtSerialBackend::isDevicePath(""));

  QtSerialBackend port;
  EXPECT_FALSE(port.open("NO-SUCH-SERIAL-0000"));
  EXPECT_FALSE(port.open("/dev/no-such-port"));
  EXPECT_EQ(port.bytesWaiting(), -1);
}

TEST(QtSerialBackend, SeesBytesWithoutAnEventLoopAndWritesAtOnce) {
  if (!haveSocat()) GTEST_SKIP() << "socat is not installed";
  PtyPair pty;
  ASSERT_TRUE(pty.start());
  QtSerialBackend port;
  ASSERT_TRUE(port.open(pty.a)) << pty.a;
  LineSettings line;
  port.configure(line);  // a pseudo-terminal may refuse some settings; the port stays usable
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(port.bytesWaiting(), 0);

  FarEnd far(pty.b);
  ASSERT_GE(far.fd, 0);
  const Bytes sent{0x00, 0x00, 0xAA, 0x05, 0xDE, 0x00, 0x01, 0x00, 0xA7};
  ASSERT_TRUE(far.send(sent));
  // No event loop runs here: the query alone must find the bytes.
  long long n = 0;
  for (int k = 0; k < 300 && n < static_cast<long long>(sent.size()); ++k) {
    n = port.bytesWaiting();
    if (n < static_cast<long long>(sent.size())) QThread::msleep(10);
  }
  ASSERT_EQ(n, static_cast<long long>(sent.size()));
  Bytes got(static_cast<std::size_t>(n));
  EXPECT_EQ(port.read(got.data(), got.size()), n);
  EXPECT_EQ(got, sent);

  // A write reaches the far end without the event loop either.
  EXPECT_EQ(port.write(sent.data(), sent.size()), static_cast<long long>(sent.size()));
  Bytes back(sent.size());
  std::size_t have = 0;
  ::fcntl(far.fd, F_SETFL, O_NONBLOCK);
  for (int k = 0; k < 300 && have < back.size(); ++k) {
    const ssize_t r = ::read(far.fd, back.data() + have, back.size() - have);
    if (r > 0)
      have += static_cast<std::size_t>(r);
    else
      QThread::msleep(10);
  }
  EXPECT_EQ(back, sent);
}

TEST(QtSerialBackend, A20msTimerAloneDrivesTheLink) {
  if (!haveSocat()) GTEST_SKIP() << "socat is not installed";
  PtyPair pty;
  ASSERT_TRUE(pty.start());
  QtSerialBackend port;
  UsbLink link(port);
  Bytes received;
  link.Obrabotka_N = [&](std::uint8_t b) { received.push_back(b); };
  link.UsbCreate();
  link.Open_Usb(pty.a);
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { link.Timer1Timer(); });
  tick.start(20);
  ASSERT_TRUE(spinUntil([&] { return link.DevicePresent; }, 2000));

  FarEnd far(pty.b);
  Bytes sent(300);
  for (std::size_t k = 0; k < sent.size(); ++k) sent[k] = static_cast<std::uint8_t>(k);
  ASSERT_TRUE(far.send(sent));
  EXPECT_TRUE(spinUntil([&] { return received.size() >= sent.size(); }, 3000));
  EXPECT_EQ(received, sent);
}

TEST(QtSerialBackend, ApulledOutAdapterClosesTheLinkWithoutAhang) {
  if (!haveSocat()) GTEST_SKIP() << "socat is not installed";
  PtyPair pty;
  ASSERT_TRUE(pty.start());
  QtSerialBackend port;
  UsbLink link(port);
  link.UsbCreate();
  link.Open_Usb(pty.a);
  link.Timer1Timer();
  ASSERT_TRUE(link.DevicePresent);

  stopProcess(pty.socat);  // the device disappears under the open port
  QElapsedTimer t;
  t.start();
  for (int k = 0; k < 100 && link.DevicePresent; ++k) {
    link.Timer1Timer();
    if (link.DevicePresent) QThread::msleep(10);
  }
  EXPECT_FALSE(link.DevicePresent);
  EXPECT_LT(t.elapsed(), 5000);
  const Bytes frame{0, 0, 0xAA};
  EXPECT_EQ(link.UsbWrite(frame.data(), 3), 0);
  link.Timer1Timer();
  EXPECT_FALSE(link.DevicePresent);
}

// The simulator program serves controller 5 on a pseudo-terminal; one status poll through the
// real link must bring back its status answer.
TEST(SerialEndToEnd, StatusPollOfTheSimulatedController) {
  const QString sim = QStringLiteral(VETROSTAN_SIM_BIN);
  if (!QFileInfo::exists(sim)) GTEST_SKIP() << "simulator not built: " << sim.toStdString();

  QProcess proc;
  proc.setProcessChannelMode(QProcess::SeparateChannels);
  proc.start(sim, {"--pty", "--addresses", "5"});
  ASSERT_TRUE(proc.waitForStarted(3000));
  std::string path;
  QElapsedTimer t;
  t.start();
  while (path.empty() && t.elapsed() < 5000 && proc.state() == QProcess::Running) {
    if (!proc.canReadLine()) proc.waitForReadyRead(100);
    while (proc.canReadLine()) {
      const QString line = QString::fromUtf8(proc.readLine()).trimmed();
      if (line.startsWith("PTY ")) path = line.mid(4).trimmed().toStdString();
    }
  }
  if (path.empty()) {
    stopProcess(proc);
    FAIL() << "the simulator printed no \"PTY <path>\" line";
  }

  QtSerialBackend port;
  UsbLink link(port);
  FrameCodec codec;
  std::vector<RS232_T> frames;
  codec.write = [&](const std::uint8_t* p, std::int32_t n) { return link.UsbWrite(p, n); };
  codec.onGoodFrame = [&](const RS232_T& f) { frames.push_back(f); };
  link.Obrabotka_N = [&](std::uint8_t b) { codec.Obrabotka_N(b); };
  link.UsbCreate();
  link.Open_Usb(path);
  ASSERT_TRUE(port.isOpen()) << path;

  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { link.Timer1Timer(); });
  tick.start(20);
  const std::uint8_t poll[] = {0};
  codec.send(5, 0, poll, 1);
  const bool answered = spinUntil([&] { return !frames.empty(); }, 5000);
  tick.stop();
  link.Close_USB();
  stopProcess(proc);

  ASSERT_TRUE(answered) << "no good frame within 5 s";
  EXPECT_EQ(frames[0].Otpr, 5);
  EXPECT_EQ(frames[0].Dann[0], 5);
  EXPECT_EQ(frames[0].Kol_d, 122);
}

}  // namespace
}  // namespace vs
