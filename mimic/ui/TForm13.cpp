#include "mimic/ui/TForm13.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "config/SettingsFile.h"
#include "mimic/ui/KonstrElementTabs.h"
#include "mimic/ui/KonstrGeneralTab.h"
#include "mimic/ui/KonstrPanelsTab.h"
#include "mimic/ui/KonstrStrip.h"
#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/MimicIcons.h"
#include "mimic/ui/TDispetch.h"

namespace vs {

namespace {

constexpr const char* kSection = "Form13";
constexpr int kDesignedWidth = 470;
constexpr int kDesignedHeight = 600;
constexpr std::uint32_t kPanelGrey = 12632256;  // 0xC0C0C0

QSize screenSize() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize(1280, 1024);
}

MimicKind mimicKind(KonstrKind k) {
  switch (k) {
    case KonstrKind::Sensor:
      return MimicKind::Sensor;
    case KonstrKind::Label:
      return MimicKind::Label;
    case KonstrKind::Icon:
      return MimicKind::Icon;
    default:
      return MimicKind::Panel;
  }
}

KonstrKind konstrKind(MimicKind k) {
  switch (k) {
    case MimicKind::Sensor:
      return KonstrKind::Sensor;
    case MimicKind::Label:
      return KonstrKind::Label;
    case MimicKind::Icon:
      return KonstrKind::Icon;
    default:
      return KonstrKind::Panel;
  }
}

QColor qColor(std::uint32_t c) {
  return mimicColor(c, QPalette());
}

std::uint32_t docColor(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
         static_cast<std::uint32_t>(c.blue()) << 16;
}

}  // namespace

QRect fitForm13Geometry(int left, int top, int width, int height, QSize screen) {
  auto side = [](int v, int full) { return std::min(std::max(v, 100), std::max(full, 100)); };
  auto corner = [](int v, int full) { return std::clamp(v, 0, std::max(0, full - 300)); };
  return {corner(left, screen.width()), corner(top, screen.height()), side(width, screen.width()),
          side(height, screen.height())};
}

