// The program as a whole: window order, the single-instance lock, the general settings and
// transfer windows, and the program itself started without windows and ended by SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QToolButton>
#include <memory>

#include "app/WindowOrder.h"
#include "app/ui/AppWindows.h"
#include "app/ui/SingleInstance.h"
#include "app/ui/TForm4.h"
#include "bus/UsbLink.h"
#include "bus/ui/TForm100.h"
#include "bus/ui/TForm14.h"
#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "config/ui/SettingsTab.h"
#include "config/ui/TForm15.h"
#include "config/ui/TFormUST.h"
#include "station/ui/TForm1.h"
#include "tests/FakeSerialBackend.h"
#include "tests/hall_home.h"
#include "tests/test_workstation_fixture.h"
#include "tests/ui/ChildProcess.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

struct App : ::testing::Test {
  ScratchInstall dir;
  ManualClock clock;
  std::vector<std::string> messages;
  std::unique_ptr<Workstation> ws;
  AppWindows w;

  void start(const std::string& iniText = {}, const AppLinks& links = {}) {
    if (!iniText.empty()) ScratchInstall::write(dir.home / "Vetrostan.INI", iniText);
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    w = createWindows(*ws, false, links);
  }
  void TearDown() override { w.form1.reset(); }
};

TEST_F(App, WindowsAreCreatedInTheirOrderAllHidden) {
  start();
  std::vector<int> ranks;
  for (std::string_view n : w.created) ranks.push_back(windowRank(n));
  ASSERT_FALSE(ranks.empty());
  EXPECT_EQ(w.created.front(), "TForm1");
  EXPECT_TRUE(std::is_sorted(ranks.begin(), ranks.end()));
  EXPECT_NE(std::find(w.created.begin(), w.created.end(), "TFormUST"), w.created.end());
  EXPECT_NE(std::find(w.created.begin(), w.created.end(), "TForm15"), w.created.end());
  for (QWidget* win : {static_cast<QWidget*>(w.form1.get()), static_cast<QWidget*>(w.form4),
                       static_cast<QWidget*>(w.formUST), static_cast<QWidget*>(w.form15)})
    EXPECT_FALSE(win->isVisible());
  // The main window's start-up ran before the other windows were made.
  EXPECT_TRUE(ws->started());
  EXPECT_TRUE(w.form1->actionGeneralSettings()->isEnabled());
  EXPECT_TRUE(w.form1->actionAbout()->isEnabled());
  // Entries whose windows come later are there and do nothing visible yet.
  EXPECT_TRUE(w.form1->actionGsm()->isEnabled());
  w.form1->actionGsm()->trigger();
  w.form1->hotKeyN()->trigger();
}

TEST_F(App, LinkWindowsJoinWhenTheirEnginePartsAreThere) {
  FakeSerialBackend port;
  UsbLink link(port);
  Kom485m kom485m{};
  start({}, AppLinks{&link, &kom485m});
  std::vector<std::string_view> expected;
  for (std::string_view n : kWindowOrder)
    if (n == "TForm1" || n == "TForm2" || n == "TForm4" || n == "TRezimForm" || n == "TForm5" ||
        n == "TFormUST" || n == "TForm100" || n == "TForm12" || n == "TForm14" || n == "TForm15")
      expected.push_back(n);
  EXPECT_EQ(w.created, expected);
  EXPECT_FALSE(w.form100->isVisible());
  EXPECT_FALSE(w.form14->isVisible());
  EXPECT_TRUE(w.form1->actionUsb()->isEnabled());
  EXPECT_TRUE(w.form1->settingsTab()->usbButton()->isEnabled());
  w.form1->hotKeyP()->trigger();
  EXPECT_TRUE(w.form14->isVisible());
}

TEST_F(App, WithoutTheLinkTheAdapterEntriesStayDisabled) {
  start();
  EXPECT_EQ(w.form100, nullptr);
  EXPECT_FALSE(w.form1->actionUsb()->isEnabled());
  EXPECT_FALSE(w.form1->settingsTab()->usbButton()->isEnabled());
}

TEST(SingleInstanceLock, TheSecondHolderIsTold) {
  ScratchInstall dir;
  const QString path = q(dir.root / "lock");
  {
    SingleInstance first(path);
    EXPECT_TRUE(first.isFirst());
    SingleInstance second(path);
    EXPECT_FALSE(second.isFirst());
  }
  SingleInstance again(path);
  EXPECT_TRUE(again.isFirst());
}

