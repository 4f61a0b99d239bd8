#include "mimic/ui/KonstrGeneralTab.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <system_error>

#include "mimic/ui/MimicIcons.h"
#include "mimic/ui/TDispetch.h"

namespace vs {

namespace {
constexpr const char* kPictureFilter = "Рисунки (*.bmp *.png *.jpg *.jpeg)";
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
  group_ = new QButtonGroup(this);
  group_->addButton(off_);
  group_->addButton(on_);
  // A click, not a toggle: with no choice made yet, "нет" must switch the background off too.
  connect(group_, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* b) {
    if (filling_) return;
    cx_.k.setBackgroundOn(b == on_);
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
    touched();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  layout->addWidget(idle);
  layout->addStretch(1);
  fromDocument();
}

void KonstrGeneralTab::fromDocument() {
  filling_ = true;
  // Neither 'o' nor 'n': no choice made, neither button down.
  group_->setExclusive(false);
  on_->setChecked(cx_.doc.KS->ImOn == 'o');
  off_->setChecked(cx_.doc.KS->ImOn == 'n');
  group_->setExclusive(true);
  filling_ = false;
  file_->setText(QString::fromStdString(cx_.doc.backgroundLabel()));
  offColor_->setStyleSheet("background-color: " + sampleColor(cx_.doc.KS->ColorOFF));
}

void KonstrGeneralTab::showBackground() {
  touched();
  cx_.mimic.CreateDispetch();
  cx_.mimic.refreshCaption();
  fromDocument();
}

bool KonstrGeneralTab::chooseBackground(const QString& file) {
  if (QImage picture; !picture.load(file)) {
    // The choice is cleared: the background is switched off, its name kept for "ЕСТЬ".
    if (cx_.k.message) cx_.k.message("Ошибка при загрузке изображения");
    cx_.k.setBackgroundOn(false);
    showBackground();
    return false;
  }
  // The document keeps only the file's name, looked up in "disp": a picture chosen elsewhere is
  // copied there first, so that the document finds it again at the next start. Another picture
  // of that name there may be another document's background: it is replaced only when asked.
  const std::filesystem::path chosen = file.toStdU16String();
  const std::filesystem::path inDisp = cx_.doc.dispDir() / chosen.filename();
  std::error_code ec;
  if (!std::filesystem::equivalent(chosen, inDisp, ec)) {
    if (std::filesystem::exists(inDisp, ec) &&
        !(cx_.k.ask && cx_.k.ask("В папке disp уже есть рисунок " + pathText(chosen.filename()) +
                                 ". Заменить его?")))
      return false;
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
