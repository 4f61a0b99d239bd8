// The program window over a real scheduler in a scratch working folder: "Изменить" previews
// the day from the pickers, a release asks before anything is stored, Yes reaches the
// configuration on disk, No puts back the controls and the program "Выбрать" loaded; the
// status lines before the start; the report window's log.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <memory>

#include "common/AtomicFile.h"
#include "config/Workstation.h"
#include "programs/ProgramScheduler.h"
#include "programs/ProgramWriter.h"
#include "programs/ui/ProgramPanel.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TForm5.h"
#include "setpoints/WriteEngine.h"
#include "station/Station.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

TDateTime at(int day, int month, int hour) {
  return encodeDateTime({2026, month, day, hour, 0, 0, 0});
}

// A program whose rows start on the given days.
void writeProgram(const std::filesystem::path& path, std::initializer_list<int> days) {
  auto p = std::make_unique<TFile_INKconfig>();
  *p = {};
  for (int d : days) p->nDen[static_cast<std::size_t>(p->kol++)] = d;
  ASSERT_TRUE(writeFileAtomic(path, p.get(), sizeof *p));
}

struct ProgramWindow : ::testing::Test {
  testing::ScratchInstall dir;
  ManualClock clock{at(10, 3, 9)};
  Workstation ws{dir.home, clock, dir.registry};
  Station station{ws.store.config, clock, dir.home};
  WriteEngine writeKom{station};
  ProgramWriter writer{station, writeKom};
  ProgramScheduler scheduler{station, ws.store, writer, dir.home};
  std::unique_ptr<TForm2> f2;
  QStringList said, asked;
  bool answer = false;
  QString chosen;

  void SetUp() override {
    ws.message = [](const std::string&) {};
    ws.store.message = [this](const std::string& s) { said << QString::fromStdString(s); };
    TFile_config& c = ws.store.config;
    c.kol_inkub = 2;
    c.konfig_n[0] = 5;
    c.konfig_n[1] = 85;
    c.konfig_s[1].setUtf8("Выводной");
    c.konfig_finkub[1].setUtf8("old.ink");
    c.N_DateTime[1] = at(12, 3, 8);
    std::filesystem::create_directories(dir.home / "rezim");
    writeProgram(dir.home / "rezim" / "old.ink", {1, 21});
    writeProgram(dir.home / "rezim" / "new.ink", {1, 10, 18});
    ws.store.read_INKconfig(dir.home / "rezim" / "old.ink", 1);
    c.konfig_DenKON[1] = 21;

    f2 = std::make_unique<TForm2>(ws, &scheduler, nullptr);
    f2->message = [this](const QString& s) { said << s; };
    f2->question = [this](const QString& title, const QString& text) {
      asked << title + "|" + text;
      return answer;
    };
    f2->chooseFile = [this](const QString&) { return chosen; };
  }

  ProgramPanel& panel() { return *f2->programs(); }
  // "Изменить" down, start 09.03 08:00, program new.ink, "Инкубация" on: a change of each.
  void editEverything() {
    panel().editButton()->click();
    ASSERT_TRUE(f2->editing());
    panel().startDate()->setDate(QDate(2026, 3, 9));
    chosen = QString::fromStdString((dir.home / "rezim" / "new.ink").string());
    panel().chooseButton()->click();
    panel().incubationOn()->setChecked(true);
  }
  std::unique_ptr<TFile_config> onDisk() {
    auto c = std::make_unique<TFile_config>();
    EXPECT_EQ(readFilePrefix(dir.home / "config.cfg", c.get(), sizeof *c),
              static_cast<long long>(sizeof *c));
    return c;
  }
};

TEST_F(ProgramWindow, StatusLinesBeforeTheStartAndThePreviewWhileEditing) {
  f2->openFor(1);
  EXPECT_EQ(scheduler.shown, 1);
  EXPECT_EQ(f2->header()->text(), "(85) Выводной");
  EXPECT_EQ(panel().startDate()->date(), QDate(2026, 3, 12));
  EXPECT_EQ(panel().dayChangeTime()->time(), QTime(8, 0));
  EXPECT_EQ(panel().programFile()->text(), "old.ink");
  EXPECT_TRUE(panel().incubationOff()->isChecked());
  EXPECT_FALSE(panel().startDate()->isEnabled()) << "guarded by \"Изменить\"";
  EXPECT_FALSE(panel().chooseButton()->isEnabled());

  EXPECT_EQ(panel().dayLabel()->text(), "-1");
  EXPECT_EQ(panel().tekuschee()->text(), "10.03.2026 09:00:00 -> -1");
  EXPECT_EQ(panel().dayCaption()->text(), "Первый день:");
  EXPECT_EQ(panel().dayChange()->text(), "12.03.2026 08:00:00 -> 1");
  EXPECT_EQ(panel().rezult()->text(), "расписание выключено");

  // The preview follows the pickers; nothing is stored while editing.
  panel().editButton()->click();
  EXPECT_TRUE(panel().startDate()->isEnabled());
  panel().startDate()->setDate(QDate(2026, 3, 9));
  EXPECT_EQ(panel().dayLabel()->text(), "2");
  EXPECT_EQ(panel().tekuschee()->text(), "10.03.2026 09:00:00 -> 2");
  EXPECT_EQ(panel().dayCaption()->text(), "Смена дня:");
  EXPECT_EQ(panel().dayChange()->text(), "11.03.2026 08:00:00 -> 3");
  EXPECT_EQ(ws.store.config.N_DateTime[1], at(12, 3, 8));

  // Moving on to another incubator finishes the edit with its question, then wraps.
  f2->step(+1);
  EXPECT_EQ(asked, QStringList{"Изменить|Запомнить новые данные?"});
  EXPECT_FALSE(f2->editing());
  EXPECT_EQ(f2->row(), 0);
  EXPECT_EQ(scheduler.shown, 0);
  EXPECT_EQ(ws.store.config.N_DateTime[1], at(12, 3, 8));

  // A window hidden while editing does not keep the scheduler waiting.
  panel().editButton()->click();
  f2->close();
  EXPECT_FALSE(f2->editing());
}

