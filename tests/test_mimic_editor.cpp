// The mimic editor's commands over a document: the slot limits of adding and copying (a refusal
// leaves every byte as it was), the numbers copies take, deleting with and without the panels
// bound to 0, the network block written only for a configured incubator, and a document loaded,
// edited and saved that keeps every byte it did not touch.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/TFile_config.h"
#include "mimic/DispetchFile.h"
#include "mimic/Konstruktor.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

struct Editor {
  TempDir dir;
  MimicDocument doc{dir.path(), dir / "Vetrostan.INI"};
  std::unique_ptr<TFile_config> config_p = std::make_unique<TFile_config>();
  Konstruktor ed{doc, *config_p};
  std::vector<std::string> said;
  std::vector<std::string> asked;
  int remembered = 0;

  Editor() {
    fs::create_directories(dir / "disp");
    std::memset(static_cast<void*>(doc.KS.get()), 0, sizeof(konstrT));
    doc.KS->chifr = kChifr;
    ed.message = [this](const std::string& s) { said.push_back(s); };
    ed.ask = [this](const std::string& s) {
      asked.push_back(s);
      return true;
    };
    ed.rememberConfig = [this] { return ++remembered, true; };
  }
  konstrT& ks() { return *doc.KS; }
  std::string snapshot() const {
    return {reinterpret_cast<const char*>(doc.KS.get()), sizeof(konstrT)};
  }
  // A panel numbered nKP with `sensors` sensors, one attached label and one icon.
  int panel(int nKP, int sensors, int x = 0, int y = 0) {
    const int slot = ed.addPanel(x, y, 100, 80, 0xC0C0C0);
    ed.select(KonstrKind::Panel, slot);
    if (ks().Na[static_cast<std::size_t>(slot)].N_KP != nKP) {
      EXPECT_EQ(ed.rememberPanelNumber(nKP), Konstruktor::kFree);
    }
    for (int i = 0; i < sensors; ++i) ed.addSensor({.nKP = nKP, .tip = i % 12});
    ed.addLabel({.nKP = nKP, .text = "Инк", .attached = true, .nazvanieNOM = true}, 0, 0);
    ed.addIcon({.nKP = nKP, .image = 2});
    ed.clearSelection();
    return slot;
  }
};

TEST(MimicEditor, AddingStopsAtTheSlotsWithItsMessageAndChangesNothing) {
  Editor e;
  for (int i = 0; i < kMaxPanels; ++i) ASSERT_EQ(e.ed.addPanel(i, i, 10, 10, 0), i);
  EXPECT_EQ(e.ks().Na[254].N_KP, 255);
  EXPECT_EQ(e.ks().Na[254].Name.utf8(), "N_254");
  for (int i = 0; i < kMaxElements; ++i) {
    ASSERT_EQ(e.ed.addSensor({.nKP = 1 + i % 255, .tip = 9}), i);
    ASSERT_EQ(e.ed.addLabel({.nKP = 2, .text = ""}, 3, 4), i);
    ASSERT_EQ(e.ed.addIcon({.nKP = 3, .image = 40}), i);
  }
  EXPECT_TRUE(e.said.empty());
  EXPECT_EQ(e.ks().Dsk[999].Text.utf8(), "00:00");
  EXPECT_EQ(e.ks().Dsk[999].NameNa.utf8(), e.ks().Na[999 % 255].Name.utf8());
  EXPECT_EQ(e.ks().Lb[5].Text.utf8(), "--");
  EXPECT_EQ(e.ks().Za[7].Image, 8);  // a kind past the pictures is bounded
  const std::string before = e.snapshot();
  EXPECT_EQ(e.ed.addPanel(0, 0, 10, 10, 0), -1);
  EXPECT_EQ(e.ed.addSensor({.nKP = 1}), -1);
  EXPECT_EQ(e.ed.addLabel({.nKP = 1, .text = ""}, 0, 0), -1);
  EXPECT_EQ(e.ed.addIcon({.nKP = 1}), -1);
  EXPECT_EQ(e.ed.addSensor({.nKP = 256}), -1);
  EXPECT_EQ(e.said,
            (std::vector<std::string>{
                "Кол-во инкубаторов превышено(255): 255", "Кол-во датчиков превышено(1000): 1000",
                "Кол-во меток превышено(1000): 1000", "Кол-во значков превышено(1000): 1000",
                "Нет инкубатора с номером: 256"}));
  EXPECT_EQ(e.snapshot(), before);
}

