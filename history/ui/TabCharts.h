// The "Графики" tab of the main window: the history of one incubator from its measurement log
// (".fil") as eight series against time, optionally averaged over 10, 100 or 1000 records,
// with pauses in the recording drawn as breaks in the lines; the "Доп." window adds the eight
// setpoint series of the ".0il" log beside it. Zoom by dragging a rectangle.
//
// A log is read on a worker thread, slice by slice, and brought down to what the plot can show
// (per pixel column the lowest and highest value of each series); the bus and the windows go
// on meanwhile. A zoom into a log so brought down reads the range again at full detail.
#pragma once
#include <QString>
#include <QVector>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>

#include "common/ui/WorkerJob.h"
#include "history/ChartData.h"

class QCustomPlot;
class QCPGraph;
class QCPRange;
class QLabel;
class QProgressBar;
class QToolButton;

namespace vs {

struct Settings;
class TForm16;

class TabCharts : public QWidget {
  Q_OBJECT

 public:
  // What the tab needs from the rest of the program.
  struct Inputs {
    std::filesystem::path home;  // working folder; logs are in its folder "file"
    Settings& settings;          // knT1..knT4 and pripusk of section "UST"
    // Poll period, machine class and incubator count for the gap threshold, read at each load.
    std::function<GapInputs()> gapInputs;
    // Shows an operator message (UTF-8); unset, a message box.
    std::function<void(const std::string&)> message;
  };

  explicit TabCharts(Inputs inputs, QWidget* parent = nullptr);
  ~TabCharts() override;

  // The gap threshold's inputs; the program points it at the live poll period.
  std::function<GapInputs()> gapInputs;
  // The file chooser of "Прочитать", opened on the folder "file": the chosen file, or empty.
  // Tests put their own in its place.
  std::function<QString(const QString& folder)> chooseFile;

  // Starts loading a measurement log as the chosen file and returns at once: the path goes to
  // the label and is the file the reload button and the "Доп." window use. A load running is
  // cancelled first. False (and said so) when the file cannot be opened; the chart then keeps
  // what it showed. A read that fails later is said too; `loadFinished` tells either way.
  bool load(const QString& path);
  // A load, or the reading of a zoomed range, is running.
  bool loading() const { return loader_.running(); }
  // "Отмена": stops the read running and leaves the chart as it was (after a cancelled load
  // the chosen file is again the one shown). `loadFinished(false)` follows at once.
  void cancelLoad();
  // Pixel columns the points of a log are brought down to: the plot's width, and no fewer
  // than a wide screen has, as the window may grow after the load.
  int plotColumns() const;
  // The log shown was brought down to the columns: a zoom reads its range again.
  bool overviewReduced() const { return overview_.decimated; }
  // The range read again at full detail that is drawn, if any (date-times; NaN for none).
  TDateTime detailFrom() const { return detailFrom_; }
  TDateTime detailTo() const { return detailTo_; }
  // The file last chosen ("" before the first).
  QString lastFile() const { return lastFile_; }

  // Shown state of T1, T2, T3 and humidity, and the gap toggle, from and to the settings.
  void applySettings();
  void storeSettings();

  QCustomPlot* chart() const { return chart_; }
  QCPGraph* series(int i) const { return graphs_[static_cast<std::size_t>(i)]; }
  QToolButton* seriesButton(int i) const { return seriesButtons_[static_cast<std::size_t>(i)]; }
  // "1/1", "1/10", "1/100", "1/1000".
  QToolButton* averagingButton(int i) const { return averaging_[static_cast<std::size_t>(i)]; }
  QToolButton* readButton() const { return read_; }
  QToolButton* reloadButton() const { return reload_; }
  QToolButton* exportButton() const { return export_; }
  QToolButton* extraButton() const { return extra_; }
  QToolButton* gapButton() const { return noGaps_; }  // "Не показывать пропуски"
  QToolButton* timeButton() const { return time_; }
  QToolButton* dateTimeButton() const { return dateTime_; }
  QToolButton* allButton() const { return all_; }
  QToolButton* zoomOutButton() const { return zoomOut_; }
  QToolButton* zoomInButton() const { return zoomIn_; }
  QToolButton* clearButton() const { return clear_; }
  QToolButton* cancelButton() const { return cancel_; }  // "Отмена", shown while reading
  QProgressBar* progressBar() const { return progress_; }
  QLabel* pathLabel() const { return path_; }
  TForm16* extraWindow() const { return form16_; }

