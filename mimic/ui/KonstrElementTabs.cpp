#include "mimic/ui/KonstrElementTabs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "mimic/ui/MimicCanvas.h"
#include "mimic/ui/MimicIcons.h"

namespace vs {

namespace {

constexpr std::uint32_t kWindowFace = 0xFF00000F;

// The editor's captions of the icon kinds 0..8.
constexpr std::array<const char*, 9> kIconCaption{"1. Запись на диск",
                                                  "2. Инкубация по расписанию",
                                                  "3. Работает ТЭН",
                                                  "4. Авария общая",
                                                  "5. Авария - НЕТ воды",
                                                  "6. Авария - Работает Охлаждение",
                                                  "7. Авария - Мотор (Вентилятор)",
                                                  "8. Авария - Поворот лотков(левый концевик)",
                                                  "9. Авария - Поворот лотков(правый концевик)"};

QLabel* sampleLabel(const char* text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setAutoFillBackground(true);
  l->setMinimumHeight(28);
  return l;
}

}  // namespace

TFont_ defaultSampleFont() {
  QFont f = QApplication::font();
  f.setPointSize(10);
  return toDocFont(f, 0x000000, TFont_{});
}

FontSample::FontSample(QLabel* label, const TFont_& font, std::uint32_t background)
    : label_(label), font_(font), background_(background) {
  show();
}

void FontSample::setFont(const TFont_& font) {
  font_ = font;
  show();
}

void FontSample::setBackground(std::uint32_t c) {
  background_ = c;
  show();
}

void FontSample::show() {
  label_->setFont(mimicFont(font_, font_.Style & 0x04, font_.Style & 0x08));
  label_->setStyleSheet("color: " + sampleColor(font_.Color) +
                        "; background-color: " + sampleColor(background_));
}

// ---- what sensors and labels share

KonstrTextTab::KonstrTextTab(KonstrContext& cx, KonstrKind kind, const char* sampleText,
                             std::uint32_t background, QWidget* parent)
    : KonstrTab(cx, kind, parent),
      sample_(sampleLabel(sampleText, this), defaultSampleFont(), background) {
  transparent_ = new QCheckBox("фон прозрачный", this);
  connect(transparent_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_ || !mine()) return;
    cx_.k.setTransparent(on);
    changed();
  });
}

void KonstrTextTab::addSample(QGridLayout* grid, int row) {
  auto* fontButton = new QPushButton("Шрифт+цвет", this);
  auto* colorButton = new QPushButton("Цвет фона", this);
  grid->addWidget(fontButton, row, 0, 1, 2);
  grid->addWidget(colorButton, row, 2, 1, 2);
  grid->addWidget(sample_.label(), row + 1, 0, 1, 4);
  connect(fontButton, &QPushButton::clicked, this, [this] {
    const Tlabel_* r = mine();
    const auto f = cx_.dialogs.font(r ? r->Font : sample_.font());
    if (!f) return;
    sample_.setFont(*f);
    if (!r) return;
    cx_.k.setFont(*f);
    changed();
  });
  connect(colorButton, &QPushButton::clicked, this, [this] {
    const Tlabel_* r = mine();
    const auto c = cx_.dialogs.color(r ? r->Color : sample_.background());
    if (!c) return;
    sample_.setBackground(*c);
    if (!r) return;
    cx_.k.setColor(*c, transparent_->isChecked());
    changed();
  });
}

void KonstrTextTab::fillSample(const Tlabel_& r) {
  const bool was = filling_;
  filling_ = true;
  transparent_->setChecked(r.Transparent);
  filling_ = was;
  sample_.setFont(r.Font);
  sample_.setBackground(r.Color);
}

// ---- "Датчики"

KonstrSensorsTab::KonstrSensorsTab(KonstrContext& cx, QWidget* parent)
    : KonstrTextTab(cx, KonstrKind::Sensor, "00:00", 0x00FFFFFF, parent) {
  auto* grid = new QGridLayout;
  addPosition(grid, 0);
  addNumber(grid, 1);
  tip_ = new QComboBox(this);
  for (const char* c : tipCaption) tip_->addItem(c);
  grid->addWidget(new QLabel("Тип датчика", this), 2, 0);
  grid->addWidget(tip_, 2, 1, 1, 3);
  connect(tip_, &QComboBox::currentIndexChanged, this, [this](int tip) {
    if (filling_ || !mine()) return;
    cx_.k.setTip(tip);
    changed();
  });
  addSample(grid, 3);
  tpodch_ = new QCheckBox("Подчеркнуть рабочий", this);
  grid->addWidget(transparent_, 5, 0, 1, 2);
  grid->addWidget(tpodch_, 5, 2, 1, 2);
  connect(tpodch_, &QCheckBox::toggled, this, [this](bool on) {
    if (filling_) return;
    if (Tlabel_* r = mine()) {
      r->Tpodch = on;
      touched();
    }
  });
  addDeleteButtons(grid, 6);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
}

void KonstrSensorsTab::add() {
  SensorSample s;
  s.nKP = nKP_->value();
  s.tip = tip_->currentIndex();
  s.font = sample_.font();
  s.color = sample_.background();
  s.transparent = transparent_->isChecked();
  s.tpodch = tpodch_->isChecked();
  if (cx_.k.addSensor(s) >= 0) changed();
}

void KonstrSensorsTab::fill(const Tlabel_& r) {
  filling_ = true;
  x_->setValue(r.Left);
  y_->setValue(r.Top);
  nKP_->setValue(r.N_KP);
  if (r.Tip >= 0 && r.Tip < tip_->count()) tip_->setCurrentIndex(r.Tip);
  tpodch_->setChecked(r.Tpodch);
  filling_ = false;
  fillSample(r);
}

