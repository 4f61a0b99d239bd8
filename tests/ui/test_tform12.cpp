#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "history/LogRecords.h"
#include "history/ui/TForm12.h"

namespace vs {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& p) {
  return QString::fromStdString(p.string());
}

TEST(TForm12Window, ConvertsWithTheChosenAveragingAndFormatAndOpensOnlyWhenTicked) {
  const fs::path dir =
      fs::temp_directory_path() / ("vs-tform12-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "file");
  std::vector<TFile> log(250);
  for (std::size_t i = 0; i < log.size(); ++i) log[i].dt = 46000.0 + i / 1440.0;
  log[99].dt = 0;  // the last record of the first group of 100
  std::ofstream(dir / "file" / "inc.fil", std::ios::binary)
      .write(reinterpret_cast<const char*>(log.data()),
             static_cast<std::streamsize>(log.size() * sizeof(TFile)));

  TForm12 w(dir);
  QStringList opened;
  w.openWorkbook = [&](const QString& path) { opened << path; };
  EXPECT_EQ(w.windowTitle(), "Преобразование в файл Exel");
  const QStringList captions{"1/1", "1/10", "1/100", "1/1000"};
  const QStringList hints{"Все записи", "С усреднением 10:1", "С усреднением 100:1",
                          "С усреднением 1000:1"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(w.averageButtons()[i]->text(), captions[i]);
    EXPECT_EQ(w.averageButtons()[i]->toolTip(), hints[i]);
  }
  EXPECT_EQ(w.averaging(), 10);
  EXPECT_TRUE(w.openCheck()->isChecked());
  EXPECT_EQ(w.format(), SheetFormat::Xls);
  EXPECT_FALSE(w.progressBar()->isVisibleTo(&w));

  w.convert(q(dir / "file" / "inc.fil"));
  EXPECT_EQ(w.messages()->toPlainText(),
            "Всего 24 записей (пустых: 1). Записано 24\n" + q(dir / "file" / "inc.xls"));
  EXPECT_EQ(opened, QStringList{q(dir / "file" / "inc.xls")});
  EXPECT_FALSE(w.progressBar()->isVisibleTo(&w));

  // The buttons are exclusive; the box cleared: written, not opened.
  w.averageButtons()[2]->click();
  EXPECT_FALSE(w.averageButtons()[1]->isChecked());
  EXPECT_EQ(w.averaging(), 100);
  w.formatBox()->setCurrentIndex(2);
  w.openCheck()->setChecked(false);
  w.messages()->clear();
  w.convert(q(dir / "file" / "inc.fil"));
  EXPECT_EQ(w.messages()->toPlainText(),
            "Всего 1 записей (пустых: 1). Записано 1\n" + q(dir / "file" / "inc.csv"));
  EXPECT_TRUE(fs::exists(dir / "file" / "inc.csv"));
  EXPECT_EQ(opened.size(), 1);

  // A failure is told in the text box and nothing is opened.
  w.openCheck()->setChecked(true);
  w.messages()->clear();
  w.convert(q(dir / "file" / "gone.fil"));
  EXPECT_TRUE(w.messages()->toPlainText().startsWith("Не удалось прочитать журнал "));
  EXPECT_EQ(opened.size(), 1);

  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace vs
