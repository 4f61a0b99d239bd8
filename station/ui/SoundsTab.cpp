#include "station/ui/SoundsTab.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <system_error>

#include "config/SettingsFile.h"
#include "station/SoundAlarms.h"

namespace vs {

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string utf8(const fs::path& p) {
  const std::u8string u = p.u8string();
  return {reinterpret_cast<const char*>(u.data()), u.size()};
}

fs::path pathOf(const QString& s) {
  const QByteArray u = s.toUtf8();
  return fs::path(std::u8string(u.begin(), u.end()));
}

constexpr int kCaptionWidth = 220;
constexpr int kNameWidth = 318;

}  // namespace

SoundsTab::SoundsTab(SoundAlarms& sound, fs::path iniPath,
                     std::function<void(const std::string&)> message, QWidget* parent)
    : QWidget(parent), sound_(sound), iniPath_(std::move(iniPath)), message_(std::move(message)) {
  setObjectName("TabSounds");
  auto* v = new QVBoxLayout(this);
  play_ = new QPushButton("Проиграть", this);
  play_->setObjectName("ButtonPlay");
  auto* top = new QHBoxLayout;
  top->addWidget(play_);
  top->addStretch(1);
  v->addLayout(top);

  grid_ = new QTableWidget(kSoundSlots, 1, this);
  grid_->setObjectName("StringGridZvuk");
  grid_->setHorizontalHeaderLabels({"Имя звукового файла"});
  QStringList captions;
  for (const char* c : kSoundCaptions) captions << QString::fromUtf8(c);
  grid_->setVerticalHeaderLabels(captions);
  grid_->verticalHeader()->setFixedWidth(kCaptionWidth);
  grid_->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->resizeSection(0, kNameWidth);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setFixedWidth(kCaptionWidth + kNameWidth + 2 * grid_->frameWidth() +
                       grid_->verticalScrollBar()->sizeHint().width());
  for (int r = 0; r < kSoundSlots; ++r) grid_->setItem(r, 0, new QTableWidgetItem);
  grid_->setCurrentCell(0, 0);
  auto* row = new QHBoxLayout;
  row->addWidget(grid_);
  row->addStretch(1);
  v->addLayout(row, 1);

  chooseFile = [this](const QString& folder) {
    return QFileDialog::getOpenFileName(this, "Звуковой файл", folder,
                                        "Звуковые файлы (*.mp3 *.wav);;Все файлы (*)");
  };
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int r, int) { choose(r); });
  connect(grid_->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int r) { choose(r); });
  connect(play_, &QPushButton::clicked, this, [this] {
    const std::string why = sound_.playKind(grid_->currentRow());
    if (!why.empty() && message_) message_(why);
  });
  showNames();
}

void SoundsTab::showNames() {
  for (int r = 0; r < kSoundSlots; ++r)
    grid_->item(r, 0)->setText(qs(sound_.zvuk[static_cast<std::size_t>(r)]));
}

void SoundsTab::choose(int slot) {
  if (slot < 0 || slot >= kSoundSlots || !chooseFile) return;
  std::error_code ec;
  fs::create_directories(sound_.soundFolder(), ec);  // the chooser starts there even when new
  const QString file = chooseFile(QString::fromStdString(utf8(sound_.soundFolder())));
  if (!file.isEmpty()) takeFile(slot, file);
}

bool SoundsTab::takeFile(int slot, const QString& file) {
  if (slot < 0 || slot >= kSoundSlots) return false;
  // The settings keep the name inside "sound": the bare name for a file there, the path below
  // it for one in a subfolder. A file elsewhere would never be found under its name.
  std::error_code ecFolder, ecFile;
  const fs::path folder = fs::weakly_canonical(sound_.soundFolder(), ecFolder);
  const fs::path chosen = fs::weakly_canonical(pathOf(file), ecFile);
  const fs::path inside = chosen.lexically_relative(folder);
  if (ecFolder || ecFile || inside.empty() || inside == "." || *inside.begin() == "..") {
    if (message_)
      message_("Звуковой файл должен лежать в папке " + utf8(sound_.soundFolder()) + ": " +
               file.toStdString());
    return false;
  }
  const std::u8string generic = inside.generic_u8string();
  const std::string name(generic.begin(), generic.end());
  sound_.zvuk[static_cast<std::size_t>(slot)] = name;
  grid_->item(slot, 0)->setText(qs(name));
  if (iniPath_.empty()) return true;
  for (int s = 0; s < kSoundSlots; ++s) {
    if (saveKey(iniPath_, kSoundSection, soundKey(s), sound_.zvuk[static_cast<std::size_t>(s)]))
      continue;
    if (message_) message_("Ошибка записи файла: " + utf8(iniPath_));
    return false;
  }
  return true;
}

}  // namespace vs
