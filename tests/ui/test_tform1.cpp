// The main window's shell: caption, tabs, menu, top bar, and the main table sized and labelled
// from the settings file and the plant configuration; its state stored at shut-down.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <memory>
#include <optional>

#include "config/SettingsFile.h"
#include "config/Workstation.h"
#include "station/ui/IncubatorTable.h"
#include "station/ui/TForm1.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;

struct MainWindow : ::testing::Test {
  ScratchInstall dir;
  ManualClock clock;
  std::vector<std::string> messages;
  std::unique_ptr<Workstation> ws;
  std::unique_ptr<TForm1> form;

  void ini(const std::string& text) { ScratchInstall::write(dir.home / "Vetrostan.INI", text); }
  void config(const TFile_config& c) {
    ScratchInstall::write(dir.home / "config.cfg",
                          std::string(reinterpret_cast<const char*>(&c), sizeof c));
  }
  void start(bool secondCopy = false) {
    ws = std::make_unique<Workstation>(dir.home, clock, dir.registry);
    ws->message = [this](const std::string& m) { messages.push_back(m); };
    form = std::make_unique<TForm1>(*ws, secondCopy);
  }
  std::vector<QString> header() const {
    std::vector<QString> h;
    for (int c = 0; c < form->table()->colCount(); ++c) h.push_back(form->table()->cells(c, 0));
    return h;
  }
};

TEST_F(MainWindow, DefaultSettingsGiveEightColumnsBlueTahomaAndTheShell) {
  start();
  EXPECT_EQ(form->windowTitle(), "Инкубатор RS485  v2.227_beta");
  EXPECT_EQ(form->table()->colCount(), 8);
  EXPECT_EQ(form->table()->rowCount(), 2);
  EXPECT_EQ(header(),
            (std::vector<QString>{"", "T1", "T2", "T3", "Влажн.", "Лотки", "Аварии", "Запись"}));
  for (int c = 0; c < 8; ++c) EXPECT_EQ(form->table()->colWidth(c), 100) << c;
  EXPECT_EQ(form->table()->defaultRowHeight(), 100);
  EXPECT_EQ(form->table()->fonFont(0).family(), "Tahoma");
  EXPECT_EQ(form->table()->fonFont(2).pointSize(), 30);
  EXPECT_EQ(form->table()->fonColor(1), QColor(0, 0, 255));
  EXPECT_TRUE(form->table()->resizingAllowed());

  QTabWidget* tabs = form->pageControl();
  ASSERT_EQ(tabs->count(), 5);
  const char* names[5] = {"Главная", "Графики", "Зоны", "Звуки", "Установки"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(names[i]));

  // The menu bar: "Настройки" with its entries and a separator before "Выход"; "Аварийные
  // сообщения"; "Отчёт за смену"; "О программе".
  const auto top = form->menuBar()->actions();
  ASSERT_EQ(top.size(), 4);
  EXPECT_EQ(top[0]->text(), "Настройки");
  EXPECT_EQ(top[1]->text(), "Аварийные сообщения");
  EXPECT_EQ(top[2]->text(), "Отчёт за смену");
  EXPECT_EQ(top[3]->text(), "О программе");
  QStringList entries;
  for (QAction* a : top[0]->menu()->actions()) entries << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(entries, (QStringList{"Общие Настройки", "GSM-модем", "Программы инкубации",
                                  "Конфигурация автоматики", "USB-настройки", "-", "Выход"}));

  EXPECT_EQ(form->rsButton()->text(), "Работа");
  EXPECT_TRUE(form->rsButton()->isCheckable());
  EXPECT_EQ(form->oprosLabel()->text(), "Опрос");
  EXPECT_EQ(form->timeLabel()->text(), "Время");
  EXPECT_EQ(form->usbNoLabel()->text(), "USB не работает");
  EXPECT_TRUE(form->usbNoLabel()->isHidden());
  EXPECT_TRUE(form->autoPanel()->isHidden());
  EXPECT_TRUE(form->damperButton()->isHidden());
  EXPECT_EQ(form->damperButton()->toolTip(), "Управление заслонками");
  EXPECT_EQ(form->detailButton()->toolTip(), "Просмотр 1 КП");
  EXPECT_TRUE(form->detailButton()->isCheckable());
  EXPECT_EQ(form->paramButton()->toolTip(), "Настройки аварийных зон и параметров управления");
  EXPECT_EQ(form->mimicButton()->toolTip(), "Окно инкубатория");
  EXPECT_EQ(form->soundOffButton()->toolTip(), "Остановить ЗВУК");
  EXPECT_TRUE(form->table()->tempHint()->isHidden());
  EXPECT_TRUE(form->table()->humHint()->isHidden());

  QTableWidget* sounds = form->soundGrid();
  EXPECT_EQ(sounds->rowCount(), 11);
  EXPECT_EQ(sounds->horizontalHeaderItem(0)->text(), "Имя звукового файла");
  EXPECT_EQ(sounds->verticalHeaderItem(4)->text(), "Герконы оба замкнуты");
}

