#include "setpoints/ui/ZonesTab.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "setpoints/SetpointMap.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {

namespace {
QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

ZonesTab::ZonesTab(const StationTables& tables, TWriteCom& WriteKom, QWidget* parent)
    : QWidget(parent),
      tables_(tables),
      WriteKom_(WriteKom),
      own_(std::make_unique<QtDialogs>(this)),
      dialogs_(own_.get()) {
  setObjectName("TabZones");
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  zonT_ = new QTableWidget(kSetpointRows, 1, this);
  zonT_->setObjectName("zonT");
  zonT_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  zonT_->setSelectionMode(QAbstractItemView::SingleSelection);
  // The row captions, once: row r shows caption ustav[rasp[r]].
  QStringList captions;
  for (int r = 1; r <= kSetpointRows; ++r) captions << qs(rowCaption(r));
  zonT_->setVerticalHeaderLabels(captions);
  zonT_->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  zonT_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  zonT_->verticalHeader()->setDefaultSectionSize(zonT_->fontMetrics().height() + 6);
  zonT_->horizontalHeader()->setDefaultSectionSize(140);
  v->addWidget(zonT_);

  // The main window sets the column count; new columns are filled at once.
  connect(zonT_->model(), &QAbstractItemModel::columnsInserted, this,
          [this](const QModelIndex&, int first, int last) {
            for (int c = first; c <= last; ++c) zon_ust(c);
          });
  connect(zonT_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int column) { zonTDblClick(row, column); });
  zon_ust();
}

ZonesTab::~ZonesTab() = default;

void ZonesTab::setDialogs(Dialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : own_.get();
}

void ZonesTab::zon_ust() {
  for (int c = 0; c < zonT_->columnCount(); ++c) zon_ust(c);
}

void ZonesTab::zon_ust(int nk) {
  if (nk < 0 || nk >= zonT_->columnCount() || nk >= static_cast<int>(tables_.ZON.size())) return;
  for (int r = 1; r <= kSetpointRows; ++r) {
    const QString text = qs(zonText(tables_, nk, r));
    QTableWidgetItem* item = zonT_->item(r - 1, nk);
    if (!item) {
      zonT_->setItem(r - 1, nk, new QTableWidgetItem(text));
    } else if (item->text() != text) {
      item->setText(text);  // unchanged cells are left alone: no repaint for them
    }
  }
}

void ZonesTab::zonTDblClick(int row, int column) {
  if (row < 0 || column < 0 || column >= zonT_->columnCount()) return;
  const QTableWidgetItem* item = zonT_->item(row, column);
  const std::string text = item ? item->text().toStdString() : std::string();
  vs::zonTDblClick(column + 1, row + 1, text, tables_, WriteKom_, *dialogs_, hooks);
}

}  // namespace vs
