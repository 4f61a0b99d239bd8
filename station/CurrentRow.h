// The current incubator (nk_Opros): the one row that the detail window, the parameter editor,
// the configuration window and the damper window show and write to. Whoever moves it (a
// window's arrows, the mimic's buttons, the settings file at start), every window that shows
// it hears of the change at once, so that none shows one incubator while writing to another.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vs {

class CurrentRow {
 public:
  // A listener is told for as long as its handle lives; a window that goes first is simply no
  // longer told, whichever of the two is destroyed first.
  using Handle = std::shared_ptr<void>;

  CurrentRow() = default;
  CurrentRow(const CurrentRow&) = delete;
  CurrentRow& operator=(const CurrentRow&) = delete;

  operator std::int32_t() const { return row_; }
  // A new row: every listener is told once; the same row again tells nobody. A listener reads
  // the row itself, so one that moves it again (keeping it inside the list) leaves no one with
  // a stale value.
  CurrentRow& operator=(std::int32_t row);

  [[nodiscard]] Handle listen(std::function<void()> changed);

 private:
  struct Listener {
    std::weak_ptr<void> alive;
    std::function<void()> changed;
  };
  std::int32_t row_ = 0;
  std::vector<Listener> listeners_;
};

}  // namespace vs
