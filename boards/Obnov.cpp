#include "boards/Obnov.h"

#include <algorithm>

namespace vs {
namespace {

constexpr std::int32_t kCountCap = 1'000'000;  // counters stop here instead of wrapping
// An answer lands between two ticks, so a count of ticks is up to one short of its delay.
constexpr int kDrainMargin = 2;

std::string errorsText(int n) {
  return kObnovErrors + std::to_string(n);
}

}  // namespace

std::vector<std::uint8_t> obnovBlock(std::uint32_t offset, const std::uint8_t* bytes,
                                     std::size_t length) {
  std::vector<std::uint8_t> d;
  d.reserve(5 + length);
  d.push_back(static_cast<std::uint8_t>(length));
  for (int shift = 24; shift >= 0; shift -= 8)
    d.push_back(static_cast<std::uint8_t>(offset >> shift));
  d.insert(d.end(), bytes, bytes + length);
  return d;
}

std::optional<ModuleFlags> moduleFlags(const std::uint8_t* data, int length) {
  if (length < 6) return std::nullopt;
  const std::uint8_t f = data[5];
  ModuleFlags m;
  m.gsm = (f & 0x02) ? ((f & 0x08) ? "Вкл.ТЕЛЕОФИС" : "Вкл.А6") : "выкл";
  m.generator = (f & 0x01) ? "Встр. Ген" : "Внешний ген.";
  m.screen = (f & 0x04) ? "прямой" : "перевёрнутый";
  m.logo = std::to_string(data[3]);
  return m;
}

void Obnov::open() {
  obnovlenie_F = true;
  station_.obnovlenie = 0;
  station_.obn_oN = false;
  view.writePos = view.comparePos = 0;
  view.file.clear();
  view.writeResult.clear();
  view.start.clear();
  notify();
}

bool Obnov::close() {
  if (!askCut()) return false;
  station_.obnovlenie = 0;
  // A press of "Загрузчик" or "Программа" still on its way must not take the bus back.
  disp_n = disp_st = 0;
  view.loaderDown = view.programDown = false;
  notify();
  return true;
}

void Obnov::send(std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data, std::uint8_t len) {
  if (station_.hooks.send) station_.hooks.send(pol, kadr, data, len);
}

void Obnov::Timer100ms() {
  if (!obnovlenie_F) return;
  svaz_st_obn = std::min(svaz_st_obn + 1, kCountCap);
  station_.svaz_st_norm = std::min(station_.svaz_st_norm + 1, kCountCap);
  if (svaz_st_obn >= kObnovAnswerTicks) {
    view.state = kObnovUnconfirmed;
    view.stateOnGreen = false;
    view.loader = kObnovNoLoader;
    view.loaderGreen = false;
  } else {
    view.state = kObnovLoaderOnline;
    view.loaderGreen = true;
  }
  view.mainGreen = station_.svaz_st_norm < 20;
  Dispetcher();
  if (obn_pusk > 0) {
    if (queued_) {
      queued_ = false;
      nextBlock();
    } else {
      ++wait_;
      sinceFirst_ = std::min(sinceFirst_ + 1, kCountCap);
      if (draining_) {
        // The answers still due were lost: the line is quiet for the next block.
        if (wait_ >= drainTicks_) nextBlock();
      } else if (wait_ >= kObnovAnswerTicks) {
        retryBlock();
      }
    }
  } else if (station_.obnovlenie == 1 && disp_n != 11) {
    // Once the start command is out the board is leaving its bootloader: a query now would
    // only talk over its answer.
    const std::uint8_t zero = 0;
    send(kBootloaderAddress, kKadrQuery, &zero, 1);
  }
  notify();
}

void Obnov::Dispetcher() {
  if (disp_st > 0) {
    --disp_st;
    return;
  }
  const std::uint8_t zero = 0;
  switch (disp_n) {
    case 1:
      send(kServiceAddress, kKadrEnter, &zero, 1);
      station_.obnovlenie = 1;
      disp_n = 2;
      disp_st = 5;
      break;
    case 2:
      queued_ = false;
      // Polls stop only with the mode, so the first enter command may have met a controller's
      // answer on the line; now the line is quiet and a board not yet heard gets it again.
      if (!station_.obn_oN) send(kServiceAddress, kKadrEnter, &zero, 1);
      obn_pusk = 0;
      pass_ = Pass::None;
      disp_n = 3;
      disp_st = 20;
      break;
    case 3:
      if (!station_.obn_oN) {
        view.loaderDown = false;
        station_.obnovlenie = 0;
      }
      disp_n = disp_st = 0;
      break;
    case 10:
      send(kBootloaderAddress, kKadrStart, &zero, 1);
      disp_n = 11;
      disp_st = 20;
      break;
    case 11:
      station_.obnovlenie = 0;
      disp_n = disp_st = 0;
      break;
    default:
      disp_n = disp_st = 0;
      break;
  }
}

void Obnov::ReadObnovlenie(const RS232_T& f) {
  switch (f.Kadr) {
    case 0:
      view.state = kObnovMainProgram;
      view.stateOnGreen = false;
      break;
    case kKadrQuery: {
      // A short answer would leave the board code to bytes of an earlier frame.
      if (f.Kol_d < kObnovQueryMinLength) return;
      svaz_st_obn = 0;
      view.state = kObnovLoaderOnline;
      view.stateOnGreen = view.loaderGreen = true;
      station_.obn_oN = true;
      tip_kod = f.Dann[7] | f.Dann[8] << 8;
      const int version = f.Dann[5] | f.Dann[6] << 8;
      view.board = boardDescription(tip_kod);
      view.loader = std::string("Загрузчик -> ") + ((version & 0x8000) ? "V" : "v") +
                    std::to_string(version & 0x7FFF) + "   Тип платы = " + std::to_string(tip_kod);
      break;
    }
    case kKadrWrite:
      svaz_st_obn = 0;
      if (pass_ == Pass::Write) blockAnswered(0);
      break;
    case kKadrCompare:
      svaz_st_obn = 0;
      if (pass_ != Pass::Verify && pass_ != Pass::Compare) break;
      blockAnswered(f.Kol_d < 1 ? std::nullopt : std::optional<int>(f.Dann[0]));
      break;
    case kKadrStart:
      view.start = "Запуск";
      break;
    default:
      return;
  }
  notify();
}

bool Obnov::askCut() {
  if (!transferRunning()) return true;
  if (askYesNo && !askYesNo(kObnovCutQuestion, "Да или НЕТ")) return false;
  const std::string at = std::to_string(blockAt_);
  fail("Прервано", std::string(pass_ == Pass::Compare ? "Контроль ПО" : kObnovJournal) +
                       " прервано оператором на смещении " + at +
                       (pass_ == Pass::Compare ? "" : ": плата недописана"));
  return true;
}

bool Obnov::zagruzchik() {
  if (!askCut()) return false;
  disp_n = 1;
  disp_st = 0;
  view.writeResult = "----";
  view.file = "----";
  view.writePos = 0;
  view.loaderDown = true;
  view.programDown = false;
  notify();
  return true;
}

bool Obnov::programma() {
  if (!askCut()) return false;
  disp_n = 10;
  disp_st = 0;
  view.programDown = true;
  view.loaderDown = false;
  notify();
  return true;
}

std::optional<BitFile> Obnov::load(const std::filesystem::path& file) {
  BitRead r = readBitFile(file);
  if (!r.file) {
    view.file = file.string();
    resultLabel() = r.error;
    notify();
    if (report) report(r.error);
  }
  return std::move(r.file);
}

void Obnov::zapis(const std::filesystem::path& file) {
  if (!canTransfer()) return;
  view.compareResult = "--";
  pass_ = Pass::Write;  // the label that a refusal goes to
  std::optional<BitFile> f = load(file);
  pass_ = Pass::None;
  if (!f) return;
  view.file = file.string();
  const std::string description = boardDescription(f->boardCode());
  if (f->boardCode() != tip_kod) {
    if (notice) notice(description, kObnovWrongBoard);
    notify();
    return;
  }
  if (confirm && !confirm(description, kObnovConfirmWrite)) {
    notify();
    return;
  }
  buf = std::move(f->bytes);
  obn_i = static_cast<std::int32_t>(buf.size() - kBitHeaderSize);
  view.writeResult = "--";
  view.writeMax = obn_i;
  view.writePos = 0;
  say(kObnovJournal);
  startPass(Pass::Write);
}

void Obnov::kontrol(const std::filesystem::path& file) {
  if (!canTransfer()) return;
  pass_ = Pass::Compare;
  std::optional<BitFile> f = load(file);
  pass_ = Pass::None;
  if (!f) return;
  view.file = file.string() + " версия:" + std::to_string(f->version());
  buf = std::move(f->bytes);
  obn_i = static_cast<std::int32_t>(buf.size() - kBitHeaderSize);
  startPass(Pass::Compare);
}

void Obnov::startPass(Pass p) {
  pass_ = p;
  obn_kol = 0;
  blockAt_ = 0;
  obn_err = 0;
  obn_pusk = 1;
  if (p != Pass::Write) {
    view.compareMax = obn_i;
    view.comparePos = 0;
    view.compareResult = "--";
  }
  // The operator's start waits for the next tick: the query of the last one may still be
  // answered on the line, and a block sent now would talk over it.
  if (p == Pass::Verify)
    nextBlock();
  else
    queued_ = true;
  notify();
}

void Obnov::nextBlock() {
  blockAt_ = obn_kol;
  resends_ = 0;
  sinceFirst_ = 0;
  unanswered_ = 0;
  draining_ = false;
  if (obn_kol >= obn_i)
    finish();
  else
    sendBlock();
  notify();
}

void Obnov::sendBlock() {
  const auto length = static_cast<std::size_t>(
      std::min<std::int32_t>(static_cast<std::int32_t>(kObnovBlock), obn_i - blockAt_));
  const std::vector<std::uint8_t> d = obnovBlock(static_cast<std::uint32_t>(blockAt_),
                                                 buf.data() + kBitHeaderSize + blockAt_, length);
  send(kBootloaderAddress, pass_ == Pass::Write ? kKadrWrite : kKadrCompare, d.data(),
       static_cast<std::uint8_t>(d.size()));
  obn_kol = blockAt_ + static_cast<std::int32_t>(length);
  wait_ = 0;
  ++unanswered_;
}

void Obnov::blockAnswered(std::optional<int> differing) {
  if (unanswered_ > 0) --unanswered_;
  if (draining_) {  // an answer to another send of a block already taken: it moves nothing
    if (unanswered_ == 0) nextBlock();
    return;
  }
  if (!differing) {  // without its count the block was not compared
    retryBlock();
    return;
  }
  obn_err += *differing;
  if (pass_ == Pass::Write) {
    view.writePos = obn_kol;
  } else {
    view.comparePos = obn_kol;
    if (obn_err > 0) view.compareResult = errorsText(obn_err);
  }
  if (unanswered_ > 0) {
    // Each of the other sends answers within what this answer took after the first.
    draining_ = true;
    drainTicks_ = sinceFirst_ + kDrainMargin;
    notify();
    return;
  }
  nextBlock();
}

void Obnov::retryBlock() {
  if (resends_ >= kObnovResends) {
    const bool compare = pass_ == Pass::Compare;
    fail(compare ? "Нет ответа загрузчика, контроль остановлен"
                 : "Нет ответа загрузчика, запись остановлена",
         std::string(compare ? "Контроль ПО" : kObnovJournal) +
             ": нет ответа загрузчика на блок со смещением " + std::to_string(blockAt_) +
             (compare ? ", контроль остановлен" : ", запись остановлена, плата недописана"));
    return;
  }
  ++resends_;
  sendBlock();
}

void Obnov::finish() {
  if (pass_ == Pass::Write) {  // everything sent: now what the board holds is compared
    startPass(Pass::Verify);
    return;
  }
  const bool verify = pass_ == Pass::Verify;
  obn_pusk = 0;
  pass_ = Pass::None;
  view.compareResult = obn_err != 0 ? "Завершено. " + errorsText(obn_err) : "Завершено. Ошибок нет";
  if (verify) {
    view.writeResult = obn_err != 0 ? errorsText(obn_err) : kObnovDone;
    say(obn_err != 0 ? std::string(kObnovJournal) + " не удалось: проверка записанного, " +
                           errorsText(obn_err)
                     : std::string(kObnovJournal) + " завершено, проверка без ошибок");
  } else {
    say("Контроль ПО: " + (obn_err != 0 ? errorsText(obn_err) : std::string("ошибок нет")));
  }
}

void Obnov::fail(const std::string& label, const std::string& line) {
  resultLabel() = label;
  queued_ = false;
  draining_ = false;
  obn_pusk = 0;
  pass_ = Pass::None;
  say(line);
  notify();
}

std::string& Obnov::resultLabel() {
  return pass_ == Pass::Compare ? view.compareResult : view.writeResult;
}

void Obnov::service(std::uint8_t kadr, std::uint8_t value) {
  putKom485m(station_.kom485m, kServiceAddress, kadr, &value, 1);
}

}  // namespace vs
