#include "mimic/ui/TDispetch.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "config/Settings.h"
#include "config/SettingsFile.h"
#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/MimicIcons.h"
#include "setpoints/ui/QtDialogs.h"

namespace vs {

namespace {

constexpr const char* kSection = "Dispetch";

QSize screenSize() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize(1280, 1024);
}

}  // namespace

QRect fitDispetchGeometry(int left, int top, int width, int height, QSize screen) {
  auto side = [](int v, int full) {
    if (v < 0) return full;
    if (v < 100) return 100;
    return v > full + 300 ? full : v;
  };
  auto corner = [](int v, int full) { return std::clamp(v, 0, std::max(0, full - 300)); };
  return {corner(left, screen.width()), corner(top, screen.height()), side(width, screen.width()),
          side(height, screen.height())};
}

TDispetch::TDispetch(MimicDocument& doc, StationTables& tables,
                     const std::array<std::int32_t, 256>& tab_otvet, TFile_config& config,
                     const Settings& settings, std::filesystem::path home,
                     std::filesystem::path iniPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      doc_(doc),
      view_(std::make_unique<DispetchView>(*doc.KS, tables, tab_otvet, config)),
      home_(std::move(home)),
      iniPath_(std::move(iniPath)) {
  setWindowTitle("Инкубаторий");
  applyFonts(settings);
  view_->saveConfig = [this] { return hooks.saveConfig ? hooks.saveConfig() : true; };
  view_->programWindow = [this](int row) {
    if (hooks.programWindow) hooks.programWindow(row);
  };

  auto* bar = new QHBoxLayout;
  onTop_ = new QCheckBox("Поверх всех окон", this);
  param_ = new QPushButton("Настройки аварийных зон и параметров управления", this);
  damper_ = new QPushButton("Заслонки", this);
  damper_->setToolTip("Управление заслонками");
  editor_ = new QPushButton("Вызов Конструктора Инкубатория", this);
  bar->addWidget(onTop_);
  bar->addWidget(param_);
  bar->addWidget(damper_);
  bar->addWidget(editor_);
  bar->addStretch(1);

  canvas_ = new MimicCanvas(*view_, this);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(canvas_);
  scroll_->setWidgetResizable(true);
  status_ = new QLabel(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(bar);
  layout->addWidget(scroll_, 1);
  layout->addWidget(status_);

  connect(onTop_, &QCheckBox::toggled, this, [this](bool on) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) show();
  });
  connect(param_, &QPushButton::clicked, this, [this] {
    if (hooks.paramEditor) hooks.paramEditor(clickedRow());
  });
  connect(damper_, &QPushButton::clicked, this, [this] {
    if (hooks.damperWindow) hooks.damperWindow(clickedRow());
  });
  auto openEditor = [this] {
    if (hooks.editor) hooks.editor();
  };
  connect(editor_, &QPushButton::clicked, this, openEditor);
  auto* ctrlK = new QShortcut(QKeySequence("Ctrl+K"), this);
  connect(ctrlK, &QShortcut::activated, this, openEditor);

  canvas_->hovered = [this](MimicKind kind, int index) {
    view_->hover(kind, index);
    canvas_->update();
  };
  canvas_->background = [this] { view_->hoverBackground(); };
  canvas_->pressed = [this](MimicKind kind, int index) {
    view_->press(kind, index);
    if (view_->editing() && hooks.selected) hooks.selected(kind, index);
    canvas_->update();
  };
  canvas_->leftDrag = [this](QPoint at) {
    if (!view_->editing() || !hooks.dragged) return false;
    hooks.dragged(at);
    return true;
  };
  canvas_->doubleClicked = [this](MimicKind kind, int index, bool ctrl) {
    if (view_->editing()) return;  // the editor's press already selected it
    QtDialogs dialogs(this);
    view_->doubleClick(kind, index, ctrl, dialogs);
    RedUst();
  };
  canvas_->backgroundDoubleClicked = [this, openEditor](QPoint at) {
    if (view_->editing() && hooks.addAt)
      hooks.addAt(at);
    else
      openEditor();
  };

  redUst_ = new QTimer(this);
  connect(redUst_, &QTimer::timeout, this, &TDispetch::RedUst);
  redUst_->start(600);
  statusTimer_ = new QTimer(this);
  connect(statusTimer_, &QTimer::timeout, this, [this] {
    const bool playing = hooks.soundPlaying && hooks.soundPlaying();
    const int zvukOn = hooks.zvukOn ? hooks.zvukOn() : 1;
    status_->setText(QString::fromStdString(view_->statusLine(playing, zvukOn)));
  });
  statusTimer_->start(100);

  doc_.readFileDisp();
  // No name stored yet: the default document, which the start-up load would otherwise put
  // aside as unknown and replace by an empty one.
  if (doc_.File_Disp.empty()) doc_.File_Disp = doc_.defaultName();
  readGeometry();
}

