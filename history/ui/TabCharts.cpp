#include "history/ui/TabCharts.h"

#include <qcustomplot.h>

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QTimeZone>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "config/Settings.h"
#include "history/LogFile.h"
#include "history/ui/TForm16.h"

namespace vs {

namespace {

struct SeriesLook {
  const char* title;
  QRgb colour;
};

// Series 0..7 as the log gives them, then 8..15 of the setpoint log (dotted, titled after
// their check boxes in the "Доп." window).
constexpr SeriesLook kSeries[kChartSeries] = {
    {"T1", 0x008000},
    {"T2", 0x0000A0},
    {"T3", 0xF14C14},
    {"ВЛ", 0x0000FF},
    {"Засл", 0x00FF00},
    {"Отсек", 0xFF8000},
    {"Охл", 0x800040},
    {"Мотор", 0xFFFF00},
    {"Т рабочая", 0xC00000},
    {"Т.охл-вкл", 0x0080C0},
    {"Т.охл-выкл", 0x00A0A0},
    {"Упр. Вл выкл", 0x8000FF},
    {"Упр. Вл вкл(гистерезис)", 0xC000C0},
    {"Т-номер", 0x606060},
    {"ШИМ уст.", 0xA06000},
    {"Засл. уст", 0x008060},
};

struct Toggle {
  const char* caption;
  const char* hint;
};
constexpr Toggle kToggles[kLogSeries] = {
    {"T1", nullptr},       {"T2", nullptr},           {"T3", nullptr},
    {"Влажн", nullptr},    {"Засл", "Угол заслонки"}, {"Отсек", "Отсекатель"},
    {"Охл", "Охлаждение"}, {"Мотор", "Охлаждение"},
};

struct Averaging {
  const char* caption;
  const char* hint;
  int q;
};
constexpr Averaging kAveraging[4] = {
    {"1/1", "Все записи", 1},
    {"1/10", "С усреднением 10:1", 10},
    {"1/100", "С усреднением 100:1", 100},
    {"1/1000", "С усреднением 1000:1", 1000},
};

constexpr const char* kTimeFormat = "hh:mm:ss";
constexpr const char* kDateTimeFormat = "dd.MM.yy hh:mm:ss";

QToolButton* button(QWidget* parent, const QString& caption, const char* hint, bool toggle) {
  auto* b = new QToolButton(parent);
  b->setText(caption);
  if (hint) b->setToolTip(QString::fromUtf8(hint));
  b->setCheckable(toggle);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

// The gap toggle has no caption: its picture is a line with a break in it.
QIcon gapIcon() {
  QPixmap p(24, 24);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(QColor(0x008000), 2.5));
  g.drawLine(QPointF(2, 18), QPointF(9, 8));
  g.drawLine(QPointF(15, 14), QPointF(22, 5));
  g.setPen(QPen(Qt::gray, 1.5, Qt::DotLine));
  g.drawLine(QPointF(9, 8), QPointF(15, 14));
  return QIcon(p);
}

std::filesystem::path fsPath(const QString& p) {
  return std::filesystem::path(p.toStdU16String());
}

}  // namespace

TabCharts::TabCharts(Inputs inputs, QWidget* parent)
    : QWidget(parent),
      gapInputs(std::move(inputs.gapInputs)),
      home_(std::move(inputs.home)),
      settings_(inputs.settings),
      message_(std::move(inputs.message)) {
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(2, 2, 2, 2);
  v->setSpacing(2);
  v->addWidget(buildToolbar());
  buildChart();
  v->addWidget(chart_, 1);
  form16_ = new TForm16(*this);
  connect(&loader_, &WorkerJob::progress, progress_, &QProgressBar::setValue);
  connect(&loader_, &WorkerJob::failed, this, [this](const QString& why) {
    const Read kind = reading_;
    endRead();
    say("Не удалось прочитать файл " +
        QDir::toNativeSeparators(kind == Read::Log ? lastFile_ : shownFile_).toStdString() + ": " +
        why.toStdString());
    if (kind == Read::Log) path_->setText(QDir::toNativeSeparators(shownFile_));
    emit loadFinished(false);
  });
  applySettings();
}

TabCharts::~TabCharts() = default;

QWidget* TabCharts::buildToolbar() {
  auto* bar = new QWidget(this);
  auto* rows = new QVBoxLayout(bar);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(2);
  auto* top = new QHBoxLayout;
  auto* bottom = new QHBoxLayout;
  rows->addLayout(top);
  rows->addLayout(bottom);

  for (int i = 0; i < kLogSeries; ++i) {
    const Toggle& t = kToggles[i];
    auto* b = button(bar, QString::fromUtf8(t.caption), t.hint, true);
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText, QColor(kSeries[i].colour).darker(i == 7 ? 160 : 100));
    b->setPalette(pal);
    seriesButtons_[static_cast<std::size_t>(i)] = b;
    connect(b, &QToolButton::toggled, this, [this, i](bool on) { showSeries(i, on); });
    top->addWidget(b);
  }
  top->addSpacing(12);
  auto* group = new QButtonGroup(bar);
  for (int i = 0; i < 4; ++i) {
    auto* b = button(bar, kAveraging[i].caption, kAveraging[i].hint, true);
    group->addButton(b);
    averaging_[static_cast<std::size_t>(i)] = b;
    top->addWidget(b);
  }
  averaging_[1]->setChecked(true);
  top->addSpacing(12);
  noGaps_ = button(bar, {}, "Не показывать пропуски", true);
  noGaps_->setIcon(gapIcon());
  noGaps_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  top->addWidget(noGaps_);
  top->addStretch(1);

