// Export of one measurement log (".fil") to a spreadsheet beside it: the log read slice by
// slice (the memory taken does not grow with the log), optionally thinned by averaging groups of
// 10, 100 or 1000 records, written as a sheet of date-time and "0.00" cells. Shared by the
// window "Преобразование в файл Exel" (on a worker thread) and the command line's --export.
#pragma once
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>

#include "sheet/SheetFormat.h"
#include "sheet/SheetWriter.h"

namespace vs {

// The rows an Excel 97-2003 sheet gets at most (rows 3..65 532); the modern formats are bounded
// only by their writer.
constexpr long long kXlsDataRows = 65530;

struct ExportOptions {
  int average = 10;  // records per data row: 1 (none), 10, 100 or 1000
  SheetFormat format = SheetFormat::Xls;
};

struct ExportResult {
  bool ok = false;
  bool cancelled = false;  // stopped on request; no workbook was written
  bool walked = false;     // the log was read and the rows counted (`line` is set)
  long long counted = 0;   // records (or groups) with a time
  long long empty = 0;     // records (or groups) whose time is 0
  long long written = 0;   // data rows in the sheet
  std::filesystem::path workbook;
  std::string line;   // "Всего N записей (пустых: E). Записано W"
  std::string error;  // why the conversion failed, in Russian, with the system's reason
};

// Share of the conversion done, 0..100; called only when it changes, on the converting thread.
using ExportProgress = std::function<void(int percent)>;

// True for the averaging factors the export knows: 1, 10, 100, 1000.
bool validAveraging(int average);
// "нет", "1:10", "1:100", "1:1000".
std::string averagingCaption(int average);
// The log's path with its extension replaced by the format's.
std::filesystem::path workbookPath(const std::filesystem::path& log, SheetFormat format);

// Converts `log` into the workbook beside it. Never leaves half a workbook, not even a
// temporary one, once it returns: on failure or on a stop an existing workbook stays as it was.
// `stop` is looked at between slices of the log; once the workbook is being saved the
// conversion runs to its end. A log that shrinks or cannot be read part-way is a failure: the
// rows already converted would be a silently shortened copy.
ExportResult EreadF(const std::filesystem::path& log, const ExportOptions& options,
                    const ExportProgress& progress = {}, std::stop_token stop = {});

// The same into a writer given by the caller, saved under `workbook`, with at most `rowCap` data
// rows (0 = only the writer's own limit). On failure or a stop the writer is left unfinished
// (destroying it removes what it wrote).
ExportResult EreadF(const std::filesystem::path& log, int average, SheetWriter& writer,
                    const std::filesystem::path& workbook, long long rowCap,
                    const ExportProgress& progress = {}, std::stop_token stop = {});

}  // namespace vs