TForm13::TForm13(MimicDocument& doc, TDispetch& mimic, TFile_config& config_p,
                 const TFile_config& live, std::filesystem::path home,
                 std::filesystem::path iniPath, QWidget* parent)
    : QWidget(parent, Qt::Window),
      doc_(doc),
      mimic_(mimic),
      live_(live),
      iniPath_(std::move(iniPath)),
      k_(std::make_unique<Konstruktor>(doc, config_p)) {
  setWindowTitle("Конструктор");
  k_->message = [this](const std::string& text) {
    QMessageBox::information(this, windowTitle(), QString::fromStdString(text));
  };
  k_->ask = [this](const std::string& text) {
    return QMessageBox::question(this, windowTitle(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  dialogs.color = [this](std::uint32_t current) -> std::optional<std::uint32_t> {
    const QColor c = QColorDialog::getColor(qColor(current), this);
    if (!c.isValid()) return std::nullopt;
    return docColor(c);
  };
  dialogs.font = [this](const TFont_& current) -> std::optional<TFont_> {
    bool ok = false;
    const QFont f = QFontDialog::getFont(
        &ok, mimicFont(current, current.Style & 0x04, current.Style & 0x08), this);
    if (!ok) return std::nullopt;
    const QColor c = QColorDialog::getColor(qColor(current.Color), this, "Цвет шрифта");
    return toDocFont(f, c.isValid() ? docColor(c) : current.Color, current);
  };
  dialogs.saveName = [this](const QString& dir, const QString& filter) {
    return QFileDialog::getSaveFileName(this, windowTitle(), dir, filter);
  };
  dialogs.openName = [this](const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(this, windowTitle(), dir, filter);
  };
  cx_ = std::unique_ptr<KonstrContext>(
      new KonstrContext{*k_, doc, mimic, dialogs, config_p, std::move(home), {}});

  int naWidth = 100, naHeight = 100;
  std::uint32_t naColor = kPanelGrey;
  readState(naWidth, naHeight, naColor);

  strip_ = new KonstrStrip(*k_, *doc_.KS, this);
  edit_ = new QPushButton("Разрешить редактирование", this);
  edit_->setToolTip("Разрешить редактирование");
  edit_->setCheckable(true);
  // Down must be plain to see: the mimic is not live while it is.
  edit_->setStyleSheet("QPushButton:checked { background-color: #f0c040; font-weight: bold; }");
  load_ = new QPushButton("Загрузить", this);
  load_->setToolTip("Загрузить Инкубаторий с диска");
  save_ = new QPushButton("Сохранить", this);
  save_->setToolTip("Сохранить измененный Инкубаторий");
  saveAs_ = new QPushButton("Сохранить как", this);
  saveAs_->setToolTip("Сохранить измененный Инкубаторий с новым именем");
  create_ = new QPushButton("Создать", this);
  create_->setToolTip("Создать новый Инкубаторий");
  transfer_ = new QPushButton("перенос", this);
  transfer_->setToolTip("перенос данных с предыдущей версии программы");

  tabs_ = new QTabWidget(this);
  panels_ = new KonstrPanelsTab(*cx_, naWidth, naHeight, naColor, tabs_);
  sensors_ = new KonstrSensorsTab(*cx_, tabs_);
  labels_ = new KonstrLabelsTab(*cx_, tabs_);
  icons_ = new KonstrIconsTab(*cx_, tabs_);
  general_ = new KonstrGeneralTab(*cx_, tabs_);
  tabs_->addTab(panels_, "Инкубаторы");
  tabs_->addTab(sensors_, "Датчики");
  tabs_->addTab(labels_, "Надписи");
  tabs_->addTab(icons_, "значки");
  tabs_->addTab(general_, "Общее");
  icons_->loadSample(0);

  auto* docs = new QHBoxLayout;
  for (QPushButton* b : {load_, save_, saveAs_, create_, transfer_}) docs->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(strip_);
  layout->addWidget(edit_);
  layout->addLayout(docs);
  layout->addWidget(tabs_, 1);

  connect(edit_, &QPushButton::toggled, this, &TForm13::setEditing);
  connect(strip_->resetButton(), &QPushButton::clicked, this, [this] {
    k_->clearSelection();
    blink();
    strip_->refresh();
  });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] {
    if (selecting_) return;
    k_->clearSelection();
    blink();
    strip_->refresh();
  });
  connect(load_, &QPushButton::clicked, this, &TForm13::loadDocument);
  connect(save_, &QPushButton::clicked, this, &TForm13::saveDocument);
  connect(saveAs_, &QPushButton::clicked, this, &TForm13::saveDocumentAs);
  connect(create_, &QPushButton::clicked, this, &TForm13::createDocument);
  connect(transfer_, &QPushButton::clicked, this, [this] {
    if (openTransfer) openTransfer();
  });

  stripTimer_ = new QTimer(this);
  connect(stripTimer_, &QTimer::timeout, strip_, &KonstrStrip::refresh);
  stripTimer_->start(1000);
  blinkTimer_ = new QTimer(this);
  connect(blinkTimer_, &QTimer::timeout, this, &TForm13::blink);
  blinkTimer_->start(100);
  setEditing(false);
  setWindowTitle(QString::fromStdString(doc_.konstruktorCaption()));
  // Every tab reports its changes to the strip at once, not only at the next second.
  cx_->afterChange = [this] {
    modified_ = true;
    strip_->refresh();
  };
  askSave = [this](const std::string& question) {
    switch (QMessageBox::question(this, windowTitle(), QString::fromStdString(question),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
      case QMessageBox::Yes:
        return SaveAnswer::Yes;
      case QMessageBox::No:
        return SaveAnswer::No;
      default:
        return SaveAnswer::Cancel;
    }
  };
}

TForm13::~TForm13() {
  // The tabs and their signals go first, while the engine and the context they use are alive;
  // the mimic window may already be gone, so nothing may reach it from here on.
  stripTimer_->stop();
  blinkTimer_->stop();
  disconnect(tabs_, nullptr, this, nullptr);
  disconnect(edit_, nullptr, this, nullptr);
  delete tabs_;
}

void TForm13::tell(const std::string& text) const {
  if (k_->message) k_->message(text);
}

void TForm13::setReadOnly(bool on) {
  readOnly_ = on;
  if (on) edit_->setChecked(false);
  edit_->setEnabled(!on);
}

void TForm13::readState(int& width, int& height, std::uint32_t& color) {
  IniFile ini;
  ini.load(iniPath_);
  const QRect g =
      fitForm13Geometry(ini.readInt(kSection, "Form_Left", 0), ini.readInt(kSection, "Form_Top", 0),
                        ini.readInt(kSection, "Form_Width", kDesignedWidth),
                        ini.readInt(kSection, "Form_Height", kDesignedHeight), screenSize());
  resize(g.size());
  move(g.topLeft());
  width = std::clamp(ini.readInt(kSection, "NA_Width", 100), 1, 30000);
  height = std::clamp(ini.readInt(kSection, "NA_Height", 100), 1, 30000);
  color = static_cast<std::uint32_t>(ini.readInt(kSection, "NA_obrA_Color", kPanelGrey));
}

bool TForm13::saveState() {
  if (readOnly_) return true;
  const std::pair<const char*, long long> keys[] = {
      {"Form_Width", width()},
      {"Form_Height", height()},
      {"Form_Left", x()},
      {"Form_Top", y()},
      {"NA_Height", panels_->sampleHeight()},
      {"NA_Width", panels_->sampleWidth()},
      // As a signed 32-bit value, so that a system colour 0xFF0000nn reads back.
      {"NA_obrA_Color", static_cast<std::int32_t>(panels_->sampleColor())}};
  for (const auto& [key, value] : keys)
    if (!saveKey(iniPath_, kSection, key, std::to_string(value))) {
      tell("Ошибка записи файла: " + pathText(iniPath_));
      return false;
    }
  return true;
}

void TForm13::setEditing(bool on) {
  if (on && readOnly_) on = false;
  k_->setEditing(on, live_);
  blink();
  for (QPushButton* b : {load_, save_, saveAs_, create_, transfer_}) b->setEnabled(on);
  tabs_->setEnabled(on);
  mimic_.setEditing(on);
  // Leaving: the elements start again from the document, icons hidden until their condition.
  if (!on) mimic_.rebuild();
  strip_->refresh();
}

void TForm13::closeEvent(QCloseEvent* e) {
  edit_->setChecked(false);
  QWidget::closeEvent(e);
}

void TForm13::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow() &&
      (mimic_.windowFlags() & Qt::WindowStaysOnTopHint)) {
    mimic_.dropStayOnTop();
    raise();
  }
  QWidget::changeEvent(e);
}

