// Reading a measurement or setpoint log: slice by slice (`LogSlices`, `walkLog`), so that the
// memory a walk takes does not grow with the log, or whole into an array (`readLog`, for the
// small files and the tests). A trailing part of a record is ignored.
#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "history/LogRecords.h"

namespace vs {

// Called while a long file is read, with the share read so far (0..100).
using ReadProgress = std::function<void(int percent)>;

// An open log read in slices at any position. Not copyable; closes the file when destroyed.
// Meant for one thread at a time (a worker owns its own).
template <typename Record>
class LogSlices {
 public:
  // Records per slice: 64 Ki records, 2.5 MB, the buffer a walk holds.
  static constexpr std::size_t kSliceRecords = std::size_t{1} << 16;

  LogSlices() = default;
  ~LogSlices();
  LogSlices(const LogSlices&) = delete;
  LogSlices& operator=(const LogSlices&) = delete;

  // Opens `path`; false with `error` (the system's words) when it cannot be opened.
  bool open(const std::filesystem::path& path, std::string& error);
  // Whole records the file held when it was opened.
  std::size_t size() const { return size_; }
  // Records [first, first + n) with n cut to kSliceRecords and to the end; the span lives until
  // the next read. Empty at the end, and on a read error (`error` set, `failed()` true). A file
  // that shrank while read gives what is still there.
  std::span<const Record> read(std::size_t first, std::size_t n = kSliceRecords);
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  std::size_t size_ = 0;
  std::vector<Record> buffer_;
  bool failed_ = false;
  std::string error_;
};

extern template class LogSlices<TFile>;
extern template class LogSlices<TFileZon>;

// Walks the records of an open log from record `from` on, in file order, a slice at a time.
// `slice` returns false to stop the walk, which is no failure. False on a read error, with
// `error` in the system's words. `progress` hears the share of the whole log read so far.
template <typename Record>
bool walkSlices(LogSlices<Record>& log, std::size_t from,
                const std::function<bool(std::span<const Record>)>& slice, std::string& error,
                const ReadProgress& progress = {});
extern template bool walkSlices(LogSlices<TFile>&, std::size_t,
                                const std::function<bool(std::span<const TFile>)>&, std::string&,
                                const ReadProgress&);
extern template bool walkSlices(LogSlices<TFileZon>&, std::size_t,
                                const std::function<bool(std::span<const TFileZon>)>&, std::string&,
                                const ReadProgress&);

// Walks every whole record of `path` in file order, a slice at a time. `slice` returns false to
// stop the walk (a cancelled load); that is no failure. False when the file cannot be opened or
// read, with `error` in the system's words. `progress` hears 0..100 as the slices go by.
bool walkLog(const std::filesystem::path& path,
             const std::function<bool(std::span<const TFile>)>& slice, std::string& error,
             const ReadProgress& progress = {});
bool walkLog(const std::filesystem::path& path,
             const std::function<bool(std::span<const TFileZon>)>& slice, std::string& error,
             const ReadProgress& progress = {});

// Reads every whole record of `path` into `out` (replacing what it held). False when the file
// cannot be opened or read; `error` then says why in the system's words.
bool readLog(const std::filesystem::path& path, std::vector<TFile>& out, std::string& error,
             const ReadProgress& progress = {});
bool readLog(const std::filesystem::path& path, std::vector<TFileZon>& out, std::string& error,
             const ReadProgress& progress = {});

}  // namespace vs
