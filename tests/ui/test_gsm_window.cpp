// The window "GSM - модем" over the simulated hall: the controller's settings shown, changed
// under "Изменить", sent with "Передать" to the simulated module and shown again from its next
// answer; the terminal with the modem's lines; the block number kept in the settings file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "config/SettingsFile.h"
#include "notify/ui/TgsmF.h"
#include "setpoints/SetpointEdit.h"
#include "sim/SimGsm.h"
#include "tests/ui/hall_program.h"

namespace vs {
namespace {

struct Messages final : Dialogs {
  std::vector<std::string> shown;
  void message(const std::string& text) override { shown.push_back(text); }
  Answer question(const std::string&, const std::string&, bool) override { return Answer::No; }
  std::optional<std::string> input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
};

void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

struct GsmWindowHall : testing::HallProgram {
  std::unique_ptr<TgsmF> g;
  Messages messages;

  void open() {
    startProgram({5, 6}, {"[GSM]", "Number=6"});
    ctl(6).fitGsm(true);
    ctl(6).gsm()->settings = {true, 0x01, 30, "+79001234567", 100};
    g = std::make_unique<TgsmF>(st(), bus->dispatcher, ws->iniPath());
    g->setDialogs(&messages);
    g->show();
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    g.reset();
    HallProgram::TearDown();
  }
  std::string text(QLabel* l) { return l->text().toStdString(); }
};

TEST_F(GsmWindowHall, PeredatReachesTheModuleAndTheNextAnswerShowsIt) {
  open();
  EXPECT_EQ(g->windowTitle().toStdString(), "GSM - модем");
  EXPECT_EQ(g->blockSpin()->value(), 6) << "from [GSM] Number";
  EXPECT_FALSE(g->settingsPanel()->isEnabled());

  g->terminalButton()->click();
  EXPECT_TRUE(st().controls.on_off_GSM);
  runHallMs(4000);
  EXPECT_TRUE(g->modemOn()->isChecked());
  EXPECT_TRUE(g->alarmBox(0)->isChecked());
  EXPECT_FALSE(g->alarmBox(3)->isChecked());
  EXPECT_EQ(g->delaySpin()->value(), 30);
  EXPECT_EQ(g->numberEdit()->text().toStdString(), "79001234567");
  EXPECT_EQ(g->codeType()->currentText().toStdString(), "*");
  EXPECT_EQ(g->codeSpin()->value(), 100);
  EXPECT_TRUE(g->signalGauge()->isVisible());
  EXPECT_EQ(g->signalGauge()->value(), 17);

  // "Изменить" releases "Терминал": the polls go back to 0 and the fields are the operator's.
  g->editButton()->click();
  EXPECT_FALSE(g->terminalButton()->isChecked());
  EXPECT_FALSE(st().controls.on_off_GSM);
  EXPECT_TRUE(g->settingsPanel()->isEnabled());
  g->modemOn()->setChecked(false);
  g->alarmBox(0)->setChecked(false);
  g->alarmBox(2)->setChecked(true);
  g->alarmBox(3)->setChecked(true);
  g->delaySpin()->setValue(120);
  g->codeType()->setCurrentIndex(1);
  g->codeSpin()->setValue(102);
  g->numberEdit()->setText("+7 900 12З-45-67");  // a Cyrillic "З" for the 3
  g->sendButton()->click();
  g->numberEdit()->setText("+7 (900) 123-45-67-890-123-45-67-89");
  g->sendButton()->click();
  ASSERT_EQ(messages.shown, (std::vector<std::string>{"Недопустимый символ! Не выполнено.",
                                                      "Слишком длинный номер! Не выполнено."}));
  runHallMs(500);
  EXPECT_EQ(ctl(6).gsm()->settingsHeard, 0u);

  // Grouped as operators write it: only the digits and the "+" reach the module.
  g->numberEdit()->setText("+7 (999) 111-22.33");
  g->sendButton()->click();
  runHallMs(500);
  const SimGsmSettings& held = ctl(6).gsm()->settings;
  EXPECT_EQ(ctl(6).gsm()->settingsHeard, 1u);
  EXPECT_FALSE(held.on);
  EXPECT_EQ(held.mask, 0x0C);
  EXPECT_EQ(held.delay, 120);
  EXPECT_EQ(held.number, "+79991112233");
  EXPECT_EQ(held.code, 0x80 | 102);

  // The controller's answers show again once "Изменить" is up.
  g->editButton()->click();
  g->modemOn()->setChecked(true);  // an unsent change, overwritten by the next answer
  g->terminalButton()->click();
  runHallMs(3000);
  EXPECT_EQ(st().GSM_sost[1], 0x8C);
  EXPECT_FALSE(g->modemOn()->isChecked());
  EXPECT_FALSE(g->alarmBox(0)->isChecked());
  EXPECT_TRUE(g->alarmBox(2)->isChecked());
  EXPECT_TRUE(g->alarmBox(3)->isChecked());
  EXPECT_EQ(g->delaySpin()->value(), 120);
  EXPECT_EQ(g->numberEdit()->text().toStdString(), "79991112233");
  EXPECT_EQ(g->codeType()->currentText().toStdString(), "#");
  EXPECT_EQ(g->codeSpin()->value(), 102);

  // The balance in the terminal, then the window in terminal mode for the screenshot.
  g->commandButton(GsmCommand::Balance)->click();
  runHallMs(15000);
  const std::string log = g->logView()->toPlainText().toStdString();
  EXPECT_NE(log.find("+CSQ: 17,0"), std::string::npos) << log;
  EXPECT_NE(log.find("Баланс: 123.45 р. Ваш счёт активен"), std::string::npos) << log;
  EXPECT_EQ(text(g->operatorLabel()), "\"MTS RUS\"");
  shoot(*g, "TgsmF.png");

  g->clearButton()->click();
  EXPECT_TRUE(g->logView()->toPlainText().isEmpty());

  // Closing: polls back to 0 and the block number kept.
  g->blockSpin()->setValue(5);
  g->close();
  EXPECT_FALSE(st().controls.on_off_GSM);
  EXPECT_FALSE(g->terminalButton()->isChecked());
  IniFile ini;
  ASSERT_TRUE(ini.load(ws->iniPath()));
  EXPECT_EQ(ini.readInt("GSM", "Number", 0), 5);
  EXPECT_EQ(messages.shown.size(), 2u) << "the two refusals above, no write error";
}

}  // namespace
}  // namespace vs
