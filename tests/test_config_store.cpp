#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "config/ConfigCheck.h"
#include "config/ConfigStore.h"
#include "tests/config_plant.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

using testing::bytesOf;
using testing::fileBytes;
using testing::kCfg;
using testing::Plant;
using testing::putFile;
using testing::record;
using testing::TempDir;
namespace fs = std::filesystem;

TEST(ConfigRecord, EveryFieldLiesAtItsOffsetAndUnreadBytesSurviveASave) {
  Plant p;
  std::string r(kCfg, '\0');
  auto mark = [&r](std::size_t off, unsigned char v) { r[off] = static_cast<char>(v); };
  mark(0, 3);     // kol_inkub
  mark(1, 11);    // usrednenie10
  mark(2, 0xA2);  // svobodno1
  mark(3, 0xA3);  // svobodno2
  mark(4, 0x34);  // konfig_n[0] = 0x1234
  mark(5, 0x12);
  mark(504, 0xFA);  // konfig_n[250] = 250
  mark(506, 2);     // konfig_s[0]: "Ию", then a tail the program never wrote
  mark(507, 0xC8);
  mark(508, 0xFE);
  mark(509, 0x77);
  mark(25756, 1);  // konfig_s[250] = "Z"
  mark(25757, 'Z');
  mark(25857, 1);        // konfig_o[0]
  mark(26108 + 250, 1);  // konfig_Write[250]
  mark(26359, 1);        // konfig_f[0] = "f"
  mark(26360, 'f');
  mark(89109, 1);  // konfig_f[250] = "g"
  mark(89110, 'g');
  mark(89360, 1);  // konfig_finkub[0] = "k"
  mark(89361, 'k');
  mark(153360, 1);  // konfig_finkub[250] = "m"
  mark(153361, 'm');
  mark(153616, 0xFB);      // konfig_DenTEK[0] = -5
  mark(153867 + 250, 21);  // konfig_DenKON[250]
  mark(154118, 1);         // konfig_INK[0]
  mark(154369, 0xEE);      // padding after konfig_INK
  mark(154375, 0xEF);
  mark(154376 + 7, 0x40);  // N_Time00[0] = 2.0
  mark(156376 + 7, 0x40);  // N_Time00[250] = 2.0
  mark(156384 + 6, 0xF0);  // N_DateTime[0] = 1.0
  mark(156384 + 7, 0x3F);
  mark(158384 + 7, 0x40);  // N_DateTime[250] = 2.0
  mark(158392 + 250, 1);   // konfig_TimeON[250]
  mark(158643, 4);         // konfig_linia[0]
  mark(158894, 0x5A);      // konfig_crc
  mark(158895, 0xDD);      // trailing padding
  putFile(p.cfg(), r);

  auto s = p.store();
  s->read_config();
  const TFile_config& c = s->config;
  EXPECT_EQ(c.kol_inkub, 3);
  EXPECT_EQ(c.usrednenie10, 11);
  EXPECT_EQ(c.konfig_n[0], 0x1234);
  EXPECT_EQ(c.konfig_n[250], 250);
  EXPECT_EQ(c.konfig_s[0].utf8(), "Ию");
  EXPECT_EQ(c.konfig_s[250].utf8(), "Z");
  EXPECT_TRUE(c.konfig_o[0]);
  EXPECT_TRUE(c.konfig_Write[250]);
  EXPECT_EQ(c.konfig_f[0].utf8(), "f");
  EXPECT_EQ(c.konfig_f[250].utf8(), "g");
  EXPECT_EQ(c.konfig_finkub[0].utf8(), "k");
  EXPECT_EQ(c.konfig_finkub[250].utf8(), "m");
  EXPECT_EQ(c.konfig_DenTEK[0], -5);
  EXPECT_EQ(c.konfig_DenKON[250], 21);
  EXPECT_TRUE(c.konfig_INK[0]);
  EXPECT_EQ(c.N_Time00[0], 2.0);
  EXPECT_EQ(c.N_Time00[250], 2.0);
  EXPECT_EQ(c.N_DateTime[0], 1.0);
  EXPECT_EQ(c.N_DateTime[250], 2.0);
  EXPECT_TRUE(c.konfig_TimeON[250]);
  EXPECT_EQ(c.konfig_linia[0], 4);
  EXPECT_EQ(c.konfig_crc, 0x5A);

  // The registry copy was refilled from the file byte for byte; a save writes the same bytes.
  EXPECT_EQ(fileBytes(p.regFile()), r);
  ASSERT_TRUE(s->Write_config());
  EXPECT_EQ(fileBytes(p.cfg()), r);
  EXPECT_EQ(fileBytes(p.regFile()), r);

  // A shorter name overwrites its length and characters only; the old tail stays.
  s->config.konfig_s[0].setUtf8("Я");
  ASSERT_TRUE(s->Write_config());
  std::string expect = r;
  expect[506] = 1;
  expect[507] = static_cast<char>(0xDF);
  EXPECT_EQ(fileBytes(p.cfg()), expect);
  EXPECT_TRUE(p.messages.empty());
}

