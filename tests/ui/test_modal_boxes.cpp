// Nothing waits on a message box that nobody will answer: a signal ends the program through its
// shut-down whatever box is open, and a run of pictures saves each box and closes it.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/ui/ModalBoxes.h"
#include "history/LogRecords.h"
#include "mimic/konstrT.h"
#include "tests/hall_home.h"
#include "tests/test_workstation_fixture.h"
#include "tests/ui/ChildProcess.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::ScratchInstall;

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

TEST(ModalBoxes, AnEndingProgramClosesTheOpenBoxAndEveryLaterOne) {
  ModalBoxes boxes;
  QMessageBox::StandardButton first = QMessageBox::Yes;
  // The box is open in its own loop when the end is asked, as under a signal.
  QTimer::singleShot(50, [&] { boxes.closeAll(); });
  first = QMessageBox::question(nullptr, "t", "Сохранить?", QMessageBox::Yes | QMessageBox::No);
  EXPECT_NE(first, QMessageBox::Yes);  // closed, not answered
  EXPECT_TRUE(boxes.closing());

  // Opened after the end was asked: closed as soon as its loop runs.
  QDeadlineTimer limit(5000);
  bool ok = true;
  QInputDialog::getText(nullptr, "t", "Введите", QLineEdit::Normal, "x", &ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(limit.hasExpired());
  EXPECT_TRUE(boxes.pictures().isEmpty());
}

TEST(ModalBoxes, ARunOfPicturesSavesEachBoxUnderItsOwnName) {
  ScratchInstall dir;
  ModalBoxes boxes;
  boxes.pictureInto(QDir(q(dir.root)));
  QMessageBox::warning(nullptr, "ВЕСТ-RS485", "Файл в старом формате! Обязательно сохранить");
  QMessageBox::warning(nullptr, "ВЕСТ-RS485", "Файл в старом формате! Обязательно сохранить");
  QMessageBox::information(nullptr, "ВЕСТ-RS485", "/home/x/file/a.0il: нет файла");
  QMessageBox::information(nullptr, "Заголовок", "");
  EXPECT_EQ(boxes.pictures(), (QStringList{"box_Файл_в_старом_формате_Обязательно_сохранить.png",
                                           "box_Файл_в_старом_формате_Обязательно_сохранить_2.png",
                                           "box_a_0il_нет_файла.png", "box_Заголовок.png"}));
  for (const QString& name : boxes.pictures())
    EXPECT_FALSE(QImage(QDir(q(dir.root)).filePath(name)).isNull()) << name.toStdString();
}

// ---- the program itself --------------------------------------------------------------------

// A working folder that is not the demo's and raises boxes: a mimic document of the older
// format at start-up, a measurement log without its setpoint log for "Доп.", and a program
// file that cannot be read for the editor. No incubator is polled, so nothing waits for the bus.
struct BoxesProgram : ::testing::Test {
  ScratchInstall dir;
  QProcess proc;

  void SetUp() override {
    testing::writeHallConfig(dir.home / "config.cfg", {5, 85}, [](TFile_config& c) {
      c.konfig_o[0] = c.konfig_o[1] = 0;
      c.konfig_Write[0] = 1;
      c.konfig_f[0].setUtf8("log5");
      c.konfig_finkub[0].setUtf8("bad.ink");
    });
    testing::writeIni(dir.home / "Vetrostan.INI", {"[Dispetch]", "Form_File=old.cfd"});
    auto old = std::make_unique<konstrT255>();
    old->chifr = kChifr;
    ScratchInstall::write(dir.home / "disp" / "old.cfd",
                          std::string(reinterpret_cast<const char*>(old.get()), sizeof *old));
    std::string log;
    for (int i = 0; i < 3; ++i) {
      TFile r{};
      r.T1 = r.T2 = r.T3 = 37.5;
      r.BL = 55;
      r.dt = 46000.5 + i / 1440.0;
      log.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    ScratchInstall::write(dir.home / "file" / "log5.fil", log);
    fs::create_directories(dir.home / "rezim" / "bad.ink");  // a folder where the file should be
  }
  void launch(QStringList extra = {}) {
    QProcessEnvironment env = testing::isolatedEnvironment(dir.root);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    proc.start(VETROSTAN_BIN, QStringList{"--home", q(dir.home)} + extra);
    ASSERT_TRUE(proc.waitForStarted(10000));
  }
  bool journalHas(const std::string& what, int ms = 20000) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
      if (dir.journal().find(what) != std::string::npos) return true;
      if (proc.state() == QProcess::NotRunning) break;
      QThread::msleep(20);
    }
    return dir.journal().find(what) != std::string::npos;
  }
  void TearDown() override { testing::stopProcess(proc); }
};

// The box of the start-up opens before the main loop runs: the signal must not be lost there.
TEST_F(BoxesProgram, ASignalUnderAStartUpBoxEndsTheProgramThroughItsShutDown) {
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    fs::remove_all(dir.home / "inf");
    launch();
    ASSERT_TRUE(journalHas("в старом формате")) << proc.readAllStandardError().toStdString();
    QThread::msleep(500);  // the box is up
    ::kill(static_cast<pid_t>(proc.processId()), sig);
    ASSERT_TRUE(proc.waitForFinished(15000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_TRUE(journalHas("программа ЗАКРЫТА!", 0));
    const std::string err = proc.readAllStandardError().toStdString();
    EXPECT_NE(err.find("Файл в старом формате! Обязательно сохранить\" closed"), std::string::npos)
        << err;
    // The settings of the shut-down are written.
    EXPECT_NE(ScratchInstall::read(dir.home / "Vetrostan.INI").find("[Form]"), std::string::npos);
  }
}

TEST_F(BoxesProgram, ARunOfPicturesPicturesEachBoxAndEnds) {
  const fs::path shots = dir.root / "shots";
  launch({"--screenshot", q(shots)});
  ASSERT_TRUE(proc.waitForFinished(60000)) << "the run hangs";
  const std::string err = proc.readAllStandardError().toStdString();
  EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(proc.exitCode(), 0) << err;
  const QStringList files = QDir(q(shots)).entryList({"*.png"}, QDir::Files);
  for (const char* picture : {"TForm1_tab0.png", "TForm1_charts.png", "TForm16.png",
                              "TRezimForm.png", "TDispetch.png", "TForm13.png", "TForm5.png"})
    EXPECT_TRUE(files.contains(picture)) << picture << "\n" << err;
  for (const char* box : {"box_Файл_в_старом_формате_Обязательно_сохранить.png",
                          "box_Файл_Режима_инкубации_не_читается"})
    EXPECT_FALSE(files.filter(QString::fromUtf8(box)).isEmpty()) << box << "\n" << err;
  EXPECT_FALSE(files.filter(QRegularExpression("^box_log5_0il")).isEmpty()) << err;
  EXPECT_TRUE(journalHas("программа ЗАКРЫТА!", 0));
}

}  // namespace
}  // namespace vs
