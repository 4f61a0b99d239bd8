// The main window as the program wires it over the simulated hall: the menu's program editor
// opens on the first incubator's program.
#include <QAction>
#include <QTimer>
#include <fstream>

#include "programs/TFile_INKconfig.h"
#include "programs/ui/TForm2.h"
#include "programs/ui/TRezimForm.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

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

}  // namespace
}  // namespace vs::testing