TEST(ProgramRecord, EveryFieldLiesAtItsOffset) {
  Plant p;
  std::string r(8048, '\0');
  auto mark = [&r](std::size_t off, unsigned char v) { r[off] = static_cast<char>(v); };
  mark(0, 3);        // kol
  mark(4, 1);        // nDen[0]
  mark(1004, 0xFA);  // nDen[250]
  mark(1008, 0xBF);  // Temp[0] = 3775
  mark(1009, 0x0E);
  mark(2012, 55);    // Vlaz[0]
  mark(3016, 0xFF);  // Zaslonki[0] = -1
  mark(3017, 0xFF);
  mark(3018, 0xFF);
  mark(3019, 0xFF);
  mark(4020, 9);          // TempZ[0]
  mark(5024, 60);         // Lotki[0]
  mark(6028, 0xAB);       // padding before TimeDen
  mark(6032 + 7, 0x40);   // TimeDen[0] = 2.0
  mark(7952 + 7, 0x40);   // TimeDen[240] = 2.0
  mark(7960, 1);          // prLotki
  mark(7961 + 78, 0x99);  // pr[78]
  mark(8040, 0x34);       // crc
  mark(8041, 0x12);
  mark(8042, 1);     // rab
  mark(8047, 0xCC);  // trailing padding
  fs::create_directories(p.home / "rezim");
  putFile(p.home / "rezim" / "a.ink", r);

  auto s = p.store();
  s->read_INKconfig(p.home / "rezim" / "a.ink", 7);
  const TFile_INKconfig& g = s->configINK[7];
  EXPECT_EQ(g.kol, 3);
  EXPECT_EQ(g.nDen[0], 1);
  EXPECT_EQ(g.nDen[250], 250);
  EXPECT_EQ(g.Temp[0], 3775);
  EXPECT_EQ(g.Vlaz[0], 55);
  EXPECT_EQ(g.Zaslonki[0], -1);
  EXPECT_EQ(g.TempZ[0], 9);
  EXPECT_EQ(g.Lotki[0], 60);
  EXPECT_EQ(g.TimeDen[0], 2.0);
  EXPECT_EQ(g.TimeDen[240], 2.0);
  EXPECT_TRUE(g.prLotki);
  EXPECT_EQ(g.pr[78], 0x99);
  EXPECT_EQ(g.crc, 0x1234);
  EXPECT_TRUE(g.rab);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&g), sizeof g), r);
}

TEST(ConfigStart, ManyIncubatorsLoadAndACountOfZeroMeansOne) {
  Plant p;
  {
    auto s = p.store();
    s->config.kol_inkub = 130;
    for (int nk = 0; nk < 130; ++nk) {
      s->config.konfig_n[static_cast<std::size_t>(nk)] = static_cast<std::uint16_t>(nk + 1);
      s->config.konfig_s[static_cast<std::size_t>(nk)].setUtf8("Инкубатор " + std::to_string(nk));
      s->config.konfig_o[static_cast<std::size_t>(nk)] = 1;
    }
    ASSERT_TRUE(s->Write_config());
  }
  auto s = p.store();
  s->read_config();
  EXPECT_EQ(s->config.kol_inkub, 130);
  EXPECT_EQ(s->config.konfig_n[129], 130);
  EXPECT_EQ(s->config.konfig_s[129].utf8(), "Инкубатор 129");
  EXPECT_TRUE(s->config.konfig_o[129]);

  for (auto [stored, loaded] : {std::pair{0, 1}, std::pair{251, 251}}) {
    Plant q;
    putFile(q.cfg(), record(static_cast<std::uint8_t>(stored)));
    auto t = q.store();
    t->read_config();
    EXPECT_EQ(t->config.kol_inkub, loaded) << stored;
    ASSERT_TRUE(t->importCfg(q.cfg()));
    EXPECT_EQ(t->config_p.kol_inkub, loaded) << stored;
  }
}

