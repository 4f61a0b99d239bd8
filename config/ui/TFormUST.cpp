#include "config/ui/TFormUST.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "config/Workstation.h"

namespace vs {

namespace {

struct GroupText {
  const char* caption;
  std::initializer_list<const char*> items;
};

const GroupText kGroups[5] = {
    {"Связь при запуске программы ", {"Запускать", "нет"}},
    {"Звуковые аварийные сообщения", {"Выкл", "Вкл"}},
    {"Кол-во датчиков Температуры", {"Только Т1", "Т1+Т2", "Т1+Т2+Т3"}},
    {"Помощь на табло", {"Выкл", "Вкл"}},
    {"Мощность компьютера", {"Современный", "Старый"}},
};

int& field(Settings& s, TFormUST::Group g) {
  switch (g) {
    case TFormUST::RunWin:
      return s.RUN_WIN;
    case TFormUST::ZwukOn:
      return s.ZWUK_ON;
    case TFormUST::KolT:
      return s.KOL_T;
    case TFormUST::Help:
      return s.Help;
    case TFormUST::Compyter:
      break;
  }
  return s.Compyter;
}

}  // namespace

TFormUST::TFormUST(Workstation& ws, std::function<bool()> pressWork, QWidget* parent)
    : QDialog(parent), ws_(ws) {
  setObjectName("FormUST");
  setWindowTitle("Общие настройки");
  setModal(true);
  auto* v = new QVBoxLayout(this);
  for (int g = 0; g < 5; ++g) {
    auto* box = new QGroupBox(QString::fromUtf8(kGroups[g].caption), this);
    auto* bv = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int id = 0;
    for (const char* item : kGroups[g].items) {
      auto* b = new QRadioButton(QString::fromUtf8(item), box);
      group->addButton(b, id++);
      bv->addWidget(b);
    }
    boxes_[static_cast<std::size_t>(g)] = box;
    groups_[static_cast<std::size_t>(g)] = group;
    v->addWidget(box);
  }

  // The stored values; one out of range selects the nearest item (a "KOL_T" above 2 the third).
  for (int g = 0; g < 5; ++g) {
    const int n = static_cast<int>(kGroups[g].items.size());
    int item = field(ws_.settings, static_cast<Group>(g));
    item = item < 0 ? 0 : (item >= n ? n - 1 : item);
    groups_[static_cast<std::size_t>(g)]->button(item)->setChecked(true);
  }
  ws_.settings.KOL_T = kol_t();

  for (int g = 0; g < 5; ++g)
    connect(groups_[static_cast<std::size_t>(g)], &QButtonGroup::idClicked, this,
            [this, g](int id) { store(static_cast<Group>(g), id); });

  connect(new QShortcut(QKeySequence("Alt+O"), this), &QShortcut::activated, this,
          &TFormUST::firmwareKey);
  connect(new QShortcut(QKeySequence("Alt+N"), this), &QShortcut::activated, this,
          &TFormUST::traysKey);

  if (selected(RunWin) == 0 && pressWork && !pressWork()) ws_.show("Не удалось открыть СОМ порт!");
}

int TFormUST::selected(Group g) const {
  return groups_[g]->checkedId();
}

void TFormUST::choose(Group g, int item) {
  QAbstractButton* b = groups_[g]->button(item);
  if (!b) return;
  b->setChecked(true);
  store(g, item);
}

void TFormUST::store(Group g, int item) {
  field(ws_.settings, g) = item;
  switch (g) {
    case KolT:
      emit kolTChanged(item);
      break;
    case ZwukOn:
      emit zvukOnChanged(item == 1);
      break;
    case Help:
      emit helpOnChanged(item == 1);
      break;
    default:
      break;
  }
}

void TFormUST::done(int r) {
  for (int g = 0; g < 5; ++g)
    field(ws_.settings, static_cast<Group>(g)) = selected(static_cast<Group>(g));
  ws_.saveNastr();
  emit kolTChanged(kol_t());
  QDialog::done(r);
}

}  // namespace vs
