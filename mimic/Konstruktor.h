// The mimic editor "Конструктор" without Qt: every command of its tabs and document buttons that
// changes the document KS, with the limits, refusals and confirmations of the editor. The window
// turns its controls into these calls; messages reach it through `message`, questions through
// `ask`, and the plant configuration is stored through `rememberConfig` / `saveConfig`.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/TFile_config.h"
#include "mimic/DispetchFile.h"
#include "mimic/konstrT.h"

namespace vs {

enum class KonstrKind { None, Panel, Sensor, Label, Icon };

// What a new sensor takes from the "Датчики" tab and its samples.
struct SensorSample {
  int nKP = 1;
  int tip = 0;
  TFont_ font{};
  std::uint32_t color = 0xFF00000F;  // background sample
  bool transparent = false;
  bool tpodch = false;
};

// What a new label takes from the "Надписи" tab and its samples.
struct LabelSample {
  int nKP = 1;
  std::string text;  // "Название:"
  bool attached = false;
  bool nazvanieNOM = false;
  bool transparent = false;
  TFont_ font{};
  std::uint32_t color = 0xFF00000F;        // background sample
  std::uint32_t windowColor = 0xFF00000F;  // the mimic window's face, for a free transparent label
};

// What a new icon takes from the "значки" tab and its sample picture.
struct IconSample {
  int nKP = 1;
  int image = 0;
  int width = 32;
  int height = 32;
};

class Konstruktor {
 public:
  // `config_p` is the working copy of the plant configuration the editor writes into.
  Konstruktor(MimicDocument& doc, TFile_config& config_p) : doc_(doc), p_(config_p) {}

  // An operator message (a message box in the program).
  std::function<void(const std::string& utf8)> message;
  // A Yes/No question; true for Yes. Without a hook the answer is No, so nothing is deleted.
  std::function<bool(const std::string& utf8)> ask;
  // Makes `config_p` live and saves it as the settings tab's "Запомнить!" does; false when
  // the configuration could not be stored (the failure already told).
  std::function<bool()> rememberConfig;
  // Saves the live plant configuration after a document save; false on failure.
  std::function<bool()> saveConfig;

  static constexpr const char* kNoObject = "Объект не выбран!";
  static constexpr const char* kNothing = "Нет объектов для удаления";
  static constexpr const char* kNoPanel = "Инкубатор не выбран";
  static constexpr const char* kAskOne = "Вы уверены, что хотите удалить выбранный обьект?";
  static constexpr const char* kAskPanel =
      "Вы уверены, что хотите удалить выбранный Инкубатор со всеми элементами?";
  static constexpr const char* kFree = "Номер КП:(свободен)";
  static constexpr const char* kTaken = "Номер КП:(занят)";

  // Selection: kind and 0-based slot (`TekI` is slot + 1 in the strip, -1 none).
  KonstrKind kind() const { return kind_; }
  int slot() const { return slot_; }
  void select(KonstrKind kind, int slot);
  void clearSelection() {
    kind_ = KonstrKind::None;
    slot_ = -1;
    blink_ = 0;
    shown_ = {};
  }
  // The selected element's record, or nullptr.
  Tlabel_* selected();

  // Adding by a double click on the background; each returns the new slot or -1 (refused,
  // told through `message`, the document unchanged).
  int addPanel(int x, int y, int width, int height, std::uint32_t color);
  int addSensor(const SensorSample& s);
  int addLabel(const LabelSample& s, int x, int y);
  int addIcon(const IconSample& s);

  // Name for a new element of kind letter 'N', 'D', 'L' or 'Z'.
  std::string newName(char letter) const;

  // Deleting; each asks first. True when something was deleted.
  bool deleteSelected();                          // the selected sensor, label or icon
  bool deleteSelectedPanel();                     // the selected panel with its elements
  bool deleteAll(KonstrKind kind);                // "Удалить все" of a tab
  bool deleteAllBound(KonstrKind kind, int nKP);  // "Удалить все,  привязанные к КП"

  // "Размеры по выбранному", "Создать 1 полную копию", "Выровнять все".
  bool sameSize();
  int fullCopy();  // the new panel's slot, or -1
  bool alignAll();

  // "Запомнить" of the panel number: returns kFree or kTaken (or "" without a panel selected).
  std::string rememberPanelNumber(int nKP);
  // "Запомнить" of "Номер блока в сети" for the incubator at "Номер КП:".
  bool rememberNetwork(int nKP, int busNumber, int line, bool on);

  // Property changes of the selection.
  void moveTo(int x, int y);
  void resize(int width, int height);
  void setColor(std::uint32_t color, bool transparent);
  void setTip(int tip);
  void setLabelText(const std::string& text, bool nazvanieNOM);
  void setFont(const TFont_& font);
  // "фон прозрачный" of a sensor or label: on, it takes the colour of its panel.
  void setTransparent(bool on);
  // The caption of "Номер КП:" while the number is being changed: kFree or kTaken.
  std::string numberCaption(int nKP) const { return findPanel(nKP) >= 0 ? kTaken : kFree; }

  // Entering or leaving edit mode clears the selection; entering takes a fresh working copy
  // of the live plant configuration.
  void setEditing(bool on, const TFile_config& live);
  bool editing() const { return editing_; }

  // Dragging: the button goes down at (x, y) over the selection, then each move shifts it by
  // the pointer's displacement since then. Returns the selection's new position.
  void dragStart(int x, int y) { dragX_ = x, dragY_ = y; }
  std::pair<int, int> dragTo(int x, int y);

  // The 100 ms blink of the selection: the counter runs 0..10.
  struct Blink {
    bool hidden = false;        // sensor, label or icon not shown
    bool bevelLowered = false;  // panel
  };
  Blink blinkTick();

  // "Общее": the background on ('o') or off ('n'), its file, the colour of idle panels.
  void setBackgroundOn(bool on) { doc_.KS->ImOn = on ? 'o' : 'n'; }
  void setBackgroundFile(const std::string& name);
  void setColorOFF(std::uint32_t color) { doc_.KS->ColorOFF = color; }

  // Documents. `create` returns the editor's caption for the new name.
  std::string create(const std::string& name);
  bool load(const std::filesystem::path& chosen);
  bool save();
  bool saveAs(const std::string& name);

  // "нулевой:": "Есть(n)" or "нет(n)" for the sensors bound to incubator 0; sets `nal_KP0`.
  // `red` when two or more.
  std::string zeroLine(bool& red);

 private:
  struct Counts {
    int sensors = 0, labels = 0, icons = 0;
  };
  konstrT& ks() { return *doc_.KS; }
  void say(const std::string& text) const;
  bool yes(const std::string& text) const { return ask && ask(text); }
  int findPanel(int nKP) const;  // slot of the panel numbered nKP, -1 none
  Counts childrenOf(const Tlabel_& panel) const;
  bool fits(int panels, const Counts& add) const;
  void removeChildren(const std::string& panelName);
  int copyPanel(int from, int x, int y, int nKP);

  MimicDocument& doc_;
  TFile_config& p_;
  KonstrKind kind_ = KonstrKind::None;
  int slot_ = -1;
  bool editing_ = false;
  int dragX_ = 0, dragY_ = 0;
  int blink_ = 0;
  Blink shown_;
};

}  // namespace vs
