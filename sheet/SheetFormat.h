// The spreadsheet formats the log export can write, and the one writer for each.
#pragma once
#include <memory>
#include <string_view>

#include "sheet/SheetWriter.h"

namespace vs {

enum class SheetFormat {
  Xls,   // Excel 97-2003 workbook, at most 65 536 rows
  Xlsx,  // modern workbook, at most 1 048 576 rows
  Csv,   // comma-separated text, UTF-8, no row limit
};

// The file name extension of a format, dot included: ".xls", ".xlsx", ".csv".
std::string_view sheetExtension(SheetFormat f);

// A fresh writer for the format.
std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat f);

}  // namespace vs
