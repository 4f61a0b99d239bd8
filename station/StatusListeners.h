// Who hears of a decoded status answer, and in which order. The order is part of the
// behaviour (the sound check must see C2k before it follows C2, the log writer must see the
// damper angle of this answer, ...), so it is fixed here, in one list, and nowhere else.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "bus/FrameCodec.h"
#include "common/DateTime.h"

namespace vs {

// The steps, in the order they are called for every answer of two data bytes or more.
enum class StatusStep : int {
  AnswerCount,   // "Опрос" label and the detail window's counter (event.answerCount)
  UpdateWindow,  // firmware-update window: module flags of bytes 5 and 3, while it is active
  Damper,        // damper board present: "Заслонки" button visible, TZaslonkiF.terminal
  AlarmCell,     // empty the row's "Аварии" cell
  SoundCheck,    // zvuk_prov(nk, sender); zvukON1 turns true after it
  SetpointGrid,  // zon_ust
  DetailWindow,  // TForm9.OprosI, when it is visible and shows row nk
  MainTable,     // the row's texts; the damper angle is already updated
  TimeLabel,     // "Время" label: the answer's date-time
  ParamEditor,   // TParamWriteF.ReadBL, when the editor is open
  ConfigWindow,  // TNastrDF.OprosK, when the configuration window is open
  LogWriter,     // WriteZ; called only for rows with logging on (konfig_Write)
  Mimic,         // TDispetch.dispetchW(nk), when the mimic view is visible
  DetailTime,    // the detail window's time label, when it is visible
  Count
};
// After the last step come the step signal of a running write and the immediate next poll;
// the station does those itself.

struct StatusEvent {
  int nk;                 // row index
  std::uint8_t sender;    // the answering controller's address
  TDateTime time;         // the answer's date-time
  int length;             // data bytes of the answer
  long long answerCount;  // decoded answers before this one
  const RS232_T& frame;   // the answer as received
};

class StatusListeners {
 public:
  using Listener = std::function<void(const StatusEvent&)>;

  // Several listeners may share a step; they run in the order they were added.
  void add(StatusStep step, Listener l) { steps_[index(step)].push_back(std::move(l)); }
  void clear(StatusStep step) { steps_[index(step)].clear(); }
  void run(StatusStep step, const StatusEvent& e) const {
    for (const auto& l : steps_[index(step)]) l(e);
  }

 private:
  static std::size_t index(StatusStep s) { return static_cast<std::size_t>(s); }
  std::array<std::vector<Listener>, static_cast<std::size_t>(StatusStep::Count)> steps_{};
};

}  // namespace vs
