// Whole-file writes that never leave half a file: the data goes to a temporary file beside
// the target, is flushed, and is renamed over it.
#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vs {

// Writes `size` bytes to `path` atomically. Returns false (and leaves the old file as it was)
// on any failure: missing folder, full disk, no permission, a folder in the file's place;
// errno then holds the reason.
// `durable` also flushes the data to the disk before the rename; snapshots rewritten every
// second (the shared data file) skip that so the timers are never held up by the disk.
bool writeFileAtomic(const std::filesystem::path& path, const void* data, std::size_t size,
                     bool durable = true);
inline bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  return writeFileAtomic(path, bytes.data(), bytes.size());
}

// Test seam of the file layer: while a predicate is set, every whole-file write whose target it
// accepts fails as on a full disk (ENOSPC), after the temporary file was made and before the
// rename, so a failed write can be tested by any user, root included. Empty: no faults.
void setWriteFault(std::function<bool(const std::filesystem::path&)> fault);

// Appends `size` bytes to the end of `path`, creating the file when it is missing, and flushes
// them. False on any failure (errno holds the reason); a short write is cut back, so the file
// never ends in a part of the appended block. The write fault of the test seam applies here too.
bool appendFile(const std::filesystem::path& path, const void* data, std::size_t size);

// True when the test seam's write fault would fail a write to `path` now.
bool writeFaultFor(const std::filesystem::path& path);

// The name of a fresh temporary file beside `path`, unique to this writer.
std::filesystem::path temporaryBeside(const std::filesystem::path& path);

// Reads at most `maxSize` bytes from the start of `path` into `out`; returns the count read,
// or -1 when the file cannot be opened.
long long readFilePrefix(const std::filesystem::path& path, void* out, std::size_t maxSize);

// Reads a whole file; false when it cannot be opened or is larger than `limit` bytes.
bool readWholeFile(const std::filesystem::path& path, std::string& out,
                   std::size_t limit = 64u << 20);

}  // namespace vs
