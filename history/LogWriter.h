// The measurement logs: every status answer of an incubator with logging on becomes one sample;
// samples are buffered per row and appended in batches of ten to "file/<name>.fil" (raw, or one
// record averaged over the ten), each batch with one setpoint record in "file/<name>.0il".
//
// What the log promises: every sample taken reaches its file, raw or in its average. A batch
// that cannot be written (missing folder "file", full disk, locked file) stays in memory and
// goes out with the next batch that can be written; the backlog is bounded per row, so a disk
// that stays full cannot eat the memory, and what it had to drop is told. Samples still in the
// buffer at shut-down are written then.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>

#include "common/FailureLog.h"
#include "config/TFile_config.h"
#include "history/LogRecords.h"
#include "station/StationTables.h"

namespace vs {

class LogWriter {
 public:
  static constexpr int kBatch = 10;
  // Records of one row kept while its files cannot be written: about a day of samples at one
  // answer every 10 s (560 KB a row).
  static constexpr std::size_t kBacklog = 14'000;

  LogWriter(std::filesystem::path home, const TFile_config& config, const StationTables& tables)
      : home_(std::move(home)), config_(config), tables_(tables) {}

  // Sample capture for row nk from the answer just decoded, taken at `dt`: builds m_ftW[nk],
  // feeds the accumulator, runs WriteZ and sets vremK. Nothing happens for a row with logging
  // off.
  void capture(int nk, TDateTime dt);
  // Buffers m_ftW[nk]; the tenth sample of a batch flushes the batch.
  void WriteZ(int nk);
  // Writes whatever is buffered or held back, for every row: the shut-down.
  void flushAll();

  // The two files of row nk.
  std::filesystem::path filPath(int nk) const;
  std::filesystem::path zonPath(int nk) const;
  // Records of row nk waiting for their file (held back after a failed write).
  std::size_t heldBack(int nk) const;

  // First trouble of each file, its end, and records dropped: the journal and the operator.
  FailureLog failures;

  std::array<TFile, kTableRows> m_ftW{};
  std::array<std::array<TFile, 11>, kTableRows> m_ft{};
  std::array<std::int32_t, kTableRows> i_ft{};
  std::array<TFileS, kTableRows> m_ftWS{};
  TFileZon m_ftZon{};
  std::array<TDateTime, kTableRows> vremN{};
  std::array<TDateTime, kTableRows> vremK{};

 private:
  struct Backlog {
    std::deque<TFile> fil;
    std::deque<TFileZon> zon;
    long long dropped = 0;  // records dropped since the files last worked
  };
  // Moves the buffered samples (raw, or their mean) and one setpoint record into the backlog,
  // then writes the backlog.
  void flush(int nk);
  void drain(int nk);
  bool averaging() const { return config_.usrednenie10 == 11; }
  std::string baseName(int nk) const;

  std::filesystem::path home_;
  const TFile_config& config_;
  const StationTables& tables_;
  std::array<Backlog, kTableRows> backlog_{};
};

}  // namespace vs