  read_ = button(bar, "Прочитать", "Причитать с диска", false);
  reload_ = button(bar, {}, "Обновить из тек. файла", false);
  reload_->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
  reload_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  export_ = button(bar, "Exel", "Преобразовать в файл EXEL", false);
  extra_ = button(bar, "Доп.", nullptr, false);
  for (QToolButton* b : {read_, reload_, export_, extra_}) bottom->addWidget(b);
  connect(read_, &QToolButton::clicked, this, [this] { choose(); });
  connect(reload_, &QToolButton::clicked, this, [this] { reload(); });
  connect(export_, &QToolButton::clicked, this, [this] { emit exportRequested(); });
  connect(extra_, &QToolButton::clicked, this, [this] {
    form16_->show();
    form16_->raise();
    form16_->activateWindow();
  });
  bottom->addSpacing(12);

  auto* timeGroup = new QButtonGroup(bar);
  time_ = button(bar, "время", nullptr, true);
  dateTime_ = button(bar, "дата+время", nullptr, true);
  timeGroup->addButton(time_);
  timeGroup->addButton(dateTime_);
  time_->setChecked(true);
  connect(dateTime_, &QToolButton::toggled, this, [this](bool on) { setTimeFormat(on); });
  bottom->addWidget(time_);
  bottom->addWidget(dateTime_);
  bottom->addSpacing(12);

  all_ = button(bar, "Всё", nullptr, false);
  zoomOut_ = button(bar, "уменьшить", nullptr, false);
  zoomIn_ = button(bar, "увеличить", nullptr, false);
  clear_ = button(bar, "Очистить", nullptr, false);
  for (QToolButton* b : {all_, zoomOut_, zoomIn_, clear_}) bottom->addWidget(b);
  connect(all_, &QToolButton::clicked, this, [this] { zoomAll(); });
  connect(zoomOut_, &QToolButton::clicked, this, [this] { zoomBy(75); });
  connect(zoomIn_, &QToolButton::clicked, this, [this] { zoomBy(125); });
  connect(clear_, &QToolButton::clicked, this, [this] { clearTemperatures(); });
  bottom->addSpacing(12);

  progress_ = new QProgressBar(bar);
  progress_->setRange(0, 100);
  progress_->setFixedWidth(160);
  progress_->hide();
  bottom->addWidget(progress_);
  cancel_ = button(bar, "Отмена", nullptr, false);
  cancel_->hide();
  connect(cancel_, &QToolButton::clicked, this, [this] { cancelLoad(); });
  bottom->addWidget(cancel_);
  path_ = new QLabel(bar);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bottom->addWidget(path_, 1);
  return bar;
}

