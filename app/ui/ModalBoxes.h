// Every modal window of the program (message and question boxes, file and colour dialogs, the
// modal tool windows) as seen from the application: a run of pictures saves and closes each
// one, and an ending program closes each one, so that neither waits for a person who is not
// there.
#pragma once
#include <QDir>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QWidget;

namespace vs {

class ModalBoxes : public QObject {
  Q_OBJECT

 public:
  // Watches every window of the application from now on.
  explicit ModalBoxes(QObject* parent = nullptr);
  ~ModalBoxes() override;

  // From now on each modal window is saved as a picture in `dir` (see fileNameFor) and closed.
  void pictureInto(const QDir& dir);
  // The program is ending: every modal window open now is closed, and so is each one opened
  // later.
  void closeAll();
  bool closing() const { return closing_; }

  // The pictures saved so far, file names only, in the order the boxes opened.
  const QStringList& pictures() const { return pictures_; }

  // "box_" and the first words of what the window says (its text, else its caption, else its
  // class), letters and digits only, joined by "_"; unique among `taken`.
  static QString fileNameFor(const QWidget* w, const QSet<QString>& taken);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void handle(QWidget* w);
  void closeWindow(QWidget* w) const;

  bool picturing_ = false;
  bool closing_ = false;
  QDir dir_;
  QStringList pictures_;
  QSet<QString> taken_;
};

}  // namespace vs
