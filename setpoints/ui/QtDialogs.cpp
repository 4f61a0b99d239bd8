#include "setpoints/ui/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace vs {

namespace {
QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
}  // namespace

void QtDialogs::message(const std::string& text) {
  QMessageBox::warning(parent_, QApplication::applicationDisplayName(), qs(text));
}

Dialogs::Answer QtDialogs::question(const std::string& text, const std::string& title,
                                    bool cancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (cancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, qs(title), qs(text), buttons, parent_);
  if (cancel) box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  // A box closed any other way than by Yes or No writes nothing.
  if (box.clickedButton() == box.button(QMessageBox::Yes)) return Answer::Yes;
  if (box.clickedButton() == box.button(QMessageBox::No)) return Answer::No;
  return Answer::Cancel;
}

std::optional<std::string> QtDialogs::input(const std::string& title, const std::string& prompt,
                                            const std::string& text) {
  bool ok = false;
  const QString v =
      QInputDialog::getText(parent_, qs(title), qs(prompt), QLineEdit::Normal, qs(text), &ok);
  if (!ok) return std::nullopt;
  return v.toStdString();
}

}  // namespace vs
