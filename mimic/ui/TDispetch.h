// The mimic window "Инкубаторий": the current document over its background, kept alive from the
// station's tables. It owns the view engine (DispetchView) and the canvas; the program gives it
// the document, the tables, the configuration and where its buttons and clicks lead.
#pragma once
#include <QWidget>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "mimic/ui/MimicRecords.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

namespace vs {

class MimicCanvas;
class MimicDocument;
struct Settings;

class TDispetch : public QWidget {
  Q_OBJECT

 public:
  // Where the window's buttons and clicks lead; an empty one does nothing. Rows are 0-based
  // positions in the configured list; -1 when no incubator has been clicked yet.
  struct Hooks {
    std::function<void(int row)> paramEditor;  // "Настройки аварийных зон и параметров управления"
    std::function<void(int row)> damperWindow;  // "Заслонки"
    std::function<void(int row)>
        programWindow;  // double click: "Запись в файл и выбор режима инкубации"
    std::function<void()> editor;  // "Вызов Конструктора Инкубатория", Ctrl+K, background
    std::function<bool()> saveConfig;    // after a Ctrl double click switched polling
    std::function<bool()> soundPlaying;  // an alarm clip plays now
    std::function<int()> zvukOn;         // the workstation's sound flag zvuk_on
    // While editing is allowed: a pressed element becomes the editor's selection (the press
    // point is the canvas's pressPoint), the left button held moves it, and a double click on
    // the background adds an element there.
    std::function<void(MimicKind kind, int index)> selected;
    std::function<void(QPoint at)> dragged;
    std::function<void(QPoint at)> addAt;
  };
  Hooks hooks;

  // `home` is the working folder (icons in "img"), `iniPath` the settings file (section
  // "Dispetch": geometry and "Form"). Creating the window reads the document's name and the
  // geometry; `openDocument` then loads the document and builds the elements.
  TDispetch(MimicDocument& doc, StationTables& tables,
            const std::array<std::int32_t, 256>& tab_otvet, TFile_config& config,
            const Settings& settings, std::filesystem::path home, std::filesystem::path iniPath,
            QWidget* parent = nullptr);
  ~TDispetch() override;

  DispetchView& view() { return *view_; }
  MimicCanvas* canvas() const { return canvas_; }
  QLabel* statusLine() const { return status_; }
  QCheckBox* onTopBox() const { return onTop_; }
  QPushButton* paramButton() const { return param_; }
  QPushButton* damperButton() const { return damper_; }
  QPushButton* editorButton() const { return editor_; }

  // Start-up load of the current document (OpenDispetch), then CreateDispetch.
  void openDocument();
  // Builds the elements again from the document (after a load or an edit) with its background.
  void CreateDispetch();
  // One incubator's elements from its latest answer.
  void dispetchW(int row);
  // Visibility and colours of every element (the 600 ms timer).
  void RedUst();
  // "Разрешить редактирование": live updates stop and every element shows as stored.
  void setEditing(bool on);
  bool editing() const;
  // The elements again from the document after an edit, without reading the pictures anew.
  void rebuild();
  // The caption from the document's background ("Разрешение экрана ...").
  void refreshCaption();
  // The editor became active: this window stops staying on top of it.
  void dropStayOnTop();
  // The FON colours of the main table changed.
  void applyFonts(const Settings& settings);
  // Geometry, "Поверх всех окон" and the document's name into the settings file; false when it
  // could not be written (told through the document's `message`). Called at shut-down.
  bool saveState();
  // A second copy of the program writes nothing.
  bool readOnly = false;

 private:
  void readGeometry();
  void tell(const std::string& text) const;
  int clickedRow() const;

  MimicDocument& doc_;
  std::unique_ptr<DispetchView> view_;
  std::filesystem::path home_, iniPath_;
  MimicCanvas* canvas_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QLabel* status_ = nullptr;
  QCheckBox* onTop_ = nullptr;
  QPushButton* param_ = nullptr;
  QPushButton* damper_ = nullptr;
  QPushButton* editor_ = nullptr;
  QTimer* redUst_ = nullptr;
  QTimer* statusTimer_ = nullptr;
};

// Position and size of the window from the stored values and the screen: a width below 100
// gives 100 and one above screen + 300 the screen's (height alike); left and top not below 0
// and not beyond screen - 300. Missing values (-1) give the whole screen at 0, 0.
QRect fitDispetchGeometry(int left, int top, int width, int height, QSize screen);

}  // namespace vs
