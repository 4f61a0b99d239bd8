#include "station/ui/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace vs {

namespace {

QString qpath(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(u.data()),
                           static_cast<qsizetype>(u.size()));
}

}  // namespace

QtSoundPlayer::QtSoundPlayer() = default;

QtSoundPlayer::~QtSoundPlayer() {
  if (player_) player_->stop();
}

void QtSoundPlayer::make() {
  if (player_) return;
  output_ = std::make_unique<QAudioOutput>();
  player_ = std::make_unique<QMediaPlayer>();
  player_->setAudioOutput(output_.get());
  // A file that does not decode shows only once the backend has looked at it: the player may
  // still say "playing" then, so the failure is kept and ends the clip.
  QObject::connect(player_.get(), &QMediaPlayer::errorOccurred, player_.get(),
                   [this](QMediaPlayer::Error, const QString& text) {
                     if (loaded_) fail(text.toStdString());
                   });
  QObject::connect(player_.get(), &QMediaPlayer::mediaStatusChanged, player_.get(),
                   [this](QMediaPlayer::MediaStatus s) {
                     if (loaded_ && s == QMediaPlayer::InvalidMedia)
                       fail("файл не распознан как звук");
                   });
}

void QtSoundPlayer::fail(const std::string& detail) {
  if (failed_) return;
  failed_ = true;
  note({SoundTrouble::Kind::Undecodable, detail});
}

void QtSoundPlayer::note(SoundTrouble t) {
  if (troubles_.size() < 8) troubles_.push_back(std::move(t));  // nobody asks: keep the first
}

bool QtSoundPlayer::open(const std::filesystem::path& file) {
  close();
  const QString path = qpath(file);
  if (!QFileInfo(path).isFile()) {
    note({SoundTrouble::Kind::Undecodable, "файла нет"});
    return false;
  }
  make();
  // Without an output the backend still plays, silently and in real time, so the
  // announcements keep their pace; the operator learns why nothing is heard.
  if (QMediaDevices::audioOutputs().isEmpty()) note({SoundTrouble::Kind::NoDevice, {}});
  output_->setDevice(QMediaDevices::defaultAudioOutput());
  loaded_ = true;
  failed_ = false;
  player_->setSource(QUrl::fromLocalFile(path));
  return !failed_;
}

bool QtSoundPlayer::play() {
  if (!loaded_ || failed_) return false;
  player_->play();
  return !failed_;
}

bool QtSoundPlayer::isPlaying() {
  if (!loaded_ || failed_) return false;
  switch (player_->mediaStatus()) {
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::EndOfMedia:
    case QMediaPlayer::InvalidMedia:
      return false;
    default:
      break;
  }
  return player_->playbackState() == QMediaPlayer::PlayingState;
}

void QtSoundPlayer::close() {
  if (!loaded_) return;
  loaded_ = false;
  player_->stop();
  player_->setSource(QUrl());
}

SoundTrouble QtSoundPlayer::takeTrouble() {
  if (troubles_.empty()) return {};
  SoundTrouble t = std::move(troubles_.front());
  troubles_.pop_front();
  return t;
}

}  // namespace vs
