// The mimic editor as the program wires it, over the demo picture and a simulated hall: opened
// from the mimic, a panel pressed and dragged with the mouse, the incubator's network block
// refused for an unknown number and stored for a known one, a full copy, a sensor added by a
// double click on the background (refused for a number no panel has), deleted again, a new
// document created and saved under its name, and the mimic live again once the editor closes.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <fstream>

#include "mimic/ui/DemoMimic.h"
#include "mimic/ui/KonstrElementTabs.h"
#include "mimic/ui/KonstrGeneralTab.h"
#include "mimic/ui/KonstrPanelsTab.h"
#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/TDispetch.h"
#include "mimic/ui/TForm13.h"
#include "tests/test_config_tempdir.h"
#include "tests/ui/hall_program.h"

namespace vs::testing {
namespace {

void send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  const QPointF p(at);
  QMouseEvent e(type, p, w->mapToGlobal(p), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void press(QWidget* w, QPoint at) {
  send(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

void dragTo(QWidget* w, QPoint at) {
  send(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}

void release(QWidget* w, QPoint at) {
  send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

void doubleClick(QWidget* w, QPoint at) {
  press(w, at);
  release(w, at);
  send(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  release(w, at);
}

void shoot(QWidget* w, const std::string& name) {
  if (const char* dir = std::getenv("VETROSTAN_SHOT_DIR"))
    w->grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
}

struct MimicEditorProgram : HallProgram {
  std::vector<std::string> said;

  TDispetch* d() { return w.dispetch; }
  MimicCanvas* canvas() { return w.dispetch->canvas(); }
  const konstrT& ks() { return *w.mimicDoc->KS; }

  // A point of the canvas where the topmost thing is what `pick` accepts (null: background).
  QPoint pointWhere(const std::function<bool(const MimicCanvas::Item*)>& pick) {
    const std::vector<MimicCanvas::Item> items = canvas()->items();
    auto top = [&](QPoint p) -> const MimicCanvas::Item* {
      for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (it->rect.contains(p) && (it->clip.isNull() || it->clip.contains(p))) return &*it;
      return nullptr;
    };
    for (int y = 2; y < std::min(canvas()->height(), 1000); y += 4)
      for (int x = 2; x < std::min(canvas()->width(), 1300); x += 4)
        if (pick(top({x, y}))) return {x, y};
    ADD_FAILURE() << "no such point on the mimic";
    return {};
  }
  int panelOf(int incubator) {
    const DispetchView& v = d()->view();
    for (int i = 0; i < static_cast<int>(v.elements(MimicKind::Panel).size()); ++i)
      if (v.record(MimicKind::Panel, i).N_KP == incubator) return i;
    return -1;
  }
  int count(const std::array<Tlabel_, kMaxElements>& a, int n, int nKP) {
    int c = 0;
    for (int i = 0; i < n; ++i) c += a[static_cast<std::size_t>(i)].N_KP == nKP;
    return c;
  }
};

TEST_F(MimicEditorProgram, EditsTheDemoPictureWithTheMouseAndTheTabsThenRunsLiveAgain) {
  ASSERT_TRUE(prepareDemoMimic(dir.home));
  startProgram({1, 2, 3}, {});
  ws->message = [this](const std::string& text) { said.push_back(text); };
  ASSERT_NE(w.form13, nullptr);
  TForm13* e = w.form13;
  e->engine().ask = [](const std::string&) { return true; };
  w.form1->hooks.mimicView();
  d()->resize(1300, 900);
  runHallMs(1500);

  // The mimic's button opens the editor; nothing can be changed before editing is allowed.
  d()->editorButton()->click();
  ASSERT_TRUE(e->isVisible());
  EXPECT_FALSE(e->tabs()->isEnabled());
  EXPECT_FALSE(e->saveButton()->isEnabled());
  e->editButton()->click();
  ASSERT_TRUE(d()->editing());
  EXPECT_TRUE(e->tabs()->isEnabled());

  // Pressing incubator 2's panel selects it and fills "Инкубаторы"; dragging moves it.
  const int p2 = panelOf(2);
  ASSERT_GE(p2, 0);
  const QPoint at = pointWhere([&](const MimicCanvas::Item* it) {
    return it && it->kind == MimicKind::Panel && it->index == p2;
  });
  const Tlabel_& panel = d()->view().record(MimicKind::Panel, p2);
  const int left = panel.Left, top = panel.Top;
  e->tabs()->setCurrentWidget(e->sensorsTab());
  press(canvas(), at);
  EXPECT_EQ(e->tabs()->currentWidget(), e->panelsTab()) << "the selection's tab comes up";
  EXPECT_EQ(e->panelsTab()->xField()->value(), left);
  EXPECT_EQ(e->panelsTab()->numberField()->value(), 2);
  dragTo(canvas(), at + QPoint(40, 25));
  release(canvas(), at + QPoint(40, 25));
  EXPECT_EQ(panel.Left, left + 40);
  EXPECT_EQ(panel.Top, top + 25);
  EXPECT_EQ(e->panelsTab()->yField()->value(), top + 25);
  shoot(d(), "TDispetch-edit");
  for (int t = 0; t < e->tabs()->count(); ++t) {
    e->tabs()->setCurrentIndex(t);
    shoot(e, "TForm13-" + std::to_string(t));
  }
  press(canvas(), at + QPoint(40, 25));  // changing the tab cleared the selection
  ASSERT_EQ(e->engine().kind(), KonstrKind::Panel);

  // "Номер блока в сети": an incubator outside the configured three is refused; a known one
  // is written into the live configuration and stored.
  KonstrPanelsTab* pt = e->panelsTab();
  auto rememberNet = [&] {
    for (QPushButton* b : pt->findChildren<QPushButton*>())
      if (b->text() == "Запомнить" && b->parentWidget() != pt) b->click();
  };
  pt->numberField()->setValue(40);
  EXPECT_EQ(pt->numberCaption()->text().toStdString(), "Номер КП:(свободен)");
  rememberNet();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back(), "Нет инкубатора с номером: 40");
  pt->numberField()->setValue(2);
  EXPECT_EQ(pt->numberCaption()->text().toStdString(), "Номер КП:(занят)");
  pt->busField()->setValue(77);
  pt->lineBox()->setCurrentIndex(2);
  pt->onBox()->setChecked(false);
  rememberNet();
  EXPECT_EQ(ws->store.config.konfig_n[1], 77);
  EXPECT_EQ(ws->store.config.konfig_linia[1], 3);
  EXPECT_EQ(ws->store.config.konfig_o[1], 0);
  const std::string stored = fileBytes(dir.home / "config.cfg");
  ASSERT_GE(stored.size(), 8u);
  EXPECT_EQ(static_cast<unsigned char>(stored[6]), 77) << "konfig_n[1] on disk";

  // A full copy takes 1 + the largest number and carries the panel's elements.
  int largest = 0;
  for (int i = 0; i < ks().kol_Na; ++i) largest = std::max(largest, ks().Na[i].N_KP);
  const int panels = ks().kol_Na;
  const int sensorsOf2 = count(ks().Dsk, ks().kol_Dsk, 2);
  for (QPushButton* b : pt->findChildren<QPushButton*>())
    if (b->text() == "Создать 1 полную копию") b->click();
  ASSERT_EQ(ks().kol_Na, panels + 1);
  EXPECT_EQ(ks().Na[panels].N_KP, largest + 1);
  EXPECT_EQ(count(ks().Dsk, ks().kol_Dsk, largest + 1), sensorsOf2);

  // "Датчики": a double click on the background adds a sensor to the panel numbered in the
  // tab, and is refused for a number no panel has.
  e->tabs()->setCurrentWidget(e->sensorsTab());
  const QPoint empty = pointWhere([](const MimicCanvas::Item* it) { return it == nullptr; });
  const int sensors = ks().kol_Dsk;
  e->sensorsTab()->numberField()->setValue(200);
  doubleClick(canvas(), empty);
  EXPECT_EQ(said.back(), "Нет инкубатора с номером: 200");
  EXPECT_EQ(ks().kol_Dsk, sensors);
  e->sensorsTab()->numberField()->setValue(3);
  e->sensorsTab()->tipBox()->setCurrentIndex(4);
  doubleClick(canvas(), empty);
  ASSERT_EQ(ks().kol_Dsk, sensors + 1);
  const Tlabel_& added = ks().Dsk[static_cast<std::size_t>(sensors)];
  EXPECT_EQ(added.N_KP, 3);
  EXPECT_EQ(added.Tip, 4);
  EXPECT_EQ(added.NameNa.raw(), ks().Na[static_cast<std::size_t>(panelOf(3))].Name.raw());
  EXPECT_TRUE(e->isVisible()) << "a double click while editing adds, it does not reopen";

  // Pressed, it is selected; "Удалить 1 выбранный" removes it after the question.
  const int addedIndex = static_cast<int>(d()->view().elements(MimicKind::Sensor).size()) - 1;
  press(canvas(), pointWhere([&](const MimicCanvas::Item* it) {
          return it && it->kind == MimicKind::Sensor && it->index == addedIndex;
        }));
  ASSERT_EQ(e->engine().kind(), KonstrKind::Sensor);
  EXPECT_EQ(e->sensorsTab()->tipBox()->currentIndex(), 4);
  for (QPushButton* b : e->sensorsTab()->findChildren<QPushButton*>())
    if (b->text() == "Удалить 1 выбранный") b->click();
  EXPECT_EQ(ks().kol_Dsk, sensors);

  // Ending the program with the picture changed asks first; Cancel keeps it running.
  ASSERT_TRUE(e->modified());
  std::string asked;
  e->askSave = [&asked](const std::string& q) {
    asked = q;
    return TForm13::SaveAnswer::Cancel;
  };
  EXPECT_FALSE(w.form1->hooks.mayClose());
  EXPECT_EQ(asked, TForm13::kAskSave);

  // "Создать" then "Сохранить": the document is written under the name chosen in "Создать".
  e->dialogs.saveName = [this](const QString&, const QString&) {
    return QString::fromStdString((dir.home / "disp" / "new-hall").string());
  };
  ASSERT_TRUE(e->createDocument());
  EXPECT_EQ(e->windowTitle().toStdString(), "Конструктор   new-hall.cfg");
  EXPECT_EQ(ks().kol_Na, 0);
  e->tabs()->setCurrentWidget(e->panelsTab());
  doubleClick(canvas(), {30, 30});
  EXPECT_EQ(ks().kol_Na, 1);
  ASSERT_TRUE(e->saveDocument());
  EXPECT_EQ(w.mimicDoc->File_Disp, "new-hall.cfg");
  EXPECT_EQ(fileBytes(dir.home / "disp" / "new-hall.cfg").size(), sizeof(konstrT));
  EXPECT_FALSE(e->modified());
  asked.clear();
  EXPECT_TRUE(w.form1->hooks.mayClose());
  EXPECT_TRUE(asked.empty()) << "nothing unsaved, nothing asked";

  // "Файл фона" with a file that is no picture says so and switches the background off.
  { std::ofstream(dir.home / "broken.png") << "not a picture"; }
  ASSERT_FALSE(e->generalTab()->chooseBackground(
      QString::fromStdString((dir.home / "broken.png").string())));
  EXPECT_EQ(said.back(), "Ошибка при загрузке изображения");
  EXPECT_EQ(ks().ImOn, 'n');

  // "Загрузить" takes the demo picture back and leaves edit mode: the mimic is live at once.
  e->dialogs.openName = [this](const QString&, const QString&) {
    return QString::fromStdString((dir.home / "disp" / "Vetrostan.cfg").string());
  };
  ASSERT_TRUE(e->loadDocument());
  EXPECT_EQ(ks().kol_Na, panels) << "the demo document as it is on disk, without the copy";
  EXPECT_EQ(w.mimicDoc->File_Disp, "Vetrostan.cfg");
  EXPECT_FALSE(e->editButton()->isChecked());
  EXPECT_FALSE(d()->editing());
  e->editButton()->click();

  // Closing the editor releases the toggle: the mimic lives again.
  e->close();
  EXPECT_FALSE(e->editButton()->isChecked());
  EXPECT_FALSE(d()->editing());
}

}  // namespace
}  // namespace vs::testing
