// The firmware update on the assembled bus station in virtual time: a simulated board with a
// bootloader hosted by the controller at address 5, the update engine wired as the program
// wires it (the 100 ms hook, the dispatcher's update consumer, the journal).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "boards/Obnov.h"
#include "bus/crc.h"
#include "sim/SimBootloader.h"
#include "tests/bus_hall.h"

namespace vs {
namespace {

std::vector<std::uint8_t> pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
  return v;
}

// A ".bit" file for this board type with the image `image`.
std::filesystem::path writeBit(const std::filesystem::path& dir, const std::string& name,
                               const std::vector<std::uint8_t>& image, int board) {
  std::vector<std::uint8_t> b = packImage(image, 0x01020304);
  b[kBitBoardAt] = static_cast<std::uint8_t>(board >> 8);
  b[kBitBoardAt + 1] = static_cast<std::uint8_t>(board & 0xFF);
  b[0] = Count_CRC(b.data() + 1, b.size() - 1);
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  return path;
}

class UpdateHall : public testing::BusHall {
 protected:
  void SetUp() override {
    BusHall::SetUp();
    board.host(&ctl(5));
    sim.attach(board);
  }
  void TearDown() override {
    sim.detach(board);
    obnov.reset();
    BusHall::TearDown();
  }
  void startWithWindow() {
    start();
    obnov = std::make_unique<Obnov>(st());
    st().hooks.Timer100ms = [this] { obnov->Timer100ms(); };
    bus->dispatcher.firmwareUpdate = [this](const RS232_T& f) { obnov->ReadObnovlenie(f); };
    obnov->journal = [this](const std::string& l) { journal.push_back(l); };
    obnov->notice = [this](const std::string& text, const std::string& title) {
      notices.push_back(title + ": " + text);
    };
    obnov->confirm = [](const std::string&, const std::string&) { return true; };
    runMs(2'000);
    obnov->open();
  }
  // Runs until the transfer is over (at most `limitS` seconds); the time it took, ms.
  std::int64_t runTransfer(int limitS = 200) {
    const std::int64_t from = nowUs;
    for (int i = 0; i < limitS * 10 && obnov->transferRunning(); ++i) runMs(100);
    return (nowUs - from) / 1000;
  }
  void enterLoader() {
    ASSERT_TRUE(obnov->zagruzchik());
    runMs(3'000);
    ASSERT_TRUE(st().obn_oN);
    ASSERT_EQ(st().obnovlenie, 1);
  }
  std::string journalText() const {
    std::string t;
    for (const auto& l : journal) t += l + "\n";
    return t;
  }

  SimBootloader board;  // a control board, type 300, 64 KiB
  std::unique_ptr<Obnov> obnov;
  std::vector<std::string> journal, notices;
};

TEST_F(UpdateHall, WritesAndVerifiesAnImageThenStartsTheBoardAndPollingResumes) {
  startWithWindow();
  const auto hostAnswers = ctl(5).counters().answers;
  EXPECT_GT(hostAnswers, 0u) << "the host controller answers before the update";
  log.frames.clear();

  ASSERT_TRUE(obnov->zagruzchik());
  runMs(1'100);
  // The enter command reached the board (a second one goes 0.5 s later if the first met a
  // poll's answer on the line).
  const auto enters = std::count_if(log.frames.begin(), log.frames.end(),
                                    [](auto f) { return f.to == 0 && f.kind == 199; });
  EXPECT_GE(enters, 1);
  EXPECT_LE(enters, 2);
  EXPECT_EQ(board.enters, enters);
  // Then only queries go out, one per tick; no status polls.
  log.frames.clear();
  runMs(1'000);
  EXPECT_EQ(log.frames.size(), 10u);
  EXPECT_TRUE(std::all_of(log.frames.begin(), log.frames.end(),
                          [](auto f) { return f.to == 200 && f.kind == 201; }));
  EXPECT_TRUE(obnov->view.loaderGreen);
  EXPECT_TRUE(obnov->view.stateOnGreen);
  EXPECT_EQ(obnov->view.state, "Загрузчик на связи");
  EXPECT_EQ(obnov->view.loader, "Загрузчик -> V12   Тип платы = 300");
  EXPECT_EQ(obnov->view.board, boardDescription(300));
  runMs(1'000);
  EXPECT_TRUE(obnov->view.loaderDown) << "the bootloader answered: the mode stays on";
  EXPECT_EQ(st().obnovlenie, 1);
  EXPECT_FALSE(obnov->view.mainGreen) << "the main program has been silent for 3 s";

  const auto image = pattern(64 * 1024);
  obnov->zapis(writeBit(dir.home, "full.bit", image, 300));
  EXPECT_EQ(journal, std::vector<std::string>{"Обновление ПО"});
  const std::int64_t ms = runTransfer();
  EXPECT_EQ(obnov->view.writeResult, "Завершено");
  EXPECT_EQ(obnov->view.compareResult, "Завершено. Ошибок нет");
  EXPECT_EQ(obnov->view.writePos, 65536);
  EXPECT_EQ(obnov->view.comparePos, 65536);
  EXPECT_EQ(board.writes, 512);
  EXPECT_EQ(board.compares, 512);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), board.memory().begin()));
  EXPECT_LT(ms, 80'000) << "two passes of 512 blocks, one per 20 ms read pass at worst";
  EXPECT_NE(journalText().find("Обновление ПО завершено, проверка без ошибок"), std::string::npos);

  ASSERT_TRUE(obnov->programma());
  runMs(2'000);
  EXPECT_EQ(st().obnovlenie, 1) << "the mode is left 21 ticks after the start command";
  EXPECT_FALSE(board.inLoader());
  EXPECT_EQ(obnov->view.start, "Запуск");
  runMs(300);
  EXPECT_EQ(st().obnovlenie, 0);
  const auto answersBefore = st().answerCount;
  st().tab_otvetR[0] = 3;
  runMs(3'000);
  EXPECT_GT(st().answerCount, answersBefore);
  EXPECT_EQ(st().tab_otvetR[0], 0) << "the restarted controller answers its polls";
  EXPECT_TRUE(obnov->view.mainGreen);
  EXPECT_FALSE(st().obn_oN) << "a status answer of the main program clears the confirmation";
}

TEST_F(UpdateHall, WithoutABoardTheLoaderButtonPopsUpAndPollingGoesOn) {
  sim.detach(board);
  startWithWindow();
  ASSERT_TRUE(obnov->zagruzchik());
  runMs(2'700);
  EXPECT_TRUE(obnov->view.loaderDown);
  EXPECT_EQ(st().obnovlenie, 1);
  EXPECT_EQ(obnov->view.state, "Не подтверждено");
  EXPECT_EQ(obnov->view.loader, "Загрузчика нет");
  runMs(200);
  EXPECT_FALSE(obnov->view.loaderDown);
  EXPECT_EQ(st().obnovlenie, 0);
  st().tab_otvetR[1] = 3;
  runMs(3'000);
  EXPECT_EQ(st().tab_otvetR[1], 0);
  // "Запись" without a confirmed bootloader does nothing.
  obnov->zapis(writeBit(dir.home, "x.bit", pattern(10), 300));
  EXPECT_FALSE(obnov->transferRunning());
  EXPECT_TRUE(journal.empty());
}

TEST_F(UpdateHall, ALostAnswerSendsTheSameBlockAgainAfterOneSecondAndTheUpdateSucceeds) {
  board.options().dropAnswers = {2};
  startWithWindow();
  enterLoader();
  obnov->zapis(writeBit(dir.home, "small.bit", pattern(300), 300));
  const std::int64_t ms = runTransfer();
  EXPECT_EQ(obnov->view.writeResult, "Завершено");
  // 300 bytes go as 128, 128 and 44 at 0, 128 and 256; the second block went twice.
  EXPECT_EQ(board.writeOffsets, (std::vector<std::uint32_t>{0, 128, 128, 256}));
  EXPECT_EQ(board.writeLengths, (std::vector<int>{128, 128, 128, 44}));
  // The answer after the resend may be the first send's, late: the third block waits as long
  // again (1 s and the margin) for a second answer before it goes.
  EXPECT_GE(ms, 2'100);
  EXPECT_LT(ms, 2'800);
}

// The offsets a pass sent, each block once however often it went: every block of the image,
// in order, none skipped; empty when the board heard them otherwise.
std::vector<std::uint32_t> inOrder(const std::vector<std::uint32_t>& heard) {
  std::vector<std::uint32_t> blocks;
  for (const std::uint32_t at : heard) {
    if (!blocks.empty() && at == blocks.back()) continue;  // the same block sent again
    if (at != (blocks.empty() ? 0 : blocks.back() + 128)) return {};
    blocks.push_back(at);
  }
  return blocks;
}

TEST_F(UpdateHall, ASlowBoardsLateAnswerMovesTheTransferOnOnceAndEveryBlockArrivesInOrder) {
  startWithWindow();
  enterLoader();
  // Each answer comes 1.2 s after its block: after the block has gone again at 1 s, so two
  // answers come for one block and carry nothing to tell them apart.
  board.options().delayUs = 1'200'000;
  const auto image = pattern(4000);  // 31 blocks of 128 and one of 32
  std::vector<std::uint32_t> blocks;
  for (std::uint32_t at = 0; at < 4000; at += 128) blocks.push_back(at);
  const SimBusCounters before = sim.counters();
  obnov->zapis(writeBit(dir.home, "slow.bit", image, 300));
  runTransfer(400);
  EXPECT_FALSE(obnov->transferRunning());
  EXPECT_EQ(inOrder(board.writeOffsets), blocks) << ::testing::PrintToString(board.writeOffsets);
  EXPECT_EQ(inOrder(board.compareOffsets), blocks)
      << ::testing::PrintToString(board.compareOffsets);
  EXPECT_EQ(sim.counters().collisions, before.collisions) << "never two blocks on the line";
  EXPECT_TRUE(std::equal(image.begin(), image.end(), board.memory().begin()));
  EXPECT_EQ(obnov->view.writeResult, "Завершено");
  EXPECT_EQ(obnov->view.compareResult, "Завершено. Ошибок нет");
  EXPECT_EQ(obnov->view.writePos, 4000);
  EXPECT_EQ(obnov->view.comparePos, 4000);
  EXPECT_TRUE(board.verified()) << "the board would start: written and compared in full";
}

TEST_F(UpdateHall, ABlockStoredWronglyFailsTheWriteAndTheJournalSaysSo) {
  board.options().badOffset = 1000;
  startWithWindow();
  enterLoader();
  obnov->zapis(writeBit(dir.home, "img.bit", pattern(4096), 300));
  runTransfer();
  EXPECT_EQ(obnov->view.writeResult, "Ошибок=1");
  EXPECT_EQ(obnov->view.compareResult, "Завершено. Ошибок=1");
  EXPECT_NE(journalText().find("Обновление ПО не удалось: проверка записанного, Ошибок=1"),
            std::string::npos)
      << journalText();

  // "Контроль" of the same file finds the same byte; of another image, every byte that differs.
  obnov->kontrol(dir.home / "img.bit");
  runTransfer();
  EXPECT_EQ(obnov->view.compareResult, "Завершено. Ошибок=1");
  EXPECT_EQ(obnov->view.file, (dir.home / "img.bit").string() + " версия:16909060");
}

TEST_F(UpdateHall, ABoardThatStopsAnsweringEndsTheTransferAsFailedAfterThreeResends) {
  startWithWindow();
  enterLoader();
  board.options().dropShare = 1.0;
  obnov->zapis(writeBit(dir.home, "img.bit", pattern(1000), 300));
  const std::int64_t ms = runTransfer();
  EXPECT_FALSE(obnov->transferRunning());
  EXPECT_EQ(board.writes, 4) << "the first block and three resends";
  EXPECT_EQ(obnov->view.writeResult, "Нет ответа загрузчика, запись остановлена");
  EXPECT_NE(journalText().find("нет ответа загрузчика на блок со смещением 0"), std::string::npos);
  EXPECT_GE(ms, 3'900);
  EXPECT_LT(ms, 4'500);
  // The board keeps its half-written memory and stays in its bootloader on "Программа".
  board.options().dropShare = 0.0;
  ASSERT_TRUE(obnov->programma());
  runMs(2'500);
  EXPECT_TRUE(board.inLoader());
  EXPECT_EQ(obnov->view.start, "");
}

TEST_F(UpdateHall, LeavingDuringATransferAsksAndACutTransferIsJournalledAsFailed) {
  startWithWindow();
  enterLoader();
  bool answer = false;
  int asked = 0;
  obnov->askYesNo = [&](const std::string&, const std::string&) {
    ++asked;
    return answer;
  };
  obnov->zapis(writeBit(dir.home, "img.bit", pattern(8192), 300));
  runMs(500);
  EXPECT_FALSE(obnov->programma());
  EXPECT_FALSE(obnov->close());
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(obnov->transferRunning());
  answer = true;
  EXPECT_TRUE(obnov->close());
  EXPECT_FALSE(obnov->transferRunning());
  EXPECT_EQ(st().obnovlenie, 0);
  EXPECT_EQ(obnov->view.writeResult, "Прервано");
  EXPECT_NE(journalText().find("прервано оператором"), std::string::npos) << journalText();
  runMs(100);  // the block already on the line arrives
  const int writes = board.writes;
  runMs(2'000);
  EXPECT_EQ(board.writes, writes) << "nothing more goes to the bootloader";
}

// The time of a 256 KiB write and its compare, reading each byte as it arrives (as the program
// does on the port's ready-read), against the time the wire needs for the same bytes.
TEST_F(UpdateHall, A256KiBWriteAndCompareRunsCloseToTheWireLimit) {
  board.options().type = 100;
  board = SimBootloader(board.options());
  board.host(&ctl(5));
  startWithWindow();
  enterLoader();
  const auto image = pattern(256 * 1024);
  const auto file = writeBit(dir.home, "big.bit", image, 100);
  const SimBusCounters before = sim.counters();
  const std::int64_t from = nowUs;
  obnov->zapis(file);
  while (obnov->transferRunning() && nowUs - from < 400'000'000) {
    std::int64_t next = (nowUs / 20'000 + 1) * 20'000;
    if (const auto e = sim.nextEventUs(); e && *e > nowUs && *e < next) next = *e;
    nowUs = next;
    sim.advanceToUs(nowUs);
    clock.set(kStart + static_cast<double>(nowUs) / 86'400'000'000.0);
    if (sim.bytesWaiting() > 0) bus->bytesArrived();
    if (nowUs % 20'000 == 0) bus->tick20ms();
    if (nowUs % 100'000 == 0) bus->tick100ms();
    if (nowUs % 1'000'000 == 0) bus->tick1s();
  }
  ASSERT_EQ(obnov->view.writeResult, "Завершено");
  EXPECT_EQ(board.writes, 2048);
  EXPECT_EQ(board.compares, 2048);
  const double took = static_cast<double>(nowUs - from) / 1e6;
  const auto bytes = (sim.counters().masterBytes - before.masterBytes) +
                     (sim.counters().bytesToMaster - before.bytesToMaster);
  const double wire = static_cast<double>(bytes) * 11.0 / 38'400.0;
  std::printf("256 KiB write + compare: %.1f s; wire limit for its %llu bytes: %.1f s (%.1f %%)\n",
              took, static_cast<unsigned long long>(bytes), wire, 100.0 * (took / wire - 1.0));
  EXPECT_LT(took, wire * 1.10);
}

}  // namespace
}  // namespace vs
