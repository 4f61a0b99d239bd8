// The incubator list of the "Установки" tab: it shows and edits the editing copy `config_p`;
// nothing becomes live before remember(). Row 0 of the list is its header, row r shows
// incubator row r - 1.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "config/TFile_config.h"

namespace vs {

class IncubatorList {
 public:
  static constexpr const char* kNoError = "-----";  // the error label before any edit
  static constexpr const char* kError = "Ошибка";
  static constexpr const char* kPollQuestion = "Включить опрос выбранного инкубатора?";
  static constexpr const char* kPollTitle = "Да или НЕТ";
  static constexpr int kMaxCount = 100;  // the count spin box holds 1..100

  IncubatorList(TFile_config& config, TFile_config& config_p) : config_(config), p_(config_p) {}

  // With the four-line hub (`RS485_4`) the list has a fourth column for the line.
  void setHub(bool on) { hub_ = on; }
  bool hub() const { return hub_; }
  int columnCount() const { return hub_ ? 4 : 3; }
  static std::string header(int col);
  static int columnWidth(int col);

  // Incubator rows shown below the header (the count spin box value).
  int rows() const { return rows_; }
  // Sets the number of rows shown without touching `config_p` (the program setting the spin
  // box from a loaded configuration).
  void showRows(int count) { rows_ = clampCount(count); }
  // The operator changed the count spin box: a value of 0 or less becomes 1. Returns the count.
  int setCount(int value);

  // Showing the tab: the editing copy starts again from the live configuration.
  void refresh() { p_ = config_; }

  // Text of a cell of the list (row >= 1).
  std::string cell(int row, int col) const;

  // Typing into a cell changes `config_p` at once. Text that is not a number for the number
  // and line columns sets the error label to "Ошибка" and changes nothing; an accepted edit
  // empties the label. A number the record cannot hold, or a name with a character that
  // Windows-1251 lacks (it would come back as "?"), is refused the same way, so that what is
  // saved is what the next start shows. Returns whether the edit was taken.
  bool edit(int row, int col, std::string_view text);
  const std::string& errorText() const { return error_; }
  // Why the last edit was refused, for the operator (empty after an accepted one).
  const std::string& refusal() const { return refusal_; }
  void clearRefusal() { refusal_.clear(); }

  // The editor of a cell opened. Its keystrokes reach the editing copy one by one, so when the
  // text it finally commits is refused, the field goes back to what it held here (typing
  // "70000" over 77 must not leave 7000, a number nobody meant).
  void beginEdit(int row, int col);
  // The editor committed its text: a refused one puts the field back, an accepted one stays.
  void endEdit(bool refused);
  static constexpr int kNameLength = 100;  // characters of a name the record holds

  // Double-click in the poll column asks kPollQuestion; Yes and No come here, Cancel does not.
  bool isPollColumn(int row, int col) const { return col == 2 && rowValid(row); }
  void setPoll(int row, bool on);

  // "Запомнить!": the editing copy becomes live and is saved. `sendHubTable` runs between the
  // take-over and the save when the hub is on; `save` writes both stored copies and reports
  // whether it succeeded.
  bool remember(const std::function<void()>& sendHubTable, const std::function<bool()>& save);

  // The count to store in an exported file: the spin box value, except that a configuration of
  // more than 100 incubators whose spin box shows 100 keeps its own count.
  int exportCount(int spinValue) const;

  static int clampCount(int value);

 private:
  bool accepted();
  bool rowValid(int row) const { return row >= 1 && row <= rows_ && row <= kMaxRows; }

  TFile_config& config_;
  TFile_config& p_;
  bool hub_ = false;
  int rows_ = 1;
  std::string error_ = kNoError;
  std::string refusal_;
  struct Before {
    int row = 0, col = -1;  // col -1: no editor open
    std::uint16_t number = 0;
    PString<100> name{};
    std::uint8_t line = 0;
  } before_;
};

}  // namespace vs
