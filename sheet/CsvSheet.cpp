#include "sheet/CsvSheet.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <system_error>

#include "common/AtomicFile.h"
#include "sheet/SheetCommon.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vs {

CsvSheet::~CsvSheet() {
  discard();
}

void CsvSheet::discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    std::filesystem::remove(tmp_, ec);
  }
}

bool CsvSheet::open(const std::filesystem::path& path, std::string& error) {
  discard();
  path_ = path;
  tmp_ = temporaryBeside(path);
  row_ = 0;
  fields_.clear();
  misordered_ = false;
  file_ = std::fopen(tmp_.string().c_str(), "wbx");
  if (!file_) {
    error = sheetWriteFailure(path_, errno);
    return false;
  }
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  std::fputs("\xEF\xBB\xBF", file_);
  return true;
}

std::string CsvSheet::formatNumber(double value, NumberFormat format) {
  if (!std::isfinite(value)) return {};
  char buf[64];
  if (format == NumberFormat::DateTime) {
    const LocalDateTime t = decodeDateTime(std::round(value * 86400.0) / 86400.0);
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
  }
  const auto r = format == NumberFormat::Fixed2
                     ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2)
                     : std::to_chars(buf, buf + sizeof buf, value);
  std::string s(buf, r.ptr);
  if (s == "-0.00" || s == "-0") s.erase(0, 1);  // a value rounded to zero carries no sign
  return s;
}

void CsvSheet::put(int row, int col, std::string field) {
  if (!file_ || row < 0 || col < 0) return;
  if (row < row_) {
    misordered_ = true;
    return;
  }
  while (row_ < row) flushRow();
  if (fields_.size() <= static_cast<std::size_t>(col)) fields_.resize(col + 1);
  fields_[col] = std::move(field);
}

void CsvSheet::flushRow() {
  std::string line;
  for (std::size_t c = 0; c < fields_.size(); ++c) {
    if (c) line += ',';
    line += fields_[c];
  }
  line += "\r\n";
  std::fwrite(line.data(), 1, line.size(), file_);  // a failure stays in the stream's error flag
  fields_.clear();
  ++row_;
}

void CsvSheet::text(int row, int col, std::string_view utf8, bool) {
  const std::string s = validUtf8(utf8, std::string::npos);
  if (s.find_first_of(",\"\r\n") == std::string::npos) return put(row, col, s);
  std::string q = "\"";
  for (char ch : s) {
    if (ch == '"') q += '"';
    q += ch;
  }
  q += '"';
  put(row, col, std::move(q));
}

void CsvSheet::number(int row, int col, double value, NumberFormat format) {
  put(row, col, formatNumber(value, format));
}

bool CsvSheet::finish(std::string& error) {
  if (!file_) {
    error = "не удалось записать файл " + sheetPathText(path_) + ": файл не открыт";
    return false;
  }
  if (misordered_) {
    discard();
    error = "не удалось записать файл " + sheetPathText(path_) + ": строки пришли не по порядку";
    return false;
  }
  if (!fields_.empty()) flushRow();
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  int err = ok ? 0 : errno;
  if (ok && writeFaultFor(path_)) {
    ok = false;
    err = ENOSPC;
  }
#ifndef _WIN32
  if (ok && ::fsync(::fileno(file_)) != 0) {
    ok = false;
    err = errno;
  }
#endif
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    err = errno;
  }
  file_ = nullptr;
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
    error = sheetWriteFailure(path_, err ? err : EIO);
  }
  return ok;
}

}  // namespace vs
