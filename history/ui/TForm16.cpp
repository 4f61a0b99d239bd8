#include "history/ui/TForm16.h"

#include <qcustomplot.h>

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <memory>
#include <system_error>

#include "history/LogFile.h"
#include "history/ui/TabCharts.h"

namespace vs {

namespace {

constexpr const char* kBoxes[kSetpointSeries] = {
    "Т рабочая", "Т.охл-вкл", "Т.охл-выкл", "Упр. Вл выкл", "Упр. Вл вкл(гистерезис)",
    "Т-номер",   "ШИМ уст.",  "Засл. уст",
};

}  // namespace

TForm16::TForm16(TabCharts& tab) : QWidget(&tab, Qt::Tool), tab_(tab) {
  setObjectName("Form16");
  setWindowTitle("Доп. данные");
  auto* v = new QVBoxLayout(this);
  file_ = new QLabel(this);
  state_ = new QLabel("нет доп.  записи", this);
  QFont bold = state_->font();
  bold.setBold(true);
  state_->setFont(bold);
  v->addWidget(file_);
  v->addWidget(state_);
  for (int i = 0; i < kSetpointSeries; ++i) {
    auto* b = new QCheckBox(QString::fromUtf8(kBoxes[i]), this);
    if (i == 5) b->setToolTip("Заданный номер рабочего датчика температуры");
    // The box's text in its series' colour says which dotted line is which.
    QPalette pal = b->palette();
    pal.setColor(QPalette::WindowText, tab_.series(kLogSeries + i)->pen().color());
    b->setPalette(pal);
    boxes_[static_cast<std::size_t>(i)] = b;
    connect(b, &QCheckBox::toggled, this,
            [this, i](bool on) { tab_.showSeries(kLogSeries + i, on); });
    v->addWidget(b);
  }
  read_ = new QPushButton("прочитать", this);
  connect(read_, &QPushButton::clicked, this, [this] { read(); });
  v->addWidget(read_);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->hide();
  v->addWidget(progress_);
  v->addStretch(1);
  connect(&loader_, &WorkerJob::progress, progress_, &QProgressBar::setValue);
  connect(&loader_, &WorkerJob::failed, this, [this](const QString& why) {
    progress_->hide();
    tab_.say(QDir::toNativeSeparators(setpointLog()).toStdString() + ": " + why.toStdString());
    emit readFinished(false);
  });
}

QString TForm16::setpointLog() const {
  const QString fil = tab_.lastFile();
  if (fil.isEmpty()) return {};
  const QFileInfo f(fil);
  return f.dir().filePath(f.completeBaseName() + ".0il");
}

bool TForm16::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) refresh();
  return QWidget::event(e);
}

void TForm16::refresh() {
  file_->setText(QFileInfo(tab_.lastFile()).fileName());
  const QString zon = setpointLog();
  state_->setText(!zon.isEmpty() && QFileInfo(zon).isFile() ? "Есть доп. данные"
                                                            : "Нет доп. данных");
  for (int i = 0; i < 4; ++i)
    tab_.showSeries(kLogSeries + i, boxes_[static_cast<std::size_t>(i)]->isChecked(), false);
  tab_.refreshChart();
}

bool TForm16::read() {
  cancelRead();
  const QString zon = setpointLog();
  auto log = std::make_shared<LogSlices<TFileZon>>();
  std::string error;
  if (zon.isEmpty()) error = std::generic_category().message(ENOENT);
  if (zon.isEmpty() || !log->open(std::filesystem::path(zon.toStdU16String()), error)) {
    tab_.say(QDir::toNativeSeparators(zon.isEmpty() ? ".0il" : zon).toStdString() + ": " + error);
    return false;
  }
  std::array<bool, kSetpointSeries> shown{};
  for (int i = 0; i < kSetpointSeries; ++i)
    shown[static_cast<std::size_t>(i)] = boxes_[static_cast<std::size_t>(i)]->isChecked();
  const int columns = tab_.plotColumns();
  progress_->setValue(0);
  progress_->show();
  // The job has the open file, the ticked boxes and the width, nothing of the window.
  loader_.start(
      [this, zon, log, shown, columns](std::stop_token stop, const ReadProgress& progress) {
        auto c = std::make_shared<ChartColumns>();
        std::string error;
        const ChartRead result = setpointColumns(*log, shown, columns, *c, error, stop, progress);
        return std::function<void()>([this, zon, result, c, error] {
          progress_->hide();
          if (result != ChartRead::Done) {
            tab_.say(QDir::toNativeSeparators(zon).toStdString() + ": " + error);
            emit readFinished(false);
            return;
          }
          for (int i = 0; i < kSetpointSeries; ++i)
            TabCharts::putPoints(tab_.series(kLogSeries + i), *c, i, false);
          tab_.refreshChart();
          emit readFinished(true);
        });
      });
  return true;
}

void TForm16::cancelRead() {
  if (!loader_.running()) return;
  loader_.cancel();
  progress_->hide();
  emit readFinished(false);
}

}  // namespace vs