KonstrTab* TForm13::tabOf(KonstrKind kind) const {
  switch (kind) {
    case KonstrKind::Panel:
      return panels_;
    case KonstrKind::Sensor:
      return sensors_;
    case KonstrKind::Label:
      return labels_;
    case KonstrKind::Icon:
      return icons_;
    default:
      return nullptr;
  }
}

int TForm13::indexOf(KonstrKind kind, int slot) const {
  const auto& list = mimic_.view().elements(mimicKind(kind));
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].slot == slot + 1) return static_cast<int>(i);
  return -1;
}

void TForm13::blink() {
  MimicCanvas* canvas = mimic_.canvas();
  const int index = k_->editing() ? indexOf(k_->kind(), k_->slot()) : -1;
  if (index < 0 || k_->kind() == KonstrKind::None) {
    canvas->setBlink(MimicKind::Panel, -1, false, false);
    return;
  }
  const Konstruktor::Blink b = k_->blinkTick();
  canvas->setBlink(mimicKind(k_->kind()), index, b.hidden, b.bevelLowered);
}

void TForm13::select(MimicKind kind, int index) {
  if (!k_->editing()) return;
  const auto& list = mimic_.view().elements(kind);
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  const KonstrKind kk = konstrKind(kind);
  k_->select(kk, list[static_cast<std::size_t>(index)].slot - 1);
  const Tlabel_* r = k_->selected();
  if (!r) return;
  // The previous selection shows again at once; the new one starts its blink.
  mimic_.canvas()->setBlink(MimicKind::Panel, -1, false, false);
  selectedAt_ = mimic_.canvas()->pressPoint();
  k_->dragStart(selectedAt_.x(), selectedAt_.y());
  KonstrTab* tab = tabOf(kk);
  selecting_ = true;
  tabs_->setCurrentWidget(tab);
  selecting_ = false;
  tab->fill(*r);
  strip_->refresh();
}

