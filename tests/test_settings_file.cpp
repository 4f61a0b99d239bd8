#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "config/SettingsFile.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::putFile;
using testing::TempDir;

// "Сирена.mp3" in Windows-1251.
const std::string kSirenCp1251 = "\xD1\xE8\xF0\xE5\xED\xE0.mp3";

TEST(SettingsLoad, AFileWrittenByAnotherProgramIsReadAsItMeant) {
  TempDir tmp;
  putFile(tmp / "Vetrostan.INI",
          "; written by another program\r\n"
          "\r\n"
          "[form]\r\n"
          "WIDTH = 1024\r\n"
          "top=12\r\n"
          "Left=-5\r\n"
          "height=abc\r\n"
          "\r\n"
          "[Ust]\r\n"
          "Pripusk=0\r\n"
          "fon0_color=-16777201\r\n"
          "FON1_COLOR=$0000FF\r\n"
          "Fon2_Size=12.5\r\n"
          "fon3_style=3\r\n"
          "FON0_NAME=Arial Cyr\r\n"
          "fon1_name=\"Times New Roman\"\r\n"
          "TABLE_W1=150\r\n"
          "table_w0=\r\n"
          "Table_W6=66\r\n"
          "Table_w7=77\r\n"
          "KNT2=1\r\n"
          "knt3=yes\r\n"
          "opros_period=250\r\n"
          "RS485_4=1\r\n"
          "[NASTR]\r\n"
          "kol_t=1\r\n"
          "zwuk_on=0\r\n"
          "[zvuk]\r\n"
          "Z3=" +
              kSirenCp1251 +
              "\r\n"
              "[usb]\r\n"
              "USB-SERIAL_NUMBER = FT12AB \r\n"
              "Usb-Com=2\r\n"
              "[server]\r\n"
              "serverp=3");
  Settings s;
  s.formHeight = 1;  // every field comes from the file or the defaults, not from before
  loadSettings(tmp / "Vetrostan.INI", s);

  EXPECT_EQ(s.formWidth, 1024);
  EXPECT_EQ(s.formTop, 12);
  EXPECT_EQ(s.formLeft, -5);
  EXPECT_EQ(s.formHeight, 700);
  EXPECT_FALSE(s.pripusk);
  EXPECT_EQ(s.FON[0].color, 0xFF00000Fu);
  EXPECT_EQ(s.FON[1].color, 255u);
  EXPECT_EQ(s.FON[2].size, 30);
  EXPECT_EQ(s.FON[3].style, 3);
  EXPECT_EQ(s.FON[0].name, "Arial Cyr");
  EXPECT_EQ(s.FON[1].name, "Times New Roman");
  EXPECT_EQ(s.FON[2].name, "Tahoma");
  EXPECT_EQ(s.tableDefaultColWidth, 150);
  EXPECT_EQ(s.tableW[1], 150);
  EXPECT_EQ(s.tableW[0], 100);
  EXPECT_EQ(s.tableW[6], 66);   // the table has column 6 with one extra temperature
  EXPECT_EQ(s.tableW[7], 100);  // but not column 7
  EXPECT_EQ(s.knT, (std::array<bool, 4>{false, true, false, false}));
  EXPECT_EQ(s.Opros_period, 100);
  EXPECT_TRUE(s.RS485_4);
  EXPECT_EQ(s.KOL_T, 1);
  EXPECT_EQ(s.ZWUK_ON, 0);
  EXPECT_EQ(s.RUN_WIN, 1);
  EXPECT_EQ(s.zvuk[3], "Сирена.mp3");
  EXPECT_EQ(s.zvuk[4], "");
  EXPECT_EQ(s.usbSerialNumber, "FT12AB");
  EXPECT_EQ(s.usbCom, 2);
  EXPECT_EQ(s.ServerP, 3);
}

TEST(SettingsLoad, MissingFileGivesTheDefaultsAndUtf8TextIsRecognised) {
  TempDir tmp;
  Settings s;
  s.ServerP = 4;
  loadSettings(tmp / "none.INI", s);
  EXPECT_EQ(s.ServerP, 0);
  EXPECT_EQ(s.Opros_period, 1);
  EXPECT_EQ(s.kol_t(), 2);
  EXPECT_EQ(s.tableDefaultColWidth, 200);
  EXPECT_EQ(s.tableW[1], 100);
  EXPECT_EQ(s.FON[3].name, "Tahoma");
  EXPECT_EQ(s.FON[3].color, 16711680u);
  EXPECT_EQ(s.FON[3].size, 30);

  for (const std::string bom : {"\xEF\xBB\xBF", ""}) {
    putFile(tmp / "u.INI", bom + "[ZVUK]\nz0=Сирена.mp3\n[Nastr]\nKOL_T=0\n[UST]\nTable_w6=5\n");
    loadSettings(tmp / "u.INI", s);
    EXPECT_EQ(s.zvuk[0], "Сирена.mp3");
    EXPECT_EQ(s.kol_t(), 0);
    EXPECT_EQ(s.tableW[6], 100);
  }
}

