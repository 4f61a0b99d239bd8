// The command line: what each option sets, the lines that are refused, and the program itself
// asked for help, its version, with a typo, or for windows where there is no display.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "app/ui/CommandLine.h"
#include "tests/test_workstation_fixture.h"
#include "tests/ui/ChildProcess.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::ScratchInstall;

const fs::path kProgramDir = "/opt/vetrostan";

CommandLine read(QStringList args) {
  return readCommandLine(QStringList{"Vetrostan"} + args, kProgramDir);
}

TEST(CommandLine, EveryOptionSetsWhatItNames) {
  CommandLine c = read({});
  ASSERT_EQ(c.action, CommandLine::Action::Run);
  EXPECT_EQ(c.options.home, kProgramDir);
  EXPECT_FALSE(c.options.headless);
  EXPECT_FALSE(c.options.demo);
  EXPECT_TRUE(c.options.screenshot.empty());

  c = read({"--headless", "--home", "/tmp/h", "--demo", "--web", "8080"});
  ASSERT_EQ(c.action, CommandLine::Action::Run) << c.error.toStdString();
  EXPECT_TRUE(c.options.headless);
  EXPECT_TRUE(c.options.demo);
  EXPECT_EQ(c.options.home, "/tmp/h");
  EXPECT_EQ(c.options.web, "8080");

  c = read({"--home=/tmp/a b", "--screenshot", "/tmp/снимки"});
  ASSERT_EQ(c.action, CommandLine::Action::Run);
  EXPECT_EQ(c.options.home, "/tmp/a b");
  EXPECT_EQ(c.options.screenshot, fs::path(u8"/tmp/снимки"));

  c = read({"--export", "file/a.fil", "--average=1000", "--format", "csv"});
  ASSERT_EQ(c.action, CommandLine::Action::Run);
  EXPECT_EQ(c.options.exportLog, "file/a.fil");
  EXPECT_EQ(c.options.exportAverage, 1000);
  EXPECT_EQ(c.options.exportFormat, SheetFormat::Csv);

  // A measurement log to draw, as the file manager passes it: relative or absolute, any case.
  ScratchInstall dir;
  ScratchInstall::write(dir.home / "file" / "Инкубатор 5.FIL", "");
  c = read({"--home", "/tmp/h",
            QString::fromStdU16String((dir.home / "file" / "Инкубатор 5.FIL").u16string())});
  ASSERT_EQ(c.action, CommandLine::Action::Run) << c.error.toStdString();
  EXPECT_EQ(c.options.openLog, dir.home / "file" / "Инкубатор 5.FIL");
  EXPECT_TRUE(read({}).options.openLog.empty());

  EXPECT_EQ(read({"--help"}).action, CommandLine::Action::Help);
  EXPECT_EQ(read({"-h"}).action, CommandLine::Action::Help);
  EXPECT_EQ(read({"--version"}).action, CommandLine::Action::Version);
  EXPECT_NE(versionLine().indexOf("v2.227_beta"), -1);
}

TEST(CommandLine, ALineThatCannotBeUsedIsRefusedWithTheReason) {
  const struct {
    QStringList args;
    const char* why;
  } cases[] = {
      {{"--headles"}, "headles"},
      {{"--home"}, "home"},
      {{"--home="}, "--home"},
      {{"stray"}, "stray"},
      {{"--screenshot", "/tmp/s", "--headless"}, "--headless"},
      {{"--web", "host:port"}, "host:port"},
      {{"--export", "a.fil", "--average", "7"}, "7"},
      {{"--export", "a.fil", "--format", "ods"}, "ods"},
      {{"--format", "csv"}, "--export"},
      // A log to draw must be one, exist, and have windows to be drawn in.
      {{"нет.fil"}, "нет.fil: no such measurement log"},
      {{"a.txt"}, "FILE.fil"},
      {{"--headless", "a.fil"}, "--headless"},
      {{"--export", "a.fil", "b.fil"}, "one too many"},
      {{"a.fil", "b.fil"}, "'b.fil'"},
  };
  for (const auto& k : cases) {
    const CommandLine c = read(k.args);
    EXPECT_EQ(c.action, CommandLine::Action::Refuse) << k.args.join(' ').toStdString();
    EXPECT_NE(c.error.indexOf(QString::fromUtf8(k.why)), -1) << c.error.toStdString();
  }
}

