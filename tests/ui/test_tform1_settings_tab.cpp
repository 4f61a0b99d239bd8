// The "Установки" tab of the main window: the incubator list and its count, "Запомнить!",
// the import and export of configuration files, the poll period and debug controls.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <memory>

#include "config/Workstation.h"
#include "config/ui/SettingsTab.h"
#include "station/ui/TForm1.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

struct SettingsTabTest : ::testing::Test {
  ScratchInstall dir;
  ManualClock clock;
  std::vector<std::string> messages;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<TForm1> form;
  SettingsTab* tab = nullptr;

  void start(const std::string& iniText = {}, int incubators = 2) {
    if (!iniText.empty()) ScratchInstall::write(dir.home / "Vetrostan.INI", iniText);
    auto cfg = std::make_unique<TFile_config>();
    cfg->kol_inkub = static_cast<std::uint8_t>(incubators);
    for (int i = 0; i < incubators && i < kMaxRows; ++i) {
      cfg->konfig_n[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(5 + i);
      cfg->konfig_s[static_cast<std::size_t>(i)].setUtf8("Инк " + std::to_string(i + 1));
    }
    ScratchInstall::write(dir.home / "config.cfg",
                          std::string(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg));
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    form = std::make_unique<TForm1>(*ws, false);
    tab = form->settingsTab();
    form->pageControl()->setCurrentIndex(TForm1::TabSettings);
  }
  QString text(int row, int col) const {
    const QTableWidgetItem* it = tab->stringGrid2()->item(row - 1, col);
    return it ? it->text() : QString();
  }
  TFile_config saved() const {
    TFile_config c{};
    const std::string bytes = ScratchInstall::read(dir.home / "config.cfg");
    EXPECT_EQ(bytes.size(), sizeof c);
    std::memcpy(&c, bytes.data(), std::min(bytes.size(), sizeof c));
    return c;
  }
};

TEST_F(SettingsTabTest, ListShowsTheConfigurationWithItsHeaderAndControls) {
  start("[UST]\r\nOpros_period=7\r\notlad=85\r\n");
  QTableWidget* g = tab->stringGrid2();
  ASSERT_EQ(g->columnCount(), 3);
  EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "Номер");
  EXPECT_EQ(g->horizontalHeaderItem(1)->text(), "Название");
  EXPECT_EQ(g->horizontalHeaderItem(2)->text(), "Опрос");
  EXPECT_EQ(g->columnWidth(0), 64);
  EXPECT_EQ(g->columnWidth(1), 313);
  EXPECT_EQ(g->columnWidth(2), 79);
  EXPECT_EQ(g->rowCount(), 2);
  EXPECT_EQ(text(1, 0), "5");
  EXPECT_EQ(text(2, 1), "Инк 2");
  EXPECT_EQ(text(2, 2), "НЕТ");

  EXPECT_EQ(tab->errorLabel()->text(), "-----");
  EXPECT_EQ(tab->statusLabel()->text(), "Принято!");
  EXPECT_EQ(tab->rememberButton()->text(), "Запомнить!");
  EXPECT_EQ(tab->countSpin()->minimum(), 1);
  EXPECT_EQ(tab->countSpin()->maximum(), 100);
  EXPECT_EQ(tab->countSpin()->value(), 2);
  EXPECT_EQ(tab->periodSE()->minimum(), 1);
  EXPECT_EQ(tab->periodSE()->maximum(), 100);
  EXPECT_EQ(tab->periodSE()->value(), 7);
  EXPECT_EQ(tab->usbButton()->text(), "Настройка");
  EXPECT_EQ(qobject_cast<QGroupBox*>(tab->usbButton()->parentWidget())->title(), "USB порт ");
  EXPECT_EQ(qobject_cast<QGroupBox*>(tab->periodSE()->parentWidget())->title(), "Период опроса");

  // The debug spin box is there only while "Отладка" is down.
  EXPECT_EQ(tab->debugButton()->toolTip(), "Опросить только 1 блок ");
  EXPECT_EQ(tab->debugSpin()->value(), 85);
  EXPECT_TRUE(tab->debugSpin()->isHidden());
  tab->debugButton()->setChecked(true);
  EXPECT_FALSE(tab->debugSpin()->isHidden());
  tab->debugButton()->setChecked(false);
  EXPECT_TRUE(tab->debugSpin()->isHidden());

  // Controls the shut-down stores follow the operator at once.
  tab->periodSE()->setValue(12);
  tab->debugSpin()->setValue(9);
  EXPECT_EQ(ws->settings.Opros_period, 12);
  EXPECT_EQ(ws->settings.otlad, 9);
}

