// Which stored copy of the plant configuration a start takes: refused only when no installation
// could have written it, odd values read as they are, two differing copies weighed, and nothing
// written while no copy could be used.
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
namespace fs = std::filesystem;

TEST(ConfigStart, CleanMachineCreatesBothCopiesWithOneIncubator) {
  Plant p;
  {
    auto s = p.store();
    s->read_config();
    EXPECT_EQ(s->config.kol_inkub, 1);
    EXPECT_EQ(s->config.konfig_n[0], 0);
    EXPECT_EQ(s->config.konfig_s[0].utf8(), "");
    EXPECT_FALSE(s->config.konfig_o[0]);
  }
  EXPECT_EQ(fileBytes(p.cfg()), record(1));
  EXPECT_EQ(fileBytes(p.regFile()), record(1));
  EXPECT_TRUE(p.messages.empty());

  // The next start takes the registry copy.
  putFile(p.cfg(), record(9));
  auto again = p.store();
  EXPECT_TRUE(again->RegKeyOpen());
  EXPECT_EQ(again->config.kol_inkub, 1);
}

TEST(ConfigStart, RegistryCopyOfTheWrongLengthOrFullOfJunkIsReplacedFromTheFile) {
  const std::pair<std::size_t, std::string> cases[] = {
      {0, "длина 0 байт вместо 158896"},
      {100, "длина 100 байт вместо 158896"},
      {kCfg - 1, "длина 158895 байт вместо 158896"},
      {kCfg + 1, "длина 158897 байт вместо 158896"},
      {kCfg, "число инкубаторов 252 больше 251"},  // right length, every byte 252
  };
  for (const auto& [length, why] : cases) {
    Plant p;
    std::string file = record(7);
    file[506] = 2;
    file[507] = 'A';
    file[508] = 'B';
    putFile(p.cfg(), file);
    fs::create_directories(p.reg);
    putFile(p.regFile(), std::string(length, '\xFC'));

    auto s = p.store();
    EXPECT_FALSE(s->RegKeyOpen());
    EXPECT_EQ(bytesOf(s->config), file) << length;
    EXPECT_EQ(fileBytes(p.regFile()), file) << length;
    EXPECT_EQ(fileBytes(p.cfg()), file) << length;
    EXPECT_TRUE(p.messages.empty());
    EXPECT_EQ(p.reports, std::vector<std::string>{p.regCopy() + " повреждена: " + why +
                                                  "; заменена содержимым \"config.cfg\""});
  }
}

TEST(ConfigStart, ASoundRegistryCopyWinsOverADamagedFileWhichIsLeftAlone) {
  for (const std::string& damaged : {std::string(1000, '\0'), record(252)}) {
    Plant p;
    std::string live = record(3);
    live[4] = 17;  // konfig_n[0]
    fs::create_directories(p.reg);
    putFile(p.regFile(), live);
    putFile(p.cfg(), damaged);

    auto s = p.store();
    s->read_config();
    EXPECT_EQ(bytesOf(s->config), live);
    EXPECT_EQ(fileBytes(p.cfg()), damaged);
    EXPECT_EQ(fileBytes(p.regFile()), live);
    const std::string why = damaged.size() == kCfg
                                ? "число инкубаторов 252 больше 251"
                                : "длина " + std::to_string(damaged.size()) + " байт вместо 158896";
    EXPECT_EQ(p.reports, std::vector<std::string>{p.fileCopy() + " повреждена: " + why +
                                                  "; взята копия реестра"});

    // Taking the file over on its own (as the transfer does) refuses it too.
    EXPECT_FALSE(s->ReadFileConfig());
    EXPECT_EQ(bytesOf(s->config), live);
    ASSERT_EQ(p.reports.size(), 2u);
    EXPECT_EQ(p.reports[1], p.fileCopy() + " повреждена: " + why + "; не загружена");
    EXPECT_TRUE(p.messages.empty());
  }
}

