#include "config/ui/SettingsTab.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "config/Workstation.h"
#include "station/MainTableLayout.h"

namespace vs {

namespace {

QString qs(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

std::filesystem::path pathOf(const QString& s) {
  const QByteArray u = s.toUtf8();
  return std::filesystem::path(std::u8string(u.begin(), u.end()));
}

// Every key stroke in a cell of the list reaches the editing copy at once.
class LiveEditDelegate : public QStyledItemDelegate {
 public:
  explicit LiveEditDelegate(SettingsTab* tab) : QStyledItemDelegate(tab), tab_(tab) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      const int row = index.row() + 1, col = index.column();
      SettingsTab* tab = tab_;
      if (col == 1) edit->setMaxLength(IncubatorList::kNameLength);
      tab->cellEditStarted(row, col);
      connect(edit, &QObject::destroyed, tab, [tab] { tab->cellEditClosed(); });
      connect(edit, &QLineEdit::textEdited, tab,
              [tab, row, col](const QString& text) { tab->cellEdited(row, col, text); });
    }
    return w;
  }

 private:
  SettingsTab* tab_;
};

}  // namespace

SettingsTab::SettingsTab(Workstation& ws, QWidget* parent)
    : QWidget(parent), ws_(ws), list_(ws.store.config, ws.store.config_p) {
  setObjectName("TabSettings");
  auto* h = new QHBoxLayout(this);

  grid_ = new QTableWidget(this);
  grid_->setObjectName("StringGrid2");
  grid_->verticalHeader()->hide();
  grid_->setItemDelegate(new LiveEditDelegate(this));
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setMinimumWidth(64 + 313 + 79 + 112 + 24);
  h->addWidget(grid_, 1);

  auto* right = new QVBoxLayout;
  auto* table = new QGroupBox("Настройки таблицы", this);
  auto* tv = new QVBoxLayout(table);
  remember_ = new QPushButton("Запомнить!", table);
  remember_->setObjectName("ButtonZapomnit");
  tv->addWidget(remember_);
  error_ = new QLabel(qs(IncubatorList::kNoError), table);
  error_->setObjectName("LabelError");
  error_->setStyleSheet("QLabel { color: red; }");
  tv->addWidget(error_);
  auto* files = new QHBoxLayout;
  open_ = new QToolButton(table);
  open_->setObjectName("ButtonOpenCfg");
  open_->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  save_ = new QToolButton(table);
  save_->setObjectName("ButtonSaveCfg");
  save_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  files->addWidget(open_);
  files->addWidget(save_);
  files->addStretch(1);
  tv->addLayout(files);
  auto* countRow = new QHBoxLayout;
  countRow->addWidget(new QLabel("Кол-во инкубаторов:", table));
  count_ = new QSpinBox(table);
  count_->setObjectName("SpinEditKol");
  count_->setRange(1, IncubatorList::kMaxCount);
  countRow->addWidget(count_);
  countRow->addStretch(1);
  tv->addLayout(countRow);
  auto* debugRow = new QHBoxLayout;
  debug_ = new QPushButton("Отладка", table);
  debug_->setObjectName("ButtonOtlad");
  debug_->setCheckable(true);
  debug_->setToolTip("Опросить только 1 блок ");
  debugSpin_ = new QSpinBox(table);
  debugSpin_->setObjectName("SpinEditOtlad");
  debugSpin_->setRange(0, 255);
  debugSpin_->hide();
  debugRow->addWidget(debug_);
  debugRow->addWidget(debugSpin_);
  debugRow->addStretch(1);
  tv->addLayout(debugRow);
  status_ = new QLabel("Принято!", table);
  status_->setObjectName("LabelPrinyato");
  status_->hide();  // shown by the hub's answers
  tv->addWidget(status_);
  hubWarning_ = new QLabel(qs(kHubLimitWarning), table);
  hubWarning_->setObjectName("LabelHubLimit");
  hubWarning_->setWordWrap(true);
  hubWarning_->setStyleSheet("QLabel { color: red; }");
  hubWarning_->hide();
  tv->addWidget(hubWarning_);
  right->addWidget(table);

  auto* usb = new QGroupBox("USB порт ", this);
  auto* uv = new QHBoxLayout(usb);
  usb_ = new QPushButton("Настройка", usb);
  usb_->setObjectName("ButtonUsb");
  uv->addWidget(usb_);
  uv->addStretch(1);
  right->addWidget(usb);

  auto* period = new QGroupBox("Период опроса", this);
  auto* pv = new QHBoxLayout(period);
  period_ = new QSpinBox(period);
  period_->setObjectName("PeriodSE");
  period_->setRange(1, 100);
  pv->addWidget(period_);
  pv->addWidget(new QLabel("Секунды", period));
  pv->addStretch(1);
  right->addWidget(period);
  right->addStretch(1);
  h->addLayout(right);

  ask = [this](const QString& text, const QString& title) {
    const auto b = QMessageBox::question(this, title, text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
  };

  connect(remember_, &QPushButton::clicked, this, [this] { remember(); });
  connect(open_, &QToolButton::clicked, this, [this] {
    QFileDialog d(this, QString(), cfgFolder());
    d.setNameFilters({"*.cfg (*.cfg)", "*.* (*)"});
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
      openCfg(d.selectedFiles().front());
  });
  connect(save_, &QToolButton::clicked, this, [this] {
    QFileDialog d(this, QString(), cfgFolder());
    d.setNameFilters({"*.cfg (*.cfg)", "*.* (*)"});
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix("cfg");
    if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
      saveCfg(d.selectedFiles().front());
  });
  connect(count_, &QSpinBox::valueChanged, this, [this](int v) { countEdited(v); });
  connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
    if (filling_) return;
    // The text committed to the cell, by its editor or otherwise.
    cellEdited(it->row() + 1, it->column(), it->text());
    cellCommitted(it->row() + 1);
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int col) { cellDoubleClicked(row + 1, col); });
  connect(debug_, &QPushButton::toggled, debugSpin_, &QWidget::setVisible);
  connect(debugSpin_, &QSpinBox::valueChanged, this, [this](int v) { ws_.settings.otlad = v; });
  connect(period_, &QSpinBox::valueChanged, this, [this](int v) { ws_.settings.Opros_period = v; });
  connect(usb_, &QPushButton::clicked, this, &SettingsTab::usbSettingsClicked);

  fill();
}