TEST(SettingsLoad, EnumeratedValuesOutOfRangeTakeTheDefaultAndAreReportedOnce) {
  TempDir tmp;
  const fs::path ini = tmp / "Vetrostan.INI";
  putFile(ini,
          "[server]\r\nServerp=5\r\n"
          "[Nastr]\r\nRUN_WIN=2\r\nZWUK_ON=-1\r\nHelp=7\r\nCompyter=$10\r\nKOL_T=-1\r\n"
          "[UST]\r\nFON0_Style=16\r\nFON1_Style=15\r\nFON2_Style=-1\r\nFON3_Style=x\r\n"
          "Opros_period=0\r\n");
  Settings s;
  s.RUN_WIN = 0;
  s.Help = 1;
  std::vector<std::string> problems{"before"};
  loadSettings(ini, s, &problems);
  EXPECT_EQ(s.ServerP, 0);
  EXPECT_EQ(s.RUN_WIN, 1);
  EXPECT_EQ(s.ZWUK_ON, 1);
  EXPECT_EQ(s.Help, 0);
  EXPECT_EQ(s.Compyter, 0);
  EXPECT_EQ(s.KOL_T, 3);
  EXPECT_EQ(s.FON[0].style, 0);
  EXPECT_EQ(s.FON[1].style, 15);
  EXPECT_EQ(s.FON[2].style, 0);
  EXPECT_EQ(s.Opros_period, 1);  // a spin box: limited, not reported
  // Lines are added to what the caller holds; a value of the wrong form is simply absent.
  EXPECT_EQ(problems,
            (std::vector<std::string>{
                "before",
                "Файл настроек: [UST] FON0_Style=16 вне допустимых значений 0..15, взято 0",
                "Файл настроек: [UST] FON2_Style=-1 вне допустимых значений 0..15, взято 0",
                "Файл настроек: [Nastr] KOL_T=-1 вне допустимых значений 0..2, взято 3",
                "Файл настроек: [Nastr] RUN_WIN=2 вне допустимых значений 0..1, взято 1",
                "Файл настроек: [Nastr] ZWUK_ON=-1 вне допустимых значений 0..1, взято 1",
                "Файл настроек: [Nastr] Help=7 вне допустимых значений 0..1, взято 0",
                "Файл настроек: [Nastr] Compyter=16 вне допустимых значений 0..1, взято 0",
                "Файл настроек: [Server] ServerP=5 вне допустимых значений 0..4, взято 0",
            }));
  // The default is what goes back into the file, under the spelling the file had.
  ASSERT_TRUE(saveSettings(ini, s));
  EXPECT_NE(fileBytes(ini).find("[server]\r\nServerp=0\r\n"), std::string::npos);

  // The top of each range, and an older file's sensor count above 2, are taken as they are.
  putFile(ini, "[Server]\r\nServerP=4\r\n[Nastr]\r\nKOL_T=7\r\nRUN_WIN=0\r\nCompyter=1\r\n");
  problems.clear();
  loadSettings(ini, s, &problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(s.ServerP, 4);
  EXPECT_EQ(s.KOL_T, 7);
  EXPECT_EQ(s.kol_t(), 2);
  EXPECT_EQ(s.RUN_WIN, 0);
  EXPECT_EQ(s.Compyter, 1);
}

TEST(IniFile, NumbersAndBooleansOfTheWrongFormCountAsAbsent) {
  IniFile ini;
  ini.parse(
      "[a]\r\nd= 7 \r\nneg=-16777201\r\nhex=$FF00000F\r\nhex2=0x10\r\nplus=+5\r\n"
      "frac=7.5\r\nexp=1e3\r\nbig=99999999999\r\nempty=\r\nword=abc\r\n"
      "b1=1\r\nb0=0\r\nb2=2\r\nbt=true\r\n");
  EXPECT_EQ(ini.readInt("A", "D", -1), 7);
  EXPECT_EQ(ini.readInt("a", "neg", -1), -16777201);
  EXPECT_EQ(ini.readInt("a", "hex", -1), -16777201);
  EXPECT_EQ(ini.readInt("a", "hex2", -1), 16);
  EXPECT_EQ(ini.readInt("a", "plus", -1), 5);
  for (const char* bad : {"frac", "exp", "big", "empty", "word", "missing"})
    EXPECT_EQ(ini.readInt("a", bad, -1), -1) << bad;
  EXPECT_TRUE(ini.readBool("a", "b1", false));
  EXPECT_FALSE(ini.readBool("a", "b0", true));
  EXPECT_TRUE(ini.readBool("a", "b2", false));
  EXPECT_TRUE(ini.readBool("a", "bt", true));
  EXPECT_FALSE(ini.readBool("a", "bt", false));
  EXPECT_TRUE(ini.has("A", "EMPTY"));
  EXPECT_EQ(ini.readString("a", "empty", "x"), "");
  EXPECT_FALSE(ini.has("b", "d"));
}

TEST(IniFile, WrittenValuesCannotStartNewLinesOrSections) {
  IniFile ini;
  ini.writeString("USB", "usb-Serial_Number", "FT1\r\n[Server]\r\nServerP=4");
  IniFile back;
  back.parse(ini.text());
  EXPECT_FALSE(back.has("Server", "ServerP"));
  EXPECT_EQ(back.readString("USB", "usb-Serial_Number", ""), "FT1  [Server]  ServerP=4");
}

Settings everythingChanged() {
  Settings s;
  s.formWidth = 1280;
  s.formTop = 7;
  s.formLeft = -3;
  s.formHeight = 1000;
  s.pripusk = false;
  for (int i = 0; i < 4; ++i) {
    auto& f = s.FON[static_cast<std::size_t>(i)];
    f.color = 0xFF00000Fu - static_cast<unsigned>(i);
    f.size = 10 + i;
    f.style = i;
    f.name = "Шрифт " + std::to_string(i);
  }
  s.tableDefaultColWidth = 90;
  s.tableW = {41, 42, 43, 44, 45, 46, 47, 48};
  s.tableDefaultRowHeight = 33;
  s.knT = {true, false, true, true};
  s.otlad = 17;
  s.Opros_period = 9;
  s.RS485_4 = true;
  s.KOL_T = 2;
  for (int i = 0; i < 11; ++i) s.zvuk[static_cast<std::size_t>(i)] = "зв" + std::to_string(i);
  s.zvuk[0] = "Сирена.mp3";
  s.zvuk[14] = "z14.mp3";  // "Нет связи": beyond the "Звуки" tab, written once named
  s.usbCom = 3;
  s.usbSerialNumber = "/dev/ttyUSB1";
  s.ServerP = 2;
  s.inkubKol = 130;
  return s;
}

// What another window keeps in thousands of sections is found in any letter case and
// comes back unchanged around the program's own keys.
TEST(IniFile, ManySectionsAreFoundMergedAndWrittenBackInOrder) {
  const int n = 5000;
  std::string file = "; hall 2\r\n\r\n";
  std::string expected = file;
  for (int i = 0; i < n; ++i) {
    const std::string k = std::to_string(i);
    const std::string section = "[Okno" + k + "]\r\nLeft=" + k + "\r\n; note " + k + "\r\n";
    file += section + "\r\n";
    expected += section + (i == 17 ? "TOP=3\r\n\r\n" : "\r\n");
  }
  // A header met again continues the first section, which keeps its spelling.
  file += "[OKNO17]\r\nTOP=3\r\n\r\n";
  // "[Ёлка]" "ключ=1" in Windows-1251.
  const std::string tree = "[\xA8\xEB\xEA\xE0]\r\n\xEA\xEB\xFE\xF7=1\r\n";
  file += tree + "\r\n[ust]\r\nmine=5\r\n\r\n";
  expected += tree + "\r\n[ust]\r\nmine=5\r\n";

  IniFile ini;
  ini.parse(file);
  EXPECT_EQ(ini.readInt("okno4999", "LEFT", -1), 4999);
  EXPECT_EQ(ini.readInt("OKNO0", "left", -1), 0);
  EXPECT_EQ(ini.readInt("okno17", "top", -1), 3);
  EXPECT_EQ(ini.readInt("ёЛКА", "КЛЮЧ", -1), 1);
  EXPECT_FALSE(ini.has("Okno5000", "Left"));
  EXPECT_FALSE(ini.has("Okno1", "; note 1"));

  // Each new section lands at the end; writing over a key keeps its place and spelling.
  for (int i = 0; i < n; ++i) ini.writeInt("Neu" + std::to_string(i), "k", i);
  ini.writeInt("OKNO3", "LEFT", 33);
  EXPECT_EQ(ini.readInt("neu0", "K", -1), 0);
  EXPECT_EQ(ini.readInt("Okno3", "Left", -1), 33);
  const std::string text = ini.text();
  EXPECT_NE(text.find("[Okno3]\r\nLeft=33\r\n; note 3\r\n\r\n[Okno4]"), std::string::npos);
  EXPECT_NE(text.find("mine=5\r\n\r\n[Neu0]\r\nk=0\r\n\r\n[Neu1]\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\n[Neu4999]\r\nk=4999\r\n\r\n"));

  // The program's shut-down keys join "[ust]" and follow everything else.
  TempDir tmp;
  const fs::path path = tmp / "Vetrostan.INI";
  putFile(path, file);
  ASSERT_TRUE(saveSettings(path, everythingChanged()));
  const std::string bytes = fileBytes(path);
  ASSERT_EQ(bytes.substr(0, expected.size()), expected);
  EXPECT_EQ(bytes.substr(expected.size(), 8), "knT1=1\r\n");
  Settings back;
  loadSettings(path, back);
  EXPECT_EQ(back.ServerP, 2);
  EXPECT_EQ(back.otlad, 17);
  EXPECT_EQ(back.FON[3].name, "Шрифт 3");
}

TEST(SettingsSave, EveryShutDownKeyIsWrittenAndReadBack) {
  TempDir tmp;
  const fs::path ini = tmp / "Vetrostan.INI";
  const Settings out = everythingChanged();
  ASSERT_TRUE(saveSettings(ini, out));
  const std::string bytes = fileBytes(ini);
  for (const std::string& line :
       std::vector<std::string>{"[UST]\r\n",
                                "knT1=1\r\n",
                                "knT2=0\r\n",
                                "pripusk=0\r\n",
                                "RS485_4=1\r\n",
                                "[Inkub]\r\nkol=130\r\n",
                                "FON0_Color=-16777201\r\n",
                                "FON3_Size=13\r\n",
                                "FON2_Style=2\r\n",
                                "FON1_Name=\xD8\xF0\xE8\xF4\xF2 1\r\n",
                                "Table_w0=41\r\n",
                                "Table_w1=42\r\n",
                                "Table_w7=48\r\n",
                                "Table_h0=33\r\n",
                                "[Server]\r\nServerP=2\r\n",
                                "[Form]\r\nWidth=1280\r\nTop=7\r\nLeft=-3\r\nHeight=1000\r\n",
                                "z0=" + kSirenCp1251 + "\r\n",
                                "z10=\xE7\xE2"
                                "10\r\nz14=z14.mp3\r\n",
                                "Opros_period=9\r\n",
                                "usb-com=3\r\n",
                                "otlad=17\r\n",
                                "usb-Serial_Number=/dev/ttyUSB1\r\n"})
    EXPECT_NE(bytes.find(line), std::string::npos) << line;
  EXPECT_EQ(bytes.find("Nastr"), std::string::npos);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
    }
  }

  Settings in;
  loadSettings(ini, in);
  // What was read gives the same file again, so every key written came back as it was.
  ASSERT_TRUE(saveSettings(tmp / "again.INI", in));
  EXPECT_EQ(fileBytes(tmp / "again.INI"), bytes);
  EXPECT_EQ(in.FON[1].name, "Шрифт 1");
  // Column 1's width is also the default width at the next start.
  EXPECT_EQ(in.tableDefaultColWidth, 42);

  // The general settings window's keys go only through their own save.
  Settings nastr;
  nastr.KOL_T = 0;
  nastr.RUN_WIN = 0;
  nastr.ZWUK_ON = 0;
  nastr.Help = 1;
  nastr.Compyter = 1;
  ASSERT_TRUE(saveNastr(ini, nastr));
  EXPECT_NE(fileBytes(ini).find("[Nastr]\r\nRUN_WIN=0\r\nZWUK_ON=0\r\nKOL_T=0\r\nHelp=1\r\n"
                                "Compyter=1\r\n"),
            std::string::npos);
  loadSettings(ini, in);
  EXPECT_EQ(in.kol_t(), 0);
  EXPECT_EQ(in.tableW[6], 100);
  EXPECT_EQ(in.Help, 1);
  EXPECT_EQ(in.Compyter, 1);
  EXPECT_EQ(in.formWidth, 1280);
}

