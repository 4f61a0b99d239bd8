#include "history/ui/TForm12.h"

#include <QButtonGroup>
#include <QCheckBox>
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

  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  progress_->setVisible(false);
  v->addWidget(progress_);

  resize(520, 300);
  connect(open_, &QPushButton::clicked, this, &TForm12::chooseAndConvert);
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

void TForm12::convert(const QString& logPath) {
  if (busy_) return;
  busy_ = true;
  // The controls stay still while the bar moves: the events let through below would otherwise
  // start a second conversion inside the first.
  for (QWidget* w : {static_cast<QWidget*>(open_), static_cast<QWidget*>(format_)})
    w->setEnabled(false);
  progress_->setValue(0);
  progress_->setVisible(true);

  ExportOptions options;
  options.average = averaging();
  options.format = format();
  const ExportResult r = EreadF(toPath(logPath), options, [this](int percent) {
    progress_->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });

  progress_->setVisible(false);
  open_->setEnabled(true);
  format_->setEnabled(true);
  if (r.walked) {
    memo_->appendPlainText(QString::fromStdString(r.line));
    memo_->appendPlainText(fromPath(r.workbook));
  }
  if (!r.ok)
    memo_->appendPlainText(QString::fromStdString(r.error));
  else if (openCheck_->isChecked() && openWorkbook)
    openWorkbook(fromPath(r.workbook));
  busy_ = false;
}

}  // namespace vs
