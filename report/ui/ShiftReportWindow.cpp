#include "report/ui/ShiftReportWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

#include "report/ui/ReportPdf.h"

namespace vs {

namespace {

constexpr double kSecond = 1.0 / 86400.0;

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

QString shiftCaption(const Shift& s, bool present) {
  QString text = q(shiftMoment(s.start)) + " – " + q(shiftMoment(s.end));
  if (present) text += " (идёт)";
  return text;
}

std::unique_ptr<QPrinter> a4Printer(QPrinter::PrinterMode mode = QPrinter::HighResolution) {
  auto p = std::make_unique<QPrinter>(mode);
  // As the sheet's PDF is laid out.
  p->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                               QMarginsF(12, 10, 12, 10), QPageLayout::Millimeter));
  return p;
}

}  // namespace

ShiftReportWindow::ShiftReportWindow(Inputs inputs, QWidget* parent)
    : QDialog(parent), in_(std::move(inputs)), previewPrinter_(a4Printer()) {
  setObjectName("ShiftReportWindow");
  setWindowTitle("Отчёт за смену");
  resize(820, 900);
  auto* v = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Смена:", this));
  shift_ = new QComboBox(this);
  shift_->setMinimumContentsLength(36);
  top->addWidget(shift_, 1);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->setMaximumWidth(180);
  progress_->hide();
  top->addWidget(progress_);
  v->addLayout(top);

  preview_ = new QPrintPreviewWidget(previewPrinter_.get(), this);
  preview_->setZoomMode(QPrintPreviewWidget::FitToWidth);
  v->addWidget(preview_, 1);

  state_ = new QLabel(this);
  state_->setWordWrap(true);
  state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  v->addWidget(state_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  print_ = new QPushButton("Печать", this);
  save_ = new QPushButton("Сохранить", this);
  close_ = new QPushButton("Закрыть", this);
  buttons->addWidget(print_);
  buttons->addWidget(save_);
  buttons->addWidget(close_);
  v->addLayout(buttons);
  print_->setEnabled(false);
  save_->setEnabled(false);

  connect(preview_, &QPrintPreviewWidget::paintRequested, this, &ShiftReportWindow::paint);
  connect(shift_, &QComboBox::activated, this, [this](int i) { make(i); });
  connect(close_, &QPushButton::clicked, this, &QDialog::close);
  connect(print_, &QPushButton::clicked, this, [this] {
    if (!report_) return;
    std::unique_ptr<QPrinter> printer;
    if (choosePrinter) {
      printer = choosePrinter(this);
    } else {
      printer = a4Printer();
      QPrintDialog dialog(printer.get(), this);
      if (dialog.exec() != QDialog::Accepted) printer.reset();
    }
    if (printer) printTo(*printer);
  });
  connect(save_, &QPushButton::clicked, this, &ShiftReportWindow::save);
  connect(&loader_, &WorkerJob::progress, progress_, &QProgressBar::setValue);
  connect(&loader_, &WorkerJob::failed, this, [this](const QString& why) {
    setBusy(false);
    state_->setText("Отчёт не составлен: " + why);
    emit made(false);
  });
  connect(&saver_, &WorkerJob::failed, this, [this](const QString& why) {
    save_->setEnabled(report_ != nullptr);
    state_->setText("Отчёт не записан: " + why);
    emit saved(false);
  });
}

ShiftReportWindow::~ShiftReportWindow() {
  // The preview draws on the printer this window owns: it goes first.
  delete preview_;
}

void ShiftReportWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Shown by the program (the menu entry), not given back by the window system after being
  // minimised: a shift the operator chose stays.
  if (!e->spontaneous()) refresh();
}

void ShiftReportWindow::refresh() {
  if (in_.starts.empty() || !in_.now) return;
  const TDateTime now = in_.now();
  shifts_.clear();
  Shift s = shiftAt(in_.starts, now);
  for (int i = 0; i <= kShiftsBack; ++i) {
    shifts_.push_back(s);
    s = shiftAt(in_.starts, s.start - kSecond);
  }
  shift_->clear();
  for (std::size_t i = 0; i < shifts_.size(); ++i)
    shift_->addItem(shiftCaption(shifts_[i], i == 0));
  shift_->setCurrentIndex(0);
  make(0);
}

void ShiftReportWindow::setBusy(bool busy) {
  progress_->setVisible(busy);
  progress_->setValue(0);
  print_->setEnabled(!busy && report_ != nullptr);
  save_->setEnabled(!busy && report_ != nullptr && !saver_.running());
}

void ShiftReportWindow::make(int index) {
  if (index < 0 || index >= static_cast<int>(shifts_.size()) || !in_.gather) return;
  ReportInput input = in_.gather(shifts_[static_cast<std::size_t>(index)]);
  home_ = input.home;
  report_.reset();
  preview_->updatePreview();
  state_->setText("Чтение журналов...");
  setBusy(true);
  loader_.start(
      [this, input = std::move(input)](std::stop_token stop, const JobProgress& progress) mutable {
        auto r =
            std::make_shared<const ShiftReport>(buildShiftReport(std::move(input), stop, progress));
        return std::function<void()>([this, r] {
          if (r->cancelled) return;
          report_ = r;
          setBusy(false);
          QString text = QString("Инкубаторов: %1").arg(r->incubators.size());
          for (const std::string& p : r->problems) text += "\n" + q(p);
          state_->setText(text);
          preview_->updatePreview();
          emit made(true);
        });
      });
}

void ShiftReportWindow::paint(QPrinter* printer) {
  QPainter p;
  if (!p.begin(printer)) return;
  if (report_) paintShiftReport(*report_, p, *printer);
  p.end();
}

bool ShiftReportWindow::printTo(QPrinter& printer) {
  if (!report_) return false;
  QPainter p;
  if (!p.begin(&printer)) {
    state_->setText("Печать не началась: принтер недоступен");
    return false;
  }
  const int pages = paintShiftReport(*report_, p, printer);
  const bool ok = p.end();
  state_->setText(ok ? QString("Отправлено на печать: страниц %1").arg(pages)
                     : QString("Печать не удалась"));
  return ok;
}

void ShiftReportWindow::save() {
  if (!report_ || saver_.running()) return;
  save_->setEnabled(false);
  state_->setText("Запись отчёта...");
  saver_.start([this, r = report_, home = home_](std::stop_token, const JobProgress&) {
    std::vector<std::filesystem::path> written;
    std::string why;
    const bool ok = writeShiftReportFiles(*r, home, written, why);
    QStringList paths;
    for (const auto& p : written) paths << QString::fromStdU16String(p.u16string());
    return std::function<void()>([this, ok, paths, why = q(why)] {
      save_->setEnabled(report_ != nullptr && !loader_.running());
      state_->setText(ok ? "Записано: " + paths.join(", ") : "Отчёт не записан: " + why);
      emit saved(ok);
    });
  });
}

}  // namespace vs
