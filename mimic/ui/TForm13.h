// The mimic editor "Конструктор": a tool window beside the mimic "Инкубаторий". While
// "Разрешить редактирование" is down the mimic stops living, a double click on its background
// adds an element of the active tab's kind, a press selects an element and dragging moves it;
// the tabs change the selection, and the document buttons create, load and save documents.
#pragma once
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "mimic/ui/KonstrTab.h"

class QPushButton;
class QTabWidget;
class QTimer;

namespace vs {

class KonstrGeneralTab;
class KonstrIconsTab;
class KonstrLabelsTab;
class KonstrPanelsTab;
class KonstrSensorsTab;
class KonstrStrip;

class TForm13 : public QWidget {
  Q_OBJECT

 public:
  // `config_p` is the working copy of the plant configuration the editor writes into, `live`
  // the configuration in use; `iniPath` the settings file (section "Form13").
  TForm13(MimicDocument& doc, TDispetch& mimic, TFile_config& config_p, const TFile_config& live,
          std::filesystem::path home, std::filesystem::path iniPath, QWidget* parent = nullptr);
  ~TForm13() override;

  Konstruktor& engine() { return *k_; }
  // The dialogs the editor opens; a test replaces them.
  KonstrDialogs dialogs;
  // "перенос": the configuration transfer window.
  std::function<void()> openTransfer;
  // A second copy of the program: nothing can be edited.
  void setReadOnly(bool on);

  QPushButton* editButton() const { return edit_; }
  QPushButton* loadButton() const { return load_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* saveAsButton() const { return saveAs_; }
  QPushButton* createButton() const { return create_; }
  QPushButton* transferButton() const { return transfer_; }
  QTabWidget* tabs() const { return tabs_; }
  KonstrStrip* strip() const { return strip_; }
  KonstrPanelsTab* panelsTab() const { return panels_; }
  KonstrSensorsTab* sensorsTab() const { return sensors_; }
  KonstrLabelsTab* labelsTab() const { return labels_; }
  KonstrIconsTab* iconsTab() const { return icons_; }
  KonstrGeneralTab* generalTab() const { return general_; }

  // What the mimic passes on while editing: a pressed element, a drag, a background double
  // click (canvas coordinates).
  void select(MimicKind kind, int index);
  void dragTo(QPoint at);
  void addAt(QPoint at);

  // The document buttons.
  bool loadDocument();
  bool saveDocument();
  bool saveDocumentAs();
  bool createDocument();

  // Geometry and the sample of new panels into section "Form13"; false when it could not be
  // written (told). Called at shut-down.
  bool saveState();

  // The document was changed since it was last loaded, created or saved.
  bool modified() const { return modified_; }
  // Asked before the operator's close ends the program: with unsaved changes, whether to save
  // them (Yes saves, No drops them) or to keep the program running (Cancel, or a failed save).
  bool mayClose();
  enum class SaveAnswer { Yes, No, Cancel };
  std::function<SaveAnswer(const std::string& question)> askSave;
  static constexpr const char* kAskSave = "Инкубаторий изменён. Сохранить изменения?";

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void setEditing(bool on);
  void blink();
  void readState(int& width, int& height, std::uint32_t& color);
  void tell(const std::string& text) const;
  KonstrTab* tabOf(KonstrKind kind) const;
  int indexOf(KonstrKind kind, int slot) const;

  MimicDocument& doc_;
  TDispetch& mimic_;
  const TFile_config& live_;
  std::filesystem::path iniPath_;
  std::unique_ptr<Konstruktor> k_;
  std::unique_ptr<KonstrContext> cx_;
  KonstrStrip* strip_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* saveAs_ = nullptr;
  QPushButton* create_ = nullptr;
  QPushButton* transfer_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  KonstrPanelsTab* panels_ = nullptr;
  KonstrSensorsTab* sensors_ = nullptr;
  KonstrLabelsTab* labels_ = nullptr;
  KonstrIconsTab* icons_ = nullptr;
  KonstrGeneralTab* general_ = nullptr;
  QTimer* stripTimer_ = nullptr;
  QTimer* blinkTimer_ = nullptr;
  QPoint selectedAt_{-1, -1};  // the press that made the selection, the origin of a drag
  bool selecting_ = false;     // switching to the selection's tab keeps the selection
  bool readOnly_ = false;
  bool modified_ = false;
};

// Position and size of the editor from the stored values and the screen: a width or height
// below 100 gives 100 and one above the screen gives the screen's; left and top not below 0 and
// not beyond the screen - 300.
QRect fitForm13Geometry(int left, int top, int width, int height, QSize screen);

}  // namespace vs
