// Failures that would repeat every tick are told once: the first failure of a kind is reported,
// the kind is then quiet until it is marked ended (which is reported too), so a disk that stays
// full or a step that keeps throwing never floods the journal, and is never silent either.
#pragma once
#include <exception>
#include <functional>
#include <set>
#include <string>

namespace vs {

class FailureLog {
 public:
  // Where the reports go (the journal and the operator); unset, nothing is told.
  std::function<void(const std::string& utf8)> report;

  // A failure of `kind`: reported when it is the first since the kind last ended. Returns
  // whether it was new. An empty text marks the failure without telling it (it was told
  // another way).
  bool failed(const std::string& kind, const std::string& text) {
    if (!active_.insert(kind).second) return false;
    if (report && !text.empty()) report(text);
    return true;
  }
  // `kind` works again: told only when it was failing. Returns whether it was.
  bool ended(const std::string& kind, const std::string& text) {
    if (active_.erase(kind) == 0) return false;
    if (report && !text.empty()) report(text);
    return true;
  }
  bool failing(const std::string& kind) const { return active_.count(kind) != 0; }

  // Runs one step of a timer path; an exception is caught (the tick goes on) and the first of
  // each step's failures is reported. A step that throws again stays quiet: it never "ends".
  template <typename F>
  void guard(const char* step, F&& f) {
    std::string why;
    try {
      f();
      return;
    } catch (const std::exception& e) {
      why = e.what();
    } catch (...) {
      why = "неизвестная ошибка";
    }
    failed(step, std::string("Сбой в ") + step + ": " + why);
  }

 private:
  std::set<std::string> active_;
};

}  // namespace vs
