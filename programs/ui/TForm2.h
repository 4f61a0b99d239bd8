// The program window "Запись в файл и выбор режима инкубации" of one incubator: its log-file
// settings (logging on or off, the log's base name, averaging by ten) and, in the programs
// part of the window, its incubation program.
#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vs {

class Workstation;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(Workstation& ws, QWidget* parent = nullptr);

  // Shows the window on the incubator of row nk.
  void openFor(int nk);
  int row() const { return nk_; }

  // "Запомнить": logging switch, log name and averaging into the configuration, which is saved.
  // False (after saying why) when the name is refused or the configuration was not saved.
  bool zapomnit();

  QRadioButton* writeOn() const { return writeOn_; }
  QLineEdit* fileName() const { return fileName_; }
  QCheckBox* averaging() const { return averaging_; }

 private:
  void fill();
  void step(int delta);

  Workstation& ws_;
  int nk_ = 0;
  QLabel* header_ = nullptr;
  QRadioButton* writeOff_ = nullptr;
  QRadioButton* writeOn_ = nullptr;
  QLineEdit* fileName_ = nullptr;
  QCheckBox* averaging_ = nullptr;
};

}  // namespace vs
