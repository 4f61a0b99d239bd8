// The icon pictures of the mimic ("img/1-disk.png" .. "img/9-err.png"): an operator's own file in
// the working folder's "img" wins; otherwise the picture drawn for this program and built into
// it is used, and it can be written into "img" so that the folder holds every picture.
#pragma once
#include <QPixmap>
#include <QString>
#include <filesystem>
#include <string>

namespace vs {

// A path as UTF-8 text (for messages) and as a QString (for Qt's file calls).
std::string pathText(const std::filesystem::path& p);
inline QString qPath(const std::filesystem::path& p) {
  return QString::fromStdU16String(p.u16string());
}

// The picture of icon kind `image` (0..8): the file when it can be read, else the built-in
// one. A null pixmap for any other kind.
QPixmap mimicIcon(const std::filesystem::path& home, int image);

// The built-in picture of icon kind `image` at `size` pixels; null for other kinds.
QPixmap builtInMimicIcon(int image, int size = 64);

// Writes the built-in pictures, as PNG, where the working folder's "img" lacks a file; files
// already there are the operator's and stay. False, with the path and reason in `why`, when one
// could not be written.
bool installMimicIcons(const std::filesystem::path& home, std::string* why = nullptr);

}  // namespace vs
