#include "report/ui/ReportPdf.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPen>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace vs {

namespace fs = std::filesystem;

namespace {

// Rows one alarm of one incubator gets on paper before the rest is counted in one row.
constexpr int kAlarmRowsOfOne = 10;

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string utf8Of(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

QString two(double v) {
  QString s = QString::number(v, 'f', 2);
  return s == "-0.00" ? QStringLiteral("0.00") : s;
}
QString whole(double v) {
  return QString::number(std::llround(v));
}
QString hm(TDateTime t) {
  if (t == 0) return QStringLiteral("—");
  const LocalDateTime d = decodeDateTime(t);
  return QString::asprintf("%02d.%02d %02d:%02d", d.day, d.month, d.hour, d.minute);
}

// A column of a table: its caption and its share of the width.
struct Column {
  QString caption;
  double weight;
};

// Draws the sheet page by page: the header at the top of every page, the signature line at the
// bottom, the tables' captions again after every page break.
class SheetPainter {
 public:
  SheetPainter(const ShiftReport& r, QPainter& p, QPagedPaintDevice& d) : r_(r), p_(p), d_(d) {
    width_ = d.width();
    height_ = d.height();
    mm_ = d.logicalDpiY() / 25.4;
  }

  int paint() {
    startPage();
    incubatorTable();
    alarmTable();
    setpointTable();
    problems();
    footer();
    return pages_;
  }

 private:
  double mm(double v) const { return v * mm_; }

  void font(double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    p_.setFont(f);
  }
  double lineHeight() const { return p_.fontMetrics().height() * 1.15; }

  void startPage() {
    ++pages_;
    p_.setPen(QPen(Qt::black, mm(0.25)));
    p_.setBrush(Qt::NoBrush);
    y_ = 0;
    font(13, true);
    const double h1 = lineHeight();
    p_.drawText(QRectF(0, y_, width_, h1), Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("Отчёт за смену"));
    font(9);
    p_.drawText(QRectF(0, y_, width_, h1), Qt::AlignRight | Qt::AlignVCenter,
                QStringLiteral("Лист %1").arg(pages_));
    y_ += h1;
    const double h = lineHeight();
    QString line = QStringLiteral("Смена: %1 — %2")
                       .arg(q(shiftMoment(r_.shift.start)), q(shiftMoment(r_.shift.end)));
    if (!r_.hall.empty()) line = QStringLiteral("Зал: %1    ").arg(q(r_.hall)) + line;
    line += QStringLiteral("    Составлен: %1").arg(q(formatDateTime(r_.made)));
    p_.drawText(QRectF(0, y_, width_, h), Qt::AlignLeft | Qt::AlignVCenter, line);
    y_ += h + mm(1.5);
    p_.drawLine(QPointF(0, y_), QPointF(width_, y_));
    y_ += mm(2);
  }

  double footerTop() const { return height_ - mm(12); }

  void footer() {
    font(10);
    const double h = lineHeight();
    const double top = footerTop() + mm(4);
    p_.drawText(QRectF(0, top, width_, h), Qt::AlignLeft | Qt::AlignVCenter,
                QStringLiteral("Подпись: ______________________________    Ф. И. О.: "
                               "______________________________"));
  }

  // Room for `h` more below the cursor, else a new page.
  bool ensure(double h) {
    if (y_ + h <= footerTop()) return false;
    footer();
    d_.newPage();
    startPage();
    return true;
  }

  void cell(const QRectF& box, const QString& text, int align = Qt::AlignCenter) {
    p_.drawRect(box);
    const QRectF inner = box.adjusted(mm(0.8), mm(0.4), -mm(0.8), -mm(0.4));
    p_.drawText(inner, align | Qt::TextWordWrap, text);
  }

  std::vector<double> widths(const std::vector<Column>& cols) const {
    double sum = 0;
    for (const Column& c : cols) sum += c.weight;
    std::vector<double> w;
    for (const Column& c : cols) w.push_back(width_ * c.weight / sum);
    return w;
  }

  void headerRow(const std::vector<Column>& cols, const std::vector<double>& w) {
    font(8, true);
    const double h = lineHeight() * 3 + mm(1);
    double x = 0;
    p_.setBrush(QColor(230, 230, 230));
    for (std::size_t i = 0; i < cols.size(); ++i) {
      cell(QRectF(x, y_, w[i], h), cols[i].caption);
      x += w[i];
    }
    p_.setBrush(Qt::NoBrush);
    y_ += h;
  }

  // A section's title stays with the start of what follows it: its table's caption row and a
  // first row, or the one line that says the section is empty.
  void title(const QString& text, bool empty) {
    font(10, true);
    const double h = lineHeight() + mm(1);
    ensure(h + (empty ? mm(6) : mm(20)));
    font(10, true);
    p_.drawText(QRectF(0, y_, width_, h), Qt::AlignLeft | Qt::AlignVCenter, text);
    y_ += h;
  }

  // The tick boxes of the judgement.
  void judgement(const QRectF& box) {
    p_.drawRect(box);
    font(8);
    const double side = mm(3.2);
    const double rowH = box.height() / 2;
    const QString labels[] = {QStringLiteral("в норме"), QStringLiteral("не в норме")};
    for (int i = 0; i < 2; ++i) {
      const double cy = box.top() + rowH * i + rowH / 2;
      const QRectF square(box.left() + mm(1.5), cy - side / 2, side, side);
      p_.drawRect(square);
      p_.drawText(QRectF(square.right() + mm(1.5), cy - rowH / 2, box.width(), rowH),
                  Qt::AlignLeft | Qt::AlignVCenter, labels[i]);
    }
  }

  void incubatorTable() {
    std::vector<Column> cols{{QStringLiteral("№"), 6},
                             {QStringLiteral("Инкубатор, программа, день"), 36}};
    const char* names[] = {"T1, °C", "T2, °C", "T3, °C"};
    for (int k = 0; k < r_.sensors; ++k) {
      cols.push_back({QString::fromUtf8(names[k]) + QStringLiteral("\nмин / сред / макс"), 22});
      cols.push_back({QStringLiteral("вне зоны, мин"), 11});
    }
    cols.push_back({QStringLiteral("Влажность, %\nмин / сред / макс"), 22});
    cols.push_back({QStringLiteral("вне зоны, мин"), 11});
    cols.push_back({QStringLiteral("без ответа, мин"), 12});
    cols.push_back({QStringLiteral("аварий"), 13});
    cols.push_back({QStringLiteral("уставок"), 13});
    cols.push_back({QStringLiteral("Оценка"), 22});
    const auto w = widths(cols);
    headerRow(cols, w);
    for (const IncubatorReport& ir : r_.incubators) {
      font(8);
      const double lh = lineHeight();
      const double h = lh * 3 + mm(1.5);
      if (ensure(h)) headerRow(cols, w);
      font(8);
      const ReportIncubator& inc = ir.incubator;
      double x = 0;
      std::size_t c = 0;
      auto next = [&](const QString& text, int align = Qt::AlignCenter) {
        cell(QRectF(x, y_, w[c], h), text, align);
        x += w[c++];
      };
      next(QString::number(inc.number));
      QString who =
          p_.fontMetrics().elidedText(q(inc.name), Qt::ElideRight, static_cast<int>(w[1] - mm(2)));
      QString prog = inc.program
                         ? QStringLiteral("%1, день %2").arg(q(inc.programName)).arg(inc.day)
                         : QStringLiteral("без программы");
      prog = p_.fontMetrics().elidedText(prog, Qt::ElideMiddle, static_cast<int>(w[1] - mm(2)));
      next(who + "\n" + prog, Qt::AlignLeft | Qt::AlignVCenter);
      const bool figures = ir.hasLog && ir.logProblem.empty();
      if (!figures) {
        // The figures' columns as one cell: no zeros where nothing was recorded.
        const std::size_t span = static_cast<std::size_t>(r_.sensors) * 2 + 3;
        double sw = 0;
        for (std::size_t i = 0; i < span; ++i) sw += w[c + i];
        cell(QRectF(x, y_, sw, h), ir.hasLog
                                       ? QStringLiteral("журнал не прочитан: ") + q(ir.logProblem)
                                       : QString::fromUtf8(kNoRecord));
        x += sw;
        c += span;
      } else {
        auto figure = [&](const ReportFigure& f, bool temperature) {
          if (f.samples == 0)
            next(QStringLiteral("нет данных"));
          else if (temperature)
            next(two(f.min) + "\n" + two(f.mean) + "\n" + two(f.max));
          else
            next(whole(f.min) + "\n" + whole(f.mean) + "\n" + whole(f.max));
          next(f.minutesOutside < 0 ? QStringLiteral("—") : whole(f.minutesOutside));
        };
        for (int k = 0; k < r_.sensors; ++k) figure(ir.t[static_cast<std::size_t>(k)], true);
        figure(ir.humidity, false);
        next(whole(ir.minutesNoAnswer));
      }
      next(QString::number(ir.alarms.size()));
      next(QString::number(ir.setpoints.size()));
      judgement(QRectF(x, y_, w[c], h));
      y_ += h;
    }
    bool unknown = false;
    for (const IncubatorReport& ir : r_.incubators)
      unknown |= ir.hasLog && ir.logProblem.empty() && !ir.incubator.zone.known;
    if (unknown) {
      y_ += mm(1);
      line(QStringLiteral("«—» вне зоны: зона аварии неизвестна (блок не ответил станции)."));
    }
    y_ += mm(3);
  }

  void alarmTable() {
    std::vector<const ReportAlarm*> all;
    for (const IncubatorReport& ir : r_.incubators)
      for (const ReportAlarm& a : ir.alarms) all.push_back(&a);
    for (const ReportAlarm& a : r_.stationAlarms) all.push_back(&a);
    title(QStringLiteral("Аварии за смену"), all.empty());
    if (all.empty()) {
      line(QStringLiteral("Аварий не было."));
      return;
    }
    const std::vector<Column> cols{
        {QStringLiteral("Кто"), 40},         {QStringLiteral("Авария"), 40},
        {QStringLiteral("Поднята"), 18},     {QStringLiteral("Снята"), 18},
        {QStringLiteral("Квитирована"), 18}, {QStringLiteral("Кем"), 30}};
    const auto w = widths(cols);
    headerRow(cols, w);
    const auto row = [&](const QString(&texts)[6]) {
      font(8);
      const double h = lineHeight() + mm(1.5);
      if (ensure(h)) headerRow(cols, w);
      font(8);
      double x = 0;
      for (std::size_t i = 0; i < cols.size(); ++i) {
        cell(QRectF(x, y_, w[i], h),
             p_.fontMetrics().elidedText(texts[i], Qt::ElideRight, static_cast<int>(w[i] - mm(2))),
             i < 2 || i == 5 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        x += w[i];
      }
      y_ += h;
    };
    // An alarm that comes and goes all shift (a loose cable) would fill pages: after the first
    // rows of one alarm of one incubator the rest is one row with its count; the CSV has each.
    struct Folded {
      int count = 0;
      TDateTime first = 0, last = 0;
    };
    std::map<std::pair<std::string, std::string>, int> seen;
    std::map<std::pair<std::string, std::string>, Folded> folded;
    std::vector<std::pair<std::string, std::string>> foldOrder;
    for (const ReportAlarm* a : all) {
      const auto key = std::pair{a->who, a->caption};
      if (++seen[key] > kAlarmRowsOfOne) {
        Folded& f = folded[key];
        if (f.count++ == 0) {
          f.first = a->raised;
          foldOrder.push_back(key);
        }
        f.last = std::max(f.last, a->raised);
        continue;
      }
      row({q(a->who), q(a->caption), hm(a->raised), hm(a->cleared), hm(a->acknowledgedAt),
           a->acknowledgedBy.empty() ? QStringLiteral("—") : q(a->acknowledgedBy)});
    }
    for (const auto& key : foldOrder) {
      const Folded& f = folded[key];
      row({q(key.first), q(key.second) + QStringLiteral(" — ещё %1 раз").arg(f.count), hm(f.first),
           QStringLiteral("…"), QStringLiteral("…"),
           QStringLiteral("до %1, все в CSV").arg(hm(f.last))});
    }
    y_ += mm(4);
  }

  void setpointTable() {
    std::size_t n = 0;
    for (const IncubatorReport& ir : r_.incubators) n += ir.setpoints.size();
    title(QStringLiteral("Изменения уставок за смену"), n == 0);
    if (n == 0) {
      line(QStringLiteral("Уставки не менялись."));
      return;
    }
    const std::vector<Column> cols{{QStringLiteral("№"), 8},
                                   {QStringLiteral("Инкубатор"), 40},
                                   {QStringLiteral("Время"), 18},
                                   {QStringLiteral("Изменение"), 98}};
    const auto w = widths(cols);
    headerRow(cols, w);
    for (const IncubatorReport& ir : r_.incubators) {
      for (const ReportSetpoint& s : ir.setpoints) {
        font(8);
        const double h = lineHeight() + mm(1.5);
        if (ensure(h)) headerRow(cols, w);
        font(8);
        const QString texts[] = {QString::number(s.number), q(ir.incubator.name), hm(s.time),
                                 q(s.change)};
        double x = 0;
        for (std::size_t i = 0; i < cols.size(); ++i) {
          cell(
              QRectF(x, y_, w[i], h),
              p_.fontMetrics().elidedText(texts[i], Qt::ElideRight, static_cast<int>(w[i] - mm(2))),
              i == 1 || i == 3 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
          x += w[i];
        }
        y_ += h;
      }
    }
    y_ += mm(4);
  }

  void problems() {
    if (r_.problems.empty()) return;
    title(QStringLiteral("Не прочитано"), true);
    for (const std::string& s : r_.problems) line(q(s));
  }

  void line(const QString& text) {
    font(9);
    const double h = lineHeight();
    ensure(h);
    font(9);
    p_.drawText(QRectF(0, y_, width_, h), Qt::AlignLeft | Qt::AlignVCenter,
                p_.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(width_)));
    y_ += h + mm(1);
  }

  const ShiftReport& r_;
  QPainter& p_;
  QPagedPaintDevice& d_;
  double width_ = 0, height_ = 0, mm_ = 1, y_ = 0;
  int pages_ = 0;
};

}  // namespace

int paintShiftReport(const ShiftReport& r, QPainter& painter, QPagedPaintDevice& device) {
  return SheetPainter(r, painter, device).paint();
}

bool writeReportPdf(const ShiftReport& r, const fs::path& path, std::string& error) {
  // Drawn into memory (a sheet of a whole hall is some hundred kilobytes), then written beside
  // and renamed like every other file, so that a reader never meets half a PDF.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  bool painted = false;
  {
    QPdfWriter pdf(&buffer);
    pdf.setResolution(300);
    pdf.setTitle(QStringLiteral("Отчёт за смену %1").arg(q(shiftMoment(r.shift.start))));
    pdf.setCreator(QStringLiteral("Vetrostan"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                  QMarginsF(12, 10, 12, 10), QPageLayout::Millimeter));
    QPainter painter;
    if (painter.begin(&pdf)) {
      paintShiftReport(r, painter, pdf);
      painted = painter.end();
    }
  }
  if (!painted || buffer.data().isEmpty()) {
    error = utf8Of(path) + " не записан (PDF не нарисован)";
    return false;
  }
  const QByteArray& bytes = buffer.data();
  return writeReportFile(
      path, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

bool writeShiftReportFiles(const ShiftReport& r, const fs::path& home,
                           std::vector<fs::path>& written, std::string& error) {
  const fs::path csv = reportFile(home, r.shift, ".csv");
  if (!writeReportFile(csv, reportCsv(r), error)) return false;
  written.push_back(csv);
  const fs::path pdf = reportFile(home, r.shift, ".pdf");
  if (!writeReportPdf(r, pdf, error)) return false;
  written.push_back(pdf);
  return true;
}

}  // namespace vs
