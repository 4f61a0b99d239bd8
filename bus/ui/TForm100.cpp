#include "bus/ui/TForm100.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/SettingsFile.h"

namespace vs {

namespace {

constexpr const char* kNetworkItems[] = {"пассив", "сервер 10 сек", "сервер 1 мин",
                                         "удаленный 10 сек", "удаленный 1 мин"};
constexpr int kNetworkCount = 5;
const QColor kConfiguredRow(0, 128, 0);  // green
const QColor kOtherRow(0, 0, 0);

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

bool isRemoteRole(int serverP) {
  return serverP == 3 || serverP == 4;
}

}  // namespace

TForm100::TForm100(UsbLink& link, int& serverP, std::filesystem::path iniPath,
                   std::filesystem::path insPath, Form100MainWindow mainWindow, QWidget* parent)
    : QDialog(parent),
      link_(link),
      serverP_(serverP),
      iniPath_(std::move(iniPath)),
      insPath_(std::move(insPath)),
      main_(std::move(mainWindow)) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(600, 440);

  list_ = new QTreeWidget(this);
  list_->setColumnCount(3);
  list_->setHeaderLabels({"Номер устройства", "Серийный номер", "Тип устройства"});
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setColumnWidth(0, 140);
  list_->setColumnWidth(1, 160);
  list_->header()->setStretchLastSection(true);

  open_ = new QPushButton("Открыть", this);
  close_ = new QPushButton("Закрыть", this);
  refresh_ = new QPushButton("Обновить", this);
  open_->setEnabled(false);
  close_->setEnabled(false);

  rs485_ = new QCheckBox("USB-4RS485", this);
  rs485_->setToolTip("Четырёхканальный");
  hubVersion_ = new QLabel("версия 4RS485 - ", this);
  hubVersion_->setVisible(false);
  state_ = new QLabel(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(open_);
  buttons->addWidget(close_);
  buttons->addWidget(refresh_);
  buttons->addStretch(1);

  auto* hub = new QHBoxLayout;
  hub->addWidget(rs485_);
  hub->addWidget(hubVersion_);
  hub->addStretch(1);

  auto* networkBox = new QGroupBox("Сеть", this);
  auto* networkLayout = new QVBoxLayout(networkBox);
  network_ = new QButtonGroup(this);
  for (int i = 0; i < kNetworkCount; ++i) {
    auto* item = new QRadioButton(kNetworkItems[i], networkBox);
    network_->addButton(item, i);
    networkLayout->addWidget(item);
  }

  serverRow_ = new QWidget(this);
  auto* serverLayout = new QHBoxLayout(serverRow_);
  serverLayout->setContentsMargins(0, 0, 0, 0);
  serverField_ = new QLineEdit(serverRow_);
  serverField_->setReadOnly(true);
  serverButton_ = new QToolButton(serverRow_);
  serverButton_->setText("...");
  serverButton_->setToolTip("Выбрать удаленный сервер");
  serverLayout->addWidget(serverField_, 1);
  serverLayout->addWidget(serverButton_);

  auto* statusBar = new QStatusBar(this);
  statusBar->setSizeGripEnabled(false);
  const int widths[3] = {200, 200, 40};
  for (int p = 0; p < 3; ++p) {
    panels_[p] = new QLabel(statusBar);
    panels_[p]->setFixedWidth(widths[p]);
    panels_[p]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar->addWidget(panels_[p]);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  layout->addLayout(hub);
  layout->addWidget(state_);
  layout->addWidget(networkBox);
  layout->addWidget(serverRow_);
  layout->addWidget(statusBar);

  connect(list_, &QTreeWidget::itemSelectionChanged, this, &TForm100::onSelectionChanged);
  connect(open_, &QPushButton::clicked, this,
          [this] { link_.Open_Usb(link_.Selected_Device_Serial_Number); });
  connect(close_, &QPushButton::clicked, this, [this] { link_.Close_USB(); });
  connect(refresh_, &QPushButton::clicked, this, [this] { link_.Refresh(); });
  connect(rs485_, &QCheckBox::clicked, this, &TForm100::onRs485Clicked);
  connect(network_, &QButtonGroup::idClicked, this, &TForm100::onNetworkClicked);
  connect(serverButton_, &QToolButton::clicked, this, &TForm100::onChooseServer);

  messageBox = [this](const QString& text) {
    QMessageBox::information(this, QApplication::applicationDisplayName(), text);
  };
  chooseServerFile = [this] { return QFileDialog::getOpenFileName(this); };

  link_.Server_s = loadServerPath(insPath_);
  serverField_->setText(q(link_.Server_s));
  if (isRemoteRole(serverP_) && main_.setCaption) {
    const QString base = main_.caption ? main_.caption() : QString(UsbLink::kMainCaption);
    main_.setCaption(base + "     " + q(link_.Server_s));
  }
  link_.setView(this);
  onActivated();
}

TForm100::~TForm100() {
  if (&link_.view() == this) link_.setView(nullptr);
  // Shut-down: nothing to tell. A second copy on a held folder writes nothing.
  if (serverDirty_ && !readOnly_) saveServerPath(insPath_, link_.Server_s);
}

QRadioButton* TForm100::networkItem(int index) const {
  return qobject_cast<QRadioButton*>(network_->button(index));
}

QLabel* TForm100::statusPanel(int panel) const {
  return panel >= 0 && panel < 3 ? panels_[panel] : nullptr;
}

void TForm100::setCaption(const std::string& text) {
  setWindowTitle(q(text));
}

void TForm100::setStatusPanel(int panel, const std::string& text) {
  if (QLabel* l = statusPanel(panel)) l->setText(q(text));
}

void TForm100::setStateLabel(const std::string& text) {
  state_->setText(q(text));
}

void TForm100::clearList() {
  list_->clear();
}

void TForm100::addListRow(const std::string& number, const std::string& serial,
                          const std::string& type) {
  auto* item = new QTreeWidgetItem(list_, {q(number), q(serial), q(type)});
  const bool configured = list_->indexOfTopLevelItem(item) + 1 == configuredRow_;
  for (int c = 0; c < 3; ++c) item->setForeground(c, configured ? kConfiguredRow : kOtherRow);
}

void TForm100::setConfiguredRow(int number) {
  configuredRow_ = number;
  recolourRows();
}

void TForm100::recolourRows() {
  for (int r = 0; r < list_->topLevelItemCount(); ++r) {
    QTreeWidgetItem* item = list_->topLevelItem(r);
    const QColor& colour = r + 1 == configuredRow_ ? kConfiguredRow : kOtherRow;
    for (int c = 0; c < 3; ++c) item->setForeground(c, colour);
  }
}

void TForm100::setOpenEnabled(bool on) {
  open_->setEnabled(on);
}

void TForm100::setCloseEnabled(bool on) {
  close_->setEnabled(on);
}

void TForm100::setHubVersionVisible(bool on) {
  if (hubVersion_->isVisibleTo(this) != on) hubVersion_->setVisible(on);
}

void TForm100::setHubVersionText(const std::string& text) {
  hubVersion_->setText(q(text));
}

void TForm100::showAdapterWindow() {
  show();
  raise();
  activateWindow();
}

void TForm100::setMainCaption(const std::string& text) {
  if (main_.setCaption) main_.setCaption(q(text));
}

void TForm100::setMainStatusText(const std::string& text) {
  if (main_.setStatusText) main_.setStatusText(q(text));
}

void TForm100::setMainStatusVisible(bool on) {
  if (main_.setStatusVisible) main_.setStatusVisible(on);
}

void TForm100::showMessage(const std::string& text) {
  if (messageBox) messageBox(q(text));
}

void TForm100::processEvents() {
  QCoreApplication::processEvents();
}

bool TForm100::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) onActivated();
  return QDialog::event(e);
}