  // The chart's horizontal key of a record date-time: seconds since 1970 with the local
  // wall-clock time taken as UTC (the axis shows UTC), so that a change of daylight saving
  // time neither shifts nor folds the recorded times.
  static double chartKey(TDateTime dt);
  static TDateTime fromChartKey(double key);
  // Puts column `col` of `c` into `graph`, replacing its points or after them. A point that
  // closes a pause gets a NaN point before it, which the graph draws as a break.
  static void putPoints(QCPGraph* graph, const ChartColumns& c, int col, bool replace);

  // Zoom history: each rectangle zoom and each step of "уменьшить" or "увеличить" goes on it;
  // a right click steps back one level, "Всё" empties it and fits the data.
  int zoomDepth() const { return static_cast<int>(zoomStack_.size()); }
  void zoomBack();
  void zoomAll();
  // "уменьшить" draws the picture at 75 % of its present size, "увеличить" at 125 %: each
  // axis range is divided by 0.75 or 1.25 about its centre.
  void zoomBy(double percent);
  // What a rectangle dragged over the chart does to the time axis: shows the chart keys
  // [lower, upper] (a step on the history), the value axis as it was.
  void zoomTo(double lower, double upper);

  // Shows an operator message.
  void say(const std::string& text);

  // Shows or hides series i with its legend entry; `replot` redraws the chart at once.
  void showSeries(int i, bool on, bool replot = true);
  // Replots after the points or the shown series changed; the axes follow the data while
  // nothing is zoomed.
  void refreshChart();

 signals:
  // "Exel": the spreadsheet export window should open.
  void exportRequested();
  // A load or the reading of a zoomed range ended: true when its points are drawn, false when
  // it failed (said) or was cancelled.
  void loadFinished(bool ok);

 private:
  QWidget* buildToolbar();
  void buildChart();
  void choose();
  void reload();
  void clearTemperatures();
  void setTimeFormat(bool withDate);
  int averaging() const;
  enum class Read { None, Log, Range };
  void startRead(Read kind, const QString& path, ChartRequest request);
  void readDone(Read kind, const QString& path, const ChartRequest& request, ChartRead result,
                ChartPoints& points, const std::string& error);
  void endRead();
  // After a zoom step: the visible range read again when the log shown was brought down.
  void zoomed();
  void dropDetail();
  // Series 0..7 from the log's points, the range read again in place of its part of them.
  void drawLog();

  struct Ranges {
    double xLower, xUpper, yLower, yUpper;
  };
  Ranges ranges() const;

  std::filesystem::path home_;
  Settings& settings_;
  std::function<void(const std::string&)> message_;
  QString lastFile_;
  QCustomPlot* chart_ = nullptr;
  std::array<QCPGraph*, kChartSeries> graphs_{};
  std::array<QToolButton*, kLogSeries> seriesButtons_{};
  std::array<QToolButton*, 4> averaging_{};
  QToolButton* read_ = nullptr;
  QToolButton* reload_ = nullptr;
  QToolButton* export_ = nullptr;
  QToolButton* extra_ = nullptr;
  QToolButton* noGaps_ = nullptr;
  QToolButton* time_ = nullptr;
  QToolButton* dateTime_ = nullptr;
  QToolButton* all_ = nullptr;
  QToolButton* zoomOut_ = nullptr;
  QToolButton* zoomIn_ = nullptr;
  QToolButton* clear_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* path_ = nullptr;
  TForm16* form16_ = nullptr;
  QToolButton* cancel_ = nullptr;
  QVector<Ranges> zoomStack_;
  Ranges pendingZoom_{};

  QString shownFile_;          // the log the chart shows
  ChartRequest shownRequest_;  // what it was read with (a zoom reads its range alike)
  ChartPoints overview_;
  ChartColumns detail_;
  TDateTime detailFrom_ = std::numeric_limits<double>::quiet_NaN();
  TDateTime detailTo_ = std::numeric_limits<double>::quiet_NaN();
  Read reading_ = Read::None;
  // Destroyed first: it stops and waits for its job while all the rest still stands.
  WorkerJob loader_;
};

}  // namespace vs
