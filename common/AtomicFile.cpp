#include "common/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vs {

namespace {

long processId() {
#ifdef _WIN32
  return static_cast<long>(::_getpid());
#else
  return static_cast<long>(::getpid());
#endif
}

std::function<bool(const std::filesystem::path&)>& writeFault() {
  static std::function<bool(const std::filesystem::path&)> fault;
  return fault;
}

}  // namespace

void setWriteFault(std::function<bool(const std::filesystem::path&)> fault) {
  writeFault() = std::move(fault);
}

bool writeFaultFor(const std::filesystem::path& path) {
  return writeFault() && writeFault()(path);
}

bool appendFile(const std::filesystem::path& path, const void* data, std::size_t size) {
  std::FILE* f = std::fopen(path.string().c_str(), "ab");
  if (!f) return false;
  std::error_code ec;
  const auto before = std::filesystem::file_size(path, ec);
  bool ok = !ec;
  if (ok && writeFaultFor(path)) {
    ok = false;
    errno = ENOSPC;
  }
  ok = ok && (size == 0 || std::fwrite(data, 1, size, f) == size);
  ok = std::fflush(f) == 0 && ok;
  int err = ok ? 0 : errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    // Half a block at the end would shift every later record: cut it off again.
    if (!ec) std::filesystem::resize_file(path, before, ec);
    errno = err;
  }
  return ok;
}

std::filesystem::path temporaryBeside(const std::filesystem::path& path) {
  // Two writers of one file (two programs on one working folder, or two saves in a row) never
  // share a temporary file: the name carries the process and a running number.
  static std::atomic<unsigned long> counter{0};
  std::filesystem::path tmp = path;
  tmp += "." + std::to_string(processId()) + "-" + std::to_string(++counter) + ".tmp~";
  return tmp;
}

bool writeFileAtomic(const std::filesystem::path& path, const void* data, std::size_t size,
                     bool durable) {
  namespace fs = std::filesystem;
  const fs::path tmp = temporaryBeside(path);
  // "x": never open a file that is already there (a stale one, or a link planted in its place).
  std::FILE* f = std::fopen(tmp.string().c_str(), "wbx");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok;
  if (ok && writeFault() && writeFault()(path)) {
    ok = false;
    errno = ENOSPC;
  }
#ifndef _WIN32
  if (durable) ok = ok && ::fsync(::fileno(f)) == 0;
#endif
  int err = ok ? 0 : errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  std::error_code ec;
  if (ok) {
    fs::rename(tmp, path, ec);
    if (ec) err = ec.value();
  }
  if (!ok || ec) {
    fs::remove(tmp, ec);
    errno = err;  // the caller may name the reason
    return false;
  }
  return true;
}

long long readFilePrefix(const std::filesystem::path& path, void* out, std::size_t maxSize) {
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) return -1;
  const std::size_t n = std::fread(out, 1, maxSize, f);
  std::fclose(f);
  return static_cast<long long>(n);
}

bool readWholeFile(const std::filesystem::path& path, std::string& out, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const auto size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > limit) return false;
  in.seekg(0);
  out.resize(static_cast<std::size_t>(size));
  in.read(out.data(), size);
  return static_cast<std::size_t>(in.gcount()) == out.size();
}

}  // namespace vs
