#include "history/DanFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "common/AtomicFile.h"

namespace vs {
namespace {

// Modification time of a file as a local date-time; 0 when it cannot be read.
TDateTime localModificationTime(const std::filesystem::path& p) {
  std::error_code ec;
  const auto ft = std::filesystem::last_write_time(p, ec);
  if (ec) return 0;
  return localDateTime(std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      std::chrono::file_clock::to_sys(ft)));
}

int sharedRows(int kol) {
  return std::clamp(kol, 0, kDanRows);
}

}  // namespace

DanFile::DanFile(TFile_config& config, PollState& poll, PollControls& controls,
                 StationTables& tables, const Clock& clock, std::filesystem::path home)
    : config_(config),
      poll_(poll),
      controls_(controls),
      tables_(tables),
      clock_(clock),
      home_(std::move(home)) {}

std::filesystem::path DanFile::readPath() const {
  std::string folder = Server_s;
#ifndef _WIN32
  std::replace(folder.begin(), folder.end(), '\\', '/');
#endif
  return std::filesystem::path(folder + "dan.dan");
}

void DanFile::DanWrite(int nk, std::uint8_t address, const RS232_T& frame) {
  if (!poll_.serverTEK) return;
  if (nk < 0 || nk >= kDanRows) return;  // rows above 230 are not shared
  const auto n = static_cast<std::size_t>(nk);
  danW.kol = static_cast<std::uint8_t>(sharedRows(usableRows(config_)));
  TdanW& e = danW.d[n];
  e.n_t = static_cast<std::uint8_t>(nk);
  e.n_s = address;
  e.dt = clock_.now();
  e.on = tables_.pr_svaz[n] ? 1 : 0;
  e.kol_i = danWi;
  e.on_sw = config_.konfig_o[n] ? 1 : 0;
  e.naim.chars.fill(0);
  e.naim.setRaw(config_.konfig_s[n].raw().substr(0, 30));
  const int len = std::min<int>(frame.Kol_d, kDanMaxData);  // longer answers are cut
  e.kol_z = static_cast<std::uint8_t>(len);
  e.d.fill(0);
  e.d[0] = static_cast<std::uint8_t>(len);
  std::memcpy(e.d.data() + 1, frame.Dann.data(), static_cast<std::size_t>(len));
  answered_[n] = true;
  ++danWi;
}

bool DanFile::DanWriteFile() {
  if (!poll_.serverTEK) return true;
  // Remote stations show the hall as configured from the first write on, not an empty one.
  const int rows = sharedRows(usableRows(config_));
  danW.kol = static_cast<std::uint8_t>(rows);
  for (int n = 0; n < rows; ++n) {
    const auto i = static_cast<std::size_t>(n);
    TdanW& e = danW.d[i];
    e.n_t = static_cast<std::uint8_t>(n);
    e.on_sw = config_.konfig_o[i] ? 1 : 0;
    e.naim.chars.fill(0);
    e.naim.setRaw(config_.konfig_s[i].raw().substr(0, 30));
    e.tab_otvetR = poll_.tab_otvetR[i];
    e.on = answered_[i] && poll_.tab_otvetR[i] < 5 ? 1 : 0;
  }
  // A failed write is tried again next time; the file is a snapshot, so no disk flush.
  const bool ok = writeFileAtomic(writePath(), &danW, sizeof danW, /*durable=*/false);
  const int err = errno;
  if (!ok && !writeFailing_) {
    writeFailing_ = true;
    if (report)
      report("Файл dan.dan не записывается: " + writePath().string() + " (" + std::strerror(err) +
             "); удалённые станции видят старые данные");
  } else if (ok && writeFailing_) {
    writeFailing_ = false;
    if (report) report("Файл dan.dan снова записывается: " + writePath().string());
  }
  ++danWi;
  return ok;
}

void DanFile::DanRead() {
  if (!poll_.serverUD || !controls_.RS) return;
  const std::filesystem::path path = readPath();
  const TDateTime modified = localModificationTime(path);
  // A short file leaves the rest of danR as the previous read left it.
  if (readFilePrefix(path, &danR, sizeof danR) < 0) {
    if (linkIndicator) linkIndicator(true, "нет сети");
    return;
  }
  if (fileCaption) fileCaption(path.string(), modified);
  if (linkIndicator) linkIndicator(false, {});
  replayRead();
}

void DanFile::replayRead() {
  const int kol = sharedRows(danR.kol);
  if (setIncubatorCount) setIncubatorCount(kol);
  for (int n = 0; n < kol; ++n) {
    const TdanW& e = danR.d[static_cast<std::size_t>(n)];
    config_.konfig_s[static_cast<std::size_t>(n)].setRaw(e.naim.raw());
    config_.konfig_o[static_cast<std::size_t>(n)] = e.on_sw ? 1 : 0;
  }
  for (int n = 0; n < kol; ++n) {
    const TdanW& e = danR.d[static_cast<std::size_t>(n)];
    if (e.n_t >= kMaxRows) continue;  // no such row in this station's tables
    RS232_T frame{};
    frame.Otpr = e.n_s;
    frame.Kol_d = static_cast<std::uint8_t>(std::min<int>(e.kol_z, kDanMaxData));
    std::memcpy(frame.Dann.data(), e.d.data() + 1, frame.Kol_d);
    if (replay) replay(e.n_t, e.dt, frame);
    danRi = e.kol_i;
    if (answerCounter) answerCounter(danRi);
  }
  if (repaint) repaint();
}

}  // namespace vs
