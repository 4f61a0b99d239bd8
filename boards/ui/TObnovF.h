// The firmware-update window "Обновление индикатора" (TObnovF): the update tab with the
// bootloader and main-program lamps, "Загрузчик"/"Программа", "Запись" and "Контроль" with their
// progress bars and results, and the service tab "упр. GSM и звук" with its one-byte requests
// and the controller's module flags. Alt+F opens "Спец. обновл." (TForm7). It owns the update
// engine; the window only mirrors the engine's view and hands it the operator's actions.
//
// Wiring (the program does it): Station::hooks.Timer100ms -> engine().Timer100ms(),
// FrameDispatcher::firmwareUpdate -> engine().ReadObnovlenie(frame), engine().journal and
// engine().report. The module flags come from StatusStep::UpdateWindow, which the window
// registers itself.
#pragma once
#include <QDialog>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>

#include "boards/Obnov.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace vs {

class TObnovF : public QDialog {
  Q_OBJECT

 public:
  explicit TObnovF(Station& station, QWidget* parent = nullptr);
  ~TObnovF() override;

  Obnov& engine() { return engine_; }

  // Asks for a file for "Запись"/"Контроль" (".bit") or for "Спец. обновл." (a raw image); by
  // default the file-open dialog. Tests give theirs.
  std::function<std::optional<std::filesystem::path>(bool bitFile)> chooseFile;
  // "Конфигурация блока" (the controller configuration window) and "Заслонки" (the damper
  // board window).
  std::function<void()> openConfig, openZaslonki;

  QTabWidget* tabs() const { return tabs_; }
  QPushButton* loaderButton() const { return loader_; }
  QPushButton* programButton() const { return program_; }
  QPushButton* writeButton() const { return write_; }
  QPushButton* compareButton() const { return compare_; }
  QLabel* stateLabel() const { return state_; }
  QLabel* writeResultLabel() const { return writeResult_; }
  QLabel* compareResultLabel() const { return compareResult_; }
  QProgressBar* writeBar() const { return writeBar_; }
  QLabel* gsmLabel() const { return gsm_; }
  // "Спец. обновл.", modal.
  void openSpecial();
  // The controller's module flags, from a status answer while this window is active.
  void showModuleFlags(const std::uint8_t* data, int length);

 protected:
  void showEvent(QShowEvent* e) override;

 public slots:
  // Closing (the window's close button and Esc come here): during a transfer the operator is
  // asked first, and a "No" keeps the window open.
  void reject() override;

 private:
  void showView();
  void showSupply();
  QWidget* buildUpdateTab();
  QWidget* buildServiceTab();
  QPushButton* serviceButton(const char* caption, std::uint8_t kadr, std::uint8_t value,
                             QWidget* parent);
  std::optional<std::filesystem::path> askFile(bool bitFile);

  Station& station_;
  Obnov engine_;
  QTimer supplyTimer_;
  QTabWidget* tabs_ = nullptr;
  QLabel* loaderLamp_ = nullptr;
  QLabel* mainLamp_ = nullptr;
  QLabel* state_ = nullptr;
  QLabel* loaderText_ = nullptr;
  QLabel* board_ = nullptr;
  QLabel* file_ = nullptr;
  QLabel* writeResult_ = nullptr;
  QLabel* compareResult_ = nullptr;
  QLabel* start_ = nullptr;
  QLabel* supply_ = nullptr;
  QProgressBar* writeBar_ = nullptr;
  QProgressBar* compareBar_ = nullptr;
  QPushButton* loader_ = nullptr;
  QPushButton* program_ = nullptr;
  QPushButton* write_ = nullptr;
  QPushButton* compare_ = nullptr;
  QLabel* gsm_ = nullptr;
  QLabel* generator_ = nullptr;
  QLabel* screen_ = nullptr;
  QLabel* logo_ = nullptr;
  QSpinBox* brightness_ = nullptr;
};

}  // namespace vs
