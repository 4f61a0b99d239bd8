// The adapter window: the list of USB adapters with "Открыть", "Закрыть", "Обновить", the
// four-line hub switch "USB-4RS485", the station's network role "Сеть" with the remote server's
// folder, the link state and the send/receive status bar. It shows what the USB link reports and
// turns the operator's clicks into link calls.
#pragma once
#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>

#include "bus/UsbLink.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace vs {

// The parts of the main window that the link drives. Unset calls are skipped.
struct Form100MainWindow {
  std::function<QString()> caption;
  std::function<void(const QString&)> setCaption;
  // The status label of the "Установки" tab (initial text "Принято!").
  std::function<void(const QString&)> setStatusText;
  std::function<void(bool)> setStatusVisible;
  // "USB-4RS485" was switched: the settings tab shows or hides its "Линия (1..4)" column.
  std::function<void(bool)> hubChanged;
};

class TForm100 : public QDialog, public UsbLinkView {
  Q_OBJECT
 public:
  // serverP is the station's network role 0..4, read on every activation and set by "Сеть".
  // iniPath is the settings file, insPath its ".INS" companion holding the remote folder.
  TForm100(UsbLink& link, int& serverP, std::filesystem::path iniPath,
           std::filesystem::path insPath, Form100MainWindow mainWindow = {},
           QWidget* parent = nullptr);
  ~TForm100() override;
  // A second copy on a working folder another copy holds: it reads both files, writes neither.
  void setReadOnly(bool on) { readOnly_ = on; }

  // UsbLinkView.
  void setCaption(const std::string& text) override;
  void setStatusPanel(int panel, const std::string& text) override;
  void setStateLabel(const std::string& text) override;
  void clearList() override;
  void addListRow(const std::string& number, const std::string& serial,
                  const std::string& type) override;
  void setConfiguredRow(int number) override;
  void setOpenEnabled(bool on) override;
  void setCloseEnabled(bool on) override;
  void setHubVersionVisible(bool on) override;
  void setHubVersionText(const std::string& text) override;
  void showAdapterWindow() override;
  void setMainCaption(const std::string& text) override;
  void setMainStatusText(const std::string& text) override;
  void setMainStatusVisible(bool on) override;
  void showMessage(const std::string& text) override;
  void processEvents() override;

  // Shows a message to the operator; a message box unless replaced (the tests replace it).
  std::function<void(const QString&)> messageBox;
  // Picks the file whose folder becomes the remote server's folder; a file dialog unless
  // replaced. An empty result leaves everything as it was.
  std::function<QString()> chooseServerFile;

  // Writes the remote folder to the ".INS" file; false (and a message) when that fails.
  bool saveServer();

  // The controls, for the program's wiring and the tests.
  QTreeWidget* adapterList() const { return list_; }
  QPushButton* openButton() const { return open_; }
  QPushButton* closeButton() const { return close_; }
  QPushButton* refreshButton() const { return refresh_; }
  QCheckBox* rs485Box() const { return rs485_; }
  QRadioButton* networkItem(int index) const;
  QLineEdit* serverField() const { return serverField_; }
  QToolButton* serverButton() const { return serverButton_; }
  QWidget* serverRow() const { return serverRow_; }
  QLabel* stateLabel() const { return state_; }
  QLabel* hubVersionLabel() const { return hubVersion_; }
  QLabel* statusPanel(int panel) const;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void onActivated();
  void onSelectionChanged();
  void onNetworkClicked(int index);
  void onRs485Clicked(bool on);
  void onChooseServer();
  void recolourRows();
  void showServerRow();

  UsbLink& link_;
  int& serverP_;
  std::filesystem::path iniPath_, insPath_;
  bool readOnly_ = false;
  Form100MainWindow main_;
  int configuredRow_ = 0;
  bool serverDirty_ = false;

  QTreeWidget* list_ = nullptr;
  QPushButton *open_ = nullptr, *close_ = nullptr, *refresh_ = nullptr;
  QCheckBox* rs485_ = nullptr;
  QButtonGroup* network_ = nullptr;
  QWidget* serverRow_ = nullptr;
  QLineEdit* serverField_ = nullptr;
  QToolButton* serverButton_ = nullptr;
  QLabel *state_ = nullptr, *hubVersion_ = nullptr;
  QLabel* panels_[3] = {};
};

}  // namespace vs
