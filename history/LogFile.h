// Reading a measurement or setpoint log whole: one bulk read into an array of records, which
// the charts and the export then walk in place. A trailing part of a record is ignored.
#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "history/LogRecords.h"

namespace vs {

// Called while a long file is read, with the share read so far (0..100).
using ReadProgress = std::function<void(int percent)>;

// Reads every whole record of `path` into `out` (replacing what it held). False when the file
// cannot be opened or read; `error` then says why in the system's words.
bool readLog(const std::filesystem::path& path, std::vector<TFile>& out, std::string& error,
             const ReadProgress& progress = {});
bool readLog(const std::filesystem::path& path, std::vector<TFileZon>& out, std::string& error,
             const ReadProgress& progress = {});

}  // namespace vs