TEST_F(App, GeneralSettingsShowTheStoredChoicesAndWriteThemOnClose) {
  start("[Nastr]\r\nKOL_T=5\r\nZWUK_ON=0\r\nHelp=1\r\nCompyter=1\r\n");
  TFormUST* ust = w.formUST;
  EXPECT_EQ(ust->windowTitle(), "Общие настройки");
  const char* captions[5] = {"Связь при запуске программы ", "Звуковые аварийные сообщения",
                             "Кол-во датчиков Температуры", "Помощь на табло",
                             "Мощность компьютера"};
  for (int g = 0; g < 5; ++g)
    EXPECT_EQ(ust->box(static_cast<TFormUST::Group>(g))->title(), QString::fromUtf8(captions[g]));
  QStringList items;
  for (QAbstractButton* b : ust->group(TFormUST::KolT)->buttons()) items << b->text();
  EXPECT_EQ(items, (QStringList{"Только Т1", "Т1+Т2", "Т1+Т2+Т3"}));
  EXPECT_EQ(ust->group(TFormUST::RunWin)->button(0)->text(), "Запускать");
  EXPECT_EQ(ust->group(TFormUST::Compyter)->button(1)->text(), "Старый");

  EXPECT_EQ(ust->kol_t(), 2);  // a stored 5 selects the third item
  EXPECT_FALSE(ust->zvuk_on());
  EXPECT_TRUE(ust->help_on());
  EXPECT_EQ(ust->selected(TFormUST::Compyter), 1);
  EXPECT_FALSE(w.form1->rsButton()->isChecked());  // "нет": the link is not started

  ust->choose(TFormUST::KolT, 0);
  EXPECT_EQ(w.form1->table()->colCount(), 6);  // at once
  EXPECT_EQ(w.form1->table()->cells(2, 0), "Влажн.");
  Settings onDisk;
  loadSettings(ws->iniPath(), onDisk);
  EXPECT_EQ(onDisk.KOL_T, 5);  // not written before the window closes

  ust->choose(TFormUST::ZwukOn, 1);
  ust->done(QDialog::Rejected);
  loadSettings(ws->iniPath(), onDisk);
  EXPECT_EQ(onDisk.KOL_T, 0);
  EXPECT_EQ(onDisk.ZWUK_ON, 1);
  EXPECT_EQ(onDisk.Help, 1);
  EXPECT_EQ(onDisk.Compyter, 1);
  EXPECT_EQ(onDisk.RUN_WIN, 1);
}

TEST_F(App, StartingTheLinkWithTheProgramPressesWorkOrSaysItFailed) {
  start("[Nastr]\r\nRUN_WIN=0\r\n");
  EXPECT_TRUE(w.form1->rsButton()->isChecked());
  EXPECT_TRUE(messages.empty());

  TFormUST failing(*ws, [] { return false; });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Не удалось открыть СОМ порт!");
}

TEST_F(App, TransferWindowTakesOverAnOldInstallation) {
  start();
  TForm15* t = w.form15;
  EXPECT_EQ(t->windowTitle(), "Перенос конфигурации");
  EXPECT_EQ(t->chooseButton()->text(), "выбор папки");
  EXPECT_EQ(t->chooseButton()->toolTip(), "папка EXE предыдущей версии");
  EXPECT_EQ(t->transferButton()->text(), "перенос");
  EXPECT_EQ(t->transferButton()->toolTip(), "запустить перенос файлов");
  EXPECT_EQ(t->folderLabel()->text(), "----------");
  QStringList boxes;
  for (QCheckBox* c : t->checks()) {
    boxes << c->text();
    EXPECT_TRUE(c->isChecked());
  }
  EXPECT_EQ(boxes, (QStringList{"Vetrostan.INI", "config.cfg", "папка file", "папка rezim",
                                "папка sound", "configINK.cfg"}));
  EXPECT_TRUE(t->messages()->isReadOnly());

  const fs::path old = dir.root / "old";
  auto cfg = std::make_unique<TFile_config>();
  cfg->kol_inkub = 3;
  cfg->konfig_s[2].setUtf8("Старый-3");
  ScratchInstall::write(old / "config.cfg",
                        std::string(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg));
  ScratchInstall::write(old / "Vetrostan.INI", "[UST]\r\nOpros_period=17\r\n");
  ScratchInstall::write(old / "rezim" / "a.ink", "a");

  t->setFolder(q(old));
  EXPECT_EQ(t->folderLabel()->text(), q(old));
  t->transfer();
  EXPECT_EQ(t->messages()->toPlainText(),
            "Vetrostan.INI - успешно\n"
            "файл config.cfg скопирован в реестр Windows\n"
            "config.cfg - успешно\n"
            "configINK.cfg - неудача\n"
            "папка file - неудача\n"
            "папка rezm - успешно\n"
            "папка sound - неудача");
  // The configuration is live, in the registry copy and on screen.
  EXPECT_EQ(ws->store.config.kol_inkub, 3);
  EXPECT_EQ(ScratchInstall::read(ws->store.registryFile()),
            ScratchInstall::read(old / "config.cfg"));
  EXPECT_EQ(w.form1->table()->rowCount(), 4);
  EXPECT_EQ(w.form1->table()->cells(0, 3), "Старый-3");
  EXPECT_EQ(w.form1->settingsTab()->countSpin()->value(), 3);
  // The settings taken over are what the shut-down writes back.
  EXPECT_EQ(w.form1->settingsTab()->periodSE()->value(), 17);
  w.form1->close();
  Settings s;
  loadSettings(ws->iniPath(), s);
  EXPECT_EQ(s.Opros_period, 17);
}

