// The main window as the program wires it over the simulated hall: the menu's program editor
// opens on the first incubator's program, and the hot keys silence a playing clip as every
// other key does.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTimer>
#include <fstream>

#include "mimic/ui/TDispetch.h"
#include "programs/TFile_INKconfig.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TRezimForm.h"
#include "station/SoundPlayer.h"
#include "tests/ui/hall_program.h"

// Qt's own entry (exported by Qt GUI) that a key of the window system goes through first:
// true when a shortcut took the key, which then never reaches a control as a key press.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace vs::testing {
namespace {

// A key typed on `w`, delivered as the window system delivers it.
void typeKey(QWidget* w, int key, Qt::KeyboardModifiers mods) {
  QApplication::setActiveWindow(w->window());
  if (qt_sendShortcutOverrideEvent(w, 0, key, mods)) return;
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QCoreApplication::sendEvent(w, &press);
}

struct Clip final : SoundPlayer {
  int closed = 0;
  bool playing = false;
  bool open(const std::filesystem::path&) override { return true; }
  bool play() override { return playing = true; }
  bool isPlaying() override { return playing; }
  void close() override {
    ++closed;
    playing = false;
  }
};

TEST_F(HallProgram, MenuProgramEditorOpensOnTheFirstIncubatorsProgram) {
  startProgram({4, 9, 12}, {}, [](TFile_config& c) {
    const char* files[] = {"first.ink", "second.ink", "third.ink"};
    for (std::size_t r = 0; r < 3; ++r) c.konfig_finkub[r].setUtf8(files[r]);
  });
  std::filesystem::create_directories(dir.home / "rezim");
  for (const char* f : {"first.ink", "second.ink", "third.ink"}) {
    TFile_INKconfig p{};
    p.kol = 1;
    std::ofstream(dir.home / "rezim" / f, std::ios::binary)
        .write(reinterpret_cast<const char*>(&p), sizeof p);
  }
  ASSERT_TRUE(w.form2 && w.rezimForm);
  // The program window has been on the third incubator.
  w.form2->openFor(2);
  w.form2->close();
  ASSERT_EQ(w.form2->row(), 2);

  TRezimForm* ed = w.rezimForm;
  int shownOn = -1;
  std::filesystem::path file;
  QTimer::singleShot(0, ed, [&] {
    shownOn = ed->tek_inkub0();
    file = ed->shownFile();
    ed->reject();
  });
  w.form1->actionPrograms()->trigger();
  EXPECT_EQ(shownOn, 0);
  EXPECT_EQ(file.filename(), "first.ink");

  // The program window's own button still opens the editor on its incubator.
  QTimer::singleShot(0, ed, [&] {
    shownOn = ed->tek_inkub0();
    ed->reject();
  });
  w.form2->programEditor(2);
  EXPECT_EQ(shownOn, 2);
}

TEST_F(HallProgram, HotKeysSilenceThePlayingClipLikeAnyOtherKey) {
  startProgram({4}, {});
  Clip clip;
  bus->sound.setPlayer(&clip);
  w.form1->show();
  QWidget* focus = w.form1->tableT();
  int closedBefore = clip.closed;
  for (int key : {Qt::Key_D, Qt::Key_N, Qt::Key_O, Qt::Key_P}) {
    clip.play();
    typeKey(focus, key, Qt::AltModifier);
    EXPECT_FALSE(clip.playing) << "Alt+" << char(key);
    EXPECT_GT(clip.closed, closedBefore) << "Alt+" << char(key);
    closedBefore = clip.closed;
  }
  // The hot key did its own work too.
  ASSERT_NE(w.dispetch, nullptr);
  EXPECT_TRUE(w.dispetch->isVisible());
  // A key no shortcut takes, for comparison.
  clip.play();
  typeKey(focus, Qt::Key_A, Qt::NoModifier);
  EXPECT_FALSE(clip.playing);
  bus->sound.setPlayer(nullptr);
}

}  // namespace
}  // namespace vs::testing
