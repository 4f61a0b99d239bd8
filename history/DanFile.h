// The shared station data file "dan.dan": the serving station keeps the latest raw status
// answer of every incubator (rows 0..230) with its name, poll flag and link state, and
// rewrites the file every exchange period; a remote station reads it from the serving
// station's folder and replays every stored answer through its own status decoding.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "bus/FrameCodec.h"
#include "common/DateTime.h"
#include "common/PString.h"
#include "common/Records.h"
#include "config/TFile_config.h"
#include "station/PollState.h"
#include "station/StationTables.h"

namespace vs {

constexpr int kDanRows = 231;     // rows 0..230 are shared
constexpr int kDanMaxData = 230;  // data bytes kept per answer

#pragma pack(push, 1)
struct TdanW {
  std::uint8_t n_t;    // row index
  std::uint8_t n_s;    // bus address (sender of the stored answer)
  std::uint8_t kol_z;  // data length of the stored answer
  std::uint8_t pad0;
  std::int32_t kol_i;       // write counter when the entry was filled
  std::int32_t tab_otvetR;  // polls without answer at the last file write
  std::uint8_t on;          // link up
  std::uint8_t on_sw;       // poll flag
  PString<31> naim;         // name, at most 30 characters stored
  std::array<std::uint8_t, 2> pad1;
  double dt;                        // when the answer was decoded
  std::array<std::uint8_t, 231> d;  // d[0] = length, d[1..] = data bytes
  std::uint8_t pad2;
};

struct TdanWm {
  std::uint8_t kol;  // configured incubators of the serving station
  std::array<std::uint8_t, 7> pad;
  std::array<TdanW, kDanRows> d;
};
#pragma pack(pop)

VS_SIZE(TdanW, 288);
VS_OFFSET(TdanW, n_t, 0);
VS_OFFSET(TdanW, n_s, 1);
VS_OFFSET(TdanW, kol_z, 2);
VS_OFFSET(TdanW, kol_i, 4);
VS_OFFSET(TdanW, tab_otvetR, 8);
VS_OFFSET(TdanW, on, 12);
VS_OFFSET(TdanW, on_sw, 13);
VS_OFFSET(TdanW, naim, 14);
VS_OFFSET(TdanW, dt, 48);
VS_OFFSET(TdanW, d, 56);
VS_OFFSET(TdanW, pad2, 287);
VS_SIZE(TdanWm, 66536);
VS_OFFSET(TdanWm, kol, 0);
VS_OFFSET(TdanWm, d, 8);

class DanFile {
 public:
  DanFile(TFile_config& config, PollState& poll, PollControls& controls, StationTables& tables,
          const Clock& clock, std::filesystem::path home);

  // Replays one stored answer through the status decoding: row, time, the answer as a frame.
  std::function<void(int nk, TDateTime time, const RS232_T& frame)> replay;
  // Link indicator of the main window: shown with this text, or hidden.
  std::function<void(bool visible, const std::string& text)> linkIndicator;
  // Main window caption: the file's path and modification time (local); see caption().
  std::function<void(const std::string& path, TDateTime modified)> fileCaption;
  // The main window caption while a remote station shows the file.
  static std::string caption(const std::string& base, const std::string& path, TDateTime modified) {
    return base + "  " + path + "  дата файла:  " + formatDateTime(modified);
  }
  // The settings tab's incubator count takes the serving station's count.
  std::function<void(int kol)> setIncubatorCount;
  // The answer counter shows the kol_i of the replayed entry.
  std::function<void(std::int32_t danRi)> answerCounter;
  // The main table is repainted after a replay.
  std::function<void()> repaint;
  // A file that cannot be written is told once when that starts and once when it ends.
  std::function<void(const std::string& utf8)> report;

  // Serving station: the status answer of row nk (from `address`) goes into its entry.
  void DanWrite(int nk, std::uint8_t address, const RS232_T& frame);
  // Serving station: the whole record goes to "dan.dan" in the working folder, written beside
  // and renamed over it, so that a remote station never reads half a file. Every configured
  // row carries its name and poll flag from the first write on; a row that has not answered is
  // marked without link and keeps zero data. False when the file could not be written.
  bool DanWriteFile();
  bool writeFailing() const { return writeFailing_; }
  // Remote station (with "Работа" down): read Server_s + "dan.dan" and replay it.
  void DanRead();
  // The replay part of DanRead: names and poll flags, then every entry of danR through the
  // decoding. Entries of rows this station cannot hold are skipped.
  void replayRead();

  std::string Server_s;  // the serving station's folder, ending in a separator
  TdanWm danW{};         // being filled (serving side)
  TdanWm danR{};         // last read (remote side)
  std::int32_t danWi = 0;
  std::int32_t danRi = 0;

  std::filesystem::path writePath() const { return home_ / "dan.dan"; }
  std::filesystem::path readPath() const;

 private:
  TFile_config& config_;
  PollState& poll_;
  PollControls& controls_;
  StationTables& tables_;
  const Clock& clock_;
  std::filesystem::path home_;
  std::array<bool, kDanRows> answered_{};  // rows whose answer is in danW
  bool writeFailing_ = false;
};

}  // namespace vs
