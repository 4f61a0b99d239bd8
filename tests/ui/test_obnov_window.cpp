// The firmware-update window over the simulated hall in virtual time (a board with a bootloader
// hosted by controller 5), "Спец. обновл.", and one update through the real serial code against
// vetrostan-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <fstream>

#include "boards/ui/TForm7.h"
#include "boards/ui/TObnovF.h"
#include "bus/FrameDispatcher.h"
#include "bus/UsbLink.h"
#include "bus/crc.h"
#include "bus/ui/QtSerialBackend.h"
#include "sim/SimBootloader.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

std::string text(QLabel* l) {
  return l->text().toStdString();
}

// A ".bit" file for a board of type 300 with `n` image bytes.
std::filesystem::path bitFile(const std::filesystem::path& dir, std::size_t n) {
  std::vector<std::uint8_t> image(n);
  for (std::size_t i = 0; i < n; ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 5);
  std::vector<std::uint8_t> b = packImage(image, 3);
  b[kBitBoardAt] = 300 >> 8;
  b[kBitBoardAt + 1] = 300 & 0xFF;
  b[0] = Count_CRC(b.data() + 1, b.size() - 1);
  const auto p = dir / ("fw" + std::to_string(n) + ".bit");
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return p;
}

struct UpdateWindowHall : testing::HallProgram {
  SimBootloader board;
  std::unique_ptr<TObnovF> f;
  std::filesystem::path chosen;
  bool cutAnswer = false;

