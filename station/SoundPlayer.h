// The one media player of the sound alarms. The program plays through Qt Multimedia, the tests
// through a recording fake. Nothing here may wait: a clip is started, then polled until it ends.
#pragma once
#include <filesystem>
#include <string>

namespace vs {

// What went wrong with a clip, in the player's words.
struct SoundTrouble {
  enum class Kind {
    None,
    NoDevice,     // the machine has no sound output: clips may be silent
    Undecodable,  // the file is there but does not play
  };
  Kind kind = Kind::None;
  std::string detail;  // UTF-8
};

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  // Loads one clip, ending the one before. False when it cannot be played.
  virtual bool open(const std::filesystem::path& file) = 0;
  // Starts the clip opened last. False when it does not start.
  virtual bool play() = 0;
  // Polled once a second; false as soon as the clip has ended, was closed or failed.
  virtual bool isPlaying() = 0;
  // Ends the clip that plays and lets go of its file.
  virtual void close() = 0;
  // Trouble met since the last call, forgotten once taken. Some shows only while a clip plays
  // (a file that does not decode), so the owner asks after every call and on every poll.
  virtual SoundTrouble takeTrouble() { return {}; }
};

}  // namespace vs
