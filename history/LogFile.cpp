#include "history/LogFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

bool readLog(const std::filesystem::path& path, std::vector<TFile>& out, std::string& error,
             const ReadProgress& progress) {
  return readRecords(path, out, error, progress);
}

bool readLog(const std::filesystem::path& path, std::vector<TFileZon>& out, std::string& error,
             const ReadProgress& progress) {
  return readRecords(path, out, error, progress);
}

}  // namespace vs
