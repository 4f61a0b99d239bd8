#include "station/CurrentRow.h"

namespace vs {

CurrentRow& CurrentRow::operator=(std::int32_t row) {
  if (row == row_) return *this;
  row_ = row;
  std::erase_if(listeners_, [](const Listener& l) { return l.alive.expired(); });
  // A copy: a listener may add another, or close a window whose handle then goes.
  const std::vector<Listener> now = listeners_;
  for (const Listener& l : now)
    if (const auto alive = l.alive.lock()) l.changed();
  return *this;
}

CurrentRow::Handle CurrentRow::listen(std::function<void()> changed) {
  auto handle = std::make_shared<char>(0);
  listeners_.push_back({handle, std::move(changed)});
  return handle;
}

}  // namespace vs
