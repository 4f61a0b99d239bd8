#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include "bus/UsbLink.h"
#include "bus/ui/TForm100.h"
#include "config/SettingsFile.h"
#include "tests/FakeSerialBackend.h"

namespace vs {
namespace {

using Bytes = std::vector<std::uint8_t>;

const QColor kGreen(0, 128, 0);
const QColor kBlack(0, 0, 0);

struct TForm100Test : ::testing::Test {
  QTemporaryDir dir;
  std::filesystem::path ini = dir.filePath("Vetrostan.INI").toStdString();
  std::filesystem::path ins = dir.filePath("Vetrostan.INS").toStdString();
  FakeSerialBackend port;
  UsbLink link{port};
  int serverP = 0;
  QString mainCaption = UsbLink::kMainCaption;
  QString mainStatus;
  bool mainStatusVisible = false;
  QStringList messages;

  Form100MainWindow mainWindow() {
    Form100MainWindow m;
    m.caption = [this] { return mainCaption; };
    m.setCaption = [this](const QString& c) { mainCaption = c; };
    m.setStatusText = [this](const QString& t) { mainStatus = t; };
    m.setStatusVisible = [this](bool on) { mainStatusVisible = on; };
    return m;
  }
  std::unique_ptr<TForm100> makeWindow() {
    auto w = std::make_unique<TForm100>(link, serverP, ini, ins, mainWindow());
    w->messageBox = [this](const QString& t) { messages << t; };
    return w;
  }
  void plugTwo() {
    port.ports = {FakeSerialBackend::adapter("A1B2C3", "USB <-> Serial"),
                  FakeSerialBackend::adapter("FT4RS485", "USB-RS485 Cable")};
  }
};

TEST_F(TForm100Test, CaptionsAndTheStartingStateOfTheControls) {
  auto w = makeWindow();
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  QTreeWidget* list = w->adapterList();
  ASSERT_EQ(list->columnCount(), 3);
  EXPECT_EQ(list->headerItem()->text(0), "Номер устройства");
  EXPECT_EQ(list->headerItem()->text(1), "Серийный номер");
  EXPECT_EQ(list->headerItem()->text(2), "Тип устройства");
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);

  EXPECT_EQ(w->openButton()->text(), "Открыть");
  EXPECT_EQ(w->closeButton()->text(), "Закрыть");
  EXPECT_EQ(w->refreshButton()->text(), "Обновить");
  EXPECT_FALSE(w->openButton()->isEnabled());
  EXPECT_FALSE(w->closeButton()->isEnabled());
  EXPECT_EQ(w->rs485Box()->text(), "USB-4RS485");
  EXPECT_EQ(w->rs485Box()->toolTip(), "Четырёхканальный");
  EXPECT_EQ(w->serverButton()->toolTip(), "Выбрать удаленный сервер");
  EXPECT_TRUE(w->serverField()->isReadOnly());

  const QStringList items{"пассив", "сервер 10 сек", "сервер 1 мин", "удаленный 10 сек",
                          "удаленный 1 мин"};
  for (int i = 0; i < items.size(); ++i) {
    ASSERT_NE(w->networkItem(i), nullptr);
    EXPECT_EQ(w->networkItem(i)->text(), items[i]);
  }
  EXPECT_EQ(w->networkItem(5), nullptr);
  auto* group = qobject_cast<QGroupBox*>(w->networkItem(0)->parentWidget());
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), "Сеть");

  EXPECT_EQ(w->statusPanel(0)->width(), 200);
  EXPECT_EQ(w->statusPanel(1)->width(), 200);
  EXPECT_LT(w->statusPanel(2)->width(), 200);
}

