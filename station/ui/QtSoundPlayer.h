// The sound alarms' player on Qt Multimedia: one QMediaPlayer with its audio output, made at
// the first clip. Nothing waits: loading, playing and failing all happen on the event loop and
// are polled. A machine without a sound device plays silently and says so once.
#pragma once
#include <deque>
#include <memory>

#include "station/SoundPlayer.h"

class QAudioOutput;
class QMediaPlayer;

namespace vs {

class QtSoundPlayer final : public SoundPlayer {
 public:
  QtSoundPlayer();
  ~QtSoundPlayer() override;
  QtSoundPlayer(const QtSoundPlayer&) = delete;
  QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

  bool open(const std::filesystem::path& file) override;
  bool play() override;
  bool isPlaying() override;
  void close() override;
  SoundTrouble takeTrouble() override;

 private:
  void make();
  void fail(const std::string& detail);
  void note(SoundTrouble t);

  // The output outlives the player that plays into it.
  std::unique_ptr<QAudioOutput> output_;
  std::unique_ptr<QMediaPlayer> player_;
  bool loaded_ = false;                // a clip is open
  bool failed_ = false;                // the open clip cannot be played
  std::deque<SoundTrouble> troubles_;  // not yet taken, oldest first
};

}  // namespace vs
