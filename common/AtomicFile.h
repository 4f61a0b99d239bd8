// Whole-file writes that never leave half a file: the data goes to a temporary file beside
// the target, is flushed, and is renamed over it.
#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vs {

// Writes `size` bytes to `path` atomically. Returns false (and leaves the old file as it was)
// on any failure: missing folder, full disk, no permission.
// `durable` also flushes the data to the disk before the rename; snapshots rewritten every
// second (the shared data file) skip that so the timers are never held up by the disk.
bool writeFileAtomic(const std::filesystem::path& path, const void* data, std::size_t size,
                     bool durable = true);
inline bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  return writeFileAtomic(path, bytes.data(), bytes.size());
}

// Reads at most `maxSize` bytes from the start of `path` into `out`; returns the count read,
// or -1 when the file cannot be opened.
long long readFilePrefix(const std::filesystem::path& path, void* out, std::size_t maxSize);

// Reads a whole file; false when it cannot be opened or is larger than `limit` bytes.
bool readWholeFile(const std::filesystem::path& path, std::string& out,
                   std::size_t limit = 64u << 20);

}  // namespace vs
