#include "mimic/ui/DemoMimic.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <memory>

#include "common/AtomicFile.h"
#include "mimic/ui/MimicIcons.h"
#include "mimic/ui/MimicRecords.h"

namespace vs {

namespace {

// A plan of the hall: tiled floor, walls, the hatchers' corner and the corridor along the
// bottom, in quiet colours so that the panels read over it.
QImage drawHall() {
  QImage img(1170, 750, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient floor(0, 0, 0, 750);
  floor.setColorAt(0, QColor(0xe9, 0xee, 0xe6));
  floor.setColorAt(1, QColor(0xd5, 0xdd, 0xd2));
  p.fillRect(img.rect(), floor);
  p.setPen(QPen(QColor(0xc8, 0xd0, 0xc4), 1));
  for (int x = 0; x < img.width(); x += 30) p.drawLine(x, 0, x, img.height());
  for (int y = 0; y < img.height(); y += 30) p.drawLine(0, y, img.width(), y);
  // The hatchers' room behind a partition.
  p.fillRect(QRect(772, 296, 390, 256), QColor(0xf3, 0xe6, 0xd0));
  p.setPen(QPen(QColor(0x5f, 0x6b, 0x5a), 6));
  p.drawLine(766, 292, 766, 556);
  p.drawLine(766, 292, 1166, 292);
  // Corridor.
  p.fillRect(QRect(0, 552, 1170, 198), QColor(0xcf, 0xd8, 0xdc));
  p.setPen(QPen(QColor(0x5f, 0x6b, 0x5a), 8));
  p.drawRect(QRect(4, 4, 1162, 742));
  p.setPen(QColor(0x7a, 0x86, 0x75));
  QFont f("Arial");
  f.setPixelSize(14);
  f.setItalic(true);
  p.setFont(f);
  f.setPixelSize(12);
  p.setFont(f);
  p.drawText(QRect(780, 538, 376, 14), Qt::AlignRight | Qt::AlignVCenter, "выводной зал");
  p.drawText(QRect(780, 36, 370, 16), Qt::AlignRight, "инкубационный зал");
  return img;
}

bool fail(std::string* why, const std::string& text) {
  if (why) *why = text;
  return false;
}

}  // namespace

bool prepareDemoMimic(const std::filesystem::path& dir, std::string* why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir / "disp", ec);
  if (ec) return fail(why, pathText(dir / "disp") + ": " + ec.message());
  const fs::path background = dir / "disp" / kDemoBackground;
  if (!fs::exists(background, ec)) {
    QSaveFile out(qPath(background));
    if (!out.open(QIODevice::WriteOnly) || !drawHall().save(&out, "PNG") || !out.commit())
      return fail(why, pathText(background) + ": " + out.errorString().toStdString());
  }
  const fs::path document = dir / "disp" / "Vetrostan.cfg";
  if (!fs::exists(document, ec)) {
    auto ks = std::make_unique<konstrT>();
    buildDemoDispetch(*ks, kDemoBackground);
    if (!writeFileAtomic(document, ks.get(), sizeof(konstrT)))
      return fail(why, pathText(document) + ": " + std::strerror(errno));
  }
  return installMimicIcons(dir, why);
}

}  // namespace vs