// ---- the program itself --------------------------------------------------------------------

struct Program : ::testing::Test {
  ScratchInstall dir;
  QProcess proc;

  void launch(QStringList extra = {}) {
    proc.setProcessEnvironment(testing::isolatedEnvironment(dir.root));
    proc.start(VETROSTAN_BIN, QStringList{"--headless", "--home", q(dir.home)} + extra);
    ASSERT_TRUE(proc.waitForStarted(10000));
  }
  fs::path tmpDir() {
    fs::create_directories(dir.root / "tmp");
    return dir.root / "tmp";
  }
  // Waits (at most 20 s) until the journal holds `what`.
  bool journalHas(const std::string& what) {
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
      if (dir.journal().find(what) != std::string::npos) return true;
      if (proc.state() == QProcess::NotRunning)
        return dir.journal().find(what) != std::string::npos;
      QThread::msleep(20);
    }
    return false;
  }
  void TearDown() override { testing::stopProcess(proc); }
};

// A closed terminal or session ends the service the orderly way too.
TEST_F(Program, HeadlessRunEndsThroughTheShutDownOnSighup) {
  launch();
  ASSERT_TRUE(journalHas("программа Запущена")) << proc.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(proc.processId()), SIGHUP);
  ASSERT_TRUE(proc.waitForFinished(20000));
  EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(proc.exitCode(), 0) << proc.readAllStandardError().toStdString();
  const std::string j = dir.journal();
  EXPECT_NE(j.find("программа ЗАКРЫТА!"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.home / "Vetrostan.INI"));
  EXPECT_TRUE(fs::exists(dir.home / "config.cfg"));
  EXPECT_TRUE(fs::exists(dir.root / "xdg" / "Vetrostan2022" / "config"));
}

// The working folder belongs to one copy. A second service refuses to start on it; a second
// windowed copy only watches: it opens no adapter and writes neither "dan.dan" nor the settings
// nor either copy of the configuration, whatever its temporary folder.
TEST_F(Program, ASecondCopyOnTheSameFolderNeitherWorksTheBusNorWritesItsFiles) {
  testing::writeHallConfig(dir.home / "config.cfg", {5, 85});
  testing::writeIni(dir.home / "Vetrostan.INI", {"[USB]", "usb-Serial_Number=/dev/no-such-adapter",
                                                 "[Server]", "ServerP=1", "[Nastr]", "RUN_WIN=0"});
  const std::string ini = ScratchInstall::read(dir.home / "Vetrostan.INI");
  const std::string cfg = ScratchInstall::read(dir.home / "config.cfg");
  SingleInstance first(SingleInstance::lockPathFor(dir.home));  // the copy that holds the folder
  ASSERT_TRUE(first.isFirst());

  launch();
  ASSERT_TRUE(proc.waitForFinished(10000));
  EXPECT_EQ(proc.exitCode(), 3);
  const QString refusal = QString::fromUtf8(proc.readAllStandardError());
  EXPECT_NE(refusal.indexOf("Это приложение уже запущено!"), -1) << refusal.toStdString();
  EXPECT_NE(refusal.indexOf(q(dir.home)), -1) << refusal.toStdString();
  EXPECT_NE(refusal.indexOf(QString::number(QCoreApplication::applicationPid())), -1);

  QProcessEnvironment env = testing::isolatedEnvironment(dir.root);
  env.insert("TMPDIR", q(dir.root / "other-tmp"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  proc.setProcessEnvironment(env);
  proc.start(VETROSTAN_BIN, {"--home", q(dir.home)});
  ASSERT_TRUE(proc.waitForStarted(10000));
  ASSERT_TRUE(journalHas("программа Запущена"));
  QThread::msleep(2500);  // the 1 s exchange and the first 100 ms ticks have run
  proc.terminate();
  ASSERT_TRUE(proc.waitForFinished(20000));
  EXPECT_EQ(proc.exitCode(), 0);
  const std::string err = proc.readAllStandardError().toStdString();
  EXPECT_EQ(err.find("Не удалось открыть порт USB!"), std::string::npos) << err;
  EXPECT_NE(dir.journal().find("программа ЗАКРЫТА!"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.home / "dan.dan"));
  EXPECT_EQ(ScratchInstall::read(dir.home / "Vetrostan.INI"), ini);
  EXPECT_EQ(ScratchInstall::read(dir.home / "config.cfg"), cfg);
  EXPECT_FALSE(fs::exists(dir.root / "xdg" / "Vetrostan2022" / "config"));
}

}  // namespace
}  // namespace vs
