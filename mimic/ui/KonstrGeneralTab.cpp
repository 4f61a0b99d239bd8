#include "mimic/ui/KonstrGeneralTab.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <system_error>

#include "mimic/ui/MimicIcons.h"
#include "mimic/ui/TDispetch.h"

namespace vs {

namespace {
constexpr const char* kPictureFilter = "Рисунки (*.bmp *.png *.jpg *.jpeg *.gif)";
}  // namespace

KonstrGeneralTab::KonstrGeneralTab(KonstrContext& cx, QWidget* parent)
    : KonstrTab(cx, KonstrKind::None, parent) {
  auto* picture = new QGroupBox("Фоновый рисунок", this);
  off_ = new QRadioButton("нет", picture);
  on_ = new QRadioButton("ЕСТЬ", picture);
  auto* choose = new QPushButton("Файл фона", picture);
  file_ = new QLabel(picture);
  auto* pl = new QGridLayout(picture);
  pl->addWidget(off_, 0, 0);
  pl->addWidget(on_, 0, 1);
  pl->addWidget(choose, 1, 0);
  pl->addWidget(file_, 1, 1);
  auto* group = new QButtonGroup(this);
  group->addButton(off_);
  group->addButton(on_);
  connect(on_, &QRadioButton::toggled, this, [this](bool on) {
    if (filling_) return;
    cx_.k.setBackgroundOn(on);
    showBackground();
  });
  connect(choose, &QPushButton::clicked, this, [this] {
    const std::filesystem::path dir = cx_.doc.dispDir();
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
      if (!std::filesystem::create_directories(dir, ec) && ec) {
        if (cx_.k.message) cx_.k.message("Ошибка записи файла: " + pathText(dir));
        return;
      }
      if (cx_.k.message) cx_.k.message("Папка \\disp не существует. Создана.");
    }
    const QString file = cx_.dialogs.openName(qPath(dir), kPictureFilter);
    if (!file.isEmpty()) chooseBackground(file);
  });

  auto* idle = new QGroupBox("Нерабочие Инкубаторы", this);
  auto* colorButton = new QPushButton("Цвет фона КП", idle);
  offColor_ = new QFrame(idle);
  offColor_->setFrameShape(QFrame::Box);
  offColor_->setMinimumSize(40, 20);
  auto* il = new QHBoxLayout(idle);
  il->addWidget(colorButton);
  il->addWidget(offColor_, 1);
  connect(colorButton, &QPushButton::clicked, this, [this] {
    const auto c = cx_.dialogs.color(cx_.doc.KS->ColorOFF);
    if (!c) return;
    cx_.k.setColorOFF(*c);
    fromDocument();
    cx_.mimic.RedUst();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  layout->addWidget(idle);
  layout->addStretch(1);
  fromDocument();
}

void KonstrGeneralTab::fromDocument() {
  filling_ = true;
  (cx_.doc.KS->ImOn == 'o' ? on_ : off_)->setChecked(true);
  filling_ = false;
  file_->setText(QString::fromStdString(cx_.doc.backgroundLabel()));
  offColor_->setStyleSheet("background-color: " + sampleColor(cx_.doc.KS->ColorOFF));
}

void KonstrGeneralTab::showBackground() {
  cx_.mimic.CreateDispetch();
  cx_.mimic.refreshCaption();
  fromDocument();
}

bool KonstrGeneralTab::chooseBackground(const QString& file) {
  QImageReader reader(file);
  if (!reader.canRead()) {
    if (cx_.k.message) cx_.k.message("Ошибка при загрузке изображения");
    return false;
  }
  // The document keeps only the file's name, looked up in "disp": a picture chosen elsewhere is
  // copied there first, so that the document finds it again at the next start.
  const std::filesystem::path chosen = file.toStdU16String();
  const std::filesystem::path inDisp = cx_.doc.dispDir() / chosen.filename();
  std::error_code ec;
  if (!std::filesystem::equivalent(chosen, inDisp, ec)) {
    std::filesystem::copy_file(chosen, inDisp, std::filesystem::copy_options::overwrite_existing,
                               ec);
    if (ec) {
      if (cx_.k.message)
        cx_.k.message("Ошибка записи файла: " + pathText(inDisp) + " (" + ec.message() + ")");
      return false;
    }
  }
  const std::u8string name = chosen.filename().u8string();
  cx_.k.setBackgroundFile(std::string(name.begin(), name.end()));
  showBackground();
  return true;
}

}  // namespace vs