TEST(ConfigStart, UnreadableFilesAreReportedAndStartUpGoesOn) {
  {  // config.cfg is a folder and there is no registry copy
    Plant p;
    fs::create_directory(p.cfg());
    auto s = p.store();
    EXPECT_FALSE(s->ReadFileConfig());
    s->read_config();
    EXPECT_EQ(s->config.kol_inkub, 1);
    EXPECT_EQ(p.messages,
              std::vector<std::string>{"Ошибка файла конфигурации: " + p.cfg().string()});
    EXPECT_TRUE(p.reports.empty());
    EXPECT_FALSE(fs::exists(p.regFile()));  // nothing taken from a file that was not read
  }
  {  // the registry folder cannot be made: a file stands in its place
    Plant p;
    fs::create_directories(p.reg.parent_path());
    putFile(p.reg, "x");
    putFile(p.cfg(), record(4));
    auto s = p.store();
    s->read_config();
    EXPECT_EQ(s->config.kol_inkub, 4);
    EXPECT_EQ(p.messages, std::vector<std::string>{"ошибка реестра. ОШИБКА 6"});
  }
  {  // the registry value cannot be read, nor rewritten
    Plant p;
    fs::create_directories(p.regFile());
    putFile(p.cfg(), record(4));
    auto s = p.store();
    s->read_config();
    EXPECT_EQ(s->config.kol_inkub, 4);
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_EQ(p.messages[0].rfind("ошибка чтения реестраю ОШИБКА 4. ", 0), 0u);
    EXPECT_TRUE(p.messages[0].ends_with("--" + p.reg.string()));
    EXPECT_EQ(p.messages[1], "Запись в реестр. ОШИБКА 3");
  }
}

TEST(ConfigSave, AFailedCopyIsReportedAndLeavesTheOldFile) {
  {  // config.cfg is a folder: the registry copy is written, the save is not done
    Plant p;
    fs::create_directory(p.cfg());
    auto s = p.store();
    s->config.kol_inkub = 5;
    EXPECT_FALSE(s->Write_config());
    EXPECT_EQ(fileBytes(p.regFile()), record(5));
    EXPECT_TRUE(fs::is_directory(p.cfg()));
    EXPECT_EQ(p.messages, std::vector<std::string>{"Ошибка записи файла: " + p.cfg().string()});
  }
  {  // no registry folder can be made: config.cfg is still written
    Plant p;
    fs::create_directories(p.reg.parent_path());
    putFile(p.reg, "x");
    auto s = p.store();
    s->config.kol_inkub = 5;
    EXPECT_FALSE(s->Write_config());
    EXPECT_EQ(fileBytes(p.cfg()), record(5));
    EXPECT_EQ(p.messages, std::vector<std::string>{"Открытие Реестра. ОШИБКА 1"});
  }
  {  // the registry value is a folder
    Plant p;
    fs::create_directories(p.regFile());
    auto s = p.store();
    EXPECT_FALSE(s->RegKeyWrite());
    EXPECT_EQ(p.messages, std::vector<std::string>{"Запись в реестр. ОШИБКА 2"});
  }
}

// A full disk under both copies (made by the file layer, so it fails for root too): the save
// says so and both previous copies stay whole, with no temporary file left beside them.
TEST(ConfigSave, AFullDiskFailsTheSaveAndLeavesBothCopiesWhole) {
  Plant p;
  putFile(p.cfg(), record(2));
  fs::create_directories(p.reg);
  putFile(p.regFile(), record(2));
  auto s = p.store();
  s->config.kol_inkub = 9;
  setWriteFault([](const fs::path&) { return true; });
  const bool saved = s->Write_config();
  setWriteFault(nullptr);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(fileBytes(p.cfg()) == record(2));
  EXPECT_TRUE(fileBytes(p.regFile()) == record(2));
  EXPECT_EQ(p.messages, (std::vector<std::string>{"Запись в реестр. ОШИБКА 2",
                                                  "Ошибка записи файла: " + p.cfg().string()}));
  EXPECT_EQ(std::distance(fs::directory_iterator(p.home), fs::directory_iterator()), 1);
}

TEST(ConfigImport, AFileGoesIntoTheEditingCopyOnly) {
  Plant p;
  auto s = p.store();
  s->read_config();
  const std::string liveFile = fileBytes(p.cfg());

  std::string other = record(9);
  other[4] = 42;  // konfig_n[0]
  putFile(p.tmp / "other.cfg", other);
  ASSERT_TRUE(s->importCfg(p.tmp / "other.cfg"));
  EXPECT_EQ(bytesOf(s->config_p), other);
  EXPECT_EQ(s->config.kol_inkub, 1);
  EXPECT_EQ(s->config.konfig_n[0], 0);
  EXPECT_EQ(fileBytes(p.cfg()), liveFile);
  EXPECT_EQ(fileBytes(p.regFile()), liveFile);

  // A file that is not one whole record of at most 251 rows, or is missing, changes nothing.
  putFile(p.tmp / "short.cfg", std::string(1, '\x03'));
  putFile(p.tmp / "junk.cfg", record(255));
  std::string why;
  EXPECT_FALSE(s->importCfg(p.tmp / "short.cfg", &why));
  EXPECT_EQ(why, "длина 1 байт вместо 158896");
  EXPECT_FALSE(s->importCfg(p.tmp / "junk.cfg", &why));
  EXPECT_EQ(why, "число инкубаторов 255 больше 251");
  EXPECT_FALSE(s->importCfg(p.tmp / "missing.cfg"));
  EXPECT_EQ(bytesOf(s->config_p), other);
  EXPECT_TRUE(p.reports.empty());

  // Export stores the spin box count with the record.
  ASSERT_TRUE(s->exportCfg(p.tmp / "out.cfg", 4));
  std::string expect = other;
  expect[0] = 4;
  EXPECT_EQ(fileBytes(p.tmp / "out.cfg"), expect);
  EXPECT_FALSE(s->exportCfg(p.tmp.path(), 4));
}

