// The program editor on a scratch hall: a missing program is created and named in the
// configuration, the arrows go round the incubators, "Лотки упр." shows its column, a cell is
// edited through the query, days out of order are asked about before "Сохранить", and a name
// that leads out of "rezim" is refused.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <cstring>
#include <memory>

#include "config/Workstation.h"
#include "programs/ProgramFile.h"
#include "programs/ui/TRezimForm.h"
#include "tests/test_workstation_fixture.h"

namespace vs {
namespace {

using testing::ScratchInstall;
namespace fs = std::filesystem;

// With VETROSTAN_SHOT_DIR set, the window is saved there as a picture to look at.
void shoot(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("VETROSTAN_SHOT_DIR");
  if (dir.isEmpty()) return;
  EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
}

std::string bytesOf(const TFile_INKconfig& p) {
  return {reinterpret_cast<const char*>(&p), sizeof p};
}

TEST(TRezimFormWindow, CreatesMissingProgramEditsAndAsksAboutDayOrderBeforeSaving) {
  ScratchInstall dir;
  ManualClock clock;
  Workstation ws(dir.home, clock, dir.registry);
  auto& cfg = ws.store.config;
  cfg.kol_inkub = 3;
  const char* names[] = {"Инк 1", "Инк 2", "Инк 3"};
  for (std::size_t i = 0; i < 3; ++i) cfg.konfig_s[i].setUtf8(names[i]);
  cfg.konfig_finkub[1].setUtf8("b.ink");
  cfg.konfig_finkub[2].setUtf8("../evil.ink");

  auto prog = std::make_unique<TFile_INKconfig>();
  prog->kol = 3;
  prog->nDen[0] = 1, prog->nDen[1] = 10, prog->nDen[2] = 18;
  prog->Temp[0] = 3780, prog->Temp[1] = 3750, prog->Temp[2] = 3720;
  prog->Vlaz[0] = 55, prog->Vlaz[1] = 50, prog->Vlaz[2] = 70;
  prog->Zaslonki[0] = 10, prog->Zaslonki[1] = 30, prog->Zaslonki[2] = 45;
  prog->Lotki[0] = 60, prog->Lotki[1] = 90;
  prog->TempZ[0] = 77, prog->crc = 0xBEEF, prog->rab = 1;
  const std::string original = bytesOf(*prog);

  TRezimForm form(ws);
  std::vector<QString> messages, questions, queries;
  form.message = [&](const QString& m) { messages.push_back(m); };
  bool answer = false;
  form.ask = [&](const QString& m) {
    questions.push_back(m);
    return answer;
  };
  QString typed;
  form.query = [&](const QString& title, const QString& prompt, const QString& text) {
    queries.push_back(title + "|" + prompt + "|" + text);
    return std::optional<QString>(typed);
  };

  // Incubator 1 names no file: "000.ink" is created in a new "rezim", told, and configured.
  form.select(0);
  form.show();
  const fs::path created = dir.home / "rezim" / "000.ink";
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].toStdString(), kNewProgramFile + created.string());
  EXPECT_EQ(ScratchInstall::read(created).size(), 8048u);
  EXPECT_EQ(cfg.konfig_finkub[0].utf8(), "000.ink");
  const std::string cfgFile = ScratchInstall::read(dir.home / "config.cfg");
  ASSERT_EQ(cfgFile.size(), sizeof(TFile_config));
  EXPECT_NE(cfgFile.find("\x07"
                         "000.ink"),
            std::string::npos);
  EXPECT_EQ(form.status()->text(), "Инк 1 <--> 000.ink");
  EXPECT_EQ(form.days()->value(), 1);

  // "->" to incubator 2: its 3-row program, trays not driven, so four columns.
  ScratchInstall::write(dir.home / "rezim" / "b.ink", original);
  form.nextButton()->click();
  EXPECT_EQ(form.tek_inkub0(), 1);
  EXPECT_EQ(form.status()->text(), "Инк 2 <--> b.ink");
  EXPECT_EQ(form.days()->value(), 3);
  QTableWidget* grid = form.grid();
  ASSERT_EQ(grid->rowCount(), 3);
  EXPECT_EQ(grid->item(1, 1)->text(), "37.50");
  EXPECT_EQ(grid->item(2, 0)->text(), "18");
  EXPECT_FALSE(form.lotki()->isChecked());
  EXPECT_TRUE(grid->isColumnHidden(kColLotki));
  form.lotki()->click();
  EXPECT_FALSE(grid->isColumnHidden(kColLotki));
  EXPECT_EQ(grid->horizontalHeaderItem(kColLotki)->text(), "Лотки");
  EXPECT_EQ(form.RezimF().prLotki, 1);
  shoot(form, "rezim_form.png");

  // Day 3 typed into the last row, after day 10.
  typed = "3";
  emit grid->cellDoubleClicked(2, kColDay);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0], "Изменение Режима|Номер Дня:|18");
  EXPECT_EQ(grid->item(2, 0)->text(), "3");
  typed = "abc";
  emit grid->cellDoubleClicked(0, kColLotki);
  EXPECT_EQ(messages.back(), "Недопустимый символ! Не выполнено.");
  EXPECT_EQ(form.RezimF().Lotki[0], 60);

  answer = false;
  form.saveButton()->click();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0],
            "Дни программы идут не по возрастанию (строка 3: день 3 после дня 10). Автоматика "
            "берёт строки по возрастанию дней. Сохранить всё равно?");
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "b.ink"), original);

  answer = true;
  const std::size_t before = messages.size();
  form.saveButton()->click();
  EXPECT_EQ(messages.size(), before);  // nothing to tell
  prog->nDen[2] = 3;
  prog->prLotki = 1;
  EXPECT_EQ(ScratchInstall::read(dir.home / "rezim" / "b.ink"), bytesOf(*prog));

  // "<-" twice: incubator 1, then round to incubator 3, whose name leads out of "rezim".
  form.prevButton()->click();
  EXPECT_EQ(form.tek_inkub0(), 0);
  form.prevButton()->click();
  EXPECT_EQ(form.tek_inkub0(), 2);
  EXPECT_NE(messages.back().indexOf("../evil.ink"), -1);
  EXPECT_FALSE(form.save());
  EXPECT_FALSE(fs::exists(dir.home / "evil.ink"));
}

}  // namespace
}  // namespace vs
