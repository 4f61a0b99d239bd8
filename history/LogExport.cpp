#include "history/LogExport.h"

#include <algorithm>
#include <climits>
#include <span>
#include <system_error>
#include <utility>

#include "history/LogFile.h"

namespace vs {

namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

// Reports a share only when it changes, so a window can afford to repaint on every call.
class Progress {
 public:
  explicit Progress(const ExportProgress& f) : f_(f) {}
  void operator()(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (!f_ || percent == last_) return;
    last_ = percent;
    f_(percent);
  }

 private:
  const ExportProgress& f_;
  int last_ = -1;
};

// The walk over the log takes this much of the bar, saving the workbook the rest.
constexpr std::size_t kWalkShare = 90;

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

bool validAveraging(int average) {
  return average == 1 || average == 10 || average == 100 || average == 1000;
}

std::string averagingCaption(int average) {
  switch (average) {
    case 10:
      return "1:10";
    case 100:
      return "1:100";
    case 1000:
      return "1:1000";
    default:
      return "нет";
  }
}

fs::path workbookPath(const fs::path& log, SheetFormat format) {
  fs::path p = log;
  p.replace_extension(fs::path(std::string(sheetExtension(format))));
  return p;
}

ExportResult EreadF(const fs::path& logPath, const ExportOptions& options,
                    const ExportProgress& progress, std::stop_token stop) {
  // The sheet names its log in full, whatever folder the command line was given from.
  std::error_code ec;
  fs::path log = fs::absolute(logPath, ec);
  if (ec) log = logPath;
  const fs::path workbook = workbookPath(log, options.format);
  std::unique_ptr<SheetWriter> writer = makeSheetWriter(options.format);
  if (!writer) {
    ExportResult r;
    r.workbook = workbook;
    r.error = "Формат " + std::string(sheetExtension(options.format)) + " не поддерживается";
    return r;
  }
  // An Excel 97-2003 sheet keeps the rows it always had; the modern formats take the whole log.
  const long long cap = options.format == SheetFormat::Xls ? kXlsDataRows : 0;
  // The writer goes before the result is handed back: an unfinished one takes its temporary
  // file with it.
  return EreadF(log, options.average, *writer, workbook, cap, progress, std::move(stop));
}

ExportResult EreadF(const fs::path& log, int average, SheetWriter& writer, const fs::path& workbook,
                    long long rowCap, const ExportProgress& progress, std::stop_token stop) {
  ExportResult r;
  r.workbook = workbook;
  Progress bar(progress);
  bar(0);
  if (!validAveraging(average)) {
    r.error = "Неверное усреднение " + std::to_string(average) + " (допустимо 1, 10, 100, 1000)";
    return r;
  }
  // A log that already bears the workbook's extension would be replaced by its own export.
  if (sameFile(log, workbook)) {
    r.error = "Журнал " + utf8(log) + " не может быть заменён таблицей из него самого";
    return r;
  }

  LogSlices<TFile> in;
  std::string why;
  if (!in.open(log, why)) {
    r.error = "Не удалось прочитать журнал " + utf8(log) + ": " + why;
    return r;
  }
  // The records the log held when opened; a log still being written grows past them unseen.
  const std::size_t n = in.size();

  if (!writer.open(workbook, why)) {
    r.error = "Не удалось записать файл " + utf8(workbook) + ": " + why;
    return r;
  }
  // Three rows above the data: the caption row, the headings and an empty one.
  long long limit = static_cast<long long>(INT_MAX) - 3;
  if (rowCap > 0) limit = std::min(limit, rowCap);
  if (writer.maxRows() > 0) limit = std::min(limit, writer.maxRows() - 3);

  writer.columnWidth(0, 150);
  for (int c = 1; c <= 4; ++c) writer.columnWidth(c, 100);
  writer.text(0, 0, "Усреднение -  " + averagingCaption(average));
  writer.text(0, 2, "Файл: " + utf8(log));
  const char* headings[5] = {"Дата+время", "T1:", "T2:", "T3:", "Вл:"};
  for (int c = 0; c < 5; ++c) writer.text(1, c, headings[c], true);

  auto put = [&](TDateTime dt, double t1, double t2, double t3, double bl) {
    if (dt == 0) {
      ++r.empty;
      return;
    }
    if (r.written < limit) {
      const int row = 3 + static_cast<int>(r.written);
      writer.number(row, 0, dt, SheetWriter::NumberFormat::DateTime);
      writer.number(row, 1, t1, SheetWriter::NumberFormat::Fixed2);
      writer.number(row, 2, t2, SheetWriter::NumberFormat::Fixed2);
      writer.number(row, 3, t3, SheetWriter::NumberFormat::Fixed2);
      writer.number(row, 4, bl, SheetWriter::NumberFormat::Fixed2);
      ++r.written;
    }
    ++r.counted;
  };

  // Whole groups only: a trailing group shorter than the factor is left out. A group takes the
  // time of its last record, and is empty when that time is 0. A group may span two slices: its
  // sums go on from one to the next, added in file order as over the whole log at once.
  const std::size_t q = static_cast<std::size_t>(average);
  const double d = static_cast<double>(q);
  double t1 = 0, t2 = 0, t3 = 0, bl = 0;
  std::size_t inGroup = 0;
  std::size_t done = 0;
  while (done < n) {
    if (stop.stop_requested()) {
      r.cancelled = true;
      r.error = "Преобразование отменено";
      return r;
    }
    const std::span<const TFile> part = in.read(done);
    if (in.failed()) {
      r.error = "Не удалось прочитать журнал " + utf8(log) + ": " + in.error();
      return r;
    }
    if (part.empty()) break;
    done += part.size();
    if (q == 1) {
      for (const TFile& f : part) put(f.dt, f.T1, f.T2, f.T3, f.BL);
    } else {
      for (const TFile& f : part) {
        t1 += f.T1;
        t2 += f.T2;
        t3 += f.T3;
        bl += f.BL;
        if (++inGroup < q) continue;
        put(f.dt, t1 / d, t2 / d, t3 / d, bl / d);
        t1 = t2 = t3 = bl = 0;
        inGroup = 0;
      }
    }
    bar(static_cast<int>(done * kWalkShare / n));
  }
  if (done < n) {
    // Cut short while read (a log truncated or replaced by hand): a sheet of what was there
    // would pass for the whole log.
    r.error = "Журнал " + utf8(log) + " укоротился во время чтения: прочитано " +
              std::to_string(done) + " из " + std::to_string(n) + " записей";
    return r;
  }
  if (stop.stop_requested()) {
    r.cancelled = true;
    r.error = "Преобразование отменено";
    return r;
  }

  r.walked = true;
  r.line = "Всего " + std::to_string(r.counted) + " записей (пустых: " + std::to_string(r.empty) +
           "). Записано " + std::to_string(r.written);
  if (!writer.finish(why)) {
    r.error = "Не удалось записать файл " + utf8(workbook) + ": " + why;
    return r;
  }
  bar(100);
  r.ok = true;
  return r;
}

}  // namespace vs
