// A modern workbook (".xlsx") of one sheet through libxlsxwriter, rows streamed to the
// library's temporary storage as they come (constant memory), the finished workbook written
// beside the target and renamed over it.
#pragma once
#include <filesystem>
#include <string>

#include "sheet/SheetWriter.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vs {

// Date-time cells are Excel serial days, which a TDateTime already is, shown as
// "dd.mm.yyyy hh:mm:ss"; "0.00" for Fixed2. A number that is not finite leaves its cell empty.
class XlsxSheet final : public SheetWriter {
 public:
  static constexpr long long kMaxRows = 1048576;

  XlsxSheet() = default;
  XlsxSheet(const XlsxSheet&) = delete;
  XlsxSheet& operator=(const XlsxSheet&) = delete;
  ~XlsxSheet() override;

  bool open(const std::filesystem::path& path, std::string& error) override;
  long long maxRows() const override { return kMaxRows; }
  void columnWidth(int col, int pixels) override;
  void text(int row, int col, std::string_view utf8, bool centred = false) override;
  void number(int row, int col, double value, NumberFormat format) override;
  bool finish(std::string& error) override;

 private:
  void note(int code);
  void discard();

  std::filesystem::path path_, tmp_;
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* fixed2_ = nullptr;
  lxw_format* dateTime_ = nullptr;
  lxw_format* centred_ = nullptr;
  int firstError_ = 0;  // the library's first refusal of a cell, 0 when none
};

}  // namespace vs
