// The parameter editor "Настройки аварийных зон и параметров управления" (TParamWriteF): the
// setpoints of the current incubator on five pages, each field with its "Запись", the
// temperatures with their step buttons. It mirrors the engine's fields; the engine (owned
// here) follows the answers, steps, writes and journals.
#pragma once
#include <QDialog>
#include <QTimer>
#include <array>

#include "setpoints/ParamEditor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace vs {

class TParamWriteF : public QDialog {
  Q_OBJECT

 public:
  explicit TParamWriteF(Station& station, QWidget* parent = nullptr);
  ~TParamWriteF() override;

  ParamEditor& editor() { return editor_; }
  // The operator's boxes; by default Qt's own. Tests give theirs (it must outlive the window).
  void setDialogs(Dialogs* dialogs);

  QTabWidget* pages() const { return pages_; }
  QPushButton* editButton() const { return edit_; }  // "Редактировать"
  QPushButton* prevButton() const { return prev_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* numberLabel() const { return number_; }
  QLineEdit* text(PField f) const { return text_[index(f)]; }
  QComboBox* choice(PField f) const { return choice_[index(f)]; }
  QPushButton* zapis(PField f) const { return zapis_[index(f)]; }
  // Step buttons of a temperature field: 0 "+", 1 "-", 2 "++", 3 "--".
  QPushButton* stepButton(PField f, int which) const { return step_[index(f)][which]; }

 signals:
  // The editor has closed: the main window's button goes up.
  void closedEditor();

 protected:
  void showEvent(QShowEvent* e) override;
  void done(int r) override;

 private:
  static std::size_t index(PField f) { return static_cast<std::size_t>(f); }
  void showFields();
  void setEditing(bool down);

  ParamEditor editor_;
  std::unique_ptr<Dialogs> own_;
  QTimer timer_;
  QTabWidget* pages_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* prev_ = nullptr;
  QPushButton* next_ = nullptr;
  QLabel* number_ = nullptr;
  std::array<QLineEdit*, kParamFields> text_{};
  std::array<QComboBox*, kParamFields> choice_{};
  std::array<QPushButton*, kParamFields> zapis_{};
  std::array<std::array<QPushButton*, 4>, kParamFields> step_{};
};

}  // namespace vs
