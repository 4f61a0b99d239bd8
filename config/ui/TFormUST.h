// The general settings window "Общие настройки": how the link starts, sound alarms, the number
// of temperature sensors, the help panels and the computer's power. A choice takes effect at
// once; closing the window writes the five keys of the section "Nastr".
#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QButtonGroup;
class QGroupBox;

namespace vs {

class Workstation;

class TFormUST : public QDialog {
  Q_OBJECT

 public:
  enum Group { RunWin = 0, ZwukOn, KolT, Help, Compyter };

  // `pressWork` presses the main window's "Работа" button when the link is to start with the
  // program; it returns false when the adapter could not be opened.
  TFormUST(Workstation& ws, std::function<bool()> pressWork, QWidget* parent = nullptr);

  QGroupBox* box(Group g) const { return boxes_[g]; }
  QButtonGroup* group(Group g) const { return groups_[g]; }
  int selected(Group g) const;
  // Selects an item as the operator's click would.
  void choose(Group g, int item);

  int kol_t() const { return selected(KolT); }
  bool zvuk_on() const { return selected(ZwukOn) == 1; }
  bool help_on() const { return selected(Help) == 1; }

 signals:
  void kolTChanged(int kol_t);
  void zvukOnChanged(bool on);
  void helpOnChanged(bool on);
  void firmwareKey();  // Alt+O: the firmware-update window, reset and modal
  void traysKey();     // Alt+N: the tray-board window, modal

 public slots:
  void done(int r) override;

 private:
  void store(Group g, int item);

  Workstation& ws_;
  std::array<QGroupBox*, 5> boxes_{};
  std::array<QButtonGroup*, 5> groups_{};
};

}  // namespace vs