TEST_F(TForm100Test, TheConfiguredAdapterIsGreenAndApickedRowEnablesOpen) {
  plugTwo();
  link.USB_Serial_Number = "FT4RS485";
  auto w = makeWindow();
  link.UsbCreate();
  QTreeWidget* list = w->adapterList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(w->windowTitle(), "FT4RS485");
  EXPECT_EQ(list->topLevelItem(0)->text(0), "Устройство 1");
  EXPECT_EQ(list->topLevelItem(1)->text(1), "FT4RS485");
  EXPECT_EQ(list->topLevelItem(1)->text(2), "USB-RS485 Cable");
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(list->topLevelItem(0)->foreground(c).color(), kBlack);
    EXPECT_EQ(list->topLevelItem(1)->foreground(c).color(), kGreen);
  }

  list->setCurrentItem(list->topLevelItem(0));
  EXPECT_TRUE(w->openButton()->isEnabled());
  EXPECT_EQ(link.Selected_Device_Serial_Number, "A1B2C3");
  list->clearSelection();
  EXPECT_FALSE(w->openButton()->isEnabled());

  list->setCurrentItem(list->topLevelItem(0));
  w->openButton()->click();
  EXPECT_EQ(port.openedName, "A1B2C3");
  EXPECT_FALSE(w->openButton()->isEnabled());
  EXPECT_TRUE(w->closeButton()->isEnabled());
  EXPECT_EQ(w->windowTitle(), "A1B2C3");
  EXPECT_EQ(mainCaption, "Инкубатор RS485  v2.227_beta   порт=A1B2C3");
  link.Timer1Timer();
  EXPECT_EQ(w->stateLabel()->text(), "A1B2C3 -> открыт");

  // The green row follows the number, not the serial: after "Обновить" the adapters swap.
  std::swap(port.ports[0], port.ports[1]);
  w->refreshButton()->click();
  EXPECT_EQ(list->topLevelItem(1)->text(1), "A1B2C3");
  EXPECT_EQ(list->topLevelItem(1)->foreground(0).color(), kGreen);

  w->closeButton()->click();
  EXPECT_EQ(mainCaption, "Инкубатор RS485  v2.227_beta");
  link.Timer1Timer();
  EXPECT_EQ(w->windowTitle(), "Порт закрыт ");
  EXPECT_EQ(w->stateLabel()->text(), "A1B2C3 -> закрыт");
}

TEST_F(TForm100Test, AfailedOpenTellsTheOperatorAndShowsTheWindow) {
  auto w = makeWindow();
  link.UsbCreate();
  link.Open_Usb("FT999");
  EXPECT_EQ(messages, QStringList{"Не удалось открыть порт USB! =  FT999"});
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(mainCaption, "Инкубатор RS485  v2.227_beta   порт=FT999");
}

TEST_F(TForm100Test, TheHubBoxSetsTheModeAndSavesItAtOnce) {
  auto w = makeWindow();
  link.UsbCreate();
  EXPECT_FALSE(w->rs485Box()->isChecked());
  w->rs485Box()->click();
  EXPECT_TRUE(link.RS485_4);
  IniFile file;
  ASSERT_TRUE(file.load(ini));
  EXPECT_TRUE(file.readBool("UST", "RS485_4", false));
  link.Timer1Timer();
  EXPECT_TRUE(w->hubVersionLabel()->isVisibleTo(w.get()));

  w->rs485Box()->click();
  EXPECT_FALSE(link.RS485_4);
  ASSERT_TRUE(file.load(ini));
  EXPECT_FALSE(file.readBool("UST", "RS485_4", true));
  link.Timer1Timer();
  EXPECT_FALSE(w->hubVersionLabel()->isVisibleTo(w.get()));

  // Every activation shows the mode as it is.
  link.RS485_4 = true;
  w->show();
  EXPECT_TRUE(w->rs485Box()->isChecked());
}

