// Taking over a previous installation: the message lines, what is copied and what is not.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "config/ConfigStore.h"
#include "config/Transfer.h"
#include "test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

struct TransferFixture : ::testing::Test {
  ScratchInstall dir;
  fs::path old = dir.root / "old";

  void fillOld() {
    ScratchInstall::write(old / "Vetrostan.INI", "[UST]\r\notlad=5\r\n");
    ScratchInstall::write(old / "config.cfg", "CFG");
    ScratchInstall::write(old / "configINK.cfg", "INK");
    ScratchInstall::write(old / "file" / "inc1.fil", "log");
    ScratchInstall::write(old / "rezim" / "sub" / "p.ink", "prog");
    ScratchInstall::write(old / "sound" / "7" / "7.mp3", "mp3");
  }
};

TEST_F(TransferFixture, EveryItemCopiedInOrderWithItsLine) {
  fillOld();
  // What is already there is overwritten; other files stay.
  ScratchInstall::write(dir.home / "config.cfg", "OLDER");
  ScratchInstall::write(dir.home / "rezim" / "sub" / "p.ink", "older");
  ScratchInstall::write(dir.home / "rezim" / "keep.ink", "keep");
  int configCalls = 0, settingsCalls = 0;
  TransferHooks hooks;
  hooks.takeOverConfig = [&] {
    ++configCalls;
    EXPECT_EQ(ScratchInstall::read(dir.home / "config.cfg"), "CFG");
    return ConfigTakeOver::Stored;
  };
  hooks.takeOverSettings = [&] { ++settingsCalls; };

  const auto lines = transferConfiguration(old, dir.home, TransferItems{}, hooks);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Vetrostan.INI - успешно", "файл config.cfg скопирован в реестр Windows",
                       "config.cfg - успешно", "configINK.cfg - успешно", "папка file - успешно",
                       "папка rezm - успешно", "папка sound - успешно"}));
  EXPECT_EQ(configCalls, 1);
  EXPECT_EQ(settingsCalls, 1);
  EXPECT_EQ(ScratchInstall::read(dir.home / "Vetrostan.INI"), "[UST]\r\notlad=5\r\n");
  EXPECT_EQ(ScratchInstall::read(dir.home / "configINK.cfg"), "INK");
  EXPECT_EQ(ScratchInstall::read(dir.home / "file" / "inc1.fil"), "log");
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "sub" / "p.ink"), "prog");
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "keep.ink"), "keep");
  EXPECT_EQ(ScratchInstall::read(dir.home / "sound" / "7" / "7.mp3"), "mp3");
}

TEST_F(TransferFixture, MissingItemsFailOneByOneAndTakeNothingOver) {
  fs::create_directories(old);
  ScratchInstall::write(old / "sound" / "a.mp3", "a");
  bool called = false;
  TransferHooks hooks;
  hooks.takeOverConfig = [&] {
    called = true;
    return ConfigTakeOver::Stored;
  };
  hooks.takeOverSettings = [&] { called = true; };
  const auto lines = transferConfiguration(old, dir.home, TransferItems{}, hooks);
  EXPECT_EQ(lines, (std::vector<std::string>{"Vetrostan.INI - неудача", "config.cfg - неудача",
                                             "configINK.cfg - неудача", "папка file - неудача",
                                             "папка rezim - неудача", "папка sound - успешно"}));
  EXPECT_FALSE(called);
  EXPECT_FALSE(fs::exists(dir.home / "config.cfg"));
}

TEST_F(TransferFixture, UntickedItemsAreLeftAloneAndARegistryFailureIsNotAnnounced) {
  fillOld();
  TransferItems items;
  items.ini = items.file = items.rezim = items.sound = items.ink = false;
  TransferHooks hooks;
  hooks.takeOverConfig = [] { return ConfigTakeOver::Loaded; };  // no registry copy written
  EXPECT_EQ(transferConfiguration(old, dir.home, items, hooks),
            std::vector<std::string>{"config.cfg - успешно"});
  EXPECT_FALSE(fs::exists(dir.home / "Vetrostan.INI"));
  EXPECT_FALSE(fs::exists(dir.home / "rezim"));

  items.config = false;
  int calls = 0;
  hooks.takeOverConfig = [&] {
    ++calls;
    return ConfigTakeOver::Stored;
  };
  EXPECT_TRUE(transferConfiguration(old, dir.home, items, hooks).empty());
  EXPECT_EQ(calls, 0);
}

// The window says what it really did: a configuration no installation could have written is
// not copied over the working folder's, and one that could not be loaded is not "успешно".
TEST_F(TransferFixture, AConfigurationThatCannotBeTakenIsNotCopiedAndSaysWhy) {
  fillOld();
  ScratchInstall::write(dir.home / "config.cfg", "LIVE");
  ConfigStore store(dir.home, dir.registry);
  TransferItems items;
  items.ini = items.file = items.rezim = items.sound = items.ink = false;
  TransferHooks hooks;
  hooks.configRefusal = [&](const fs::path& src) { return store.cfgRefusal(src); };
  int calls = 0;
  hooks.takeOverConfig = [&] {
    ++calls;
    return ConfigTakeOver::NotLoaded;
  };
  EXPECT_EQ(transferConfiguration(old, dir.home, items, hooks),
            std::vector<std::string>{"config.cfg - неудача: длина 3 байт вместо 158896"});
  EXPECT_EQ(ScratchInstall::read(dir.home / "config.cfg"), "LIVE");
  EXPECT_EQ(calls, 0);

  // A whole record with odd values is taken; one that then fails to load says so.
  std::string odd(sizeof(TFile_config), '\0');
  odd[0] = 2;
  odd[offsetof(TFile_config, konfig_linia)] = 9;
  ScratchInstall::write(old / "config.cfg", odd);
  EXPECT_EQ(transferConfiguration(old, dir.home, items, hooks),
            std::vector<std::string>{"config.cfg - неудача: файл скопирован, но не загружен"});
  EXPECT_EQ(ScratchInstall::read(dir.home / "config.cfg"), odd);
  EXPECT_EQ(calls, 1);
}

TEST_F(TransferFixture, NamesWrittenOnACaseBlindSystemAreFound) {
  ScratchInstall::write(old / "VETROSTAN.INI", "ini");
  ScratchInstall::write(old / "Config.CFG", "cfg");
  ScratchInstall::write(old / "REZIM" / "a.ink", "a");
  const auto lines = transferConfiguration(old, dir.home, TransferItems{});
  EXPECT_EQ(lines[0], "Vetrostan.INI - успешно");
  EXPECT_EQ(lines[1], "config.cfg - успешно");
  EXPECT_EQ(ScratchInstall::read(dir.home / "Vetrostan.INI"), "ini");
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "a.ink"), "a");
}

TEST_F(TransferFixture, TheWorkingFolderItselfIsNotCopiedOntoItself) {
  ScratchInstall::write(dir.home / "config.cfg", "LIVE");
  ScratchInstall::write(dir.home / "rezim" / "a.ink", "a");
  const auto lines = transferConfiguration(dir.home, dir.home, TransferItems{});
  EXPECT_EQ(lines[1], "config.cfg - неудача");
  EXPECT_EQ(lines[4], "папка rezim - неудача");
  EXPECT_EQ(ScratchInstall::read(dir.home / "config.cfg"), "LIVE");
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "a.ink"), "a");
}

}  // namespace
}  // namespace vs
