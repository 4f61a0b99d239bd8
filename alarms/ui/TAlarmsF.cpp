#include "alarms/ui/TAlarmsF.h"

#include <QBrush>
#include <QColor>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace vs {

namespace {

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString whoText(const AlarmKey& key, const std::string& name) {
  if (key.kind == AlarmKind::Usb) return "Станция";
  QString s = "№" + QString::number(key.number);
  if (!name.empty()) s += " «" + q(name) + "»";
  return s;
}

// The colour of a row says the state from across the room: red waits for a person.
QColor stateColour(AlarmState s) {
  switch (s) {
    case AlarmState::ActiveUnacknowledged:
      return QColor(255, 170, 170);
    case AlarmState::ActiveAcknowledged:
      return QColor(255, 240, 170);
    case AlarmState::ClearedUnacknowledged:
      return QColor(200, 225, 255);
    case AlarmState::Shelved:
      return QColor(215, 215, 215);
  }
  return {};
}

constexpr int kNumberRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

}  // namespace

QString operatorName() {
  for (const char* var : {"USER", "LOGNAME", "USERNAME"}) {
    const QString v = qEnvironmentVariable(var).trimmed();
    if (!v.isEmpty()) return v;
  }
  return QDir::home().dirName();
}

QString alarmStateText(AlarmState s, TDateTime shelvedUntil) {
  switch (s) {
    case AlarmState::ActiveUnacknowledged:
      return "Активна, не квитирована";
    case AlarmState::ActiveAcknowledged:
      return "Активна, квитирована";
    case AlarmState::ClearedUnacknowledged:
      return "Снята, не квитирована";
    case AlarmState::Shelved:
      return "Отложена до " + q(formatDateTime(shelvedUntil));
  }
  return {};
}

TAlarmsF::TAlarmsF(AlarmList& list, QWidget* parent) : QWidget(parent, Qt::Window), list_(list) {
  setObjectName("AlarmsF");
  setWindowTitle("Аварийные сообщения");
  resize(1100, 420);
  auto* v = new QVBoxLayout(this);

  grid_ = new QTableWidget(0, 7, this);
  grid_->setObjectName("AlarmGrid");
  grid_->setHorizontalHeaderLabels(
      {"Возникла", "№", "Инкубатор", "Авария", "Состояние", "Квитирована", "Кем"});
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->verticalHeader()->hide();
  grid_->setWordWrap(false);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setColumnWidth(ColRaised, 150);
  grid_->setColumnWidth(ColNumber, 40);
  grid_->setColumnWidth(ColName, 140);
  grid_->setColumnWidth(ColCaption, 170);
  grid_->setColumnWidth(ColState, 270);
  grid_->setColumnWidth(ColAckAt, 150);
  v->addWidget(grid_, 1);

  auto* h = new QHBoxLayout;
  ack_ = new QPushButton("Квитировать", this);
  ackAll_ = new QPushButton("Квитировать все", this);
  shelve_ = new QPushButton("Отложить", this);
  shelve_->setToolTip("Отложить аварии инкубатора на время наладки, не более чем на 24 ч");
  unshelve_ = new QPushButton("Вернуть", this);
  unshelve_->setToolTip("Вернуть отложенные аварии инкубатора до срока");
  count_ = new QLabel(this);
  count_->setObjectName("AlarmCount");
  for (QPushButton* b : {ack_, ackAll_, shelve_, unshelve_}) h->addWidget(b);
  h->addStretch(1);
  h->addWidget(count_);
  v->addLayout(h);

  connect(ack_, &QPushButton::clicked, this, [this] { acknowledgeSelected(); });
  connect(ackAll_, &QPushButton::clicked, this, [this] {
    if (list_.acknowledgeAll(author().toStdString()) > 0) emit acknowledged();
    refresh();
  });
  connect(shelve_, &QPushButton::clicked, this, [this] { shelveSelected(); });
  connect(unshelve_, &QPushButton::clicked, this, [this] { unshelveSelected(); });
  connect(grid_, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });

  askShelfSeconds = [this](const QString& who) { return askDefault(who); };
  refresh();
}

void TAlarmsF::setReadOnly(bool on) {
  readOnly_ = on;
  updateButtons();
}

void TAlarmsF::listChanged() {
  if (pending_) return;
  pending_ = true;
  // A whole hall raising at once is one refresh, after the pass that raised it.
  QTimer::singleShot(0, this, [this] {
    if (!pending_) return;
    pending_ = false;
    // A hidden window only tells the count; it is drawn again when it is shown.
    if (isVisible()) {
      refresh();
    } else {
      emit unacknowledged(list_.unacknowledgedCount());
    }
  });
}

void TAlarmsF::showEvent(QShowEvent* e) {
  refresh();
  QWidget::showEvent(e);
}

AlarmKey TAlarmsF::keyAt(int row) const {
  const QTableWidgetItem* it = grid_->item(row, ColRaised);
  if (!it) return {};
  return {it->data(kNumberRole).toInt(), static_cast<AlarmKind>(it->data(kKindRole).toInt())};
}