  void open() {
    startProgram({5, 6}, {});
    board.host(&ctl(5));
    sim.attach(board);
    f = std::make_unique<TObnovF>(st());
    // As the program wires it.
    st().hooks.Timer100ms = [this] { f->engine().Timer100ms(); };
    bus->dispatcher.firmwareUpdate = [this](const RS232_T& fr) { f->engine().ReadObnovlenie(fr); };
    f->chooseFile = [this](bool) { return std::optional<std::filesystem::path>(chosen); };
    f->engine().confirm = [](const std::string&, const std::string&) { return true; };
    f->engine().askYesNo = [this](const std::string&, const std::string&) { return cutAnswer; };
    runHallMs(1'000);
    f->resize(640, 360);
    f->show();
  }
  void runUntilDone() {
    for (int i = 0; i < 1000 && f->engine().transferRunning(); ++i) runHallMs(100);
  }
  void TearDown() override {
    f.reset();
    sim.detach(board);
    HallProgram::TearDown();
  }
};

TEST_F(UpdateWindowHall, TheOperatorEntersWritesVerifiesAndSeesAFailedWrite) {
  open();
  EXPECT_EQ(f->windowTitle().toStdString(), "Обновление индикатора");
  EXPECT_FALSE(f->writeButton()->isEnabled());
  f->loaderButton()->click();
  runHallMs(3'000);
  EXPECT_TRUE(f->loaderButton()->isChecked());
  EXPECT_EQ(text(f->stateLabel()), "Загрузчик на связи");
  EXPECT_TRUE(f->writeButton()->isEnabled());
  shoot(*f, "obnov_loader.png");

  chosen = bitFile(dir.home, 16 * 1024);
  f->writeButton()->click();
  runHallMs(3'000);
  EXPECT_TRUE(f->engine().transferRunning());
  EXPECT_GT(f->writeBar()->value(), 0);
  EXPECT_LT(f->writeBar()->value(), f->writeBar()->maximum());
  shoot(*f, "obnov_writing.png");
  runUntilDone();
  EXPECT_EQ(text(f->writeResultLabel()), "Завершено");
  EXPECT_EQ(text(f->compareResultLabel()), "Завершено. Ошибок нет");
  shoot(*f, "obnov_verified.png");

  board.options().badOffset = 5000;
  f->writeButton()->click();
  runUntilDone();
  EXPECT_EQ(text(f->writeResultLabel()), "Ошибок=1");
  shoot(*f, "obnov_failed.png");

  // Closing during a transfer: "No" keeps the window and the transfer.
  f->writeButton()->click();
  runHallMs(1'000);
  f->reject();
  EXPECT_TRUE(f->isVisible());
  EXPECT_TRUE(f->engine().transferRunning());
  cutAnswer = true;
  f->reject();
  EXPECT_FALSE(f->isVisible());
  EXPECT_EQ(st().obnovlenie, 0);
  EXPECT_EQ(text(f->writeResultLabel()), "Прервано");
}

TEST_F(UpdateWindowHall, ServiceTabSendsItsRequestsAndShowsTheModuleFlags) {
  open();
  f->tabs()->setCurrentIndex(1);
  std::vector<std::uint8_t> answer(40, 0);
  answer[3] = 77;
  answer[5] = 0x02 | 0x08 | 0x01;  // GSM on, second kind; own generator; screen turned over
  f->showModuleFlags(answer.data(), static_cast<int>(answer.size()));
  EXPECT_EQ(text(f->gsmLabel()), "Вкл.ТЕЛЕОФИС");
  for (QPushButton* b : f->findChildren<QPushButton*>())
    if (b->text() == "Вкл ТЕЛЕОФИС") b->click();
  EXPECT_EQ(std::vector<std::uint8_t>(st().kom485m.begin(), st().kom485m.begin() + 5),
            (std::vector<std::uint8_t>{1, 0, 103, 1, 254}));
  st().kom485m[0] = 0;
  for (QPushButton* b : f->findChildren<QPushButton*>())
    if (b->text() == "Присвоить № 1") b->click();
  EXPECT_EQ(st().kom485m[0], 0) << "only after a Yes";
  shoot(*f, "obnov_service.png");
}

TEST(SpecialUpdate, PacksARawImageBesideAsABitFile) {
  testing::ScratchInstall dir;
  const auto raw = dir.home / "image.bin";
  std::ofstream(raw, std::ios::binary) << std::string(1000, '\x5A');
  TForm7 f;
  f.chooseFile = [&] { return std::optional<std::filesystem::path>(raw); };
  std::vector<std::string> reports;
  f.report = [&](const std::string& m) { reports.push_back(m); };
  f.versionBox()->setValue(258);
  f.izmenit();
  EXPECT_EQ(f.nameEdit()->text().toStdString(), (dir.home / "image.bit").string());
  const BitRead r = readBitFile(dir.home / "image.bit");
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_EQ(r.file->version(), 258u);
  EXPECT_EQ(r.file->imageSize(), 1000u);
  f.resize(420, 120);
  shoot(f, "tform7.png");
  f.chooseFile = [&] { return std::optional<std::filesystem::path>(dir.home / "none.bin"); };
  f.izmenit();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(f.nameEdit()->text().isEmpty());
}

bool spinUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return done();
}

// The simulator program serves controller 5 and a board with a bootloader on a pseudo-terminal:
// the update goes through the real serial port code, reading on the port's ready-read.
TEST(SerialEndToEnd, FirmwareUpdateOfTheSimulatedBoard) {
  const QString simBin = QStringLiteral(VETROSTAN_SIM_BIN);
  if (!QFileInfo::exists(simBin)) GTEST_SKIP() << "simulator not built";
  QProcess proc;
  proc.start(simBin, {"--pty", "--addresses", "5", "--bootloader", "300"});
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
  ASSERT_FALSE(path.empty()) << "the simulator printed no \"PTY <path>\" line";

  testing::ScratchInstall dir;
  TFile_config config{};
  ManualClock clock;
  Station station(config, clock, dir.home);
  QtSerialBackend port;
  UsbLink link(port);
  FrameCodec codec;
  Obnov obnov(station);
  std::vector<std::string> journal;
  obnov.journal = [&](const std::string& l) { journal.push_back(l); };
  obnov.confirm = [](const std::string&, const std::string&) { return true; };
  codec.write = [&](const std::uint8_t* p, std::int32_t n) { return link.UsbWrite(p, n); };
  codec.onGoodFrame = [&](const RS232_T& fr) {
    if (station.obnovlenie > 0) obnov.ReadObnovlenie(fr);
  };
  link.Obrabotka_N = [&](std::uint8_t b) { codec.Obrabotka_N(b); };
  station.hooks.send = [&](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                           std::uint8_t len) { codec.send(pol, kadr, d, len); };
  QObject::connect(&port, &QtSerialBackend::bytesArrived, [&] { link.UsbRead(); });
  link.UsbCreate();
  link.Open_Usb(path);
  ASSERT_TRUE(port.isOpen()) << path;
  QTimer read, tick;
  QObject::connect(&read, &QTimer::timeout, [&] { link.Timer1Timer(); });
  QObject::connect(&tick, &QTimer::timeout, [&] { obnov.Timer100ms(); });
  read.start(20);
  tick.start(100);

  obnov.open();
  obnov.zagruzchik();
  const bool confirmed = spinUntil([&] { return station.obn_oN && obnov.disp_n == 0; }, 6000);
  bool written = false, started = false;
  if (confirmed) {
    obnov.zapis(bitFile(dir.home, 4096));
    written = spinUntil([&] { return !obnov.transferRunning(); }, 20000);
    obnov.programma();
    started = spinUntil([&] { return obnov.view.start == "Запуск"; }, 5000);
  }
  read.stop();
  tick.stop();
  link.Close_USB();
  proc.terminate();
  proc.waitForFinished(3000);

  ASSERT_TRUE(confirmed) << "no bootloader answer within 6 s";
  EXPECT_EQ(obnov.view.loader, "Загрузчик -> V12   Тип платы = 300");
  ASSERT_TRUE(written);
  EXPECT_EQ(obnov.view.writeResult, "Завершено");
  EXPECT_TRUE(started) << "the board started its main program";
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[0], "Обновление ПО");
}

}  // namespace
}  // namespace vs