// ---- "Надписи"

KonstrLabelsTab::KonstrLabelsTab(KonstrContext& cx, QWidget* parent)
    : KonstrTextTab(cx, KonstrKind::Label, "---------", kWindowFace, parent) {
  auto* grid = new QGridLayout;
  text_ = new QLineEdit(this);
  text_->setMaxLength(50);
  grid->addWidget(new QLabel("Название:", this), 0, 0);
  grid->addWidget(text_, 0, 1, 1, 3);
  addPosition(grid, 1);
  addNumber(grid, 2);
  addSample(grid, 3);
  attached_ = new QCheckBox("вкл. привязку к инкубатору", this);
  numbered_ = new QCheckBox("Название-№ КП", this);
  grid->addWidget(transparent_, 5, 0, 1, 2);
  grid->addWidget(numbered_, 5, 2, 1, 2);
  grid->addWidget(attached_, 6, 0, 1, 4);
  addDeleteButtons(grid, 7);
  connect(text_, &QLineEdit::textChanged, this, [this] { rebuildText(); });
  connect(numbered_, &QCheckBox::toggled, this, [this] { rebuildText(); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
}

void KonstrLabelsTab::rebuildText() {
  if (filling_ || !mine()) return;
  cx_.k.setLabelText(text_->text().toStdString(), numbered_->isChecked());
  changed();
}

void KonstrLabelsTab::addAt(int x, int y) {
  LabelSample s;
  s.nKP = nKP_->value();
  s.text = text_->text().toStdString();
  s.attached = attached_->isChecked();
  s.nazvanieNOM = numbered_->isChecked();
  s.transparent = transparent_->isChecked();
  s.font = sample_.font();
  s.color = sample_.background();
  if (cx_.k.addLabel(s, x, y) >= 0) changed();
}

void KonstrLabelsTab::fill(const Tlabel_& r) {
  filling_ = true;
  text_->setText(QString::fromStdString(r.Text.utf8()));
  x_->setValue(r.Left);
  y_->setValue(r.Top);
  nKP_->setValue(r.N_KP);
  numbered_->setChecked(r.NazvanieNOM);
  attached_->setChecked(r.privazkaKP);
  filling_ = false;
  fillSample(r);
}

// ---- "значки"

KonstrIconsTab::KonstrIconsTab(KonstrContext& cx, QWidget* parent)
    : KonstrTab(cx, KonstrKind::Icon, parent) {
  auto* grid = new QGridLayout;
  height_ = spin(4, 2000, [this](int) {
    picture_->setPixmap(pixmap_.isNull() ? QPixmap() : pixmap_.scaled(sampleSize()));
    if (!mine()) return;
    const QSize s = sampleSize();
    cx_.k.resize(s.width(), s.height());
    changed();
  });
  filling_ = true;  // the picture is not there yet
  height_->setValue(32);
  filling_ = false;
  grid->addWidget(new QLabel("Высота:", this), 0, 0);
  grid->addWidget(height_, 0, 1);
  addPosition(grid, 1);
  addNumber(grid, 2);
  image_ = new QComboBox(this);
  for (const char* c : kIconCaption) image_->addItem(c);
  grid->addWidget(new QLabel("Информационные и аварийные значки", this), 3, 0, 1, 4);
  grid->addWidget(image_, 4, 0, 1, 4);
  picture_ = new QLabel(this);
  picture_->setMinimumSize(32, 32);
  grid->addWidget(picture_, 5, 0, 1, 4);
  connect(image_, &QComboBox::currentIndexChanged, this, [this](int image) {
    if (filling_) return;
    const bool loaded = loadSample(image);
    Tlabel_* r = mine();
    if (!r || !loaded) return;
    r->Image = image;
    const QSize s = sampleSize();
    cx_.k.resize(s.width(), s.height());
    changed();
  });
  addDeleteButtons(grid, 6);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
}

QSize KonstrIconsTab::sampleSize() const {
  // Scaled proportionally: the height is chosen, the width follows the picture.
  const int h = height_->value();
  if (pixmap_.isNull() || pixmap_.height() == 0) return {h, h};
  return {std::max(1, pixmap_.width() * h / pixmap_.height()), h};
}

bool KonstrIconsTab::loadSample(int image) {
  pixmap_ = mimicIcon(cx_.home, image);
  if (pixmap_.isNull()) {
    picture_->clear();
    if (cx_.k.message && image >= 0 && image < static_cast<int>(sImage.size()))
      cx_.k.message("файл не найден (" +
                    pathText(cx_.home / sImage[static_cast<std::size_t>(image)]) + ")");
    return false;
  }
  picture_->setPixmap(pixmap_.scaled(sampleSize()));
  return true;
}

void KonstrIconsTab::add() {
  IconSample s;
  s.nKP = nKP_->value();
  s.image = image_->currentIndex();
  const QSize size = sampleSize();
  s.width = size.width();
  s.height = size.height();
  if (cx_.k.addIcon(s) >= 0) changed();
}

void KonstrIconsTab::fill(const Tlabel_& r) {
  filling_ = true;
  if (r.Image >= 0 && r.Image < image_->count()) image_->setCurrentIndex(r.Image);
  nKP_->setValue(r.N_KP);
  height_->setValue(std::max(4, r.Height));
  x_->setValue(r.Left);
  y_->setValue(r.Top);
  filling_ = false;
  loadSample(r.Image);
}

}  // namespace vs
