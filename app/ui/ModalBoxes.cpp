#include "app/ui/ModalBoxes.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QWidget>
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

void ModalBoxes::closeAll() {
  closing_ = true;
  // Each of them runs its own event loop by now (this runs from one), so closing one ends it.
  QList<QPointer<QWidget>> open;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->isModal()) open << w;
  for (const QPointer<QWidget>& w : open)
    if (w) handle(w);
}

bool ModalBoxes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && closing_ && watched->isWidgetType()) {
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
  std::cerr << "Vetrostan: box \"" << text.toStdString() << "\" closed: the program ends\n";
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