TEST_F(MainWindow, SecondCopyIsMarkedInTheCaption) {
  start(true);
  EXPECT_EQ(form->windowTitle(),
            "Это приложение уже запущено!   вторая копия: порт не открыт, dan.dan, настройки и "
            "конфигурация не записываются");
}

TEST_F(MainWindow, OneTemperatureColumnPutsHumidityInColumnTwo) {
  ini("[Nastr]\r\nKOL_T=0\r\n[UST]\r\nTable_w6=55\r\n");
  start();
  EXPECT_EQ(form->table()->colCount(), 6);
  EXPECT_EQ(header(), (std::vector<QString>{"", "T1", "Влажн.", "Лотки", "Аварии", "Запись"}));
  EXPECT_EQ(form->table()->cells(2, 0), "Влажн.");
}

TEST_F(MainWindow, TableSizesFontsAndGeometryComeFromTheSettingsFile) {
  ini("[Form]\r\nWidth=1000\r\nHeight=650\r\n"
      "[UST]\r\nTable_w0=150\r\nTable_w1=90\r\nTable_w3=77\r\nTable_w7=33\r\nTable_h0=60\r\n"
      "FON0_Name=DejaVu Sans\r\nFON0_Size=12\r\nFON0_Style=3\r\nFON0_Color=255\r\n");
  start();
  EXPECT_EQ(form->table()->colWidth(0), 150);
  EXPECT_EQ(form->table()->colWidth(1), 90);
  EXPECT_EQ(form->table()->colWidth(2), 100);
  EXPECT_EQ(form->table()->colWidth(3), 77);
  EXPECT_EQ(form->table()->colWidth(7), 33);
  EXPECT_EQ(form->table()->defaultColWidth(), 90);  // "Table_w1" read first as the default width
  EXPECT_EQ(form->table()->defaultRowHeight(), 60);
  EXPECT_EQ(form->size(), QSize(1000, 650));
  const QFont f = form->table()->fonFont(0);
  EXPECT_EQ(f.family(), "DejaVu Sans");
  EXPECT_EQ(f.pointSize(), 12);
  EXPECT_TRUE(f.bold());
  EXPECT_TRUE(f.italic());
  EXPECT_FALSE(f.underline());
  EXPECT_EQ(form->table()->fonColor(0), QColor(255, 0, 0));
}

TEST_F(MainWindow, NamesFillColumnZeroAndTheSetpointHeaderAndALargePlantShowsAHundred) {
  auto cfg = std::make_unique<TFile_config>();
  cfg->kol_inkub = 3;
  cfg->konfig_s[0].setUtf8("Инк-1");
  cfg->konfig_s[2].setUtf8("Выводной");
  config(*cfg);
  start();
  EXPECT_EQ(form->table()->rowCount(), 4);
  EXPECT_EQ(form->table()->cells(0, 1), "Инк-1");
  EXPECT_EQ(form->table()->cells(0, 3), "Выводной");
  EXPECT_EQ(form->zonT()->columnCount() + 1, 4);
  EXPECT_EQ(form->zonT()->horizontalHeaderItem(2)->text(), "Выводной");

  form.reset();
  cfg->kol_inkub = 130;
  config(*cfg);
  ScratchInstall::write(ws->store.registryFile(), "");  // the file copy is the one to read
  start();
  EXPECT_EQ(ws->store.config.kol_inkub, 130);
  EXPECT_EQ(form->table()->rowCount(), 101);
}

TEST_F(MainWindow, ChangingTheTemperatureCountRewritesColumnsAndHeaderAtOnce) {
  start();
  form->table()->setCells(7, 1, "x");
  form->setKolT(1);
  EXPECT_EQ(form->table()->colCount(), 7);
  EXPECT_EQ(header(),
            (std::vector<QString>{"", "T1", "T2", "Влажн.", "Лотки", "Аварии", "Запись"}));
  form->setKolT(7);
  EXPECT_EQ(form->table()->colCount(), 8);
}

