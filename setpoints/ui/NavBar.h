// The top row of the windows that show one incubator at a time (parameter editor, controller
// configuration): "<--", the incubator's number, "-->", and "Редактировать" on the right.
#pragma once
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vs {

struct NavBar {
  QPushButton* prev = nullptr;
  QLabel* number = nullptr;
  QPushButton* next = nullptr;
  QPushButton* edit = nullptr;  // checkable
};

// Builds the row into `v` of `parent`.
inline NavBar addNavBar(QWidget* parent, QVBoxLayout* v) {
  NavBar b;
  auto* top = new QHBoxLayout;
  b.prev = new QPushButton("<--", parent);
  b.number = new QLabel(parent);
  b.number->setObjectName("number");
  b.number->setMinimumWidth(40);
  b.number->setAlignment(Qt::AlignCenter);
  b.next = new QPushButton("-->", parent);
  b.edit = new QPushButton("Редактировать", parent);
  b.edit->setCheckable(true);
  top->addWidget(b.prev);
  top->addWidget(b.number);
  top->addWidget(b.next);
  top->addStretch(1);
  top->addWidget(b.edit);
  v->addLayout(top);
  return b;
}

}  // namespace vs
