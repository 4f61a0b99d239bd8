#include "common/AtomicFile.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vs {

bool writeFileAtomic(const std::filesystem::path& path, const void* data, std::size_t size,
                     bool durable) {
  namespace fs = std::filesystem;
  fs::path tmp = path;
  tmp += ".tmp~";
  std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok;
#ifndef _WIN32
  if (durable) ok = ok && ::fsync(::fileno(f)) == 0;
#endif
  ok = std::fclose(f) == 0 && ok;
  std::error_code ec;
  if (ok) fs::rename(tmp, path, ec);
  if (!ok || ec) {
    fs::remove(tmp, ec);
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