TEST_F(TForm100Test, TheNetworkRoleAndTheRemoteFolder) {
  ASSERT_TRUE(saveServerPath(ins, "/srv/hall/"));
  serverP = 4;
  auto w = makeWindow();
  EXPECT_EQ(link.Server_s, "/srv/hall/");
  EXPECT_EQ(w->serverField()->text(), "/srv/hall/");
  EXPECT_EQ(mainCaption, "Инкубатор RS485  v2.227_beta     /srv/hall/");
  w->show();
  EXPECT_TRUE(w->networkItem(4)->isChecked());
  EXPECT_TRUE(w->serverRow()->isVisible());

  w->networkItem(1)->click();
  EXPECT_EQ(serverP, 1);
  EXPECT_FALSE(w->serverRow()->isVisible());
  w->networkItem(3)->click();
  EXPECT_EQ(serverP, 3);
  EXPECT_TRUE(w->serverRow()->isVisible());

  const QString picked = dir.filePath("station/dan.dan");
  w->chooseServerFile = [&] { return picked; };
  w->serverButton()->click();
  const QString folder = QDir::toNativeSeparators(dir.filePath("station") + "/");
  EXPECT_EQ(w->serverField()->text(), folder);
  EXPECT_EQ(link.Server_s, folder.toStdString());
  w->chooseServerFile = [] { return QString(); };  // a cancelled dialog changes nothing
  w->serverButton()->click();
  EXPECT_EQ(link.Server_s, folder.toStdString());

  w->hide();  // closing the window stores the folder
  EXPECT_EQ(loadServerPath(ins), folder.toStdString());
  EXPECT_TRUE(messages.isEmpty());

  serverP = 0;
  w->show();
  EXPECT_TRUE(w->networkItem(0)->isChecked());
  EXPECT_FALSE(w->serverRow()->isVisible());
}

TEST_F(TForm100Test, AsettingsFileThatCannotBeWrittenIsReported) {
  ini = dir.filePath("missing-folder/Vetrostan.INI").toStdString();
  auto w = makeWindow();
  w->rs485Box()->click();
  EXPECT_TRUE(link.RS485_4);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Не удалось записать файл настроек"));
}

TEST_F(TForm100Test, TheMainStatusLabelFollowsTheLinksCountdowns) {
  auto w = makeWindow();
  link.UsbCreate();
  link.time_USB_W_ERR = 1;
  link.Timer1Timer();
  EXPECT_EQ(mainStatus, "ОШИБКА");
  EXPECT_TRUE(mainStatusVisible);
  for (int t = 0; t < 50; ++t) link.Timer1Timer();
  EXPECT_FALSE(mainStatusVisible);
}

// With VETROSTAN_SHOT_DIR set, saves pictures of the window for a look by eye.
TEST_F(TForm100Test, Screenshots) {
  const QByteArray shotDir = qgetenv("VETROSTAN_SHOT_DIR");
  if (shotDir.isEmpty()) GTEST_SKIP() << "VETROSTAN_SHOT_DIR not set";
  plugTwo();
  port.ports.push_back(FakeSerialBackend::adapter("/dev/ttyS0", "ttyS0", "/dev/ttyS0"));
  link.USB_Serial_Number = "FT4RS485";
  ASSERT_TRUE(saveServerPath(ins, "/srv/hall/"));
  auto w = makeWindow();
  link.UsbCreate();
  link.Open_Usb("FT4RS485");
  w->adapterList()->setCurrentItem(w->adapterList()->topLevelItem(0));
  link.Timer1Timer();
  w->show();
  const Bytes frame(9, 0);
  link.UsbWrite(frame.data(), 9);
  port.deliver(Bytes(131, 0));
  link.Timer1Timer();
  EXPECT_TRUE(w->grab().save(QString::fromLocal8Bit(shotDir) + "/tform100-open.png"));

  link.RS485_4 = true;
  w->setHubVersionText("версия 4RS485 - V5");
  serverP = 3;
  w->hide();
  w->show();
  link.Timer1Timer();
  port.writeLimit = 3;
  link.UsbWrite(frame.data(), 9);
  EXPECT_TRUE(w->grab().save(QString::fromLocal8Bit(shotDir) + "/tform100-remote.png"));
}

}  // namespace
}  // namespace vs
