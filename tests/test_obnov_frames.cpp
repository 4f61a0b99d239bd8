// The firmware file and the bootloader frames at the engine's edge: what the ".bit" reader
// refuses before anything is sent, the frames as they leave the engine byte for byte, and how
// answers that are short, stale or out of turn are taken.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "boards/Obnov.h"
#include "bus/crc.h"
#include "common/AtomicFile.h"
#include "sim/SimHall.h"
#include "tests/test_config_tempdir.h"

namespace vs {
namespace {

struct Sent {
  std::uint8_t pol, kadr;
  std::vector<std::uint8_t> data;
};

void writeBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& b) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A ".bit" file: board code, image of `n` bytes i & 0xFF, check byte right unless `badCheck`.
std::vector<std::uint8_t> bitBytes(int board, std::size_t n, bool badCheck = false) {
  std::vector<std::uint8_t> image(n);
  for (std::size_t i = 0; i < n; ++i) image[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> b = packImage(image, 7);
  b[6] = static_cast<std::uint8_t>(board >> 8);
  b[7] = static_cast<std::uint8_t>(board);
  b[0] = static_cast<std::uint8_t>(Count_CRC(b.data() + 1, b.size() - 1) + (badCheck ? 1 : 0));
  return b;
}

class ObnovEdge : public ::testing::Test {
 protected:
  void SetUp() override {
    station.hooks.send = [this](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                                std::uint8_t len) {
      sent.push_back({pol, kadr, {d, d + len}});
    };
    obnov.notice = [this](const std::string& t, const std::string& title) {
      notices.push_back(title + "|" + t);
    };
    obnov.confirm = [](const std::string&, const std::string&) { return true; };
    obnov.report = [this](const std::string& m) { reports.push_back(m); };
    obnov.open();
  }
  RS232_T answer(std::uint8_t kadr, std::vector<std::uint8_t> data) {
    RS232_T f = stale;  // bytes past the length are those of earlier frames
    f.Pol = 222;
    f.Otpr = 200;
    f.Kadr = kadr;
    f.Kol_d = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.Dann.begin());
    stale = f;
    return f;
  }
  // Presses "Загрузчик" and lets a board of this type answer the first query.
  void confirmBoard(int type) {
    obnov.zagruzchik();
    obnov.Timer100ms();
    obnov.ReadObnovlenie(
        answer(201, {0, 0, 0, 0, 0, 0x05, 0x00, std::uint8_t(type), std::uint8_t(type >> 8)}));
    ASSERT_TRUE(station.obn_oN);
    sent.clear();
  }

  testing::TempDir dir;
  TFile_config config{};
  ManualClock clock;
  Station station{config, clock, dir.path()};
  Obnov obnov{station};
  std::vector<Sent> sent;
  std::vector<std::string> notices, reports;
  RS232_T stale{};
};

TEST_F(ObnovEdge, FramesGoOutByteForByteAndA300ByteImageAs128_128_44) {
  obnov.zagruzchik();
  obnov.Timer100ms();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].pol, 0);
  EXPECT_EQ(sent[0].kadr, 199);
  EXPECT_EQ(sent[0].data, std::vector<std::uint8_t>{0});
  EXPECT_EQ(sent[1].pol, 200);
  EXPECT_EQ(sent[1].kadr, 201);
  EXPECT_EQ(sent[1].data, std::vector<std::uint8_t>{0});
  EXPECT_EQ(station.obnovlenie, 1);

  obnov.ReadObnovlenie(answer(201, {0, 0, 0, 0, 0, 0x2A, 0x80, 0x2C, 0x01}));
  EXPECT_EQ(obnov.view.loader, "Загрузчик -> V42   Тип платы = 300");
  sent.clear();
  writeBytes(dir / "a.bit", bitBytes(300, 300));
  obnov.zapis(dir / "a.bit");
  EXPECT_TRUE(sent.empty()) << "the first block waits for the next tick";
  obnov.Timer100ms();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].pol, 200);
  EXPECT_EQ(sent[0].kadr, 202);
  ASSERT_EQ(sent[0].data.size(), 133u) << "Kol_d = L + 5";
  EXPECT_EQ(std::vector<std::uint8_t>(sent[0].data.begin(), sent[0].data.begin() + 7),
            (std::vector<std::uint8_t>{128, 0, 0, 0, 0, 0, 1}));
  obnov.ReadObnovlenie(answer(202, {0}));
  obnov.ReadObnovlenie(answer(202, {0}));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(std::vector<std::uint8_t>(sent[1].data.begin(), sent[1].data.begin() + 6),
            (std::vector<std::uint8_t>{128, 0, 0, 0, 128, 128}));
  ASSERT_EQ(sent[2].data.size(), 49u);
  EXPECT_EQ(std::vector<std::uint8_t>(sent[2].data.begin(), sent[2].data.begin() + 6),
            (std::vector<std::uint8_t>{44, 0, 0, 1, 0, 0}));
  EXPECT_EQ(sent[2].data.back(), 43) << "image byte 299";
  // The last write answer starts the compare of the same image, kind 203, from offset 0.
  obnov.ReadObnovlenie(answer(202, {0}));
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[3].kadr, 203);
  EXPECT_EQ(sent[3].data, sent[0].data);
  // Compare answers: one without its count fails the block, which goes again at once; the
  // counts of two blocks with differences are summed.
  obnov.ReadObnovlenie(answer(203, {}));
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[4].data, sent[0].data);
  obnov.ReadObnovlenie(answer(203, {2}));
  obnov.ReadObnovlenie(answer(203, {3}));
  EXPECT_EQ(obnov.view.compareResult, "Ошибок=5");
  obnov.ReadObnovlenie(answer(203, {0}));
  EXPECT_FALSE(obnov.transferRunning());
  EXPECT_EQ(obnov.view.writeResult, "Ошибок=5");
  EXPECT_EQ(obnov.view.compareResult, "Завершено. Ошибок=5");
  // A late answer after the end moves nothing.
  const auto count = sent.size();
  obnov.ReadObnovlenie(answer(202, {0}));
  obnov.ReadObnovlenie(answer(203, {0}));
  EXPECT_EQ(sent.size(), count);
}

