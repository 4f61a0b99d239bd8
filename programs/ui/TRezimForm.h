// The program editor "Создание, просмотр и редактирование программ инкубации": shows and edits
// the incubation program RezimF of one incubator (tek_inkub0) and saves it to its file in
// "rezim" or to another file. The running programs take a saved file at their next reload.
#pragma once
#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "programs/TFile_INKconfig.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vs {

class Workstation;

class TRezimForm : public QDialog {
  Q_OBJECT

 public:
  explicit TRezimForm(Workstation& ws, QWidget* parent = nullptr);

  // Opens the editor modally on the program of the incubator at position nk.
  void openFor(int nk);
  // Chooses the incubator without opening; showing the window loads its program.
  void select(int nk);

  // The program of incubator tek_inkub0 from "rezim", as on activation.
  void loadIncubator();
  // "<-" (-1) and "->" (+1): the previous or next incubator, wrapping round, and its program.
  void step(int delta);
  // Loads a file into the editor; a missing one is created with the editor's program.
  void loadFile(const std::filesystem::path& path);
  // The query of a double-clicked cell (row of the program, 0-based; grid column).
  void editCell(int row, int col);
  // "Сохранить": to the configured file of incubator tek_inkub0. False when nothing was
  // written (refused name, the operator said No, or the write failed: said why).
  bool save();
  // Writes RezimF to `path` after the day-order question; false when nothing was written.
  bool saveTo(const std::filesystem::path& path);

  // Operator boxes, replaceable so that tests answer them. `query` returns nothing when
  // cancelled; `ask` is a Yes/No question (true: Yes); `chooseFile` a file dialog in "rezim"
  // (empty: cancelled).
  std::function<std::optional<QString>(const QString& title, const QString& prompt,
                                       const QString& text)>
      query;
  std::function<void(const QString& text)> message;
  std::function<bool(const QString& text)> ask;
  std::function<QString(bool forSave)> chooseFile;

  const TFile_INKconfig& RezimF() const { return RezimF_; }
  TFile_INKconfig& RezimF() { return RezimF_; }
  int tek_inkub0() const { return tek_inkub0_; }
  // The file of the program shown (empty before the first load).
  const std::filesystem::path& shownFile() const { return shown_; }
  // Shows RezimF again after a test changed it.
  void refresh();

  QSpinBox* days() const { return days_; }
  QCheckBox* lotki() const { return lotki_; }
  QTableWidget* grid() const { return grid_; }
  QLabel* status() const { return status_; }
  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QPushButton* readButton() const { return read_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* saveAsButton() const { return saveAs_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  std::filesystem::path rezim() const;
  int incubators() const;
  // The configured file of incubator tek_inkub0; false (after saying so) when its name leads
  // out of "rezim". `name` gets the configured name, "000.ink" added when it names no file.
  bool configuredPath(std::string& name, std::filesystem::path& path);
  void load(const std::filesystem::path& path, const std::string* configuredName);
  void fillGrid();
  void setStatus(const std::string& fileName);
  void saveAs();
  void readFromFile();

  Workstation& ws_;
  TFile_INKconfig RezimF_{};
  int tek_inkub0_ = 0;
  std::filesystem::path shown_;
  QLabel* status_ = nullptr;
  QPushButton* prev_ = nullptr;
  QPushButton* next_ = nullptr;
  QSpinBox* days_ = nullptr;
  QCheckBox* lotki_ = nullptr;
  QTableWidget* grid_ = nullptr;
  QPushButton* read_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* saveAs_ = nullptr;
};

}  // namespace vs