// With no usable copy the program starts with one empty incubator and writes nothing, so a
// damaged copy is neither spread to the other nor overwritten before the operator sees it.
TEST(ConfigStart, WithNoUsableCopyTheEmptyConfigurationIsUsedAndNothingIsWritten) {
  std::string shortFile = record(12).substr(0, 1000);
  shortFile[4] = 1;  // a real beginning: twelve incubators, the first numbered 1
  struct Case {
    std::optional<std::string> file, reg;  // the copies on disk; nullopt: absent
    std::string fileWhy, regWhy;           // the reasons reported; empty: no line
  };
  const Case cases[] = {
      {shortFile, std::nullopt, "длина 1000 байт вместо 158896", ""},
      {std::string(), std::nullopt, "длина 0 байт вместо 158896", ""},
      {shortFile, std::string(kCfg, '\xFD'), "длина 1000 байт вместо 158896",
       "число инкубаторов 253 больше 251"},
      {std::nullopt, "xyz", "", "длина 3 байт вместо 158896"},  // no file is made from nothing
  };
  auto onDisk = [](const fs::path& f) -> std::optional<std::string> {
    if (!fs::exists(f)) return std::nullopt;
    return fileBytes(f);
  };
  for (const Case& c : cases) {
    Plant p;
    if (c.file) putFile(p.cfg(), *c.file);
    if (c.reg) {
      fs::create_directories(p.reg);
      putFile(p.regFile(), *c.reg);
    }
    auto s = p.store();
    EXPECT_FALSE(s->RegKeyOpen());
    EXPECT_EQ(bytesOf(s->config), record(1));
    EXPECT_EQ(onDisk(p.cfg()), c.file);
    EXPECT_EQ(onDisk(p.regFile()), c.reg);

    const std::string none = "; пригодной копии нет, взята пустая конфигурация";
    std::vector<std::string> expect;
    if (!c.regWhy.empty()) expect.push_back(p.regCopy() + " повреждена: " + c.regWhy + none);
    if (!c.fileWhy.empty()) expect.push_back(p.fileCopy() + " повреждена: " + c.fileWhy + none);
    EXPECT_EQ(p.reports, expect);
    EXPECT_TRUE(p.messages.empty());
  }
}

TEST(ConfigCheck, OnlyACountPastTheRecordRefusesItAndEveryOddValueIsNamed) {
  auto c = std::make_unique<TFile_config>();
  struct Case {
    void (*spoil)(TFile_config&);
    const char* refusal;
    std::vector<std::string> odd;
  };
  const Case cases[] = {
      {[](TFile_config& r) { r.kol_inkub = 251; }, "", {}},
      {[](TFile_config& r) { r.kol_inkub = 252; }, "число инкубаторов 252 больше 251", {}},
      {[](TFile_config& r) {
         r.konfig_o[3] = 2;
         r.konfig_Write[250] = 0xFF;
         r.konfig_INK[7] = 0x80;
         r.konfig_TimeON[0] = 2;
       },
       "",
       {"konfig_o[3] = 2 (взято как 1)", "konfig_Write[250] = 255 (взято как 1)",
        "konfig_INK[7] = 128 (взято как 1)", "konfig_TimeON[0] = 2 (взято как 1)"}},
      {[](TFile_config& r) {
         r.konfig_s[9].len = 100;
         r.konfig_s[8].len = 101;
         r.konfig_f[250].len = 250;
         r.konfig_f[249].len = 251;
       },
       "",
       {"konfig_s[8]: длина строки 101 (обрезана до 100)",
        "konfig_f[249]: длина строки 251 (обрезана до 250)"}},
      {[](TFile_config& r) {
         r.konfig_linia[4] = 4;
         r.konfig_linia[5] = 5;
         r.konfig_linia[9] = 133;
       },
       "",
       {"konfig_linia[5] = 5 (линия вне 0..4)", "konfig_linia[9] = 133 (линия вне 0..4)"}},
      {[](TFile_config& r) {
         r.N_DateTime[0] = -36522.25;  // 01.01.1800 06:00: a date the picker allows
         r.N_DateTime[1] = 2958465.99;
         r.N_DateTime[2] = 2958466.0;
         r.N_DateTime[250] = std::numeric_limits<double>::quiet_NaN();
         r.N_DateTime[249] = -std::numeric_limits<double>::infinity();
       },
       "",
       {"N_DateTime[2] = 2958466 (не дата)", "N_DateTime[249] = -бесконечность (не дата)",
        "N_DateTime[250] = не число (не дата)"}},
      {[](TFile_config& r) {
         // Never read by the program, or free for anything: older installations vary here.
         r.usrednenie10 = r.svobodno1 = r.svobodno2 = r.pad2 = r.konfig_crc = 0xFF;
         r.pad1.fill(0xFF);
         r.N_Time00.fill(std::numeric_limits<double>::quiet_NaN());
         r.konfig_finkub[0].len = 255;
         r.konfig_DenTEK[0] = r.konfig_DenKON[0] = -128;
         r.konfig_n[0] = 0xFFFF;
       },
       "",
       {}},
  };
  for (const Case& k : cases) {
    *c = TFile_config{};
    c->kol_inkub = 2;
    k.spoil(*c);
    EXPECT_EQ(configRefusal(*c), k.refusal);
    EXPECT_EQ(configOddities(*c), k.odd);
  }
  EXPECT_EQ(oddityLine({"a", "b", "c", "d", "e", "f", "g"}), "a; b; c; d; e; и ещё 2");
}

