// The program window "Запись в файл и выбор режима инкубации" of one incubator: its incubation
// program (start, day change, program file, on or off, the scheduler's status lines) and its
// log-file settings (logging on or off, the log's base name, averaging by ten).
#pragma once
#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vs {

class ProgramPanel;
class ProgramScheduler;
class Workstation;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  // `programs` may be null (tests of other windows): the program part shows, computes nothing.
  TForm2(Workstation& ws, ProgramScheduler* programs, QWidget* parent);
  explicit TForm2(Workstation& ws, QWidget* parent = nullptr) : TForm2(ws, nullptr, parent) {}

  // "Программы Инкубации": the program editor on incubator nk's program.
  std::function<void(int nk)> programEditor;
  // The operator's boxes; by default Qt's own. Tests give theirs so that nothing blocks.
  std::function<void(const QString& text)> message;
  std::function<bool(const QString& title, const QString& text)> question;
  // "Выбрать": a program file chosen in `dir`, or empty. By default a file dialog for "*.ink".
  std::function<QString(const QString& dir)> chooseFile;

  // Shows the window on the incubator of row nk.
  void openFor(int nk);
  int row() const { return nk_; }
  // "<-" / "->".
  void step(int delta);
  // "Изменить" is down: the scheduler makes no passes while the operator edits.
  bool editing() const;

  // "Запомнить": logging switch, log name and averaging into the configuration, which is saved.
  // False (after saying why) when the name is refused or the configuration was not saved.
  bool zapomnit();

  ProgramPanel* programs() const { return panel_; }
  QLabel* header() const { return header_; }
  QRadioButton* writeOn() const { return writeOn_; }
  QLineEdit* fileName() const { return fileName_; }
  QCheckBox* averaging() const { return averaging_; }

 public slots:
  // "Закрыть", the window's close box and Esc: an edit in progress is finished first, with its
  // question, so that a closed window does not keep the scheduler waiting.
  void reject() override;

 private:
  void fill();
  // The scheduler shows this incubator and every program is read again from its file.
  void reload();

  Workstation& ws_;
  ProgramScheduler* scheduler_;
  int nk_ = 0;
  QLabel* header_ = nullptr;
  ProgramPanel* panel_ = nullptr;
  QRadioButton* writeOff_ = nullptr;
  QRadioButton* writeOn_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QCheckBox* averaging_ = nullptr;
};

}  // namespace vs