TEST_F(ProgramWindow, ReleaseAsksThenYesStoresOnDiskAndNoRestores) {
  f2->openFor(1);

  // No: the controls and the program "Выбрать" loaded go back to what the configuration holds.
  editEverything();
  EXPECT_EQ(panel().programFile()->text(), "new.ink");
  EXPECT_EQ(ws.store.configINK[1].kol, 3);
  EXPECT_EQ(ws.store.config.konfig_DenKON[1], 18);
  answer = false;
  panel().editButton()->click();
  EXPECT_EQ(asked.size(), 1);
  EXPECT_FALSE(panel().startDate()->isEnabled());
  EXPECT_EQ(panel().startDate()->date(), QDate(2026, 3, 12));
  EXPECT_EQ(panel().programFile()->text(), "old.ink");
  EXPECT_TRUE(panel().incubationOff()->isChecked());
  EXPECT_EQ(ws.store.configINK[1].kol, 2);
  EXPECT_EQ(ws.store.config.konfig_DenKON[1], 21);
  EXPECT_FALSE(std::filesystem::exists(dir.home / "config.cfg"));

  // A release without a change asks nothing.
  panel().editButton()->click();
  panel().editButton()->click();
  EXPECT_EQ(asked.size(), 1);

  // A program outside "rezim" is refused: the scheduler reloads programs from there by name.
  const auto elsewhere = dir.root / "new.ink";
  std::filesystem::copy_file(dir.home / "rezim" / "new.ink", elsewhere);
  panel().editButton()->click();
  chosen = QString::fromStdString(elsewhere.string());
  panel().chooseButton()->click();
  EXPECT_EQ(panel().programFile()->text(), "old.ink");
  ASSERT_FALSE(said.isEmpty());
  EXPECT_TRUE(said.last().contains("rezim"));
  panel().editButton()->click();

  // Yes, but the save fails: the store has said so, "Записали!" would be a lie.
  said.clear();
  setWriteFault([](const std::filesystem::path&) { return true; });
  editEverything();
  answer = true;
  panel().editButton()->click();
  setWriteFault({});
  EXPECT_FALSE(said.isEmpty());
  EXPECT_FALSE(said.contains("Записали!"));

  // Yes: day, start, file and switch are stored and reach the disk.
  said.clear();
  panel().editButton()->click();
  panel().dayChangeTime()->setTime(QTime(7, 30));
  panel().editButton()->click();
  EXPECT_EQ(said, QStringList{"Записали!"});
  const auto saved = onDisk();
  EXPECT_EQ(saved->N_DateTime[1], encodeDateTime({2026, 3, 9, 7, 30, 0, 0}));
  EXPECT_EQ(saved->konfig_INK[1], 1);
  EXPECT_EQ(saved->konfig_finkub[1].utf8(), "new.ink");
  EXPECT_EQ(saved->konfig_DenTEK[1], 2);
  EXPECT_EQ(saved->konfig_DenKON[1], 18);
  EXPECT_EQ(panel().dayLabel()->text(), "2");
}

TEST(ReportWindow, AQueueStartShowsTheWindowWithAFreshLogUnlessItIsBeingRead) {
  TForm5 f5;
  EXPECT_TRUE(f5.log()->isReadOnly());
  f5.addLine("старая очередь");
  f5.startQueue();
  EXPECT_TRUE(f5.isVisible());
  EXPECT_TRUE(f5.log()->toPlainText().isEmpty());
  f5.addLine("10.03.2026 9:00:00. Заявок всего=6");
  f5.addLine("1. блок № 5 Изменить:Рабочая Темп.->3750 на 3780.");
  EXPECT_EQ(f5.log()->blockCount(), 2);

  f5.activateWindow();
  QApplication::processEvents();
  ASSERT_TRUE(f5.isActiveWindow());
  f5.startQueue();
  EXPECT_EQ(f5.log()->blockCount(), 2) << "the operator is reading it";
}

}  // namespace
}  // namespace vs