void TabCharts::buildChart() {
  chart_ = new QCustomPlot(this);
  chart_->setObjectName("Chart1");
  auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
  ticker->setTimeZone(QTimeZone::utc());
  ticker->setDateTimeFormat(kTimeFormat);
  chart_->xAxis->setTicker(ticker);
  chart_->xAxis->setLabel("Время");
  chart_->yAxis->setNumberFormat("f");
  chart_->yAxis->setNumberPrecision(2);
  // The legend goes in rows under the time axis, where it covers no line.
  chart_->legend->setVisible(true);
  chart_->legend->setFont(font());
  chart_->legend->setBorderPen(Qt::NoPen);
  chart_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  chart_->legend->setWrap(8);
  chart_->axisRect()->insetLayout()->take(chart_->legend);
  chart_->plotLayout()->addElement(1, 0, chart_->legend);
  chart_->plotLayout()->setRowStretchFactor(1, 0.001);
  for (int i = 0; i < kChartSeries; ++i) {
    QCPGraph* g = chart_->addGraph();
    g->setName(QString::fromUtf8(kSeries[i].title));
    // One pixel wide: a wider line is drawn point by point and takes seconds for a million.
    QPen pen(QColor(kSeries[i].colour), 1);
    if (i >= kLogSeries) pen.setStyle(Qt::DotLine);
    g->setPen(pen);
    // Drawing keeps the highest and lowest value of each pixel column, so a spike of one
    // record still shows while a log of millions of points draws at once.
    g->setAdaptiveSampling(true);
    g->setVisible(false);
    g->removeFromLegend();
    graphs_[static_cast<std::size_t>(i)] = g;
  }
  chart_->setSelectionRectMode(QCP::srmZoom);
  QCPSelectionRect* rect = chart_->selectionRect();
  connect(rect, &QCPSelectionRect::started, this, [this, rect](QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
      rect->cancel();
      return;
    }
    pendingZoom_ = ranges();
  });
  connect(rect, &QCPSelectionRect::accepted, this, [this](const QRect&, QMouseEvent*) {
    zoomStack_.push_back(pendingZoom_);
    // The chart applies the rectangle after this signal: read the range it then shows.
    QTimer::singleShot(0, this, [this] { zoomed(); });
  });
  connect(chart_, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
    if (e->button() == Qt::RightButton) zoomBack();
  });
}

void TabCharts::applySettings() {
  for (int i = 0; i < 4; ++i)
    seriesButtons_[static_cast<std::size_t>(i)]->setChecked(
        settings_.knT[static_cast<std::size_t>(i)]);
  noGaps_->setChecked(settings_.pripusk);
}

void TabCharts::storeSettings() {
  for (int i = 0; i < 4; ++i)
    settings_.knT[static_cast<std::size_t>(i)] =
        seriesButtons_[static_cast<std::size_t>(i)]->isChecked();
  settings_.pripusk = noGaps_->isChecked();
}

void TabCharts::say(const std::string& text) {
  if (message_)
    message_(text);
  else
    QMessageBox::warning(this, QString(), QString::fromStdString(text));
}

int TabCharts::averaging() const {
  for (int i = 0; i < 4; ++i)
    if (averaging_[static_cast<std::size_t>(i)]->isChecked()) return kAveraging[i].q;
  return 10;
}

double TabCharts::chartKey(TDateTime dt) {
  constexpr double kUnixEpoch = 25569.0;  // 1970-01-01 in days since 1899-12-30
  return (dt - kUnixEpoch) * 86400.0;
}

TDateTime TabCharts::fromChartKey(double key) {
  constexpr double kUnixEpoch = 25569.0;
  return key / 86400.0 + kUnixEpoch;
}

int TabCharts::plotColumns() const {
  constexpr int kFewest = 1920;
  return std::max(chart_->axisRect()->width(), kFewest);
}

namespace {

// Appends the points of column `col` of `c` whose keys lie within [lo, hi]; a
// point that closes a pause gets a NaN point before it, which the graph draws as a break.
void appendPoints(QVector<QCPGraphData>& d, const ChartColumns& c, int col, double lo, double hi,
                  bool& sorted, double& last) {
  const std::vector<double>& y = c.y[static_cast<std::size_t>(col)];
  for (std::size_t i = 0; i < y.size(); ++i) {
    const double key = TabCharts::chartKey(c.x[i]);
    if (!(key >= lo && key <= hi)) continue;
    // A chart line has one colour, so a point cannot be white on its own: a NaN point just
    // before the first point after a pause breaks the line there, which on the white
    // background looks the same as a white segment leading to that point.
    if (c.white[i] && !d.isEmpty())
      d.append(QCPGraphData((last + key) / 2, std::numeric_limits<double>::quiet_NaN()));
    if (key < last) sorted = false;
    d.append(QCPGraphData(key, y[i]));
    last = key;
  }
}

}  // namespace

