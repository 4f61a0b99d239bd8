#include "sheet/CsvSheet.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
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
  out_.clear();
  rowStart_ = 0;
  used_ = 0;
  misordered_ = false;
  file_ = std::fopen(tmp_.string().c_str(), "wbx");
  if (!file_) {
    error = sheetWriteFailure(path_, errno);
    return false;
  }
  out_.reserve(kFlushBytes + 4096);
  out_ = "\xEF\xBB\xBF";
  rowStart_ = out_.size();
  return true;
}

namespace {

char* digits(char* at, int v, int width) {
  for (int i = width - 1; i >= 0; --i, v /= 10) at[i] = static_cast<char>('0' + v % 10);
  return at + width;
}

// "0.00" of a value whose hundredths fit 62 bits, the same characters std::to_chars gives, in a
// fraction of its time: the product with 100 is exact in the 64-bit significand of the x87
// extended type (53 + 7 bits), and rounding it to an integer in the default mode takes the
// nearest, a tie to the even one, as the exact decimal rounding does. 0 when the value is out
// of that range or the type is narrower: the caller then takes the general way.
std::size_t fixed2(char* buf, double value) {
  if constexpr (std::numeric_limits<long double>::digits < 60) {
    return 0;
  } else {
    const long double x = static_cast<long double>(value) * 100.0L;
    if (!(std::fabs(x) < 4.0e18L)) return 0;
    const long long n = std::llrintl(x);
    unsigned long long u = n < 0 ? 0ULL - static_cast<unsigned long long>(n) : n;
    char tmp[24];
    char* e = tmp + sizeof tmp;
    char* p = e;
    for (int i = 0; i < 2; ++i, u /= 10) *--p = static_cast<char>('0' + u % 10);
    *--p = '.';
    do {
      *--p = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u);
    if (n < 0) *--p = '-';  // a value rounded to zero carries no sign
    std::memcpy(buf, p, static_cast<std::size_t>(e - p));
    return static_cast<std::size_t>(e - p);
  }
}

}  // namespace

std::size_t CsvSheet::formatInto(char (&buf)[kFieldChars], double value, NumberFormat format) {
  if (!std::isfinite(value)) return 0;
  if (format == NumberFormat::DateTime) {
    // YYYY-MM-DD HH:MM:SS; a date-time decodes to the years 1..9999, four digits.
    const LocalDateTime t = decodeDateTime(std::round(value * 86400.0) / 86400.0);
    char* p = digits(buf, t.year, 4);
    *p++ = '-';
    p = digits(p, t.month, 2);
    *p++ = '-';
    p = digits(p, t.day, 2);
    *p++ = ' ';
    p = digits(p, t.hour, 2);
    *p++ = ':';
    p = digits(p, t.minute, 2);
    *p++ = ':';
    p = digits(p, t.second, 2);
    return static_cast<std::size_t>(p - buf);
  }
  if (format == NumberFormat::Fixed2) {
    if (const std::size_t n = fixed2(buf, value)) return n;
  }
  const auto r = format == NumberFormat::Fixed2
                     ? std::to_chars(buf, buf + kFieldChars, value, std::chars_format::fixed, 2)
                     : std::to_chars(buf, buf + kFieldChars, value);
  std::size_t len = static_cast<std::size_t>(r.ptr - buf);
  // A value rounded to zero carries no sign.
  const std::string_view v(buf, len);
  if (v == "-0.00" || v == "-0") std::memmove(buf, buf + 1, --len);
  return len;
}

std::string CsvSheet::formatNumber(double value, NumberFormat format) {
  char buf[kFieldChars];
  return std::string(buf, formatInto(buf, value, format));
}

void CsvSheet::put(int row, int col, std::string_view field) {
  if (!file_ || row < 0 || col < 0) return;
  if (row < row_) {
    misordered_ = true;
    return;
  }
  while (row_ < row) flushRow();
  const auto c = static_cast<std::size_t>(col);
  if (ends_.size() <= c) ends_.resize(c + 1);
  if (c >= used_) {
    // The usual case, cells from left to right: straight onto the end of the row.
    for (std::size_t k = used_; k < c; ++k) {
      if (k) out_ += ',';
      ends_[k] = out_.size();
    }
    if (c) out_ += ',';
    out_ += field;
    ends_[c] = out_.size();
    used_ = c + 1;
    return;
  }
  // A cell given again, or left of the last one: its field is replaced inside the row.
  const std::size_t start = c ? ends_[c - 1] + 1 : rowStart_;
  const std::size_t end = ends_[c];
  out_.replace(start, end - start, field);
  for (std::size_t k = c; k < used_; ++k) ends_[k] = ends_[k] - (end - start) + field.size();
}

void CsvSheet::flushRow() {
  out_ += "\r\n";
  used_ = 0;
  ++row_;
  if (out_.size() >= kFlushBytes) writeOut();
  rowStart_ = out_.size();
}

void CsvSheet::writeOut() {
  // A failure stays in the stream's error flag for `finish`.
  std::fwrite(out_.data(), 1, out_.size(), file_);
  out_.clear();
  rowStart_ = 0;
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
  put(row, col, q);
}

void CsvSheet::number(int row, int col, double value, NumberFormat format) {
  char buf[kFieldChars];
  put(row, col, std::string_view(buf, formatInto(buf, value, format)));
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
  if (used_) flushRow();
  writeOut();
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