void TAlarmsF::refresh() {
  pending_ = false;
  const std::vector<Alarm> alarms = list_.alarms();
  const int unack = list_.unacknowledgedCount();
  count_->setText("Не квитировано: " + QString::number(unack) + " из " +
                  QString::number(alarms.size()));
  emit unacknowledged(unack);

  std::set<AlarmKey> selected;
  for (const QModelIndex& i : grid_->selectionModel()->selectedRows())
    selected.insert(keyAt(i.row()));
  const bool hadCurrent = grid_->currentRow() >= 0;
  const AlarmKey current = hadCurrent ? keyAt(grid_->currentRow()) : AlarmKey{};

  grid_->setUpdatesEnabled(false);
  grid_->clearSelection();
  grid_->setRowCount(static_cast<int>(alarms.size()));
  int currentRow = -1;
  for (int r = 0; r < static_cast<int>(alarms.size()); ++r) {
    const Alarm& a = alarms[static_cast<std::size_t>(r)];
    const AlarmState s = list_.state(a);
    const bool station = a.key.kind == AlarmKind::Usb;
    const QString texts[] = {
        q(formatDateTime(a.raised)),
        station ? QString() : QString::number(a.key.number),
        station ? QString("Станция") : q(a.name),
        q(alarmCaption(a.key.kind)),
        alarmStateText(s, list_.shelvedUntil(a.key.number)),
        a.acknowledged ? q(formatDateTime(a.acknowledgedAt)) : QString(),
        a.acknowledged ? q(a.acknowledgedBy) : QString(),
    };
    const QBrush back(stateColour(s));
    for (int c = 0; c < 7; ++c) {
      QTableWidgetItem* it = grid_->item(r, c);
      if (!it) {
        it = new QTableWidgetItem;
        grid_->setItem(r, c, it);
      }
      it->setText(texts[c]);
      it->setBackground(back);
      it->setForeground(QBrush(Qt::black));
    }
    QTableWidgetItem* first = grid_->item(r, ColRaised);
    first->setData(kNumberRole, a.key.number);
    first->setData(kKindRole, static_cast<int>(a.key.kind));
    if (selected.count(a.key)) grid_->selectRow(r);
    if (hadCurrent && a.key == current) currentRow = r;
  }
  // The current row follows its alarm, so that "Отложить" still means the incubator chosen.
  if (currentRow >= 0)
    grid_->selectionModel()->setCurrentIndex(grid_->model()->index(currentRow, 0),
                                             QItemSelectionModel::NoUpdate);
  grid_->setUpdatesEnabled(true);
  updateButtons();
}

int TAlarmsF::selectedIncubator() const {
  const int r = grid_->currentRow();
  if (r < 0 || !grid_->item(r, ColRaised) || !grid_->item(r, ColRaised)->isSelected()) return 0;
  const AlarmKey k = keyAt(r);
  return k.kind == AlarmKind::Usb ? 0 : k.number;
}

void TAlarmsF::updateButtons() {
  const bool any = !grid_->selectionModel()->selectedRows().isEmpty();
  const int n = selectedIncubator();
  ack_->setEnabled(!readOnly_ && any);
  ackAll_->setEnabled(!readOnly_ && list_.unacknowledgedCount() > 0);
  shelve_->setEnabled(!readOnly_ && n > 0);
  unshelve_->setEnabled(!readOnly_ && n > 0 && list_.shelved(n));
}

void TAlarmsF::acknowledgeSelected() {
  std::vector<AlarmKey> keys;
  for (const QModelIndex& i : grid_->selectionModel()->selectedRows())
    keys.push_back(keyAt(i.row()));
  if (keys.empty()) return;
  if (list_.acknowledge(keys, author().toStdString()) > 0) emit acknowledged();
  refresh();
}

void TAlarmsF::shelveSelected() {
  const int n = selectedIncubator();
  if (n <= 0 || !askShelfSeconds) return;
  const AlarmKey k = keyAt(grid_->currentRow());
  const Alarm* a = list_.find(k);
  const int secs = askShelfSeconds(whoText(k, a ? a->name : std::string()));
  if (secs <= 0) return;
  list_.shelve(n, std::min(secs, AlarmList::kMaxShelfSeconds), author().toStdString());
  refresh();
}

void TAlarmsF::unshelveSelected() {
  const int n = selectedIncubator();
  if (n <= 0) return;
  list_.unshelve(n, author().toStdString());
  refresh();
}

int TAlarmsF::askDefault(const QString& who) {
  bool ok = false;
  const int minutes = QInputDialog::getInt(this, "Отложить",
                                           "Отложить аварии " + who + " на время наладки, мин:", 60,
                                           1, AlarmList::kMaxShelfSeconds / 60, 10, &ok);
  return ok ? minutes * 60 : 0;
}

}  // namespace vs