TEST(ConfigPrograms, AutomaticRowsLoadTheirProgramAndLastDay) {
  Plant p;
  const fs::path rezim = p.home / "rezim";
  fs::create_directories(rezim / "sub");
  auto program = [](std::int32_t kol, std::vector<std::int32_t> days) {
    TFile_INKconfig g{};
    g.kol = kol;
    for (std::size_t i = 0; i < days.size(); ++i) g.nDen[i] = days[i];
    return std::string(reinterpret_cast<const char*>(&g), sizeof g);
  };
  putFile(rezim / "a.ink", program(3, {1, 10, 18}));
  putFile(rezim / "sub" / "b.ink", program(2, {1, 300}));  // only the low byte is kept
  putFile(rezim / "bad.ink", program(1000, {5}));          // kol past the table
  putFile(rezim / "zero.ink", program(0, {5}));
  putFile(p.home / "outside.ink", program(1, {33}));

  auto s = p.store();
  s->config.kol_inkub = 7;
  const char* names[] = {"a.ink",   "sub\\b.ink",      "bad.ink", "zero.ink",
                         "new.ink", "..\\outside.ink", "a.ink"};
  for (std::size_t nk = 0; nk < 7; ++nk) {
    s->config.konfig_finkub[nk].setUtf8(names[nk]);
    s->config.konfig_INK[nk] = 1;
    s->config.konfig_DenKON[nk] = -1;
  }
  s->config.konfig_INK[6] = 0;
  s->config.konfig_INK[7] = 1;  // beyond the configured count
  s->config.konfig_finkub[7].setUtf8("a.ink");
  s->configINK[4].kol = 1;
  s->configINK[4].nDen[0] = 12;

  s->loadPrograms();
  EXPECT_EQ(s->configINK[0].nDen[2], 18);
  EXPECT_EQ(s->config.konfig_DenKON[0], 18);
  EXPECT_EQ(s->config.konfig_DenKON[1], 44);
  EXPECT_EQ(s->configINK[2].kol, 1000);
  EXPECT_EQ(s->config.konfig_DenKON[2], -1);
  EXPECT_EQ(s->config.konfig_DenKON[3], -1);
  // A missing program is created with what the entry holds, and the operator is told.
  EXPECT_EQ(fileBytes(rezim / "new.ink").size(), 8048u);
  EXPECT_EQ(s->config.konfig_DenKON[4], 12);
  EXPECT_EQ(p.messages, std::vector<std::string>{"Создан новый(ПУСТОЙ!) файл Режима инкубации: " +
                                                 (rezim / "new.ink").string()});
  // A name reaching out of "rezim" is neither read nor created.
  EXPECT_EQ(s->config.konfig_DenKON[5], -1);
  EXPECT_EQ(s->configINK[5].kol, 0);
  EXPECT_EQ(s->config.konfig_DenKON[6], -1);
  EXPECT_EQ(s->configINK[7].kol, 0);

  // A short file fills its length only; one that cannot be read leaves the entry alone.
  putFile(rezim / "short.ink", std::string("\x02\0\0\0", 4));
  s->read_INKconfig(rezim / "short.ink", 0);
  EXPECT_EQ(s->configINK[0].kol, 2);
  EXPECT_EQ(s->configINK[0].nDen[2], 18);
  s->read_INKconfig(rezim / "sub", 0);
  EXPECT_EQ(s->configINK[0].kol, 2);
  s->read_INKconfig(rezim / "a.ink", 256);  // no such entry: nothing happens
}

TEST(ConfigStore, RegistryCopyDefaultsToTheUserConfigFolder) {
  TempDir tmp;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", tmp.path().c_str(), 1);
  const auto s = std::make_unique<ConfigStore>(tmp / "home");
  if (old) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_EQ(s->registryFile(), tmp.path() / "Vetrostan2022" / "config");
  EXPECT_EQ(s->configFile(), tmp.path() / "home" / "config.cfg");
}

}  // namespace
}  // namespace vs