// What older installations or a typing operator could have stored is read, not refused: the
// hall is polled from it and it is never traded for the empty configuration.
TEST(ConfigStart, OddValuesAreTakenAsReadNotedOnceAndSavedBackUnchanged) {
  Plant p;
  std::vector<std::string> notes;
  std::string r = record(3);
  r[4] = 7;                               // konfig_n[0]
  r[25857] = r[25858] = r[25859] = 1;     // konfig_o[0..2]
  r[25858] = 2;                           // konfig_o[1]: a Boolean byte of 2
  r[158643] = 5;                          // konfig_linia[0]
  r[158644] = static_cast<char>(133);     // konfig_linia[1]
  r[506 + 101] = static_cast<char>(120);  // konfig_s[1]: a length past the field
  std::string nameChars(100, 'N');
  r.replace(506 + 102, 100, nameChars);
  const double early = -36522.25;                                // N_DateTime[0]: 01.01.1800 06:00
  const double none = std::numeric_limits<double>::quiet_NaN();  // N_DateTime[1]
  r.replace(156384, 8, reinterpret_cast<const char*>(&early), 8);
  r.replace(156384 + 8, 8, reinterpret_cast<const char*>(&none), 8);
  putFile(p.cfg(), r);
  fs::create_directories(p.reg);
  putFile(p.regFile(), r);

  auto s = p.store();
  s->note = [&notes](const std::string& m) { notes.push_back(m); };
  s->read_config();
  EXPECT_FALSE(s->held());
  EXPECT_EQ(bytesOf(s->config), r);
  EXPECT_TRUE(s->config.konfig_o[1]);
  EXPECT_EQ(s->config.konfig_s[1].utf8(), nameChars);
  EXPECT_EQ(s->config.konfig_linia[1], 133);
  EXPECT_TRUE(p.reports.empty());
  EXPECT_TRUE(p.messages.empty());
  EXPECT_EQ(notes, std::vector<std::string>{
                       p.regCopy() +
                       ": необычные значения взяты как есть: konfig_o[1] = 2 (взято как 1); "
                       "konfig_s[1]: длина строки 120 (обрезана до 100); konfig_linia[0] = 5 "
                       "(линия вне 0..4); konfig_linia[1] = 133 (линия вне 0..4); N_DateTime[1] "
                       "= не число (не дата)"});
  // The scheduler's own save writes what was read, byte for byte.
  ASSERT_TRUE(s->Write_config());
  EXPECT_EQ(fileBytes(p.cfg()), r);
  EXPECT_EQ(fileBytes(p.regFile()), r);
  // An import of the same record takes it too.
  ASSERT_TRUE(s->importCfg(p.cfg()));
  EXPECT_EQ(bytesOf(s->config_p), r);
  EXPECT_EQ(s->cfgRefusal(p.cfg()), "");
}

