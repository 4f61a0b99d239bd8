// Comma-separated text (RFC 4180), UTF-8 with a byte-order mark so that spreadsheet programs
// take the Russian texts as UTF-8; streamed row by row to a temporary file, so a sheet of any
// length takes no memory.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sheet/SheetWriter.h"

namespace vs {

// Row r of the sheet is line r + 1 of the file (rows without cells are empty lines), lines end
// in CR LF. Numbers use "." whatever the locale: General in the shortest form that reads back
// to the same double, "0.00" with two decimals, date-times as "YYYY-MM-DD HH:MM:SS" to the
// nearest second. Texts holding a comma, a quote or a line break are quoted, quotes doubled.
// A number that is not finite leaves its field empty.
class CsvSheet final : public SheetWriter {
 public:
  CsvSheet() = default;
  CsvSheet(const CsvSheet&) = delete;
  CsvSheet& operator=(const CsvSheet&) = delete;
  ~CsvSheet() override;

  bool open(const std::filesystem::path& path, std::string& error) override;
  long long maxRows() const override { return 0; }
  void columnWidth(int, int) override {}  // plain text has no widths
  void text(int row, int col, std::string_view utf8, bool centred = false) override;
  void number(int row, int col, double value, NumberFormat format) override;
  bool finish(std::string& error) override;

  // The field a number becomes.
  static std::string formatNumber(double value, NumberFormat format);

 private:
  void put(int row, int col, std::string field);
  void flushRow();
  void discard();

  std::filesystem::path path_, tmp_;
  std::FILE* file_ = nullptr;
  long long row_ = 0;                // the row being gathered; every row before it is written
  std::vector<std::string> fields_;  // its fields so far
  bool misordered_ = false;          // a cell came for a row already written
};

}  // namespace vs
