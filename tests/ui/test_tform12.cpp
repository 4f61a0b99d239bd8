#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <iterator>
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

void writeLog(const fs::path& path, const std::vector<TFile>& log) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(log.data()),
             static_cast<std::streamsize>(log.size() * sizeof(TFile)));
}

// Every `converted` of a window, and a wait for the next one.
class Outcomes {
 public:
  explicit Outcomes(TForm12& w) {
    QObject::connect(&w, &TForm12::converted, &w, [this](bool ok) {
      seen_.push_back(ok);
      loop_.quit();
    });
  }
  int count() const { return static_cast<int>(seen_.size()); }
  bool isEmpty() const { return seen_.empty(); }
  bool last() const { return seen_.back(); }
  // False when none came within `ms`.
  bool wait(int ms) {
    const int before = count();
    QTimer::singleShot(ms, &loop_, &QEventLoop::quit);
    loop_.exec();
    return count() > before;
  }

 private:
  std::vector<bool> seen_;
  QEventLoop loop_;
};

// Starts a conversion and waits for its end; the argument of `converted`.
bool convertAndWait(TForm12& w, const fs::path& log, Outcomes& done) {
  const auto before = done.count();
  w.convert(q(log));
  // The outcome comes through the event loop, never inside convert().
  EXPECT_TRUE(w.busy());
  EXPECT_TRUE(w.progressBar()->isVisibleTo(&w));
  EXPECT_TRUE(w.cancelButton()->isVisibleTo(&w));
  EXPECT_FALSE(w.openButton()->isEnabled());
  if (done.count() == before) EXPECT_TRUE(done.wait(20000));
  EXPECT_FALSE(w.busy());
  EXPECT_FALSE(w.progressBar()->isVisibleTo(&w));
  EXPECT_FALSE(w.cancelButton()->isVisibleTo(&w));
  EXPECT_TRUE(w.openButton()->isEnabled());
  return !done.isEmpty() && done.last();
}

// Names of the files in a folder.
QStringList names(const fs::path& dir) {
  QStringList l;
  for (const auto& e : fs::directory_iterator(dir)) l << q(e.path().filename());
  l.sort();
  return l;
}

TEST(TForm12Window, ConvertsWithTheChosenAveragingAndFormatAndOpensOnlyWhenTicked) {
  const fs::path dir =
      fs::temp_directory_path() / ("vs-tform12-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "file");
  std::vector<TFile> log(250);
  for (std::size_t i = 0; i < log.size(); ++i) log[i].dt = 46000.0 + i / 1440.0;
  log[99].dt = 0;  // the last record of the first group of 100
  writeLog(dir / "file" / "inc.fil", log);

  TForm12 w(dir);
  Outcomes done(w);
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
  EXPECT_EQ(w.cancelButton()->text(), "Отмена");
  EXPECT_FALSE(w.cancelButton()->isVisibleTo(&w));

  EXPECT_TRUE(convertAndWait(w, dir / "file" / "inc.fil", done));
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
  EXPECT_TRUE(convertAndWait(w, dir / "file" / "inc.fil", done));
  EXPECT_EQ(w.messages()->toPlainText(),
            "Всего 1 записей (пустых: 1). Записано 1\n" + q(dir / "file" / "inc.csv"));
  EXPECT_TRUE(fs::exists(dir / "file" / "inc.csv"));
  EXPECT_EQ(opened.size(), 1);

  // A failure is told in the text box and nothing is opened.
  w.openCheck()->setChecked(true);
  w.messages()->clear();
  EXPECT_FALSE(convertAndWait(w, dir / "file" / "gone.fil", done));
  EXPECT_TRUE(w.messages()->toPlainText().startsWith("Не удалось прочитать журнал "));
  EXPECT_EQ(opened.size(), 1);
  EXPECT_EQ(done.count(), 3);

  std::error_code ec;
  fs::remove_all(dir, ec);
}

// A long conversion is stopped by "Отмена", by closing the window and by its end: each time the
// workbook there before stays as it was and nothing half-written is left beside it.
TEST(TForm12Window, StoppedConversionLeavesTheOldWorkbook) {
  const fs::path dir =
      fs::temp_directory_path() / ("vs-tform12-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "file");
  // 16 slices of the reader: far longer to convert than the stop takes to come.
  std::vector<TFile> log(16 * 65536);
  for (std::size_t i = 0; i < log.size(); ++i) {
    log[i].T1 = 37.5;
    log[i].dt = 46000.0 + i / 86400.0;
  }
  const fs::path fil = dir / "file" / "long.fil";
  writeLog(fil, log);
  std::ofstream(dir / "file" / "long.csv") << "previous";
  const QStringList files = names(dir / "file");

  TForm12 w(dir);
  w.formatBox()->setCurrentIndex(2);
  w.averageButtons()[0]->click();
  QStringList opened;
  w.openWorkbook = [&](const QString& path) { opened << path; };
  Outcomes done(w);

  w.show();
  w.convert(q(fil));
  ASSERT_TRUE(w.busy());
  w.cancelButton()->click();
  ASSERT_TRUE(done.wait(20000));
  EXPECT_EQ(done.last(), false);
  EXPECT_EQ(w.messages()->toPlainText(), "Преобразование отменено");
  EXPECT_FALSE(w.busy());

  // Closing waits for the stop: everything is settled when close() returns.
  w.show();
  w.convert(q(fil));
  w.close();
  EXPECT_FALSE(w.busy());
  EXPECT_EQ(done.count(), 2);
  EXPECT_EQ(w.messages()->toPlainText(), "Преобразование отменено\nПреобразование отменено");
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_EQ(names(dir / "file"), files);
  std::ifstream old(dir / "file" / "long.csv");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "previous");

  // The window goes while converting (the program ends): no crash, no file left behind.
  auto* gone = new TForm12(dir);
  gone->formatBox()->setCurrentIndex(2);
  gone->convert(q(fil));
  delete gone;
  EXPECT_EQ(names(dir / "file"), files);

  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace vs
