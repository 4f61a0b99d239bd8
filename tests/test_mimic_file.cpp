// Mimic documents on disk: both formats laid out here by offset (elements in first and last
// slots, odd reserved bytes and string tails), read at their offsets and written back byte for
// byte, the old format converted to the current one, other files refused, and the start-up with
// an old, a broken and no default document.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "config/SettingsFile.h"
#include "mimic/DispetchFile.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

constexpr std::size_t kNew = 2656660, kOld = 832900, kLabel = 816;

void put32(std::string& b, std::size_t off, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[off + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
std::uint32_t get32(const std::string& b, std::size_t off) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<std::uint8_t>(b[off + static_cast<std::size_t>(i)]);
  return v;
}
// A length-prefixed Windows-1251 string; the bytes past it stay as they are.
void putStr(std::string& b, std::size_t off, const std::string& cp1251) {
  b[off] = static_cast<char>(cp1251.size());
  b.replace(off + 1, cp1251.size(), cp1251);
}

// A record of `size` bytes with every byte set to a pattern, so that reserved fields, padding
// and string tails hold odd values that must survive; the marker at its place.
std::string patterned(std::size_t size, std::size_t markerAt, unsigned seed) {
  std::string b(size, '\0');
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  put32(b, markerAt, 51766587);
  return b;
}

// Where two byte strings first differ, for a readable failure; npos when equal.
std::size_t firstDiff(const std::string& a, const std::string& b) {
  if (a == b) return std::string::npos;
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return i;
}
#define EXPECT_SAME_BYTES(a, b) EXPECT_EQ(firstDiff((a), (b)), std::string::npos)

// Slot bases of the current format and of the old one.
constexpr std::size_t kLb = 568, kDsk = 816568, kNa = 1632568, kZa = 1840648;
constexpr std::size_t kOLb = 568, kODsk = 208648, kONa = 416728, kOZa = 624808;

struct Home {
  TempDir dir;
  std::vector<std::string> messages, journal;
  MimicDocument doc{dir.path(), dir / "Vetrostan.INI"};
  Home() {
    doc.message = [this](const std::string& m) { messages.push_back(m); };
    doc.journal = [this](const std::string& m) { journal.push_back(m); };
    fs::create_directories(dir / "disp");
  }
  fs::path disp(const std::string& name) const { return dir / "disp" / name; }
};

TEST(MimicFile, CurrentDocumentIsReadAtItsOffsetsAndSavedBackByteForByte) {
  Home h;
  std::string b = patterned(kNew, 2656656, 5);
  put32(b, 0, 1000);  // kol_Lb
  put32(b, 4, 2);     // kol_Dsk
  put32(b, 8, 1000);  // kol_Za
  put32(b, 12, 255);  // kol_Na
  put32(b, 28, 7);    // nom_KP0
  b[52] = 'o';
  putStr(b, 53, "\xF4\xEE\xED.jpg");  // "фон.jpg"
  putStr(b, kLb + 364, "L_0");
  put32(b, kLb + 0, 11);                  // Left of the first label
  putStr(b, kLb + 84 + 8, "Tahoma");      // its font family
  b[kLb + 415] = static_cast<char>(200);  // Text: a length byte above its 50 characters
  putStr(b, kLb + 999 * kLabel + 415, "last");
  put32(b, kDsk + 1 * kLabel + 20, 11);    // Tip of the second sensor
  put32(b, kNa + 254 * kLabel + 28, 251);  // N_KP of the last panel
  putStr(b, kNa + 254 * kLabel + 364, "N_254");
  put32(b, kZa + 999 * kLabel + 672, 8);  // Image of the last icon
  put32(b, 2656648, 0xFF00000F);          // ColorOFF
  putFile(h.disp("hall.cfd"), b);

  ASSERT_TRUE(h.doc.Zagruzit(h.disp("hall.cfd")));
  EXPECT_TRUE(h.messages.empty());
  const konstrT& ks = *h.doc.KS;
  EXPECT_EQ(h.doc.File_Disp, "hall.cfd");
  EXPECT_EQ(ks.kol_Lb, 1000);
  EXPECT_EQ(ks.kol_Na, 255);
  EXPECT_EQ(ks.nom_KP0, 7);
  EXPECT_EQ(ks.Im_f.utf8(), "фон.jpg");
  EXPECT_EQ(h.doc.konstruktorCaption(), "Конструктор   hall.cfd   фон.jpg");
  EXPECT_EQ(h.doc.mimicCaption(1920, 1080), "Разрешение экрана 1920 * 1080   фон.jpg");
  EXPECT_EQ(ks.Lb[0].Left, 11);
  EXPECT_EQ(ks.Lb[0].Name.utf8(), "L_0");
  EXPECT_EQ(ks.Lb[0].Font.Name.utf8(), "Tahoma");
  EXPECT_EQ(ks.Lb[0].Text.raw(), b.substr(kLb + 416, 50));  // cut to the field, not beyond
  EXPECT_EQ(ks.Lb[999].Text.utf8(), "last");
  EXPECT_EQ(ks.Dsk[1].Tip, 11);
  EXPECT_EQ(ks.Na[254].N_KP, 251);
  EXPECT_EQ(ks.Na[254].Name.utf8(), "N_254");
  EXPECT_EQ(ks.Za[999].Image, 8);
  EXPECT_EQ(ks.ColorOFF, 0xFF00000Fu);

  ASSERT_TRUE(h.doc.DispSave());
  EXPECT_SAME_BYTES(fileBytes(h.disp("hall.cfd")), b);
  ASSERT_TRUE(h.doc.DispSaveAs("/elsewhere/copy"));  // written in "disp", ".cfg" added
  EXPECT_EQ(h.doc.File_Disp, "copy.cfg");
  EXPECT_SAME_BYTES(fileBytes(h.disp("copy.cfg")), b);
  EXPECT_TRUE(h.messages.empty());

  // A failed save says so and leaves the file and the document as they were.
  setWriteFault([](const fs::path&) { return true; });
  h.doc.KS->kol_Lb = 3;
  EXPECT_FALSE(h.doc.DispSave());
  setWriteFault({});
  ASSERT_EQ(h.messages.size(), 1u);
  EXPECT_EQ(h.messages[0].rfind("Ошибка записи файла: ", 0), 0u) << h.messages[0];
  EXPECT_SAME_BYTES(fileBytes(h.disp("copy.cfg")), b);
  EXPECT_EQ(h.doc.KS->kol_Lb, 3);

  // The background file is looked up in "disp" and only there.
  std::string problem;
  EXPECT_FALSE(h.doc.backgroundFile(problem));
  EXPECT_EQ(problem, "файл фона ошибочный (" + (h.dir / "disp" / "фон.jpg").string() + ")");
  putFile(h.disp("фон.jpg"), "x");
  EXPECT_EQ(h.doc.backgroundFile(problem), h.disp("фон.jpg"));
  h.doc.KS->Im_f.setUtf8("../фон.jpg");
  EXPECT_FALSE(h.doc.backgroundFile(problem));
  EXPECT_FALSE(problem.empty());
}

TEST(MimicFile, OldDocumentConvertsEveryElementToItsNewOffsetAndThenLoadsSilently) {
  Home h;
  // A current document first, so the read buffer holds elements in every slot.
  std::string stale = patterned(kNew, 2656656, 9);
  putFile(h.disp("stale.cfd"), stale);
  ASSERT_TRUE(h.doc.Zagruzit(h.disp("stale.cfd")));

  std::string old = patterned(kOld, 832896, 77);
  put32(old, 0, 300);  // more labels than the 255 slots the old format has
  put32(old, 4, 255);
  put32(old, 8, 1);
  put32(old, 12, 255);
  putStr(old, kOLb + 254 * kLabel + 364, "L_254");
  putStr(old, kODsk + 364, "D_0");
  putStr(old, kONa + 254 * kLabel + 364, "N_254");
  putStr(old, kOZa + 364, "Z_0");
  put32(old, 832888, 0x00C0C0C0);  // ColorOFF
  old[832892] = 1;                 // kpdtOFF
  putFile(h.disp("old.cfd"), old);

  ASSERT_TRUE(h.doc.Zagruzit(h.disp("old.cfd")));
  EXPECT_EQ(h.messages, std::vector<std::string>{"Файл в старом формате! Обязательно сохранить"});
  EXPECT_SAME_BYTES(fileBytes(h.disp("old.cfd")), old);  // untouched until saved
  EXPECT_EQ(h.doc.KS->Lb[254].Name.utf8(), "L_254");
  EXPECT_EQ(h.doc.KS->Za[0].Name.utf8(), "Z_0");

  ASSERT_TRUE(h.doc.DispSaveAs("new.cfd"));
  const std::string conv = fileBytes(h.disp("new.cfd"));
  ASSERT_EQ(conv.size(), kNew);
  EXPECT_EQ(get32(conv, 0), 255u);                             // cut to the slots that exist
  EXPECT_SAME_BYTES(conv.substr(4, 564), old.substr(4, 564));  // the head as read, tails included
  for (std::size_t slot : {std::size_t{0}, std::size_t{254}}) {
    EXPECT_SAME_BYTES(conv.substr(kLb + slot * kLabel, kLabel),
                      old.substr(kOLb + slot * kLabel, kLabel));
    EXPECT_SAME_BYTES(conv.substr(kDsk + slot * kLabel, kLabel),
                      old.substr(kODsk + slot * kLabel, kLabel));
    EXPECT_SAME_BYTES(conv.substr(kNa + slot * kLabel, kLabel),
                      old.substr(kONa + slot * kLabel, kLabel));
    EXPECT_SAME_BYTES(conv.substr(kZa + slot * kLabel, kLabel),
                      old.substr(kOZa + slot * kLabel, kLabel));
  }
  // Slots above 255 hold nothing of the document read before.
  EXPECT_SAME_BYTES(conv.substr(kLb + 255 * kLabel, 745 * kLabel), std::string(745 * kLabel, '\0'));
  EXPECT_SAME_BYTES(conv.substr(kZa + 255 * kLabel, 745 * kLabel), std::string(745 * kLabel, '\0'));
  EXPECT_EQ(get32(conv, 2656648), 0x00C0C0C0u);
  EXPECT_EQ(conv[2656652], 1);
  EXPECT_EQ(get32(conv, 2656656), 51766587u);

  h.messages.clear();
  ASSERT_TRUE(h.doc.Zagruzit(h.disp("new.cfd")));
  EXPECT_TRUE(h.messages.empty());
}

TEST(MimicFile, AnyOtherFileIsRefusedAndTheDocumentStays) {
  Home h;
  h.doc.KS->kol_Na = 4;
  h.doc.File_Disp = "keep.cfd";
  std::string wrongMarker = patterned(kNew, 2656656, 1);
  put32(wrongMarker, 2656656, 51766588);
  const std::vector<std::string> files{
      std::string(),
      patterned(kOld - 1, kOld - 5, 1),
      patterned(kOld + 1, 832896, 1),
      patterned(kNew - 1, kNew - 5, 1),
      patterned(kNew + 1, 2656656, 1),
      wrongMarker,
      patterned(kNew, 832896, 1),  // the old marker place in a file of the new size
  };
  for (const std::string& f : files) {
    putFile(h.disp("x.cfd"), f);
    h.messages.clear();
    EXPECT_FALSE(h.doc.Zagruzit(h.disp("x.cfd"))) << f.size();
    EXPECT_EQ(h.messages, std::vector<std::string>{"Файл не в формате."}) << f.size();
  }
  fs::create_directories(h.disp("folder.cfd"));
  h.messages.clear();
  EXPECT_FALSE(h.doc.Zagruzit(h.disp("folder.cfd")));
  EXPECT_EQ(h.messages, std::vector<std::string>{"Файл не в формате."});
  h.messages.clear();
  EXPECT_FALSE(h.doc.Zagruzit(h.disp("none.cfd")));
  EXPECT_EQ(h.messages, std::vector<std::string>{"Файл не найден." + h.disp("none.cfd").string()});
  EXPECT_EQ(h.doc.KS->kol_Na, 4);
  EXPECT_EQ(h.doc.File_Disp, "keep.cfd");
}

TEST(MimicStartup, NoDocumentMakesTheEmptyDefaultAndTheSettingsNameIt) {
  Home h;
  fs::remove_all(h.dir / "disp");
  h.doc.readFileDisp();
  EXPECT_FALSE(h.doc.OpenDispetch());
  EXPECT_TRUE(fs::is_directory(h.dir / "img"));
  const std::string made = fileBytes(h.disp("Vetrostan.cfg"));
  ASSERT_EQ(made.size(), kNew) << (h.messages.empty() ? "" : h.messages[0]);
  EXPECT_EQ(get32(made, 2656656), 51766587u);
  EXPECT_EQ(h.doc.File_Disp, "Vetrostan.cfg");
  EXPECT_TRUE(h.messages.empty());
  EXPECT_TRUE(h.journal.empty());

  MimicDocument again(h.dir.path(), h.dir / "Vetrostan.INI");
  again.readFileDisp();
  EXPECT_EQ(again.File_Disp, "Vetrostan.cfg");
  EXPECT_TRUE(again.OpenDispetch());
  EXPECT_SAME_BYTES(fileBytes(h.disp("Vetrostan.cfg")), made);
}

TEST(MimicStartup, OldDocumentIsConvertedAndABrokenOneKeptAside) {
  Home h;
  std::string old = patterned(kOld, 832896, 3);
  put32(old, 12, 1);
  putStr(old, kONa + 364, "N_0");
  putFile(h.disp("hall.cfg"), old);
  ASSERT_TRUE(saveKey(h.dir / "Vetrostan.INI", "Dispetch", "Form_File", "hall.cfg"));
  h.doc.readFileDisp();
  EXPECT_TRUE(h.doc.OpenDispetch());
  EXPECT_EQ(h.doc.KS->Na[0].Name.utf8(), "N_0");
  EXPECT_EQ(h.doc.File_Disp, "hall.cfg");
  EXPECT_SAME_BYTES(fileBytes(h.disp("hall.cfg")), old);
  EXPECT_EQ(h.messages, std::vector<std::string>{"Файл в старом формате! Обязательно сохранить"});
  EXPECT_EQ(h.journal.size(), 1u);
  EXPECT_FALSE(fs::exists(h.disp("Vetrostan.cfg")));

  // A damaged default document is renamed aside before the empty one takes its name.
  const std::string broken = patterned(kNew - 100, 0, 4);
  putFile(h.disp("Vetrostan.cfg"), broken);
  putFile(h.disp("Vetrostan.bak1.cfg"), "earlier");
  h.doc.File_Disp = "Vetrostan.cfg";
  h.journal.clear();
  EXPECT_FALSE(h.doc.OpenDispetch());
  EXPECT_EQ(fileBytes(h.disp("Vetrostan.bak1.cfg")), "earlier");
  EXPECT_SAME_BYTES(fileBytes(h.disp("Vetrostan.bak2.cfg")), broken);
  EXPECT_EQ(fileBytes(h.disp("Vetrostan.cfg")).size(), kNew);
  EXPECT_EQ(h.doc.KS->kol_Na, 0);
  ASSERT_EQ(h.journal.size(), 2u);
  EXPECT_NE(h.journal[1].find("Vetrostan.bak2.cfg"), std::string::npos) << h.journal[1];

  // A settings name with a folder part counts as missing: nothing outside "disp" is read.
  putFile(h.dir / "outside.cfg", patterned(kNew, 2656656, 8));
  ASSERT_TRUE(saveKey(h.dir / "Vetrostan.INI", "Dispetch", "Form_File", "..\\outside.cfg"));
  h.doc.readFileDisp();
  EXPECT_FALSE(h.doc.OpenDispetch());
  EXPECT_EQ(h.doc.File_Disp, "Vetrostan.cfg");
  EXPECT_TRUE(fs::exists(h.disp("Vetrostan.bak3.cfg")));
}

}  // namespace
}  // namespace vs
