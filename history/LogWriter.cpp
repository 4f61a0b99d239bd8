#include "history/LogWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "common/AtomicFile.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

std::string reason(int err) {
  return std::generic_category().message(err);
}

std::string shown(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

// Appends `records` to a log file, oldest first, after checking what is there: the `dt` of an
// existing file's first record goes to `first`. A file whose size is not a whole number of
// records (cut short by a crash of an older program) is cut back to whole records first, or
// every record appended after it would be read shifted. False with `why` set on failure.
template <typename Record>
bool appendRecords(const fs::path& path, const std::deque<Record>& records, TDateTime& first,
                   std::string& why, std::string& note) {
  std::error_code ec;
  std::uintmax_t size = 0;
  if (fs::exists(path, ec)) {
    size = fs::file_size(path, ec);
    if (ec) {
      why = ec.message();
      return false;
    }
    if (size % sizeof(Record) != 0) {
      const std::uintmax_t whole = size - size % sizeof(Record);
      fs::resize_file(path, whole, ec);
      if (ec) {
        why = ec.message();
        return false;
      }
      note = "неполная запись в конце (" + std::to_string(size - whole) + " байт) отрезана";
      size = whole;
    }
    if (size >= sizeof(Record)) {
      Record r{};
      if (readFilePrefix(path, &r, sizeof r) != static_cast<long long>(sizeof r)) {
        why = reason(errno);
        return false;
      }
      first = r.dt;
    }
  }
  const std::vector<Record> block(records.begin(), records.end());
  if (!appendFile(path, block.data(), block.size() * sizeof(Record))) {
    why = reason(errno);
    return false;
  }
  if (size == 0 && !block.empty()) first = block.front().dt;  // a new log starts here
  return true;
}

}  // namespace

std::string LogWriter::baseName(int nk) const {
  return config_.konfig_f[static_cast<std::size_t>(nk)].utf8();
}

fs::path LogWriter::filPath(int nk) const {
  return home_ / "file" / fs::path(baseName(nk) + ".fil");
}

fs::path LogWriter::zonPath(int nk) const {
  return home_ / "file" / fs::path(baseName(nk) + ".0il");
}

std::size_t LogWriter::heldBack(int nk) const {
  const auto& b = backlog_[static_cast<std::size_t>(nk)];
  return b.fil.size();
}

void LogWriter::capture(int nk, TDateTime dt) {
  if (nk < 0 || nk >= kMaxRows) return;
  const auto n = static_cast<std::size_t>(nk);
  if (!config_.konfig_Write[n]) return;
  const StationTables& t = tables_;
  TFile& s = m_ftW[n];
  s.T1 = t.T1k[n] / 100.0;
  s.T2 = t.T2k[n] / 100.0;
  s.T3 = t.T3k[n] / 100.0;
  s.BL = t.BL[n];
  s.zsl = (t.C3[n] & 0x0200) ? static_cast<std::int8_t>(t.ugol[n] + 10) : std::int8_t{0};
  s.C1 = t.C1[n];
  s.C2 = t.C2[n];
  s.C3 = t.C3[n];
  s.dt = dt;
  TFileS& acc = m_ftWS[n];
  acc.C1 = s.C1;
  acc.C2 = s.C2;
  acc.C3 = s.C3;
  acc.dt = dt;
  WriteZ(nk);
  vremK[n] = dt;
}

void LogWriter::WriteZ(int nk) {
  const auto n = static_cast<std::size_t>(nk);
  // Every sample is buffered and summed; the tenth completes the batch. (Flushing on an
  // eleventh call that is itself neither kept nor summed would lose one sample in eleven.)
  const int a = std::clamp(i_ft[n], 0, kBatch - 1);
  const TFile& s = m_ftW[n];
  m_ft[n][static_cast<std::size_t>(a)] = s;
  TFileS& acc = m_ftWS[n];
  acc.T1 += s.T1;
  acc.T2 += s.T2;
  acc.T3 += s.T3;
  acc.BL += s.BL;
  acc.zsl += s.zsl;
  i_ft[n] = a + 1;
  if (i_ft[n] >= kBatch) flush(nk);
}

