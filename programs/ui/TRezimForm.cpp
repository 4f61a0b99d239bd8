#include "programs/ui/TRezimForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "config/Workstation.h"
#include "programs/ProgramFile.h"

namespace vs {
namespace fs = std::filesystem;

namespace {

QString q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

fs::path pathOf(const QString& s) {
  const QByteArray u = s.toUtf8();
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(u.constData()),
                                static_cast<std::size_t>(u.size())));
}

constexpr const char* kHeaders[kProgramColumns] = {"День инкубации", "Температура", "Влажность",
                                                   "Заслонки", "Лотки"};

}  // namespace

TRezimForm::TRezimForm(Workstation& ws, QWidget* parent) : QDialog(parent), ws_(ws) {
  setObjectName("TRezimForm");
  setWindowTitle("Создание, просмотр и редактирование программ инкубации");
  auto* v = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  prev_ = new QPushButton("<-", this);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  // The label spans the row, so a long name is never squeezed to its first size.
  status_->setAlignment(Qt::AlignCenter);
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);
  next_ = new QPushButton("->", this);
  top->addWidget(prev_);
  top->addWidget(status_, 1);
  top->addWidget(next_);
  v->addLayout(top);
  connect(prev_, &QPushButton::clicked, this, [this] { step(-1); });
  connect(next_, &QPushButton::clicked, this, [this] { step(+1); });

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Количество дней:", this));
  days_ = new QSpinBox(this);
  days_->setRange(1, kInkEditorRows);
  row->addWidget(days_);
  row->addSpacing(24);
  lotki_ = new QCheckBox("Лотки упр.", this);
  row->addWidget(lotki_);
  row->addStretch(1);
  v->addLayout(row);
  connect(days_, &QSpinBox::valueChanged, this, [this](int n) {
    RezimF_.kol = n;
    fillGrid();
  });
  connect(lotki_, &QCheckBox::toggled, this, [this](bool on) {
    RezimF_.prLotki = on ? 1 : 0;
    grid_->setColumnHidden(kColLotki, !on);
  });

  grid_ = new QTableWidget(0, kProgramColumns, this);
  QStringList headers;
  for (const char* h : kHeaders) headers << h;
  grid_->setHorizontalHeaderLabels(headers);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid_->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid_->setColumnHidden(kColLotki, true);
  grid_->setMinimumSize(620, 320);
  v->addWidget(grid_, 1);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int r, int c) { editCell(r, c); });

  auto* buttons = new QHBoxLayout;
  read_ = new QPushButton("Прочитать из файла", this);
  save_ = new QPushButton("Сохранить", this);
  saveAs_ = new QPushButton("Сохранить в файл", this);
  auto* close = new QPushButton("Закрыть", this);
  buttons->addWidget(read_);
  buttons->addWidget(save_);
  buttons->addWidget(saveAs_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  v->addLayout(buttons);
  connect(read_, &QPushButton::clicked, this, [this] { readFromFile(); });
  connect(save_, &QPushButton::clicked, this, [this] { save(); });
  connect(saveAs_, &QPushButton::clicked, this, [this] { saveAs(); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);

  query = [this](const QString& title, const QString& prompt,
                 const QString& text) -> std::optional<QString> {
    bool ok = false;
    const QString t = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return t;
  };
  message = [this](const QString& text) {
    QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
  };
  ask = [this](const QString& text) {
    return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  chooseFile = [this](bool forSave) {
    QFileDialog d(this, forSave ? "Сохранить в файл" : "Прочитать из файла",
                  q(programPathText(rezim())), "*.ink");
    d.setDefaultSuffix("ink");
    d.setAcceptMode(forSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(forSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
    return d.selectedFiles().front();
  };

  RezimF_.kol = 1;
  fillGrid();
}

fs::path TRezimForm::rezim() const {
  return ws_.home() / "rezim";
}

int TRezimForm::incubators() const {
  return usableRows(ws_.store.config);
}

void TRezimForm::select(int nk) {
  tek_inkub0_ = std::clamp(nk, 0, incubators() - 1);
}

void TRezimForm::openFor(int nk) {
  select(nk);
  exec();
}

void TRezimForm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Only an opening loads: coming back from another window keeps the edits not yet saved.
  if (!e->spontaneous()) loadIncubator();
}

void TRezimForm::step(int delta) {
  const int n = incubators();
  tek_inkub0_ = ((tek_inkub0_ + delta) % n + n) % n;
  loadIncubator();
}

bool TRezimForm::configuredPath(std::string& name, fs::path& path) {
  tek_inkub0_ = std::clamp(tek_inkub0_, 0, incubators() - 1);
  name = ws_.store.config.konfig_finkub[static_cast<std::size_t>(tek_inkub0_)].utf8();
  if (namesNoFile(name)) name += kDefaultProgramName;
  if (programPath(rezim(), name, path)) return true;
  message(q("Имя файла программы \"" + name +
            "\" ведёт за пределы папки rezim (абсолютный путь или \"..\"). Не выполнено."));
  return false;
}

void TRezimForm::loadIncubator() {
  std::string name;
  fs::path path;
  if (!configuredPath(name, path)) {
    setStatus(name);
    return;
  }
  load(path, &name);
}

void TRezimForm::loadFile(const fs::path& path) {
  load(path, nullptr);
}

void TRezimForm::load(const fs::path& path, const std::string* configuredName) {
  std::error_code ec;
  std::string why;
  if (fs::exists(path, ec)) {
    if (!readProgramFile(path, RezimF_, why)) message(q(why));
  } else if (ws_.readOnly()) {
    message(q("Файл Режима инкубации не найден: " + programPathText(path) +
              ". Вторая копия программы новых файлов не создаёт."));
  } else {
    // A missing program is created with what the editor holds; the rezim folder itself may
    // not exist yet in a fresh working folder.
    if (configuredName) fs::create_directories(path.parent_path(), ec);
    if (writeProgramFile(path, RezimF_, why))
      message(q(kNewProgramFile + programPathText(path)));
    else
      message(q(why));
  }
  // A configured name that named no file now names "000.ink" in its folder, so that
  // "Сохранить" and the scheduler use the file just read or created.
  if (configuredName) {
    auto& finkub = ws_.store.config.konfig_finkub[static_cast<std::size_t>(tek_inkub0_)];
    if (finkub.utf8() != *configuredName && fs::exists(path, ec)) {
      finkub.setUtf8(*configuredName);
      ws_.store.Write_config();  // a failure is shown by the store
    }
  }
  shown_ = path;
  refresh();
  setStatus(programPathText(path.filename()));
}

void TRezimForm::refresh() {
  fitForEditor(RezimF_);
  {
    const QSignalBlocker b1(days_);
    const QSignalBlocker b2(lotki_);
    days_->setValue(RezimF_.kol);
    // The box follows every program loaded, so that it never shows another file's setting.
    lotki_->setChecked(RezimF_.prLotki != 0);
  }
  grid_->setColumnHidden(kColLotki, RezimF_.prLotki == 0);
  fillGrid();
}

void TRezimForm::fillGrid() {
  grid_->setRowCount(RezimF_.kol);
  for (int r = 0; r < RezimF_.kol; ++r) {
    for (int c = 0; c < kProgramColumns; ++c) {
      QTableWidgetItem* it = grid_->item(r, c);
      if (!it) {
        it = new QTableWidgetItem;
        it->setTextAlignment(Qt::AlignCenter);
        grid_->setItem(r, c, it);
      }
      it->setText(q(programCellText(RezimF_, r, c)));
    }
  }
}

void TRezimForm::setStatus(const std::string& fileName) {
  tek_inkub0_ = std::clamp(tek_inkub0_, 0, incubators() - 1);
  const std::string name = ws_.store.config.konfig_s[static_cast<std::size_t>(tek_inkub0_)].utf8();
  status_->setText(q(name + " <--> " + fileName));
}

void TRezimForm::editCell(int row, int col) {
  if (row < 0 || row >= RezimF_.kol || col < 0 || col >= kProgramColumns) return;
  const std::optional<QString> typed =
      query("Изменение Режима", programCellPrompt(col), q(programCellText(RezimF_, row, col)));
  if (!typed) return;
  if (!setProgramCell(RezimF_, row, col, typed->toStdString())) {
    message(kBadSymbol);
    return;
  }
  if (QTableWidgetItem* it = grid_->item(row, col))
    it->setText(q(programCellText(RezimF_, row, col)));
}

bool TRezimForm::save() {
  std::string name;
  fs::path path;
  if (!configuredPath(name, path)) return false;
  return saveTo(path);
}

bool TRezimForm::saveTo(const fs::path& path) {
  const int bad = firstDayOutOfOrder(RezimF_);
  if (bad >= 0 && !ask(q(dayOrderQuestion(RezimF_, bad)))) return false;
  std::string why;
  if (writeProgramFile(path, RezimF_, why)) return true;
  message(q(why));
  return false;
}

void TRezimForm::saveAs() {
  const QString chosen = chooseFile(true);
  if (!chosen.isEmpty()) saveTo(pathOf(chosen));
}

void TRezimForm::readFromFile() {
  const QString chosen = chooseFile(false);
  if (!chosen.isEmpty()) loadFile(pathOf(chosen));
}

}  // namespace vs
