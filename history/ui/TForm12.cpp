#include "history/ui/TForm12.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace vs {

namespace {

std::filesystem::path toPath(const QString& s) {
  const QByteArray b = s.toUtf8();
  return std::filesystem::path(std::u8string(b.begin(), b.end()));
}

QString fromPath(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(s.data()),
                           static_cast<qsizetype>(s.size()));
}

struct AverageButton {
  int factor;
  const char* caption;
  const char* hint;
};
constexpr AverageButton kAverageButtons[4] = {
    {1, "1/1", "Все записи"},
    {10, "1/10", "С усреднением 10:1"},
    {100, "1/100", "С усреднением 100:1"},
    {1000, "1/1000", "С усреднением 1000:1"},
};

}  // namespace

bool OpenFileInOSShell(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

TForm12::TForm12(std::filesystem::path home, QWidget* parent)
    : QWidget(parent, Qt::Window), home_(std::move(home)) {
  setObjectName("Form12");
  setWindowTitle("Преобразование в файл Exel");
  openWorkbook = [](const QString& path) { OpenFileInOSShell(path); };
  auto* v = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Усреднение:", this));
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (std::size_t i = 0; i < average_.size(); ++i) {
    auto* b = new QToolButton(this);
    b->setText(QString::fromUtf8(kAverageButtons[i].caption));
    b->setToolTip(QString::fromUtf8(kAverageButtons[i].hint));
    b->setCheckable(true);
    b->setMinimumWidth(56);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    group->addButton(b);
    top->addWidget(b);
    average_[i] = b;
  }
  average_[1]->setChecked(true);
  // Some styles barely shade a pressed tool button; the chosen factor must read at a glance.
  setStyleSheet("QToolButton:checked { font-weight: bold; }");
  top->addSpacing(12);
  open_ = new QPushButton("Открыть файл", this);
  top->addWidget(open_);
  top->addStretch(1);
  v->addLayout(top);

  auto* formatRow = new QHBoxLayout;
  auto* formatLabel = new QLabel("Формат файла:", this);
  format_ = new QComboBox(this);
  format_->addItem("Excel 97-2003 (.xls)", static_cast<int>(SheetFormat::Xls));
  format_->addItem("Excel 2007 и новее (.xlsx)", static_cast<int>(SheetFormat::Xlsx));
  format_->addItem("Текст CSV (.csv)", static_cast<int>(SheetFormat::Csv));
  format_->setToolTip("Файл Excel 97-2003 вмещает не более 65530 строк данных");
  formatLabel->setBuddy(format_);
  formatRow->addWidget(formatLabel);
  formatRow->addWidget(format_);
  formatRow->addStretch(1);
  v->addLayout(formatRow);

  openCheck_ = new QCheckBox("Открыть созданный файл XLS в програме EXEL", this);
  openCheck_->setChecked(true);
  v->addWidget(openCheck_);

  memo_ = new QPlainTextEdit(this);
  memo_->setReadOnly(true);
  v->addWidget(memo_, 1);

  auto* bottom = new QHBoxLayout;
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->setVisible(false);
  bottom->addWidget(progress_, 1);
  cancel_ = new QPushButton("Отмена", this);
  cancel_->setToolTip("Остановить преобразование; прежний файл останется как был");
  cancel_->setVisible(false);
  bottom->addWidget(cancel_);
  v->addLayout(bottom);

  resize(520, 300);
  qRegisterMetaType<vs::ExportResult>();
  connect(open_, &QPushButton::clicked, this, &TForm12::chooseAndConvert);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    if (!busy_) return;
    worker_.request_stop();
    cancel_->setEnabled(false);
  });
  connect(
      this, &TForm12::workerProgress, this, [this](int p) { progress_->setValue(p); },
      Qt::QueuedConnection);
  connect(this, &TForm12::workerDone, this, &TForm12::showOutcome, Qt::QueuedConnection);
  // The program ends: a conversion under way is stopped, not cut off half-written.
  if (QCoreApplication* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &TForm12::cancelAndWait);
}

TForm12::~TForm12() {
  // Nothing is listed any more: the thread is only stopped and waited for.
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
}

int TForm12::averaging() const {
  for (std::size_t i = 0; i < average_.size(); ++i)
    if (average_[i]->isChecked()) return kAverageButtons[i].factor;
  return 10;
}

SheetFormat TForm12::format() const {
  return static_cast<SheetFormat>(format_->currentData().toInt());
}

void TForm12::chooseAndConvert() {
  const QString path =
      QFileDialog::getOpenFileName(this, "Открыть файл", fromPath(home_ / "file"), "*.fil");
  if (!path.isEmpty()) convert(path);
}

void TForm12::setRunning(bool running) {
  busy_ = running;
  // The choices are taken when a conversion starts; they stay still while it runs so that the
  // window never shows other ones than those being used.
  for (QToolButton* b : average_) b->setEnabled(!running);
  open_->setEnabled(!running);
  format_->setEnabled(!running);
  progress_->setValue(0);
  progress_->setVisible(running);
  cancel_->setEnabled(running);
  cancel_->setVisible(running);
}

void TForm12::convert(const QString& logPath) {
  if (busy_) return;
  ExportOptions options;
  options.average = averaging();
  options.format = format();
  const std::filesystem::path log = toPath(logPath);
  if (worker_.joinable()) worker_.join();  // the last one has handed its outcome over
  setRunning(true);
  // The worker takes its inputs by value and touches nothing of the window: what it has to say
  // goes through the two signals, queued to this thread.
  worker_ = std::jthread([this, log, options](std::stop_token stop) {
    ExportResult r;
    try {
      r = EreadF(
          log, options, [this](int percent) { emit workerProgress(percent); }, stop);
    } catch (const std::bad_alloc&) {
      r = {};
      r.error = "Преобразование прервано: недостаточно памяти";
    } catch (const std::exception& e) {
      r = {};
      r.error = std::string("Преобразование прервано: ") + e.what();
    }
    emit workerDone(r);
  });
}

void TForm12::cancelAndWait() {
  if (!worker_.joinable()) return;
  worker_.request_stop();
  worker_.join();
  // The outcome was posted before the thread ended: take it now, not on some later pass.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TForm12::closeEvent(QCloseEvent* e) {
  cancelAndWait();
  QWidget::closeEvent(e);
}

void TForm12::showOutcome(const ExportResult& r) {
  if (!busy_) return;
  setRunning(false);
  if (r.walked) {
    memo_->appendPlainText(QString::fromStdString(r.line));
    memo_->appendPlainText(fromPath(r.workbook));
  }
  if (!r.ok)
    memo_->appendPlainText(QString::fromStdString(r.error));
  else if (openCheck_->isChecked() && openWorkbook)
    openWorkbook(fromPath(r.workbook));
  emit converted(r.ok);
}

}  // namespace vs
