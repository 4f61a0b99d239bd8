#include "app/ui/ModalBoxes.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <iostream>

namespace vs {

namespace {

// What the window says to the operator, as plain text.
QString saying(const QWidget* w) {
  QString text;
  if (const auto* box = qobject_cast<const QMessageBox*>(w))
    text = box->text();
  else if (const auto* input = qobject_cast<const QInputDialog*>(w))
    text = input->labelText();
  if (Qt::mightBeRichText(text)) text = QTextDocumentFragment::fromHtml(text).toPlainText();
  text = text.simplified();
  if (text.isEmpty()) text = w->windowTitle().simplified();
  if (text.isEmpty()) text = QString::fromLatin1(w->metaObject()->className()).section("::", -1);
  return text;
}

}  // namespace

ModalBoxes::ModalBoxes(QObject* parent) : QObject(parent) {
  qApp->installEventFilter(this);
}

ModalBoxes::~ModalBoxes() {
  if (qApp) qApp->removeEventFilter(this);
}

void ModalBoxes::pictureInto(const QDir& dir) {
  picturing_ = true;
  dir_ = dir;
}

void ModalBoxes::closeAll() {
  closing_ = true;
  // Each of them runs its own event loop by now (this runs from one), so closing one ends it.
  QList<QPointer<QWidget>> open;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->isModal()) open << w;
  for (const QPointer<QWidget>& w : open)
    if (w) handle(w);
}

QString ModalBoxes::fileNameFor(const QWidget* w, const QSet<QString>& taken) {
  QStringList words;
  for (QString token : saying(w).split(' ', Qt::SkipEmptyParts)) {
    // A path counts by its file name: the folders are the same for every box.
    const qsizetype slash = std::max(token.lastIndexOf('/'), token.lastIndexOf('\\'));
    if (slash >= 0) token = token.mid(slash + 1);
    QString word;
    for (const QChar ch : token + ' ') {
      if (ch.isLetterOrNumber()) {
        word += ch;
      } else if (!word.isEmpty()) {
        words << word;
        word.clear();
      }
    }
  }
  QString base = QStringList(words.mid(0, 6)).join('_').left(60);
  if (base.isEmpty()) base = "box";
  QString name = "box_" + base + ".png";
  for (int n = 2; taken.contains(name); ++n)
    name = QStringLiteral("box_%1_%2.png").arg(base).arg(n);
  return name;
}

bool ModalBoxes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && (picturing_ || closing_) && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    // Closed once its own event loop runs: a dialog hidden before its loop starts would leave
    // that loop waiting for good.
    if (w->isWindow() && w->isModal())
      QTimer::singleShot(0, w, [self = QPointer<ModalBoxes>(this), box = QPointer<QWidget>(w)] {
        if (self && box) self->handle(box);
      });
  }
  return QObject::eventFilter(watched, event);
}

void ModalBoxes::handle(QWidget* w) {
  if (!w->isVisible()) return;
  const QString text = saying(w);
  if (picturing_) {
    const QString name = fileNameFor(w, taken_);
    taken_.insert(name);
    if (w->grab().save(dir_.filePath(name))) {
      pictures_ << name;
      std::cerr << "Vetrostan: box \"" << text.toStdString() << "\" saved as "
                << dir_.filePath(name).toStdString() << " and closed\n";
    } else {
      std::cerr << "Vetrostan: box \"" << text.toStdString() << "\" closed; its picture "
                << dir_.filePath(name).toStdString() << " could not be written\n";
    }
  } else {
    std::cerr << "Vetrostan: box \"" << text.toStdString() << "\" closed: the program ends\n";
  }
  closeWindow(w);
}

void ModalBoxes::closeWindow(QWidget* w) const {
  // Rejected, a box answers as if nothing had been chosen: no caller takes that for a yes.
  if (auto* d = qobject_cast<QDialog*>(w))
    d->reject();
  else
    w->close();
}

}  // namespace vs