TDispetch::~TDispetch() = default;

void TDispetch::tell(const std::string& text) const {
  if (doc_.message) doc_.message(text);
}

int TDispetch::clickedRow() const {
  return view_->validRow(view_->klikKP - 1) ? view_->klikKP - 1 : -1;
}

void TDispetch::applyFonts(const Settings& settings) {
  for (std::size_t k = 0; k < 4; ++k) view_->fonColor[k] = settings.FON[k].color;
}

void TDispetch::readGeometry() {
  IniFile ini;
  ini.load(iniPath_);
  const QRect g = fitDispetchGeometry(ini.readInt(kSection, "Form_Left", 0),
                                      ini.readInt(kSection, "Form_Top", 0),
                                      ini.readInt(kSection, "Form_Width", -1),
                                      ini.readInt(kSection, "Form_Height", -1), screenSize());
  resize(g.size());
  move(g.topLeft());
  onTop_->setChecked(ini.readBool(kSection, "Form", false));
}

bool TDispetch::saveState() {
  if (readOnly) return true;
  // Key by key into the file as it stands, so every other section stays as it was.
  const std::pair<const char*, int> keys[] = {{"Form_Width", width()},
                                              {"Form_Height", height()},
                                              {"Form_Left", x()},
                                              {"Form_Top", y()},
                                              {"Form", onTop_->isChecked() ? 1 : 0}};
  for (const auto& [key, value] : keys)
    if (!saveKey(iniPath_, kSection, key, std::to_string(value))) {
      tell("Ошибка записи файла: " + pathText(iniPath_));
      return false;
    }
  return doc_.writeFileDisp();
}

void TDispetch::openDocument() {
  doc_.OpenDispetch();
  refreshCaption();
  CreateDispetch();
}

void TDispetch::refreshCaption() {
  const QSize screen = screenSize();
  setWindowTitle(QString::fromStdString(doc_.mimicCaption(screen.width(), screen.height())));
}

void TDispetch::rebuild() {
  view_->CreateDispetch();
  view_->RedUst();
  canvas_->relayout();
  canvas_->update();
}

bool TDispetch::editing() const {
  return view_->editing();
}

void TDispetch::dropStayOnTop() {
  if (!(windowFlags() & Qt::WindowStaysOnTopHint)) return;
  {
    const QSignalBlocker quiet(onTop_);  // the box tells what the window now is
    onTop_->setChecked(false);
  }
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, false);
  if (!shown) return;
  // Shown again behind the editor that just became active, not over it.
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  show();
  setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void TDispetch::CreateDispetch() {
  view_->setDocument(*doc_.KS);
  std::array<QPixmap, 9> icons;
  for (int k = 0; k < 9; ++k) icons[static_cast<std::size_t>(k)] = mimicIcon(home_, k);
  canvas_->setIcons(icons);
  std::string problem;
  QPixmap picture;
  if (const auto file = doc_.backgroundFile(problem))
    picture.load(qPath(*file));  // an undecodable one: none
  if (!problem.empty()) tell(problem);
  canvas_->setBackground(picture);
  RedUst();
}

void TDispetch::dispetchW(int row) {
  view_->dispetchW(row);
  canvas_->update();
}

void TDispetch::setEditing(bool on) {
  view_->setEditing(on);
  canvas_->update();
}

void TDispetch::RedUst() {
  view_->RedUst();
  canvas_->update();
}

}  // namespace vs