TEST(MimicEditor, FullCopyTakesTheNextFreeNumberAndIsRefusedWholeNearTheLimit) {
  Editor e;
  e.panel(3, 2, 10, 20);
  e.panel(1, 0);
  // The new slot would be 3, which the first panel already carries.
  e.ed.select(KonstrKind::Panel, 0);
  const int copy = e.ed.fullCopy();
  ASSERT_EQ(copy, 2);
  const Tlabel_& na = e.ks().Na[2];
  EXPECT_EQ(na.N_KP, 4);
  EXPECT_EQ(na.Name.utf8(), "N_2");
  EXPECT_EQ(na.Left, 110);
  EXPECT_EQ(na.Top, 100);
  EXPECT_EQ(e.ks().kol_Dsk, 4);
  for (int i : {2, 3}) {
    EXPECT_EQ(e.ks().Dsk[i].NameNa.utf8(), "N_2");
    EXPECT_EQ(e.ks().Dsk[i].N_KP, 4);
    EXPECT_EQ(e.ks().Dsk[i].Tag, i + 1);
    EXPECT_EQ(e.ks().Dsk[i].Tip, e.ks().Dsk[i - 2].Tip);
  }
  EXPECT_EQ(e.ks().Lb[2].NameNa.utf8(), "N_2");
  EXPECT_EQ(e.ks().Za[2].N_KP, 4);

  // One sensor of room left (the rest on a panel bound to 0), the copy needs two.
  const int zero = e.ed.addPanel(0, 300, 10, 10, 0);
  e.ed.select(KonstrKind::Panel, zero);
  e.ed.rememberPanelNumber(0);
  while (e.ks().kol_Dsk < 999) e.ed.addSensor({.nKP = 0});
  e.ed.select(KonstrKind::Panel, 0);
  const std::string before = e.snapshot();
  EXPECT_EQ(e.ed.fullCopy(), -1);
  // "Выровнять все" would give panel 1 two sensors and panel 4 its two again: 999 + 4 - 2.
  EXPECT_FALSE(e.ed.alignAll());
  EXPECT_EQ(e.said, std::vector<std::string>(2, "Кол-во датчиков превышено(1000): 1001"));
  EXPECT_EQ(e.snapshot(), before);
}

TEST(MimicEditor, AlignAllRebuildsTheOtherPanelsAtTheirPlacesAndNumbers) {
  Editor e;
  e.panel(1, 3, 0, 0);
  e.panel(2, 0, 200, 0);
  e.panel(5, 1, 400, 0);
  const int zero = e.ed.addPanel(600, 0, 50, 50, 0);
  e.ed.select(KonstrKind::Panel, zero);
  e.ed.rememberPanelNumber(0);
  e.ed.select(KonstrKind::Panel, 0);
  ASSERT_TRUE(e.ed.alignAll());
  ASSERT_EQ(e.ks().kol_Na, 4);
  EXPECT_EQ(e.ks().Na[1].N_KP, 0);  // bound to 0: left alone
  for (int i : {2, 3}) {
    const Tlabel_& p = e.ks().Na[i];
    EXPECT_EQ(p.Left, i == 2 ? 200 : 400);
    EXPECT_EQ(p.N_KP, i == 2 ? 2 : 5);
    int sensors = 0;
    for (int d = 0; d < e.ks().kol_Dsk; ++d)
      if (e.ks().Dsk[d].NameNa.raw() == p.Name.raw() && e.ks().Dsk[d].N_KP == p.N_KP) ++sensors;
    EXPECT_EQ(sensors, 3);
  }
  EXPECT_EQ(e.ks().kol_Dsk, 9);
  EXPECT_EQ(e.ks().kol_Lb, 3);
  EXPECT_EQ(e.ks().kol_Za, 3);
  EXPECT_EQ(e.ed.slot(), 0);
}

TEST(MimicEditor, DeletingMovesLaterSlotsDownAndDeleteAllKeepsPanelsBoundToZero) {
  Editor e;
  e.panel(1, 5);
  e.ed.select(KonstrKind::Sensor, 1);
  ASSERT_TRUE(e.ed.deleteSelected());
  EXPECT_EQ(e.ks().kol_Dsk, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(e.ks().Dsk[i].Tag, i + 1);
  EXPECT_EQ(e.ks().Dsk[1].Name.utf8(), "D_2");
  EXPECT_EQ(e.ed.addSensor({.nKP = 1}), 4);
  EXPECT_EQ(e.ks().Dsk[4].Name.utf8(), "D_1");  // the smallest free number
  // The selected sensor blinks off at 8 and on again at 0, and follows the pointer.
  e.ed.select(KonstrKind::Sensor, 4);
  std::vector<bool> hidden;
  for (int t = 0; t < 11; ++t) hidden.push_back(e.ed.blinkTick().hidden);
  EXPECT_EQ(hidden, (std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0}));
  e.ed.dragStart(100, 100);
  e.ed.dragTo(103, 90);
  EXPECT_EQ(e.ed.dragTo(110, 95), (std::pair<int, int>{15, 0}));

  const int zero = e.panel(2, 2);
  e.ed.select(KonstrKind::Panel, zero);
  e.ed.rememberPanelNumber(0);
  e.ed.addLabel({.nKP = 0, .text = "свободная"}, 1, 1);
  e.panel(3, 1);
  e.ed.select(KonstrKind::Panel, 0);
  EXPECT_EQ(e.ed.rememberPanelNumber(3), Konstruktor::kTaken);
  e.asked.clear();
  ASSERT_TRUE(e.ed.deleteAll(KonstrKind::Panel));
  EXPECT_EQ(e.asked, std::vector<std::string>{"Вы уверены, что хотите удалить все обьекты? 2"});
  ASSERT_EQ(e.ks().kol_Na, 1);
  EXPECT_EQ(e.ks().Na[0].N_KP, 0);
  EXPECT_EQ(e.ks().kol_Dsk, 2);
  EXPECT_EQ(e.ks().Dsk[0].N_KP, 0);
  EXPECT_EQ(e.ks().kol_Lb, 2);  // its attached label and the free one
  EXPECT_EQ(e.ks().kol_Za, 1);
  bool red = false;
  EXPECT_EQ(e.ed.zeroLine(red), "Есть(2)");
  EXPECT_TRUE(red);
  e.ed.clearSelection();
  EXPECT_FALSE(e.ed.deleteSelected());
  EXPECT_EQ(e.said.back(), Konstruktor::kNoObject);
  e.ed.ask = [](const std::string&) { return false; };
  EXPECT_FALSE(e.ed.deleteAllBound(KonstrKind::Sensor, 0));
  EXPECT_EQ(e.ks().kol_Dsk, 2);
  EXPECT_FALSE(e.ed.deleteAllBound(KonstrKind::Label, 9));
  EXPECT_EQ(e.said.back(), "Нет меток с номером 9");
}