void TabCharts::putPoints(QCPGraph* graph, const ChartColumns& c, int col, bool replace) {
  const std::vector<double>& y = c.y[static_cast<std::size_t>(col)];
  if (y.empty()) {
    if (replace) graph->data()->clear();
    return;
  }
  const auto breaks = static_cast<std::size_t>(std::count(c.white.begin(), c.white.end(), 1));
  QVector<QCPGraphData> d;
  d.reserve(static_cast<qsizetype>(y.size() + breaks));
  bool sorted = true;
  double last = -std::numeric_limits<double>::infinity();
  constexpr double kAll = std::numeric_limits<double>::infinity();
  appendPoints(d, c, col, -kAll, kAll, sorted, last);
  // A clock set back leaves the times out of order; the graph then sorts them itself.
  if (replace)
    graph->data()->set(d, sorted);
  else
    graph->data()->add(d, sorted);
}

void TabCharts::drawLog() {
  const ChartColumns& all = overview_.columns;
  if (std::isnan(detailFrom_)) {
    for (int i = 0; i < kLogSeries; ++i)
      putPoints(graphs_[static_cast<std::size_t>(i)], all, i, true);
    return;
  }
  // The overview up to the range, the range at full detail, the overview after it.
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double lo = chartKey(detailFrom_);
  const double hi = chartKey(detailTo_);
  for (int i = 0; i < kLogSeries; ++i) {
    QVector<QCPGraphData> d;
    d.reserve(static_cast<qsizetype>(all.size() + detail_.size() + 16));
    bool sorted = true;
    double last = -kInf;
    appendPoints(d, all, i, -kInf, std::nextafter(lo, -kInf), sorted, last);
    appendPoints(d, detail_, i, lo, hi, sorted, last);
    appendPoints(d, all, i, std::nextafter(hi, kInf), kInf, sorted, last);
    graphs_[static_cast<std::size_t>(i)]->data()->set(d, sorted);
  }
}

bool TabCharts::load(const QString& path) {
  cancelLoad();
  lastFile_ = path;
  path_->setText(QDir::toNativeSeparators(path));
  ChartRequest r;
  r.options.averaging = averaging();
  for (int i = 0; i < kLogSeries; ++i)
    r.options.shown[static_cast<std::size_t>(i)] =
        seriesButtons_[static_cast<std::size_t>(i)]->isChecked();
  r.options.gapMinutes = gapThreshold(gapInputs ? gapInputs() : GapInputs{}, r.options.averaging);
  r.options.markGaps = !noGaps_->isChecked();
  r.columns = plotColumns();
  startRead(Read::Log, path, r);
  return reading_ == Read::Log;
}

void TabCharts::startRead(Read kind, const QString& path, ChartRequest request) {
  // Opened here, so that a file that is not there is said at once; the worker owns it then.
  auto log = std::make_shared<LogSlices<TFile>>();
  std::string error;
  if (!log->open(fsPath(path), error)) {
    say("Не удалось прочитать файл " + QDir::toNativeSeparators(path).toStdString() + ": " + error);
    return;
  }
  reading_ = kind;
  progress_->setValue(0);
  progress_->show();
  cancel_->show();
  // The job has the open file and the request, nothing of this window; its result comes
  // back to readDone on this thread.
  loader_.start(
      [this, kind, path, request, log](std::stop_token stop, const ReadProgress& progress) {
        auto points = std::make_shared<ChartPoints>();
        std::string error;
        const ChartRead result = KNreadF(*log, request, *points, error, stop, progress);
        return std::function<void()>([this, kind, path, request, result, points, error] {
          readDone(kind, path, request, result, *points, error);
        });
      });
}

void TabCharts::endRead() {
  reading_ = Read::None;
  progress_->hide();
  cancel_->hide();
}

void TabCharts::readDone(Read kind, const QString& path, const ChartRequest& request,
                         ChartRead result, ChartPoints& points, const std::string& error) {
  endRead();
  if (result != ChartRead::Done) {
    if (result == ChartRead::Failed)
      say("Не удалось прочитать файл " + QDir::toNativeSeparators(path).toStdString() + ": " +
          error);
    if (kind == Read::Log) path_->setText(QDir::toNativeSeparators(shownFile_));
    emit loadFinished(false);
    return;
  }
  if (kind == Read::Log) {
    shownFile_ = path;
    shownRequest_ = request;
    overview_ = std::move(points);
    detail_.clear();
    detailFrom_ = detailTo_ = std::numeric_limits<double>::quiet_NaN();
    drawLog();
    graphs_[kLogSeries]->data()->clear();  // "Т рабочая" goes with a new log as well
    zoomStack_.clear();
    refreshChart();
  } else {
    detail_ = std::move(points.columns);
    detailFrom_ = request.from;
    detailTo_ = request.to;
    drawLog();
    chart_->replot();
  }
  emit loadFinished(true);
}

