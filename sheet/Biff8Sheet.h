// An Excel 97-2003 workbook (BIFF8 in a compound document) of one sheet, built in memory and
// saved whole by `finish`.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "sheet/SheetWriter.h"

namespace vs {

// Texts go to the shared string table (each distinct text once, in UTF-16 so that Russian comes
// out right); numbers keep their 8 bytes. Date-time cells carry the custom format
// "dd.mm.yyyy hh:mm:ss", the way the station itself shows a moment; "0.00" is the built-in
// format 2. A number that is not finite (NaN, infinity) leaves its cell empty.
class Biff8Sheet final : public SheetWriter {
 public:
  static constexpr long long kMaxRows = 65536;
  static constexpr int kMaxCols = 256;

  bool open(const std::filesystem::path& path, std::string& error) override;
  long long maxRows() const override { return kMaxRows; }
  void columnWidth(int col, int pixels) override;
  void text(int row, int col, std::string_view utf8, bool centred = false) override;
  void number(int row, int col, double value, NumberFormat format) override;
  bool finish(std::string& error) override;

  // The whole document as `finish` would save it; for the tests and `finish` itself.
  std::string build();

  // Width in 1/256 of a character of the default font (Arial 10, 7 pixels a character,
  // the cell's padding included) for a column `pixels` wide on the screen.
  static std::uint16_t widthUnits(int pixels);

 private:
  enum class Kind : std::uint8_t { Number, Text, Blank };
  // 16 bytes a cell: 65 533 rows of 5 cells take 5 MB.
  struct Cell {
    std::uint32_t row;
    std::uint8_t col;
    Kind kind;
    std::uint16_t xf;
    double value;  // Number: the value; Text: the index in the string table
  };
  static_assert(sizeof(Cell) == 16);

  void add(const Cell& c);
  std::string worksheet() const;
  std::string globals(std::size_t& sheetOffsetAt) const;

  std::filesystem::path path_;
  std::vector<Cell> cells_;
  bool ordered_ = true;  // cells came in strictly increasing (row, column)
  bool outOfSheet_ = false;
  std::array<std::uint16_t, kMaxCols> widths_{};  // 0: default width
  std::u16string strings_;                        // the distinct texts, one after another
  std::vector<std::uint32_t> stringEnds_;         // end of each text in `strings_`
  std::unordered_map<std::string, std::uint32_t> stringIndex_;
  std::uint32_t textCells_ = 0;
};

}  // namespace vs
