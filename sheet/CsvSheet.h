// Comma-separated text (RFC 4180), UTF-8 with a byte-order mark so that spreadsheet programs
// take the Russian texts as UTF-8; streamed row by row to a temporary file, so a sheet of any
// length takes no memory.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
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
  // Longest field a number becomes: the fixed form of the largest double, 309 digits and two
  // decimals, with its sign.
  static constexpr std::size_t kFieldChars = 320;
  static std::size_t formatInto(char (&buf)[kFieldChars], double value, NumberFormat format);
  void put(int row, int col, std::string_view field);
  void flushRow();
  void writeOut();
  void discard();

  // Rows are gathered into blocks of about this size before they go to the file.
  static constexpr std::size_t kFlushBytes = std::size_t{1} << 18;

  std::filesystem::path path_, tmp_;
  std::FILE* file_ = nullptr;
  long long row_ = 0;              // the row being gathered; every row before it is written
  std::string out_;                // rows not yet written, the row being gathered last
  std::size_t rowStart_ = 0;       // where that row begins in `out_`
  std::vector<std::size_t> ends_;  // end of each of its fields in `out_`
  std::size_t used_ = 0;           // fields it has so far (the unset ones among them empty)
  bool misordered_ = false;        // a cell came for a row already written
};

}  // namespace vs