TEST_F(ObnovEdge, AShortQueryAnswerConfirmsNothingWhateverEarlierFramesLeft) {
  obnov.zagruzchik();
  obnov.Timer100ms();
  // An earlier long frame left a board code of 300 at bytes 7..8.
  answer(5, std::vector<std::uint8_t>(20, 0x01));
  stale.Dann[7] = 0x2C;
  stale.Dann[8] = 0x01;
  obnov.ReadObnovlenie(answer(201, {0, 0, 0, 0, 0, 1, 0, 0x2C}));
  EXPECT_FALSE(station.obn_oN);
  EXPECT_EQ(obnov.tip_kod, 0);
  obnov.ReadObnovlenie(answer(0, {5}));
  EXPECT_EQ(obnov.view.state, "Нет связи с загрузчиком");
}

TEST_F(ObnovEdge, FilesAreRefusedBeforeAnythingIsSent) {
  confirmBoard(300);
  // Wrong check byte: the computed value, the stored one and the file length.
  auto bad = bitBytes(300, 100, true);
  writeBytes(dir / "bad.bit", bad);
  obnov.zapis(dir / "bad.bit");
  EXPECT_EQ(obnov.view.writeResult,
            checkMismatchText(static_cast<std::uint8_t>(bad[0] - 1), bad[0], 132));
  EXPECT_EQ(obnov.view.writeResult.rfind("Не совпала CTC!-", 0), 0u);
  // Shorter than its header.
  writeBytes(dir / "short.bit", std::vector<std::uint8_t>(31, 0));
  obnov.zapis(dir / "short.bit");
  EXPECT_NE(obnov.view.writeResult.find("короче заголовка"), std::string::npos);
  // Larger than the 64 KiB of a control board, though a display unit would take it.
  writeBytes(dir / "big.bit", bitBytes(300, kMemory64K + 1));
  obnov.kontrol(dir / "big.bit");
  EXPECT_NE(obnov.view.compareResult.find("больше памяти платы"), std::string::npos);
  ASSERT_TRUE(readBitFile(dir / "big.bit").file.has_value() == false);
  writeBytes(dir / "big.bit", bitBytes(100, kMemory64K + 1));
  EXPECT_TRUE(readBitFile(dir / "big.bit").file.has_value());
  // Missing.
  obnov.zapis(dir / "none.bit");
  EXPECT_NE(obnov.view.writeResult.find("Не удалось прочитать файл"), std::string::npos);
  // Another board: told, not written. Code 999 is "плата не опознана".
  writeBytes(dir / "999.bit", bitBytes(999, 10));
  obnov.zapis(dir / "999.bit");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0], "Прошивка не соответствует плате!|плата не опознана");
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(reports.size(), 4u) << "each refusal reaches the operator";
  EXPECT_FALSE(obnov.transferRunning());
}

