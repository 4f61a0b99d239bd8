#include "setpoints/ui/TParamWriteF.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "setpoints/ui/NavBar.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

template <std::size_t N>
QComboBox* combo(const std::array<const char*, N>& items, QWidget* parent) {
  auto* c = new QComboBox(parent);
  for (const char* i : items) c->addItem(QString::fromUtf8(i));
  return c;
}

}  // namespace

TParamWriteF::TParamWriteF(Station& station, QWidget* parent)
    : QDialog(parent), editor_(station), own_(std::make_unique<QtDialogs>(this)) {
  setObjectName("TParamWriteF");
  setWindowTitle(kParamCaption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  editor_.dialogs = own_.get();

  auto* v = new QVBoxLayout(this);
  const NavBar nav = addNavBar(this, v);
  prev_ = nav.prev;
  number_ = nav.number;
  next_ = nav.next;
  edit_ = nav.edit;

  pages_ = new QTabWidget(this);
  std::array<QGridLayout*, kParamPages> grids{};
  for (int p = 0; p < kParamPages; ++p) {
    auto* page = new QWidget(pages_);
    grids[static_cast<std::size_t>(p)] = new QGridLayout(page);
    pages_->addTab(page, QString::fromUtf8(kParamPageNames[static_cast<std::size_t>(p)]));
  }
  std::array<int, kParamPages> rows{};
  for (int i = 0; i < kParamFields; ++i) {
    const auto f = static_cast<PField>(i);
    const ParamFieldInfo& info = kParamFieldInfo[index(f)];
    QWidget* page = pages_->widget(info.page);
    QGridLayout* g = grids[static_cast<std::size_t>(info.page)];
    const int r = rows[static_cast<std::size_t>(info.page)]++;
    g->addWidget(new QLabel(QString::fromUtf8(info.caption), page), r, 0);
    auto* fieldBox = new QHBoxLayout;
    if (info.kind == PKind::Temperature || info.kind == PKind::Number ||
        info.kind == PKind::VentNumber) {
      auto* e = new QLineEdit(page);
      e->setMaximumWidth(90);
      text_[index(f)] = e;
      fieldBox->addWidget(e);
      connect(e, &QLineEdit::textChanged, this,
              [this, f](const QString& t) { editor_.fields[index(f)].text = t.toStdString(); });
    }
    if (info.kind == PKind::Temperature) {
      static constexpr std::array<const char*, 4> kSteps{"+", "-", "++", "--"};
      for (int s = 0; s < 4; ++s) {
        auto* b = new QPushButton(kSteps[static_cast<std::size_t>(s)], page);
        b->setMaximumWidth(36);
        step_[index(f)][static_cast<std::size_t>(s)] = b;
        fieldBox->addWidget(b);
        const bool up = s % 2 == 0;
        const bool big = s >= 2;
        connect(b, &QPushButton::pressed, this, [this, f, up, big] { editor_.press(f, up, big); });
        connect(b, &QPushButton::released, this, [this] { editor_.release(); });
        connect(b, &QPushButton::clicked, this, [this, f, up, big] { editor_.click(f, up, big); });
      }
    }
    QComboBox* c = nullptr;
    if (info.kind == PKind::Sensor) c = combo(kSensorChoices, page);
    if (f == PField::VentPeriod) c = combo(kVentPeriodUnits, page);
    if (f == PField::VentRun) c = combo(kVentRunUnits, page);
    if (f == PField::VentOn) c = combo(kVentOnChoices, page);
    if (f == PField::TraysOn) c = combo(kTraysOnChoices, page);
    if (c) {
      choice_[index(f)] = c;
      fieldBox->addWidget(c);
      connect(c, &QComboBox::currentIndexChanged, this,
              [this, f](int k) { editor_.fields[index(f)].index = k; });
    }
    fieldBox->addStretch(1);
    g->addLayout(fieldBox, r, 1);
    auto* z = new QPushButton("Запись", page);
    zapis_[index(f)] = z;
    g->addWidget(z, r, 2);
    connect(z, &QPushButton::clicked, this, [this, f] { editor_.Zapis(f); });
  }
  for (int p = 0; p < kParamPages; ++p)
    grids[static_cast<std::size_t>(p)]->setRowStretch(rows[static_cast<std::size_t>(p)], 1);
  v->addWidget(pages_, 1);

  connect(prev_, &QPushButton::clicked, this, [this] { editor_.prev(); });
  connect(next_, &QPushButton::clicked, this, [this] { editor_.next(); });
  connect(edit_, &QPushButton::toggled, this, [this](bool down) { setEditing(down); });
  editor_.changed = [this] { showFields(); };
  setEditing(false);

  // The step buttons' hold-to-repeat runs on the editor's own 100 ms timer.
  connect(&timer_, &QTimer::timeout, this, [this] { editor_.Timer100(); });
  timer_.start(100);
}

TParamWriteF::~TParamWriteF() {
  editor_.changed = nullptr;
}

void TParamWriteF::setDialogs(Dialogs* dialogs) {
  editor_.dialogs = dialogs ? dialogs : own_.get();
}

void TParamWriteF::setEditing(bool down) {
  editor_.editing = down;
  for (int p = 0; p < kParamPages; ++p) pages_->widget(p)->setEnabled(down);
}

void TParamWriteF::showFields() {
  setWindowTitle(qs(editor_.caption));
  number_->setText(qs(editor_.numberLabel));
  // The engine releases "Редактировать" when the incubator changes.
  if (edit_->isChecked() != editor_.editing) {
    const QSignalBlocker quiet(edit_);
    edit_->setChecked(editor_.editing);
    setEditing(editor_.editing);
  }
  for (int i = 0; i < kParamFields; ++i) {
    const auto f = static_cast<PField>(i);
    const ParamEditor::Value& v = editor_.fields[index(f)];
    if (QLineEdit* e = text_[index(f)]; e && e->text() != qs(v.text)) {
      const QSignalBlocker quiet(e);
      e->setText(qs(v.text));
    }
    if (QComboBox* c = choice_[index(f)]; c && c->currentIndex() != v.index) {
      const QSignalBlocker quiet(c);
      c->setCurrentIndex(v.index);
    }
  }
}

void TParamWriteF::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  editor_.Okno_ParamWrite = true;
  editor_.activate();
}

void TParamWriteF::done(int r) {
  editor_.Okno_ParamWrite = false;
  editor_.release();
  QDialog::done(r);
  emit closedEditor();
}

}  // namespace vs