QString SettingsTab::cfgFolder() const {
  std::error_code ec;
  const std::filesystem::path rezim = ws_.home() / "rezim";
  const std::filesystem::path dir = std::filesystem::is_directory(rezim, ec) ? rezim : ws_.home();
  const std::u8string u = dir.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(u.data()),
                           static_cast<qsizetype>(u.size()));
}

void SettingsTab::applySettings() {
  const Settings& s = ws_.settings;
  const int otlad = s.otlad, period = s.Opros_period;
  period_->setValue(period);
  debugSpin_->setValue(otlad);
  list_.setHub(s.RS485_4);
}

void SettingsTab::setHub(bool on) {
  ws_.settings.RS485_4 = on;
  list_.setHub(on);
  fill();
}

void SettingsTab::refresh() {
  list_.setHub(ws_.settings.RS485_4);
  list_.refresh();
  fill();
}

void SettingsTab::showCount(int count) {
  list_.showRows(count);
  const QSignalBlocker block(count_);
  count_->setValue(list_.rows());
  refresh();
}

void SettingsTab::fill() {
  filling_ = true;
  const int cols = list_.columnCount();
  grid_->setColumnCount(cols);
  QStringList header;
  for (int c = 0; c < cols; ++c) {
    header << qs(IncubatorList::header(c));
    grid_->horizontalHeader()->resizeSection(c, IncubatorList::columnWidth(c));
  }
  grid_->setHorizontalHeaderLabels(header);
  grid_->setRowCount(list_.rows());
  for (int r = 1; r <= list_.rows(); ++r) fillRow(r);
  filling_ = false;
  const int configured = std::max<int>(ws_.store.config.kol_inkub, ws_.store.config_p.kol_inkub);
  hubWarning_->setVisible(list_.hub() && configured > kHubTableEntries);
}