void TForm13::dragTo(QPoint at) {
  // Only a drag that began on the selection moves it.
  if (!k_->editing() || !k_->selected() || mimic_.canvas()->pressPoint() != selectedAt_) return;
  const auto [x, y] = k_->dragTo(at.x(), at.y());
  modified_ = true;
  if (KonstrTab* tab = tabOf(k_->kind())) tab->showPosition(x, y);
  MimicCanvas* canvas = mimic_.canvas();
  // A panel or free label dragged past the canvas's edge makes it larger, so it can be scrolled
  // to; measuring every text again on each move is left for that case.
  const Tlabel_* r = k_->selected();
  if (r && (k_->kind() == KonstrKind::Panel || !r->privazkaKP) &&
      (x + std::max(r->Width, 1) >= canvas->minimumWidth() ||
       y + std::max(r->Height, 1) >= canvas->minimumHeight()))
    canvas->relayout();
  canvas->update();
}

void TForm13::addAt(QPoint at) {
  if (!k_->editing()) return;
  QWidget* tab = tabs_->currentWidget();
  if (tab == panels_) panels_->addAt(at.x(), at.y());
  if (tab == sensors_) sensors_->add();
  if (tab == labels_) labels_->addAt(at.x(), at.y());
  if (tab == icons_) icons_->add();
  strip_->refresh();
}

bool TForm13::mayClose() {
  if (!modified_ || readOnly_ || !askSave) return true;
  switch (askSave(kAskSave)) {
    case SaveAnswer::Yes:
      return saveDocument();  // a failed save was told; the program stays
    case SaveAnswer::No:
      return true;
    case SaveAnswer::Cancel:
      break;
  }
  return false;
}

bool TForm13::loadDocument() {
  const QString file =
      dialogs.openName(qPath(doc_.dispDir()), QString::fromUtf8(MimicDocument::kOpenFilter));
  if (file.isEmpty() || !k_->load(std::filesystem::path(file.toStdU16String()))) return false;
  modified_ = false;
  edit_->setChecked(false);  // a loaded document starts live
  mimic_.CreateDispetch();
  mimic_.refreshCaption();
  general_->fromDocument();
  setWindowTitle(QString::fromStdString(doc_.konstruktorCaption()));
  strip_->refresh();
  return true;
}

bool TForm13::saveDocument() {
  if (!k_->save()) return false;
  modified_ = false;
  setWindowTitle(QString::fromStdString(doc_.konstruktorCaption()));
  return true;
}

bool TForm13::saveDocumentAs() {
  const QString file =
      dialogs.saveName(qPath(doc_.dispDir()), QString::fromUtf8(MimicDocument::kSaveFilter));
  if (file.isEmpty() || !k_->saveAs(file.toStdString())) return false;
  modified_ = false;
  setWindowTitle(QString::fromStdString(doc_.konstruktorCaption()));
  return true;
}

bool TForm13::createDocument() {
  const QString file = dialogs.saveName(qPath(doc_.dispDir()), "Инкубаторий (*.cfd)");
  if (file.isEmpty()) return false;
  setWindowTitle(QString::fromStdString(k_->create(file.toStdString())));
  modified_ = false;  // an empty document holds nothing to lose
  mimic_.CreateDispetch();
  mimic_.refreshCaption();
  general_->fromDocument();
  strip_->refresh();
  return true;
}

}  // namespace vs
