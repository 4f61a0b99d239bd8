#include "history/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

namespace vs {

namespace {

template <typename Record>
bool readRecords(const std::filesystem::path& path, std::vector<Record>& out, std::string& error,
                 const ReadProgress& progress) {
  out.clear();
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) {
    error = std::generic_category().message(errno);
    return false;
  }
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    std::fclose(f);
    error = ec.message();
    return false;
  }
  const std::size_t n = static_cast<std::size_t>(size / sizeof(Record));
  try {
    out.resize(n);
  } catch (const std::bad_alloc&) {
    std::fclose(f);
    error = "недостаточно памяти для " + std::to_string(n) + " записей";
    return false;
  }
  // One pass over the file straight into the records; in slices only so that a long read can
  // move a progress bar.
  constexpr std::size_t kSlice = 1u << 20;  // records, 40 MB
  auto* bytes = reinterpret_cast<unsigned char*>(out.data());
  const std::size_t total = n * sizeof(Record);
  std::size_t done = 0;
  while (done < total) {
    const std::size_t want = std::min(total - done, kSlice * sizeof(Record));
    const std::size_t got = std::fread(bytes + done, 1, want, f);
    done += got;
    if (got != want) break;
    if (progress) progress(static_cast<int>(done * 100 / total));
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) {
    out.clear();
    error = std::generic_category().message(err);
    return false;
  }
  // A file that shrank while read (a log being rotated by hand): keep the whole records read.
  out.resize(done / sizeof(Record));
  return true;
}

}  // namespace

template <typename Record>
LogSlices<Record>::~LogSlices() {
  if (fd_ >= 0) ::close(fd_);
}

template <typename Record>
bool LogSlices<Record>::open(const std::filesystem::path& path, std::string& error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  failed_ = false;
  error_.clear();
  size_ = 0;
  if (fd_ < 0) {
    error = std::generic_category().message(errno);
    return false;
  }
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0) {
    error = std::generic_category().message(errno);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  size_ = static_cast<std::size_t>(end) / sizeof(Record);
  // The walk goes front to back: the kernel may read ahead generously.
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  return true;
}

template <typename Record>
std::span<const Record> LogSlices<Record>::read(std::size_t first, std::size_t n) {
  if (fd_ < 0 || first >= size_) return {};
  n = std::min({n, kSliceRecords, size_ - first});
  if (buffer_.size() < n) {
    try {
      buffer_.resize(kSliceRecords);
    } catch (const std::bad_alloc&) {
      failed_ = true;
      error_ = "недостаточно памяти";
      return {};
    }
  }
  auto* bytes = reinterpret_cast<char*>(buffer_.data());
  const std::size_t want = n * sizeof(Record);
  std::size_t got = 0;
  auto at = static_cast<off_t>(first * sizeof(Record));
  while (got < want) {
    const ssize_t r = ::pread(fd_, bytes + got, want - got, at + static_cast<off_t>(got));
    if (r < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      error_ = std::generic_category().message(errno);
      return {};
    }
    if (r == 0) break;  // the file shrank while read
    got += static_cast<std::size_t>(r);
  }
  return {buffer_.data(), got / sizeof(Record)};
}

template class LogSlices<TFile>;
template class LogSlices<TFileZon>;

template <typename Record>
bool walkSlices(LogSlices<Record>& log, std::size_t from,
                const std::function<bool(std::span<const Record>)>& slice, std::string& error,
                const ReadProgress& progress) {
  const std::size_t n = log.size();
  int shown = -1;
  for (std::size_t at = from; at < n;) {
    const std::span<const Record> part = log.read(at);
    if (log.failed()) {
      error = log.error();
      return false;
    }
    if (part.empty()) break;  // the file shrank while read: what was there
    at += part.size();
    if (!slice(part)) return true;
    const int p = static_cast<int>(at * 100 / n);
    if (progress && p != shown) progress(shown = p);
  }
  return true;
}

template bool walkSlices(LogSlices<TFile>&, std::size_t,
                         const std::function<bool(std::span<const TFile>)>&, std::string&,
                         const ReadProgress&);
template bool walkSlices(LogSlices<TFileZon>&, std::size_t,
                         const std::function<bool(std::span<const TFileZon>)>&, std::string&,
                         const ReadProgress&);

namespace {

template <typename Record>
bool walkRecords(const std::filesystem::path& path,
                 const std::function<bool(std::span<const Record>)>& slice, std::string& error,
                 const ReadProgress& progress) {
  LogSlices<Record> log;
  if (!log.open(path, error)) return false;
  return walkSlices(log, 0, slice, error, progress);
}

}  // namespace

bool walkLog(const std::filesystem::path& path,
             const std::function<bool(std::span<const TFile>)>& slice, std::string& error,
             const ReadProgress& progress) {
  return walkRecords(path, slice, error, progress);
}

bool walkLog(const std::filesystem::path& path,
             const std::function<bool(std::span<const TFileZon>)>& slice, std::string& error,
             const ReadProgress& progress) {
  return walkRecords(path, slice, error, progress);
}

bool readLog(const std::filesystem::path& path, std::vector<TFile>& out, std::string& error,
             const ReadProgress& progress) {
  return readRecords(path, out, error, progress);
}

bool readLog(const std::filesystem::path& path, std::vector<TFileZon>& out, std::string& error,
             const ReadProgress& progress) {
  return readRecords(path, out, error, progress);
}

}  // namespace vs
