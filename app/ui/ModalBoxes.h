// Every modal window of the program (message and question boxes, file and colour dialogs, the
// modal tool windows) as seen from the application: an ending program closes each one, so that
// it does not wait for a person who is not there.
#pragma once
#include <QObject>

class QWidget;

namespace vs {

class ModalBoxes : public QObject {
  Q_OBJECT

 public:
  // Watches every window of the application from now on.
  explicit ModalBoxes(QObject* parent = nullptr);
  ~ModalBoxes() override;

  // The program is ending: every modal window open now is closed, and so is each one opened
  // later.
  void closeAll();
  bool closing() const { return closing_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void handle(QWidget* w);
  void closeWindow(QWidget* w) const;

  bool closing_ = false;
};

}  // namespace vs