TEST_F(SettingsTabTest, TheHubAddsTheLineColumn) {
  start("[UST]\r\nRS485_4=1\r\n");
  QTableWidget* g = tab->stringGrid2();
  ASSERT_EQ(g->columnCount(), 4);
  EXPECT_EQ(g->horizontalHeaderItem(3)->text(), "Линия (1..4)");
  EXPECT_EQ(g->columnWidth(3), 112);
}

TEST_F(SettingsTabTest, EditsReachTheEditingCopyOnlyAndShowingTheTabDropsThem) {
  start();
  tab->cellEdited(1, 0, "abc");
  EXPECT_EQ(tab->errorLabel()->text(), "Ошибка");
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 5);
  tab->cellEdited(1, 0, "77");
  EXPECT_EQ(tab->errorLabel()->text(), "");
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 77);
  EXPECT_EQ(ws->store.config.konfig_n[0], 5);

  // Typing into the grid's own cell goes the same way.
  tab->stringGrid2()->item(1, 1)->setText("Новое имя");
  EXPECT_EQ(ws->store.config_p.konfig_s[1].utf8(), "Новое имя");

  // A committed text the record cannot hold gives way to the stored value, with the reason.
  tab->stringGrid2()->item(0, 0)->setText("70000");
  tab->stringGrid2()->item(1, 1)->setText("Имя ✓");
  QCoreApplication::processEvents();
  EXPECT_EQ(text(1, 0), "77");
  EXPECT_EQ(text(2, 1), "Новое имя");
  EXPECT_EQ(ws->store.config_p.konfig_s[1].utf8(), "Новое имя");
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Номер инкубатора: целое число от 0 до 65535",
                          "В названии знак \"✓\", которого нет в кодировке Windows-1251"}));

  form->pageControl()->setCurrentIndex(TForm1::TabMain);
  form->pageControl()->setCurrentIndex(TForm1::TabSettings);
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 5);
  EXPECT_EQ(text(1, 0), "5");
}

// The keys reach the editing copy one by one; the text the editor commits decides. A refused
// one leaves what the cell held before the editor opened, not the last prefix that parsed, and
// Escape takes back what was typed.
TEST_F(SettingsTabTest, KeysTypedIntoACellThatEndRefusedOrEscapedLeaveTheStoredValue) {
  start();
  form->show();
  QTableWidget* g = tab->stringGrid2();
  auto type = [g](const QString& keys, int last) {
    g->setCurrentCell(0, 0);
    g->editItem(g->item(0, 0));
    auto* ed = g->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(ed, nullptr);
    ed->selectAll();
    for (const QChar ch : keys) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + (ch.unicode() - '0'), Qt::NoModifier,
                      QString(ch));
      QCoreApplication::sendEvent(ed, &press);
    }
    QKeyEvent end(QEvent::KeyPress, last, Qt::NoModifier);
    QCoreApplication::sendEvent(ed, &end);
    // The editor goes by a deferred delete, the reason by a zero timer.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 50) QCoreApplication::processEvents();
  };
  type("70000", Qt::Key_Return);
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 5);
  EXPECT_EQ(text(1, 0), "5");
  EXPECT_EQ(messages, std::vector<std::string>{"Номер инкубатора: целое число от 0 до 65535"});

  type("12", Qt::Key_Escape);
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 5);
  EXPECT_EQ(text(1, 0), "5");

  type("12", Qt::Key_Return);
  EXPECT_EQ(ws->store.config_p.konfig_n[0], 12);
  EXPECT_EQ(text(1, 0), "12");
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(SettingsTabTest, DoubleClickOnThePollColumnAsksYesNoCancel) {
  start();
  QString asked, title;
  SettingsTab::Answer answer = SettingsTab::Answer::Yes;
  tab->ask = [&](const QString& t, const QString& ti) {
    asked = t;
    title = ti;
    return answer;
  };
  tab->cellDoubleClicked(1, 1);  // not the poll column: no question
  EXPECT_TRUE(asked.isEmpty());
  tab->cellDoubleClicked(1, 2);
  EXPECT_EQ(asked, "Включить опрос выбранного инкубатора?");
  EXPECT_EQ(title, "Да или НЕТ");
  EXPECT_EQ(text(1, 2), "ДА");
  EXPECT_EQ(ws->store.config_p.konfig_o[0], 1);
  answer = SettingsTab::Answer::Cancel;
  tab->cellDoubleClicked(1, 2);
  EXPECT_EQ(text(1, 2), "ДА");
  answer = SettingsTab::Answer::No;
  tab->cellDoubleClicked(1, 2);
  EXPECT_EQ(text(1, 2), "НЕТ");
  EXPECT_EQ(ws->store.config_p.konfig_o[0], 0);
  EXPECT_EQ(ws->store.config.konfig_o[0], 0);
}