TEST_F(MainWindow, ContextMenuNumbersMustBePositiveWholeNumbers) {
  start();
  EXPECT_FALSE(form->table()->setRowHeightText("abc"));
  EXPECT_FALSE(form->table()->setRowHeightText("0"));
  EXPECT_EQ(form->table()->defaultRowHeight(), 100);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_TRUE(form->table()->setRowHeightText(" 45 "));
  EXPECT_EQ(form->table()->defaultRowHeight(), 45);
  EXPECT_EQ(form->tableT()->rowHeight(0), 45);
  EXPECT_TRUE(form->table()->setOtherColWidthsText("80"));
  for (int c = 1; c < 8; ++c) EXPECT_EQ(form->table()->colWidth(c), 80) << c;
  EXPECT_FALSE(form->table()->setFirstColWidthText("12.5"));
  EXPECT_TRUE(form->table()->setFirstColWidthText("140"));
  EXPECT_EQ(form->table()->colWidth(0), 140);
}

// A font entry of the table's menu asks for the font, then for the colour: a Cancel of the
// colour keeps the font chosen with the class's colour; a Cancel of the font changes nothing
// and asks no colour.
TEST_F(MainWindow, FontEntriesKeepTheChosenFontWhenTheColourIsCancelled) {
  start();
  IncubatorTable* t = form->table();
  std::optional<QFont> font = QFont("DejaVu Serif", 13);
  std::optional<QColor> colour;
  int coloursAsked = 0;
  t->chooseFont = [&](const QFont&) { return font; };
  t->chooseColor = [&](const QColor&) {
    ++coloursAsked;
    return colour;
  };
  auto entry = [&](const char* text) {
    for (QAction* a : t->contextMenu()->actions())
      if (a->text() == QString::fromUtf8(text)) return a;
    ADD_FAILURE() << text;
    return new QAction(form.get());
  };
  ws->settings.FON[1].color = 0xFF000008;  // a system colour stays one
  t->fontsChanged();
  entry("Цвет, если выше зоны")->trigger();
  EXPECT_EQ(coloursAsked, 1);
  EXPECT_EQ(t->fonFont(1).family(), "DejaVu Serif");
  EXPECT_EQ(t->fonFont(1).pointSize(), 13);
  EXPECT_EQ(ws->settings.FON[1].name, "DejaVu Serif");
  EXPECT_EQ(ws->settings.FON[1].size, 13);
  EXPECT_EQ(ws->settings.FON[1].color, 0xFF000008u);

  const FontClass header = ws->settings.FON[0];
  font.reset();
  entry("Шрифт залоловков таблицы")->trigger();
  EXPECT_EQ(coloursAsked, 1);
  EXPECT_EQ(ws->settings.FON[0].name, header.name);
  EXPECT_EQ(ws->settings.FON[0].size, header.size);

  font = QFont("DejaVu Sans", 9);
  colour = QColor(1, 2, 3);
  entry("Цвет, если ниже зоны")->trigger();
  EXPECT_EQ(ws->settings.FON[3].name, "DejaVu Sans");
  EXPECT_EQ(ws->settings.FON[3].color, 0x030201u);
}

TEST_F(MainWindow, ClosingJournalsAndStoresTheWindowState) {
  start();
  form->table()->setColWidth(0, 150);
  form->table()->setColWidth(2, 66);
  form->table()->setDefaultRowHeight(70);
  form->table()->setFon(3, QFont("DejaVu Serif", 11), QColor(1, 2, 3));
  form->resize(800, 600);
  int closed = 0;
  QObject::connect(form.get(), &TForm1::closed, [&] { ++closed; });
  form->close();
  form->close();
  EXPECT_EQ(closed, 1);
  EXPECT_NE(dir.journal().find("программа ЗАКРЫТА!"), std::string::npos);

  Settings s;
  loadSettings(ws->iniPath(), s);
  EXPECT_EQ(s.tableW[0], 150);
  EXPECT_EQ(s.tableW[2], 66);
  EXPECT_EQ(s.tableW[1], 100);
  EXPECT_EQ(s.tableDefaultRowHeight, 70);
  EXPECT_EQ(s.formWidth, 800);
  EXPECT_EQ(s.formHeight, 600);
  EXPECT_EQ(s.FON[3].name, "DejaVu Serif");
  EXPECT_EQ(s.FON[3].size, 11);
  EXPECT_EQ(s.FON[3].color, 0x030201u);
}

}  // namespace
}  // namespace vs