// ---- the program itself --------------------------------------------------------------------

struct ProgramLine : ::testing::Test {
  ScratchInstall dir;
  QProcess proc;
  QProcessEnvironment env = testing::isolatedEnvironment(dir.root);

  // Runs the program to its end (20 s at most) and returns its exit code, -1 on a crash.
  int run(QStringList args) {
    proc.setProcessEnvironment(env);
    proc.start(VETROSTAN_BIN, args);
    if (!proc.waitForFinished(20000)) return -2;
    return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
  }
  QString out() { return QString::fromUtf8(proc.readAllStandardOutput()); }
  QString err() { return QString::fromUtf8(proc.readAllStandardError()); }
  // Whether the program touched the working folder: its journal or its settings.
  bool started() const {
    return fs::exists(dir.home / "inf") || fs::exists(dir.home / "Vetrostan.INI");
  }
  void TearDown() override { testing::stopProcess(proc); }
};

TEST_F(ProgramLine, HelpListsEveryOptionAndVersionNamesTheRelease) {
  const QString home = QString::fromStdString(dir.home.string());
  ASSERT_EQ(run({"--help", "--home", home}), 0);
  const QString help = out();
  for (const char* option : {"--home", "--headless", "--demo", "--web", "--screenshot", "--export",
                             "--average", "--format", "--help", "--version"})
    EXPECT_NE(help.indexOf(QString::fromLatin1(option)), -1) << option << "\n"
                                                             << help.toStdString();
  EXPECT_NE(help.indexOf("Exit status"), -1);

  EXPECT_FALSE(started());

  ASSERT_EQ(run({"--home", home, "--version"}), 0);
  EXPECT_NE(out().indexOf("v2.227_beta"), -1);
  EXPECT_FALSE(started());
}

// A typo or a missing value starts nothing: no windows, no bus, no files in the folder.
TEST_F(ProgramLine, ATypoOrAMissingValueIsRefusedWithTheUsage) {
  env.insert("QT_QPA_PLATFORM", "offscreen");
  const QString home = QString::fromStdString(dir.home.string());
  for (const QStringList& args :
       {QStringList{"--headles", "--home", home}, QStringList{"--home", home, "--web"}}) {
    EXPECT_EQ(run(args), 2) << args.join(' ').toStdString();
    const QString e = err();
    EXPECT_NE(e.indexOf("Usage:"), -1) << e.toStdString();
    EXPECT_NE(e.indexOf("--headless"), -1);
    EXPECT_TRUE(out().isEmpty());
    EXPECT_FALSE(started());
  }
}

// Without a display the windowed program says so in one line and how to run without windows,
// instead of being aborted by Qt; a display that is named but not there is told the same way.
TEST_F(ProgramLine, WithoutADisplayTheWindowedProgramSaysSoAndEnds) {
  const QString home = QString::fromStdString(dir.home.string());
  for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(var);
  EXPECT_EQ(run({"--home", home}), 1);
  QString e = err().trimmed();
  EXPECT_EQ(e.count('\n'), 0) << e.toStdString();
  EXPECT_NE(e.indexOf("--headless"), -1) << e.toStdString();
  EXPECT_FALSE(started());

  env.insert("DISPLAY", ":97");  // no X server answers there
  EXPECT_EQ(run({"--home", home}), 1);
  e = err();
  EXPECT_NE(e.indexOf("--headless"), -1) << e.toStdString();
  EXPECT_FALSE(started());
}

}  // namespace
}  // namespace vs
