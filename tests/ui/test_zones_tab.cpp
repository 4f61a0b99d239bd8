// The "Зоны" tab and the write dialog: captions and cell texts from the tables, a column
// refreshed alone, double-clicks through scripted boxes, and the dialog that starts a write
// cycle when shown, shows its log, repeats and closes on the check answer.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <deque>
#include <filesystem>
#include <memory>

#include "common/DateTime.h"
#include "config/TFile_config.h"
#include "setpoints/SetpointMap.h"
#include "setpoints/WriteEngine.h"
#include "setpoints/ui/TWriteF.h"
#include "setpoints/ui/ZonesTab.h"
#include "station/Station.h"

namespace vs {
namespace {

struct Boxes final : Dialogs {
  std::deque<std::string> inputs;
  std::vector<std::string> asked, messages;
  void message(const std::string& text) override { messages.push_back(text); }
  Answer question(const std::string&, const std::string&, bool) override { return Answer::Cancel; }
  std::optional<std::string> input(const std::string&, const std::string& prompt,
                                   const std::string& text) override {
    asked.push_back(prompt + "|" + text);
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
};

void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

TEST(ZonesTab, ShowsEveryRowFollowsAnswersAndWritesWhatFitsTheWord) {
  auto t = std::make_unique<StationTables>();
  t->ZON[0][1] = 3780;
  t->ZON[1][1] = 3750;
  t->ZON[1][21] = 16;
  t->ZON[1][26] = 0x0200;
  TWriteCom w{};
  ZonesTab tab(*t, w);
  Boxes boxes;
  tab.setDialogs(&boxes);
  int opened = 0;
  tab.hooks.writeDialog = [&] { ++opened; };

  QTableWidget* g = tab.zonT();
  EXPECT_EQ(g->objectName(), "zonT");
  g->setColumnCount(2);  // as the main window sizes it; new columns are filled at once
  g->setHorizontalHeaderLabels({"Инкубатор 1", "Инкубатор 2"});
  ASSERT_EQ(g->rowCount(), 35);
  EXPECT_EQ(g->verticalHeaderItem(0)->text(), "Верхняя Темп.");
  EXPECT_EQ(g->verticalHeaderItem(3)->text(), "Калибр. T1");
  EXPECT_EQ(g->verticalHeaderItem(13)->text(), "Вл. время упр(мин).");
  EXPECT_EQ(g->verticalHeaderItem(34)->text(), "Задержки по авариям");
  EXPECT_EQ(g->item(1, 0)->text(), "37.80");
  EXPECT_EQ(g->item(1, 1)->text(), "37.50");
  EXPECT_EQ(g->item(26, 1)->text(), "(16)");
  EXPECT_EQ(g->item(34, 1)->text(), "1 мин");
  EXPECT_EQ(g->editTriggers(), QAbstractItemView::NoEditTriggers);

  // An answer of row 1 rewrites its column only.
  t->ZON[0][1] = 3700;
  t->ZON[1][1] = 3800;
  tab.zon_ust(1);
  EXPECT_EQ(g->item(1, 1)->text(), "38.00");
  EXPECT_EQ(g->item(1, 0)->text(), "37.80");
  tab.zon_ust(2);  // no such column: nothing
  tab.zon_ust(-1);
  tab.resize(620, 760);
  shoot(tab, "zones-tab.png");

  // A value out of the word is refused and nothing is written; one that fits is.
  boxes.inputs = {"1000", "37.6"};
  emit g->cellDoubleClicked(1, 1);
  EXPECT_EQ(boxes.messages, std::vector<std::string>{kRefused});
  EXPECT_EQ(opened, 0);
  emit g->cellDoubleClicked(1, 1);
  EXPECT_EQ(boxes.asked.back(), "Рабочая Темп.|38.00");
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(w.Col, 2);
  EXPECT_EQ(w.Row, 1);
  EXPECT_EQ(w.b, 3760);
  EXPECT_EQ(w.k, 1);
  emit g->cellDoubleClicked(3, 0);  // calibration: read-only
  emit g->cellDoubleClicked(1, 5);  // outside the grid
  EXPECT_EQ(boxes.asked.size(), 2u);
}

TEST(ZonesWriteDialog, ShowingStartsTheCycleTheLogFollowsAndTheCheckAnswerClosesIt) {
  auto config = std::make_unique<TFile_config>();
  config->kol_inkub = 1;
  config->konfig_n[0] = 5;
  ManualClock clock;
  auto station = std::make_unique<Station>(*config, clock, std::filesystem::temp_directory_path());
  WriteEngine engine(*station);
  TWriteF dlg(engine);
  EXPECT_EQ(dlg.windowTitle(), "Запись параметров в Блок автоматики");
  EXPECT_EQ(dlg.repeatButton()->text(), "Повторить");
  EXPECT_EQ(dlg.closeButton()->text(), "Закрыть");
  EXPECT_TRUE(dlg.WriteRE()->isReadOnly());

  station->WriteKom = {1, 1, 3750, false, 1};
  dlg.show();
  EXPECT_TRUE(station->WriteKom.z);
  EXPECT_EQ(station->WrK, WriteEngine::Delay);
  for (int i = 0; i < 7; ++i) engine.TimeCallBackKom();
  EXPECT_EQ(station->kom485m[0], 1);
  EXPECT_EQ(station->kom485m[1], 5);
  EXPECT_EQ(dlg.WriteRE()->toPlainText(), "Отправлена команда на изменение.");
  station->WrK = 3;  // the decoder's step signal
  engine.TimeCallBackKom();
  EXPECT_EQ(dlg.WriteRE()->toPlainText(),
            "Отправлена команда на изменение.\nПолучен первый ответ.");
  shoot(dlg, "twritef.png");

  // "Повторить": a fresh log and a fresh cycle.
  dlg.repeatButton()->click();
  EXPECT_EQ(dlg.WriteRE()->toPlainText(), "");
  EXPECT_EQ(station->WrK, WriteEngine::Delay);

  // "Закрыть" hides the dialog; the cycle goes on without it.
  dlg.closeButton()->click();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(station->WriteKom.z);
  for (int i = 0; i < 7; ++i) engine.TimeCallBackKom();
  EXPECT_EQ(engine.WriteRE.size(), 1u);

  // Shown again, it starts again; the second answer ends the cycle and closes it.
  dlg.show();
  for (int i = 0; i < 7; ++i) engine.TimeCallBackKom();
  station->WrK = 3;
  for (int i = 0; i < 12; ++i) engine.TimeCallBackKom();
  EXPECT_EQ(station->WrK, WriteEngine::AwaitSecond);
  station->WrK = 6;
  engine.TimeCallBackKom();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_FALSE(station->WriteKom.z);
  EXPECT_TRUE(dlg.WriteRE()->toPlainText().endsWith("Получен второй ответ."));
}

}  // namespace
}  // namespace vs