TEST_F(SettingsTabTest, CountSpinSizesTheListTheMainTableAndTheSetpointGrid) {
  start();
  tab->countSpin()->setValue(5);
  EXPECT_EQ(tab->stringGrid2()->rowCount(), 5);
  EXPECT_EQ(form->table()->rowCount(), 6);
  EXPECT_EQ(form->zonT()->columnCount(), 5);
  EXPECT_EQ(ws->store.config_p.kol_inkub, 5);
  EXPECT_EQ(ws->store.config.kol_inkub, 2);
  EXPECT_EQ(ws->countSpin, 5);
  tab->countEdited(0);
  EXPECT_EQ(tab->countSpin()->value(), 1);
  EXPECT_EQ(form->table()->rowCount(), 2);
}

TEST_F(SettingsTabTest, RememberMakesTheListLiveAndWritesBothCopies) {
  start("[UST]\r\nRS485_4=1\r\n");
  int hubTables = 0;
  tab->sendHubTable = [&] {
    ++hubTables;
    EXPECT_EQ(ws->store.config.konfig_linia[1], 3);
  };
  tab->statusLabel()->show();
  tab->cellEdited(2, 3, "3");
  tab->cellEdited(1, 1, "Первый");
  tab->countSpin()->setValue(3);
  EXPECT_TRUE(tab->remember());
  EXPECT_EQ(hubTables, 1);
  EXPECT_TRUE(tab->statusLabel()->isHidden());
  const TFile_config c = saved();
  EXPECT_EQ(c.kol_inkub, 3);
  EXPECT_EQ(c.konfig_linia[1], 3);
  EXPECT_EQ(c.konfig_s[0].utf8(), "Первый");
  EXPECT_EQ(ScratchInstall::read(ws->store.registryFile()),
            ScratchInstall::read(dir.home / "config.cfg"));
  EXPECT_EQ(form->table()->cells(0, 1), "Первый");
  EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsTabTest, ASaveThatFailsIsShown) {
  start();
  fs::remove(dir.home / "config.cfg");
  fs::create_directories(dir.home / "config.cfg");  // a folder where the file should be
  EXPECT_FALSE(tab->remember());
  EXPECT_FALSE(messages.empty());
}

TEST_F(SettingsTabTest, AnImportedFileStaysInTheListUntilRemembered) {
  start();
  auto other = std::make_unique<TFile_config>();
  other->kol_inkub = 4;
  other->konfig_s[3].setUtf8("Чужой");
  fs::create_directories(dir.home / "rezim");
  const fs::path file = dir.home / "rezim" / "other.cfg";
  ScratchInstall::write(file,
                        std::string(reinterpret_cast<const char*>(other.get()), sizeof *other));

  ASSERT_TRUE(tab->openCfg(QString::fromStdString(file.string())));
  EXPECT_EQ(tab->countSpin()->value(), 4);
  EXPECT_EQ(tab->stringGrid2()->rowCount(), 4);
  EXPECT_EQ(text(4, 1), "Чужой");
  EXPECT_EQ(ws->store.config.kol_inkub, 2);
  EXPECT_EQ(saved().kol_inkub, 2);

  EXPECT_FALSE(tab->openCfg(QString::fromStdString((dir.home / "missing.cfg").string())));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].ends_with("missing.cfg (файл не найден)")) << messages[0];
  EXPECT_EQ(text(4, 1), "Чужой");

  // Export writes the list with the spin box's count; a failed export is shown.
  tab->countSpin()->setValue(3);
  const fs::path out = dir.root / "out.cfg";
  ASSERT_TRUE(tab->saveCfg(QString::fromStdString(out.string())));
  const std::string bytes = ScratchInstall::read(out);
  ASSERT_EQ(bytes.size(), sizeof(TFile_config));
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 3u);
  EXPECT_FALSE(tab->saveCfg(QString::fromStdString((dir.root / "no" / "x.cfg").string())));
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(SettingsTabTest, ALargePlantKeepsItsCountWhenTheSpinBoxIsNotTouched) {
  start({}, 130);
  EXPECT_EQ(tab->countSpin()->value(), 100);
  EXPECT_EQ(form->table()->rowCount(), 101);
  EXPECT_TRUE(tab->remember());
  EXPECT_EQ(saved().kol_inkub, 130);
}

}  // namespace
}  // namespace vs