TEST(MimicEditor, NetworkBlockIsWrittenOnlyForAConfiguredIncubator) {
  Editor e;
  e.panel(1, 0);
  e.config_p->kol_inkub = 3;
  const std::string before(reinterpret_cast<const char*>(e.config_p.get()), sizeof(TFile_config));
  EXPECT_FALSE(e.ed.rememberNetwork(1, 7, 2, true));  // nothing selected
  e.ed.select(KonstrKind::Panel, 0);
  for (int n : {0, 4, 255}) EXPECT_FALSE(e.ed.rememberNetwork(n, 7, 2, true));
  e.config_p->kol_inkub = 255;  // a count past the rows the tables have
  EXPECT_FALSE(e.ed.rememberNetwork(255, 7, 2, true));
  e.config_p->kol_inkub = 3;
  EXPECT_EQ(e.said, (std::vector<std::string>{Konstruktor::kNoObject, "Нет инкубатора с номером: 0",
                                              "Нет инкубатора с номером: 4",
                                              "Нет инкубатора с номером: 255",
                                              "Нет инкубатора с номером: 255"}));
  EXPECT_EQ(e.remembered, 0);
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(e.config_p.get()), sizeof(TFile_config)) ==
              before);
  ASSERT_TRUE(e.ed.rememberNetwork(3, 77, 4, true));
  EXPECT_EQ(e.remembered, 1);
  EXPECT_EQ(e.config_p->konfig_n[2], 77);
  EXPECT_EQ(e.config_p->konfig_linia[2], 4);
  EXPECT_EQ(e.config_p->konfig_o[2], 1);
}

TEST(MimicEditor, LoadedEditedAndSavedDocumentKeepsEveryUntouchedByte) {
  Editor e;
  // Odd bytes everywhere, a few elements of each kind, the marker.
  std::string file(sizeof(konstrT), '\0');
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  const auto put32 = [&](std::size_t off, std::uint32_t v) { std::memcpy(&file[off], &v, 4); };
  put32(0, 3), put32(4, 5), put32(8, 2), put32(12, 2), put32(offsetof(konstrT, chifr), kChifr);
  putFile(e.dir / "disp" / "hall.cfg", file);

  // A name chosen by "Создать" is dropped by the load that follows.
  e.ed.create("new.cfd");
  EXPECT_TRUE(e.doc.File_DispNewOn);
  ASSERT_TRUE(e.ed.load(e.dir / "disp" / "hall.cfg"));
  EXPECT_FALSE(e.doc.File_DispNewOn);
  e.ed.select(KonstrKind::Sensor, 1);
  e.ed.moveTo(12, 34);
  ASSERT_TRUE(e.ed.save());
  EXPECT_FALSE(fs::exists(e.dir / "disp" / "new.cfd"));

  std::string expected = file;
  const auto exp32 = [&](std::size_t off, std::uint32_t v) { std::memcpy(&expected[off], &v, 4); };
  for (std::size_t off : {offsetof(konstrT, NumberZa), offsetof(konstrT, NumberNa),
                          offsetof(konstrT, NumberDsk), offsetof(konstrT, NumberLb)})
    exp32(off, 0);  // creation counters start again at a load
  exp32(offsetof(konstrT, Dsk) + sizeof(Tlabel_), 12);
  exp32(offsetof(konstrT, Dsk) + sizeof(Tlabel_) + 4, 34);
  EXPECT_TRUE(fileBytes(e.dir / "disp" / "hall.cfg") == expected);

  // "Создать" then "Сохранить" writes under the new name.
  EXPECT_EQ(e.ed.create("new.cfd"), "Конструктор   new.cfd");
  ASSERT_TRUE(e.ed.save());
  EXPECT_EQ(e.doc.File_Disp, "new.cfd");
  EXPECT_EQ(fileBytes(e.dir / "disp" / "new.cfd").size(), sizeof(konstrT));
}

}  // namespace
}  // namespace vs
