// A double-click in the setpoint grid: by the row's display type a value is asked for (a text
// query or a yes/no question), WriteKom is filled and the write dialog opened; or one of the
// editors of the controller's settings is opened. The operator's boxes come through the
// Dialogs interface, so that the tests answer them without windows.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "station/PollState.h"
#include "station/StationTables.h"

namespace vs {

// Modal boxes an engine step may need from the operator.
class Dialogs {
 public:
  enum class Answer { Yes, No, Cancel };
  virtual ~Dialogs() = default;
  virtual void message(const std::string& text) = 0;
  // A question with Yes and No, and Cancel when `cancel` is set; a box closed otherwise
  // answers Cancel.
  virtual Answer question(const std::string& text, const std::string& title, bool cancel) = 0;
  // A text query; nullopt when cancelled.
  virtual std::optional<std::string> input(const std::string& title, const std::string& prompt,
                                           const std::string& text) = 0;
};

// Where a double-click in the grid leads besides the write dialog. The windows of the
// controller settings fill these; an empty one does nothing.
struct SetpointEditHooks {
  // The write dialog, modal, after WriteKom has been filled.
  std::function<void()> writeDialog;
  // The working-sensor dialog (TForm3): T1T2T3, T1T2T3col, T1T2T3row.
  std::function<void(int T1T2T3, int col, int row)> workingSensor;
  // The alarm-delay dialog (TForm6): T1T2T3, T1T2T3col, T1T2T3row.
  std::function<void(int T1T2T3, int col, int row)> alarmDelay;
  // The configuration window (TNastrDF), modal, on page 0..3.
  std::function<void(int page)> configWindow;
  // The parameter editor (TParamWriteF), modal, on its ventilation page.
  std::function<void()> ventilationEditor;
};

inline constexpr const char* kQueryTitle = "Изменение уставок";
inline constexpr const char* kYesNoTitle = "Да или НЕТ";

// zonTDblClick for column c (incubator position c - 1) and row r (1..35), both 1-based as the
// grid's cells; `cellText` is what the cell shows. What it does, by the row's display type:
// 1, 3, 4 a query and a setpoint write; 7, 20, 23, 50 a question and an item write; 8, 24 the
// small dialogs; 9..12 the configuration window; 21, 22 the ventilation page; others nothing.
// A typed value that is not a number, or does not fit the word, is refused with kRefused.
void zonTDblClick(int c, int r, const std::string& cellText, const StationTables& t,
                  TWriteCom& WriteKom, Dialogs& dialogs, const SetpointEditHooks& hooks);

}  // namespace vs