TEST(ConfigStart, OfTwoUsableCopiesThatDifferTheOneWithFewerOddValuesIsTaken) {
  std::string plain = record(2);
  plain[4] = 11;
  std::string odd = record(2);
  odd[4] = 22;
  odd[158643] = 9;  // konfig_linia[0]
  struct Case {
    std::string reg, file, taken;
    bool fromRegistry;
  };
  for (const Case& c : {Case{odd, plain, plain, false}, Case{plain, odd, plain, true},
                        Case{odd, odd.substr(0, 4) + '' + odd.substr(5), odd, true}}) {
    Plant p;
    fs::create_directories(p.reg);
    putFile(p.regFile(), c.reg);
    putFile(p.cfg(), c.file);
    auto s = p.store();
    EXPECT_EQ(s->RegKeyOpen(), c.fromRegistry);
    EXPECT_EQ(bytesOf(s->config), c.taken);
    // Neither copy is written: the other is kept for the operator until the next save.
    EXPECT_EQ(fileBytes(p.regFile()), c.reg);
    EXPECT_EQ(fileBytes(p.cfg()), c.file);
    const auto count = [&](const std::string& b) { return b[158643] == 9 ? "1" : "0"; };
    const std::string taken = c.fromRegistry ? p.regCopy() : p.fileCopy();
    const std::string other = c.fromRegistry ? p.fileCopy() : p.regCopy();
    ASSERT_EQ(p.reports.size(), 1u);
    const fs::path aside = p.home / "config-other.cfg";
    EXPECT_EQ(p.reports[0], "Копии конфигурации различаются: взята " + taken +
                                " (необычных значений: " + count(c.taken) + "); " + other +
                                " (необычных значений: " + count(c.fromRegistry ? c.file : c.reg) +
                                ") оставлена как есть до следующей записи; её содержимое "
                                "сохранено в " +
                                aside.string());
    // It is kept aside, whole, for the operator to open from the settings tab.
    EXPECT_EQ(fileBytes(aside), c.fromRegistry ? c.file : c.reg);
    EXPECT_EQ(s->cfgRefusal(aside), "");
  }
}

// On the empty configuration taken because no copy could be used, nothing but the operator's
// own save of the configuration writes either copy.
TEST(ConfigSave, WhileNoCopyCouldBeReadOnlyTheOperatorsSaveWrites) {
  Plant p;
  const std::string junk = record(252);
  putFile(p.cfg(), junk);
  fs::create_directories(p.reg);
  putFile(p.regFile(), std::string(10, 'x'));
  std::vector<std::string> notes;
  auto s = p.store();
  s->note = [&notes](const std::string& m) { notes.push_back(m); };
  s->read_config();
  ASSERT_TRUE(s->held());
  p.messages.clear();

  EXPECT_FALSE(s->Write_config());  // the scheduler's day count, every second
  EXPECT_FALSE(s->Write_config());
  EXPECT_EQ(notes, std::vector<std::string>{ConfigStore::kHeldRefusal});
  EXPECT_FALSE(s->Write_config(ConfigStore::SaveBy::Window));
  EXPECT_EQ(p.messages, std::vector<std::string>{ConfigStore::kHeldRefusal});
  EXPECT_EQ(fileBytes(p.cfg()), junk);
  EXPECT_EQ(fileBytes(p.regFile()), std::string(10, 'x'));

  s->config.kol_inkub = 4;
  ASSERT_TRUE(s->Write_config(ConfigStore::SaveBy::Operator));
  EXPECT_FALSE(s->held());
  EXPECT_EQ(fileBytes(p.cfg()), record(4));
  EXPECT_EQ(fileBytes(p.regFile()), record(4));
  EXPECT_TRUE(s->Write_config());  // from then on the program saves as usual
}

}  // namespace
}  // namespace vs
