// The About window: what the program is and its version. It also leads to the window that
// takes over the configuration of a previous installation.
#pragma once
#include <QDialog>

class QPushButton;

namespace vs {

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
  QPushButton* transferButton() const { return transfer_; }

 signals:
  void transferRequested();

 private:
  QPushButton* transfer_ = nullptr;
};

}  // namespace vs