void TForm100::showEvent(QShowEvent* e) {
  onActivated();
  QDialog::showEvent(e);
}

void TForm100::hideEvent(QHideEvent* e) {
  if (serverDirty_) saveServer();
  QDialog::hideEvent(e);
}

// On every activation the controls show the state as it is now.
void TForm100::onActivated() {
  rs485_->setChecked(link_.RS485_4);
  if (QAbstractButton* item = network_->button(serverP_)) {
    item->setChecked(true);
  } else if (QAbstractButton* checked = network_->checkedButton()) {
    network_->setExclusive(false);  // a role out of range shows no item
    checked->setChecked(false);
    network_->setExclusive(true);
  }
  showServerRow();
  configuredRow_ = link_.Selected_USB_Number;
  recolourRows();
}

void TForm100::onSelectionChanged() {
  const QList<QTreeWidgetItem*> picked = list_->selectedItems();
  open_->setEnabled(!picked.isEmpty());
  if (!picked.isEmpty())
    link_.Selected_Device_Serial_Number = picked.front()->text(1).toStdString();
}

void TForm100::onNetworkClicked(int index) {
  serverP_ = index;
  showServerRow();
}

void TForm100::showServerRow() {
  serverRow_->setVisible(isRemoteRole(serverP_));
}

void TForm100::onRs485Clicked(bool on) {
  link_.RS485_4 = on;
  if (main_.hubChanged) main_.hubChanged(on);
  if (readOnly_) return;  // a second copy keeps it for this run only
  if (!saveKey(iniPath_, "UST", "RS485_4", on ? "1" : "0")) {
    showMessage("Не удалось записать файл настроек " + iniPath_.string());
  }
}

void TForm100::onChooseServer() {
  if (!chooseServerFile) return;
  const QString file = chooseServerFile();
  if (file.isEmpty()) return;
  // The folder ends in a separator: the shared data file's name is appended to it as it is.
  QString dir = QFileInfo(file).absolutePath();
  if (!dir.endsWith('/')) dir += '/';
  const QString folder = QDir::toNativeSeparators(dir);
  link_.Server_s = folder.toStdString();
  serverField_->setText(folder);
  serverDirty_ = true;
}

bool TForm100::saveServer() {
  if (readOnly_) return true;  // a second copy keeps it for this run only
  if (!saveServerPath(insPath_, link_.Server_s)) {
    showMessage("Не удалось записать файл " + insPath_.string());
    return false;
  }
  serverDirty_ = false;
  return true;
}

}  // namespace vs