TEST_F(ObnovEdge, AnEmptyImageEndsAtOnceAndCode999GoesOnlyToABoardOf999) {
  confirmBoard(999);
  writeBytes(dir / "empty.bit", bitBytes(999, 0));
  obnov.zapis(dir / "empty.bit");
  obnov.Timer100ms();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(obnov.view.writeResult, "Завершено");
  writeBytes(dir / "999.bit", bitBytes(999, 10));
  obnov.zapis(dir / "999.bit");
  obnov.Timer100ms();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].data.size(), 15u);
  EXPECT_TRUE(notices.empty());
}

TEST_F(ObnovEdge, PackingAnImageWritesBesideWithTypeZeroAndKeepsTheOldFileOnFailure) {
  writeBytes(dir / "fw.hex", {1, 2, 3, 0x55, 0xAA});
  std::string error;
  const auto out = packImageFile(dir / "fw.hex", 0x00010203, error);
  ASSERT_TRUE(out) << error;
  EXPECT_EQ(*out, dir / "fw.bit");
  const std::string bytes = testing::fileBytes(*out);
  ASSERT_EQ(bytes.size(), 37u);
  const std::vector<std::uint8_t> header(bytes.begin(), bytes.begin() + 8);
  EXPECT_EQ(header, (std::vector<std::uint8_t>{std::uint8_t(bytes[0]), 0, 1, 2, 3, 0, 0, 0}));
  const BitRead r = readBitFile(*out);
  ASSERT_TRUE(r.file) << r.error;
  EXPECT_EQ(r.file->version(), 0x00010203u);
  EXPECT_EQ(r.file->boardCode(), 0);
  EXPECT_EQ(boardDescription(0), "плата не опознана");

  setWriteFault([](const std::filesystem::path&) { return true; });
  const auto again = packImageFile(dir / "fw.hex", 9, error);
  setWriteFault({});
  EXPECT_FALSE(again);
  EXPECT_NE(error.find("Не удалось записать файл"), std::string::npos);
  EXPECT_EQ(testing::fileBytes(*out), bytes);
  EXPECT_FALSE(packImageFile(dir / "missing.hex", 1, error));
}

TEST(BootloaderHallFile, KeysSetTheBoardAndBadValuesAreNamed) {
  std::vector<std::string> errors;
  const HallConfig c = parseHallConfig(
      "addresses = 5\nbootloader = 100\nbootloader_version = 0x0007\nbootloader_host = 5\n"
      "bootloader_bad_offset = 0x10\nbootloader_delay_ms = 3\nbootloader_drop_share = 2\n"
      "bootloader_colour = 1\n",
      errors);
  ASSERT_TRUE(c.bootloader);
  EXPECT_EQ(c.bootloader->type, 100);
  EXPECT_EQ(c.bootloader->version, 7);
  EXPECT_EQ(c.bootloader->badOffset, 16u);
  EXPECT_EQ(c.bootloader->delayUs, 3000);
  EXPECT_EQ(c.bootloaderHost, 5);
  EXPECT_EQ(errors, (std::vector<std::string>{"line 7: bad value for bootloader_drop_share",
                                              "line 8: unknown key bootloader_colour"}));
  SimBus bus;
  buildHall(bus, c);
  EXPECT_EQ(bus.controllers().size(), 1u);
}

TEST(BoardTypes, DescriptionsAndMemoryFollowTheTypeCode) {
  EXPECT_EQ(boardMemory(100), kMemory256K);
  EXPECT_EQ(boardMemory(212), kMemory256K);
  EXPECT_EQ(boardMemory(303), kMemory64K);
  EXPECT_EQ(boardMemory(500), kMemory64K);
  EXPECT_EQ(boardMemory(999), kMemory256K);
  EXPECT_NE(boardDescription(500).find("лотков"), std::string::npos);
  EXPECT_EQ(boardDescription(304), "плата не опознана");
}

}  // namespace
}  // namespace vs