TEST(SettingsSave, ColumnsTheTableLacksGetTheDefaultWidth) {
  TempDir tmp;
  Settings s = everythingChanged();
  s.KOL_T = 0;  // six columns: 0..5
  ASSERT_TRUE(saveSettings(tmp / "a.INI", s));
  const std::string bytes = fileBytes(tmp / "a.INI");
  EXPECT_NE(bytes.find("Table_w5=46\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Table_w6=90\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Table_w7=90\r\n"), std::string::npos);
}

TEST(SettingsSave, WhatOtherWindowsKeepInTheFileSurvives) {
  TempDir tmp;
  const fs::path ini = tmp / "Vetrostan.INI";
  putFile(ini,
          "; hall 2\r\n[Dispetch]\r\nfile=\xE7\xE0\xEB.dsp\r\n[ust]\r\nPRIPUSK=1\r\n"
          "; keep me\r\nmine=5\r\n[GSM]\r\nTel1=+79001234567\r\n[Nastr]\r\nKOL_T=1\r\n");
  Settings s;
  s.pripusk = false;
  ASSERT_TRUE(saveSettings(ini, s));
  ASSERT_TRUE(saveKey(ini, "UST", "RS485_4", "1"));

  const std::string bytes = fileBytes(ini);
  EXPECT_EQ(bytes.rfind("; hall 2\r\n\r\n[Dispetch]\r\nfile=\xE7\xE0\xEB.dsp\r\n", 0), 0u);
  EXPECT_NE(bytes.find("[ust]\r\nPRIPUSK=0\r\n; keep me\r\nmine=5\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("pripusk"), std::string::npos);
  EXPECT_EQ(bytes.find("z11="), std::string::npos) << "a slot beyond the tab's, never named";
  EXPECT_NE(bytes.find("z10="), std::string::npos);
  EXPECT_NE(bytes.find("[GSM]\r\nTel1=+79001234567\r\n"), std::string::npos);
  IniFile back;
  ASSERT_TRUE(back.load(ini));
  EXPECT_EQ(back.readString("dispetch", "FILE", ""), "зал.dsp");
  EXPECT_EQ(back.readInt("Nastr", "KOL_T", 3), 1);
  EXPECT_TRUE(back.readBool("UST", "RS485_4", false));

  putFile(tmp / "Vetrostan.INS", "[Server]\r\npath=\\\\srv\\hall\r\n");
  EXPECT_EQ(loadServerPath(tmp / "Vetrostan.INS"), "\\\\srv\\hall");
  ASSERT_TRUE(saveServerPath(tmp / "Vetrostan.INS", "/mnt/зал"));
  EXPECT_EQ(loadServerPath(tmp / "Vetrostan.INS"), "/mnt/зал");
  EXPECT_EQ(loadServerPath(tmp / "none.INS"), "");
}

TEST(SettingsSave, AFailedSaveIsReportedAndLeavesTheOldFile) {
  TempDir tmp;
  fs::create_directory(tmp / "dir.INI");
  const Settings s;
  EXPECT_FALSE(saveSettings(tmp / "dir.INI", s));
  EXPECT_FALSE(saveNastr(tmp / "dir.INI", s));
  EXPECT_FALSE(saveKey(tmp / "dir.INI", "UST", "RS485_4", "1"));
  EXPECT_TRUE(fs::is_directory(tmp / "dir.INI"));

  // A write that cannot finish (a full disk, made by the file layer) leaves the previous file
  // whole and nothing beside it.
  const std::string old = "[UST]\r\npripusk=1\r\n";
  putFile(tmp / "Vetrostan.INI", old);
  setWriteFault([](const fs::path&) { return true; });
  const bool saved = saveSettings(tmp / "Vetrostan.INI", s);
  setWriteFault(nullptr);
  EXPECT_FALSE(saved);
  EXPECT_EQ(fileBytes(tmp / "Vetrostan.INI"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 2);
}

// A folder nobody can write into, root included: its place is taken by a file.
TEST(SettingsSave, AFolderThatCannotBeWrittenFailsTheSave) {
  TempDir tmp;
  putFile(tmp / "home", "not a folder");
  EXPECT_FALSE(saveSettings(tmp / "home" / "Vetrostan.INI", Settings{}));
  EXPECT_FALSE(saveKey(tmp / "home" / "Vetrostan.INI", "UST", "RS485_4", "1"));
  EXPECT_EQ(fileBytes(tmp / "home"), "not a folder");
}

}  // namespace
}  // namespace vs