void SettingsTab::fillRow(int row) {
  for (int c = 0; c < list_.columnCount(); ++c) {
    auto* it = new QTableWidgetItem(qs(list_.cell(row, c)));
    if (c == 2) it->setFlags(it->flags() & ~Qt::ItemIsEditable);
    grid_->setItem(row - 1, c, it);
  }
}

void SettingsTab::cellEdited(int row, int col, const QString& text) {
  list_.edit(row, col, text.toStdString());
  error_->setText(qs(list_.errorText()));
  error_->setToolTip(qs(list_.refusal()));
}

SettingsTab::~SettingsTab() {
  // An open cell editor goes while the tab is whole, since its end reaches the list.
  delete grid_;
}

void SettingsTab::cellEditStarted(int row, int col) {
  list_.beginEdit(row, col);
}

void SettingsTab::cellEditClosed() {
  list_.endEdit(true);  // nothing left to put back once the text was committed
}

void SettingsTab::cellCommitted(int row) {
  const bool refused = !list_.refusal().empty();
  list_.endEdit(refused);
  if (!refused) return;
  // The cell shows what the editing copy holds, and the operator is told why the text was not
  // taken once the editor's commit is over.
  const std::string why = list_.refusal();
  list_.clearRefusal();
  if (row >= 1 && row <= list_.rows()) {
    filling_ = true;
    for (int c = 0; c < list_.columnCount(); ++c)
      if (QTableWidgetItem* it = grid_->item(row - 1, c)) it->setText(qs(list_.cell(row, c)));
    filling_ = false;
  }
  QTimer::singleShot(0, this, [this, why] { ws_.show(why); });
}

void SettingsTab::countEdited(int value) {
  const int n = list_.setCount(value);
  if (n != count_->value()) {
    const QSignalBlocker block(count_);
    count_->setValue(n);
  }
  fill();
  emit countChanged(n);
}

void SettingsTab::cellDoubleClicked(int row, int col) {
  if (!list_.isPollColumn(row, col) || !ask) return;
  const Answer a = ask(qs(IncubatorList::kPollQuestion), qs(IncubatorList::kPollTitle));
  if (a == Answer::Cancel) return;
  list_.setPoll(row, a == Answer::Yes);
  filling_ = true;
  if (QTableWidgetItem* it = grid_->item(row - 1, col)) it->setText(qs(list_.cell(row, col)));
  filling_ = false;
}

bool SettingsTab::remember() {
  status_->hide();
  list_.setHub(ws_.settings.RS485_4);
  const bool ok = list_.remember(
      sendHubTable, [this] { return ws_.store.Write_config(ConfigStore::SaveBy::Operator); });
  fill();
  emit remembered();
  return ok;
}

bool SettingsTab::openCfg(const QString& path) {
  if (path.isEmpty()) return false;
  std::string why;
  if (!ws_.store.importCfg(pathOf(path), &why)) {
    ws_.show(("Ошибка чтения файла: " + path).toStdString() + " (" + why + ")");
    return false;
  }
  // The list shows the imported record; nothing is live before "Запомнить!".
  const int n = countSpinValue(ws_.store.config_p.kol_inkub);
  list_.showRows(n);
  {
    const QSignalBlocker block(count_);
    count_->setValue(n);
  }
  fill();
  emit countChanged(n);
  return true;
}

bool SettingsTab::saveCfg(const QString& path) {
  if (path.isEmpty()) return false;
  if (ws_.store.exportCfg(pathOf(path), list_.exportCount(count_->value()))) return true;
  ws_.show(("Ошибка записи файла: " + path).toStdString());
  return false;
}

}  // namespace vs
