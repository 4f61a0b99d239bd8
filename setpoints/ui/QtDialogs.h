// The operator's modal boxes as Qt shows them: message and question boxes and the text query.
#pragma once
#include <QWidget>

#include "setpoints/SetpointEdit.h"

namespace vs {

class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void message(const std::string& text) override;
  Answer question(const std::string& text, const std::string& title, bool cancel) override;
  std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                   const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace vs
