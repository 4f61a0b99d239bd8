#include "sheet/XlsxSheet.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <system_error>

#include "common/AtomicFile.h"
#include "sheet/SheetCommon.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vs {

XlsxSheet::~XlsxSheet() {
  discard();
}

void XlsxSheet::discard() {
  if (!book_) return;
  // The library has no way to drop a workbook unwritten: close it and remove what it wrote.
  workbook_close(book_);
  book_ = nullptr;
  std::error_code ec;
  std::filesystem::remove(tmp_, ec);
}

bool XlsxSheet::open(const std::filesystem::path& path, std::string& error) {
  discard();
  path_ = path;
  tmp_ = temporaryBeside(path);
  firstError_ = 0;
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  book_ = workbook_new_opt(tmp_.string().c_str(), &options);
  sheet_ = book_ ? workbook_add_worksheet(book_, "Лист1") : nullptr;
  if (!sheet_) {
    const int err = errno;
    discard();
    error = sheetWriteFailure(path_, err ? err : ENOMEM);
    return false;
  }
  fixed2_ = workbook_add_format(book_);
  format_set_num_format(fixed2_, "0.00");
  dateTime_ = workbook_add_format(book_);
  format_set_num_format(dateTime_, "dd.mm.yyyy hh:mm:ss");
  centred_ = workbook_add_format(book_);
  format_set_align(centred_, LXW_ALIGN_CENTER);
  return true;
}

void XlsxSheet::note(int code) {
  if (code != LXW_NO_ERROR && !firstError_) firstError_ = code;
}

void XlsxSheet::columnWidth(int col, int pixels) {
  if (!book_ || col < 0) return;
  note(worksheet_set_column_pixels(sheet_, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                                   static_cast<std::uint32_t>(pixels < 0 ? 0 : pixels), nullptr));
}

void XlsxSheet::text(int row, int col, std::string_view utf8, bool centred) {
  if (!book_) return;
  if (row < 0 || col < 0) return note(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
  // Bad UTF-8 would make the sheet's XML unreadable as a whole.
  const std::string s = validUtf8(utf8);
  note(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                              s.c_str(), centred ? centred_ : nullptr));
}

void XlsxSheet::number(int row, int col, double value, NumberFormat format) {
  if (!book_) return;
  if (row < 0 || col < 0) return note(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
  if (!std::isfinite(value)) return;  // "nan" in the XML would spoil the whole sheet
  lxw_format* f = format == NumberFormat::Fixed2     ? fixed2_
                  : format == NumberFormat::DateTime ? dateTime_
                                                     : nullptr;
  note(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col),
                              value, f));
}

bool XlsxSheet::finish(std::string& error) {
  if (!book_) {
    error = "не удалось записать файл " + sheetPathText(path_) + ": файл не открыт";
    return false;
  }
  if (firstError_) {
    // Constant-memory mode refuses a cell of a row already written the same way as one past the
    // sheet's edge.
    const std::string why = firstError_ == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE
                                ? "ячейка за пределами листа или строки не по порядку"
                                : std::string(lxw_strerror(static_cast<lxw_error>(firstError_)));
    discard();
    error = "не удалось записать файл " + sheetPathText(path_) + ": " + why;
    return false;
  }
  errno = 0;
  const lxw_error rc = workbook_close(book_);
  book_ = nullptr;
  int err = errno;
  bool ok = rc == LXW_NO_ERROR;
  std::string why;
  if (!ok && (rc != LXW_ERROR_CREATING_XLSX_FILE || !err)) why = lxw_strerror(rc);
  if (ok && writeFaultFor(path_)) {
    ok = false;
    err = ENOSPC;
  }
#ifndef _WIN32
  if (ok) {
    // The library closed the file without flushing it to the disk.
    const int fd = ::open(tmp_.string().c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
      ok = false;
      err = errno;
    }
    if (fd >= 0) ::close(fd);
  }
#endif
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(tmp_, path_, ec);
    if (ec) {
      ok = false;
      err = ec.value();
    }
  }
  if (!ok) {
    std::filesystem::remove(tmp_, ec);
    error = why.empty() ? sheetWriteFailure(path_, err ? err : EIO)
                        : "не удалось записать файл " + sheetPathText(path_) + ": " + why;
  }
  return ok;
}

}  // namespace vs