void LogWriter::flush(int nk) {
  const auto n = static_cast<std::size_t>(nk);
  const int count = std::clamp(i_ft[n], 0, kBatch);
  i_ft[n] = 0;
  Backlog& b = backlog_[n];
  if (count > 0) {
    TFileS& acc = m_ftWS[n];
    if (averaging()) {
      // The mean of exactly the samples of this batch (ten, or fewer at shut-down).
      TFile r{};
      r.T1 = acc.T1 / count;
      r.T2 = acc.T2 / count;
      r.T3 = acc.T3 / count;
      r.BL = static_cast<std::uint8_t>(acc.BL / count);
      r.zsl = static_cast<std::int8_t>(acc.zsl / count);
      r.C1 = acc.C1;
      r.C2 = acc.C2;
      r.C3 = acc.C3;
      r.dt = acc.dt;
      b.fil.push_back(r);
    } else {
      for (int i = 0; i < count; ++i) b.fil.push_back(m_ft[n][static_cast<std::size_t>(i)]);
    }
    acc.T1 = acc.T2 = acc.T3 = 0;
    acc.BL = acc.zsl = 0;

    const auto& zon = tables_.ZON[n];
    m_ftZon = TFileZon{};
    m_ftZon.ustT = zon[1];
    m_ftZon.ustOhlv = zon[13];
    m_ftZon.ustOhln = zon[14];
    m_ftZon.ustBLv = static_cast<std::uint8_t>(zon[9] & 0xFF);
    m_ftZon.ustBLn = static_cast<std::uint8_t>(zon[10] & 0xFF);
    m_ftZon.Chim = static_cast<std::uint8_t>(zon[12] & 0xFF);
    m_ftZon.Trab = static_cast<std::uint8_t>(zon[6] & 0xFF);
    m_ftZon.zsl = tables_.ZASL[n][13];
    m_ftZon.dt = acc.dt;
    b.zon.push_back(m_ftZon);
  }
  // A disk that stays full: the oldest records give way, and that is told once.
  long long droppedNow = 0;
  while (b.fil.size() > kBacklog) {
    b.fil.pop_front();
    ++droppedNow;
  }
  while (b.zon.size() > kBacklog / kBatch) b.zon.pop_front();
  if (droppedNow > 0) {
    b.dropped += droppedNow;
    failures.failed("drop:" + shown(filPath(nk)),
                    "Журнал измерений " + shown(filPath(nk)) + " не записывается: в памяти уже " +
                        std::to_string(kBacklog) +
                        " записей, самые старые отбрасываются, пока файл не запишется");
  }
  drain(nk);
}

void LogWriter::drain(int nk) {
  const auto n = static_cast<std::size_t>(nk);
  Backlog& b = backlog_[n];
  if (b.fil.empty() && b.zon.empty()) return;
  const fs::path folder = home_ / "file";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    failures.failed("folder", "Папка " + shown(folder) +
                                  " не существует: журналы измерений не записываются, записи "
                                  "ждут в памяти");
    return;
  }
  failures.ended("folder", "Папка " + shown(folder) + " есть: журналы измерений записываются");
  const std::string name = baseName(nk);
  const fs::path fil = filPath(nk);
  const std::string kind = "file:" + shown(fil);
  // The name is a base name: one with a folder part would write outside "file".
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..") {
    failures.failed(kind, "Имя файла записи \"" + name + "\" (инкубатор " +
                              std::to_string(config_.konfig_n[n]) +
                              ") содержит папку: журнал не записывается, записи ждут в памяти");
    return;
  }
  std::string why, note;
  if (!appendRecords(fil, b.fil, vremN[n], why, note)) {
    failures.failed(kind, "Журнал измерений " + shown(fil) + " не записан (" + why +
                              "): записи ждут в памяти и будут дописаны");
    return;
  }
  if (!note.empty())
    failures.failed("tail:" + shown(fil), "Журнал измерений " + shown(fil) + ": " + note);
  b.fil.clear();
  // The start shown in the table is the measurement log's: the setpoint log starts a batch
  // later, and a new one beside an old measurement log would hide the older start.
  TDateTime zonStart = 0;
  const fs::path zon = zonPath(nk);
  if (!appendRecords(zon, b.zon, zonStart, why, note)) {
    failures.failed(kind, "Журнал уставок " + shown(zon) + " не записан (" + why +
                              "): записи ждут в памяти и будут дописаны");
    return;
  }
  if (!note.empty())
    failures.failed("tail:" + shown(zon), "Журнал уставок " + shown(zon) + ": " + note);
  b.zon.clear();
  const long long dropped = b.dropped;
  b.dropped = 0;
  failures.ended("drop:" + shown(fil), "");
  failures.ended(kind, "Журнал измерений " + shown(fil) + " снова записывается" +
                           (dropped ? "; отброшено записей: " + std::to_string(dropped) : ""));
}

void LogWriter::flushAll() {
  for (int nk = 0; nk < kTableRows && nk < kMaxRows; ++nk) {
    const auto n = static_cast<std::size_t>(nk);
    if (i_ft[n] > 0)
      flush(nk);
    else
      drain(nk);
  }
}

}  // namespace vs