void TabCharts::cancelLoad() {
  if (!loader_.running()) return;
  const Read kind = reading_;
  loader_.cancel();
  endRead();
  if (kind == Read::Log) {
    // The choice that was cancelled is undone: the reload button and "Доп." go with the chart.
    lastFile_ = shownFile_;
    path_->setText(QDir::toNativeSeparators(shownFile_));
  }
  emit loadFinished(false);
}

void TabCharts::zoomed() {
  if (zoomStack_.isEmpty() || !overview_.decimated || shownFile_.isEmpty() || reading_ == Read::Log)
    return;
  cancelLoad();  // a range asked for before
  ChartRequest r = shownRequest_;
  r.columns = plotColumns();
  r.from = fromChartKey(chart_->xAxis->range().lower);
  r.to = fromChartKey(chart_->xAxis->range().upper);
  startRead(Read::Range, shownFile_, r);
}

void TabCharts::dropDetail() {
  if (reading_ == Read::Range) cancelLoad();
  if (std::isnan(detailFrom_)) return;
  detail_.clear();
  detailFrom_ = detailTo_ = std::numeric_limits<double>::quiet_NaN();
  drawLog();
}

void TabCharts::choose() {
  const QString folder = QString::fromStdU16String((home_ / "file").u16string()) + "/";
  const QString file = chooseFile
                           ? chooseFile(folder)
                           : QFileDialog::getOpenFileName(this, "Прочитать", folder, "*.fil");
  if (!file.isEmpty()) load(file);
}

void TabCharts::reload() {
  if (!lastFile_.isEmpty() && QFileInfo::exists(lastFile_))
    load(lastFile_);
  else
    choose();
}

void TabCharts::clearTemperatures() {
  // Gone for good: a zoom does not read them again either, nor does one under way.
  if (reading_ == Read::Range) cancelLoad();
  for (std::size_t i = 0; i < 4; ++i) {
    graphs_[i]->data()->clear();
    overview_.columns.y[i].clear();
    detail_.y[i].clear();
    shownRequest_.options.shown[i] = false;
  }
  refreshChart();
}

void TabCharts::showSeries(int i, bool on, bool replot) {
  QCPGraph* g = graphs_[static_cast<std::size_t>(i)];
  g->setVisible(on);
  if (on)
    g->addToLegend();
  else
    g->removeFromLegend();
  if (replot) refreshChart();
}

void TabCharts::setTimeFormat(bool withDate) {
  auto ticker = chart_->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
  ticker->setDateTimeFormat(withDate ? kDateTimeFormat : kTimeFormat);
  chart_->replot();
}

void TabCharts::refreshChart() {
  if (zoomStack_.isEmpty()) {
    bool any = false;
    for (QCPGraph* g : graphs_) any = any || (g->visible() && !g->data()->isEmpty());
    if (any) {
      chart_->rescaleAxes(true);
      // A little room above and below, so that a flat line does not run along the frame.
      QCPRange y = chart_->yAxis->range();
      const double pad = y.size() > 0 ? y.size() * 0.05 : 0.5;
      chart_->yAxis->setRange(y.lower - pad, y.upper + pad);
    }
  }
  chart_->replot();
}

TabCharts::Ranges TabCharts::ranges() const {
  return {chart_->xAxis->range().lower, chart_->xAxis->range().upper, chart_->yAxis->range().lower,
          chart_->yAxis->range().upper};
}

void TabCharts::zoomBack() {
  if (zoomStack_.isEmpty()) return;
  const Ranges r = zoomStack_.takeLast();
  chart_->xAxis->setRange(r.xLower, r.xUpper);
  chart_->yAxis->setRange(r.yLower, r.yUpper);
  if (zoomStack_.isEmpty())
    dropDetail();
  else
    zoomed();
  chart_->replot();
}

void TabCharts::zoomAll() {
  zoomStack_.clear();
  dropDetail();
  refreshChart();
}

void TabCharts::zoomTo(double lower, double upper) {
  zoomStack_.push_back(ranges());
  chart_->xAxis->setRange(lower, upper);
  chart_->replot();
  zoomed();
}

void TabCharts::zoomBy(double percent) {
  zoomStack_.push_back(ranges());
  chart_->xAxis->scaleRange(100.0 / percent);
  chart_->yAxis->scaleRange(100.0 / percent);
  chart_->replot();
  zoomed();
}

}  // namespace vs
