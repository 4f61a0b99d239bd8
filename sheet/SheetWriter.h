// One worksheet written cell by cell, row after row (rows never go back), and saved under a final name: what the log export needs
// of a spreadsheet, behind one interface so that the same export fills an Excel 97-2003
// workbook, a modern workbook or a CSV file.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "common/DateTime.h"

namespace vs {

class SheetWriter {
 public:
  // How a number cell is shown.
  enum class NumberFormat {
    General,   // as it is
    Fixed2,    // "0.00"
    DateTime,  // a date and a time of day; the value is a TDateTime
  };

  virtual ~SheetWriter() = default;

  // Where the sheet goes; called first. A writer that streams (CSV, the modern workbook) opens
  // a temporary file beside `path` here. False with `error` set when that cannot be done.
  virtual bool open(const std::filesystem::path& path, std::string& error) = 0;
  // Rows the format holds at most (0 = no limit); the caller stops before it.
  virtual long long maxRows() const = 0;
  // Width of a column in screen pixels.
  virtual void columnWidth(int col, int pixels) = 0;
  // A text cell (UTF-8); `centred` for a column heading.
  virtual void text(int row, int col, std::string_view utf8, bool centred = false) = 0;
  virtual void number(int row, int col, double value, NumberFormat format) = 0;
  // Finishes the file and puts it under the name given to `open`, never leaving half a file
  // there (an existing file is replaced only by a whole new one). False with `error` set when it
  // cannot be written; nothing is left behind then. A writer destroyed without a successful
  // `finish` removes its temporary file.
  virtual bool finish(std::string& error) = 0;
};

}  // namespace vs
