#include "mimic/ui/MimicIcons.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <QSvgRenderer>
#include <cerrno>
#include <cstring>

#include "mimic/ui/MimicRecords.h"

namespace vs {

namespace {

// "img/1-disk.png" -> ":/pictures/img-1-disk.svg"
QString resourceOf(int image) {
  QString name = QString::fromUtf8(sImage[static_cast<std::size_t>(image)]);
  name.replace('/', '-');
  name.chop(4);
  return ":/pictures/" + name + ".svg";
}

QImage render(int image, int size) {
  QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  QSvgRenderer svg(resourceOf(image));
  if (!svg.isValid()) return {};
  QPainter p(&out);
  p.setRenderHint(QPainter::Antialiasing);
  svg.render(&p);
  return out;
}

}  // namespace

std::string pathText(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

QPixmap builtInMimicIcon(int image, int size) {
  if (image < 0 || image >= static_cast<int>(sImage.size())) return {};
  return QPixmap::fromImage(render(image, size));
}

QPixmap mimicIcon(const std::filesystem::path& home, int image) {
  if (image < 0 || image >= static_cast<int>(sImage.size())) return {};
  const auto file = home / std::filesystem::path(sImage[static_cast<std::size_t>(image)]);
  QPixmap own;
  if (QFile::exists(qPath(file)) && own.load(qPath(file))) return own;
  return builtInMimicIcon(image);
}

bool installMimicIcons(const std::filesystem::path& home, std::string* why) {
  std::error_code ec;
  std::filesystem::create_directories(home / "img", ec);
  if (ec) {
    if (why) *why = pathText(home / "img") + ": " + ec.message();
    return false;
  }
  for (int image = 0; image < static_cast<int>(sImage.size()); ++image) {
    const auto file = home / std::filesystem::path(sImage[static_cast<std::size_t>(image)]);
    if (std::filesystem::exists(file, ec)) continue;
    // Written beside and renamed, so a reader never finds half a picture.
    QSaveFile out(qPath(file));
    const QImage picture = render(image, 64);
    if (picture.isNull() || !out.open(QIODevice::WriteOnly) || !picture.save(&out, "PNG") ||
        !out.commit()) {
      if (why) *why = pathText(file) + ": " + out.errorString().toStdString();
      return false;
    }
  }
  return true;
}

}  // namespace vs
