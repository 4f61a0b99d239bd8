// The "Звуки" tab (grid, file chooser, keys written at once, "Проиграть") and the Qt player
// the program plays on, on this machine as it is (with or without a sound device).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "config/SettingsFile.h"
#include "station/SoundAlarms.h"
#include "station/ui/QtSoundPlayer.h"
#include "station/ui/SoundsTab.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

struct OpenLog final : SoundPlayer {
  std::vector<fs::path> opened;
  bool open(const fs::path& f) override {
    opened.push_back(f);
    return true;
  }
  bool play() override { return true; }
  bool isPlaying() override { return false; }
  void close() override {}
};

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

TEST(SoundsTab, ChosenFilesGoToTheGridTheEngineAndTheSettingsFileAndPlay) {
  ScratchInstall dir;
  const fs::path ini = dir.home / "Vetrostan.INI";
  ScratchInstall::write(ini, "[USB]\r\nusb-com=3\r\n[ZVUK]\r\nz0=old.mp3\r\n");
  for (const char* f : {"sound/сирена.mp3", "sound/7/7.mp3", "elsewhere.mp3"})
    ScratchInstall::write(dir.home / f, "ID3");
  SoundAlarms sound(dir.home);
  OpenLog player;
  sound.setPlayer(&player);
  sound.zvuk[0] = "old.mp3";
  sound.zvuk_on = 0;  // "Проиграть" plays whatever the alarm setting
  std::vector<std::string> messages;
  SoundsTab tab(sound, ini, [&](const std::string& m) { messages.push_back(m); });
  QString offered;
  QString answer;
  tab.chooseFile = [&](const QString& folder) {
    offered = folder;
    return answer;
  };

  QTableWidget* g = tab.grid();
  ASSERT_EQ(g->rowCount(), 11);
  ASSERT_EQ(g->columnCount(), 1);
  EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "Имя звукового файла");
  EXPECT_EQ(g->verticalHeaderItem(4)->text(), "Герконы оба замкнуты");
  EXPECT_EQ(g->verticalHeaderItem(10)->text(), "Мотор ниже скорость");
  EXPECT_EQ(g->verticalHeader()->width(), 220);
  EXPECT_EQ(g->columnWidth(0), 318);
  EXPECT_EQ(g->item(0, 0)->text(), "old.mp3");
  EXPECT_EQ(tab.playButton()->text(), "Проиграть");

  // A double-click opens the chooser on "sound"; the bare name goes everywhere at once.
  answer = q(dir.home / "sound" / "сирена.mp3");
  emit g->cellDoubleClicked(4, 0);
  EXPECT_EQ(offered, q(dir.home / "sound"));
  EXPECT_EQ(g->item(4, 0)->text(), "сирена.mp3");
  EXPECT_EQ(sound.zvuk[4], "сирена.mp3");
  Settings s;
  loadSettings(ini, s);
  EXPECT_EQ(s.zvuk[0], "old.mp3");
  EXPECT_EQ(s.zvuk[4], "сирена.mp3");
  EXPECT_EQ(s.usbCom, 3) << "the rest of the file stays";
  EXPECT_NE(ScratchInstall::read(ini).find("z10=\r\n"), std::string::npos) << "all eleven keys";
  // One in a subfolder keeps its place inside "sound".
  answer = q(dir.home / "sound" / "7" / "7.mp3");
  emit g->verticalHeader()->sectionDoubleClicked(6);
  EXPECT_EQ(sound.zvuk[6], "7/7.mp3");

  // Nothing chosen, or a file outside "sound": nothing changes; the latter is said.
  answer.clear();
  emit g->cellDoubleClicked(5, 0);
  EXPECT_TRUE(messages.empty());
  answer = q(dir.home / "elsewhere.mp3");
  emit g->cellDoubleClicked(5, 0);
  EXPECT_EQ(sound.zvuk[5], "");
  EXPECT_EQ(g->item(5, 0)->text(), "");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("должен лежать в папке"), std::string::npos) << messages[0];

  // "Проиграть": the current row's file, at once; a row without a file says so.
  g->setCurrentCell(4, 0);
  tab.playButton()->click();
  ASSERT_EQ(player.opened.size(), 1u);
  EXPECT_EQ(player.opened[0], dir.home / "sound" / "сирена.mp3");
  g->setCurrentCell(3, 0);
  tab.playButton()->click();
  EXPECT_EQ(player.opened.size(), 1u);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "Звуковой файл не выбран: Темп. ниже зоны");

  // A settings file that cannot be written is said; the choice still holds for this run.
  fs::remove(ini);
  fs::create_directory(ini);
  answer = q(dir.home / "sound" / "сирена.mp3");
  emit g->cellDoubleClicked(2, 0);
  EXPECT_EQ(sound.zvuk[2], "сирена.mp3");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[2], "Ошибка записи файла: " + ini.string());

  tab.resize(640, 420);
  tab.grab().save(QString::fromStdString((fs::temp_directory_path() / "SoundsTab.png").string()));
}

// Polls as the sequencer does, but every 20 ms, until the clip ends or `ms` have passed.
bool endsWithin(QtSoundPlayer& p, int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!p.isPlaying()) return true;
  }
  return false;
}

// A short clip plays to its end, with or without a sound device; a file that does not decode
// ends at once and is told as such; a missing one does not open; nothing of it waits.
TEST(SoundQtPlayer, PlaysToTheEndAndTellsAFileThatDoesNotDecode) {
  ScratchInstall dir;
  // 0.3 s of 440 Hz, 8 kHz mono 16-bit PCM.
  const std::uint32_t samples = 2400, bytes = samples * 2;
  std::string wav = "RIFF";
  auto put = [&wav](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(36 + bytes, 4);
  wav += "WAVEfmt ";
  put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(16000, 4), put(2, 2), put(16, 2);
  wav += "data";
  put(bytes, 4);
  for (std::uint32_t i = 0; i < samples; ++i)
    put(static_cast<std::uint16_t>(
            static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 440 * i / 8000))),
        2);
  ScratchInstall::write(dir.home / "tone.wav", wav);
  ScratchInstall::write(dir.home / "noise.mp3", std::string(4000, '\x5A'));

  QtSoundPlayer p;
  QElapsedTimer calls;
  calls.start();
  ASSERT_TRUE(p.open(dir.home / "tone.wav"));
  ASSERT_TRUE(p.play());
  EXPECT_TRUE(p.isPlaying());
  EXPECT_LT(calls.elapsed(), 2000) << "opening and starting do not wait for the clip";
  EXPECT_TRUE(endsWithin(p, 5000));
  EXPECT_NE(p.takeTrouble().kind, SoundTrouble::Kind::Undecodable);

  ASSERT_TRUE(p.open(dir.home / "noise.mp3"));
  p.play();
  EXPECT_TRUE(endsWithin(p, 5000));
  SoundTrouble t = p.takeTrouble();
  if (t.kind == SoundTrouble::Kind::NoDevice) t = p.takeTrouble();
  EXPECT_EQ(t.kind, SoundTrouble::Kind::Undecodable) << t.detail;

  EXPECT_FALSE(p.open(dir.home / "missing.mp3"));
  EXPECT_FALSE(p.isPlaying());

  ASSERT_TRUE(p.open(dir.home / "tone.wav"));
  p.play();
  p.close();  // the operator's key
  EXPECT_FALSE(p.isPlaying());
}

}  // namespace
}  // namespace vs
