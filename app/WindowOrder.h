// The windows of the program in the order they are created at start, all hidden but the main
// window. The main window comes first, so its start-up runs before any other window exists.
// The program creates, in this order, every window it has been built with.
#pragma once
#include <array>
#include <string_view>

namespace vs {

inline constexpr std::array<std::string_view, 26> kWindowOrder{
    "TForm1",             // main window
    "TForm2",             // program execution
    "TForm3",             // working-sensor dialog
    "TWriteF",            // write dialog
    "TNastrDF",           // controller configuration
    "TForm4",             // About window
    "TRezimForm",         // program editor
    "TForm5",             // incubation report
    "TFormUST",           // general settings
    "TForm6",             // alarm reactions
    "TObnovF",            // firmware update
    "TForm7",             // special update
    "TgsmF",              // GSM window
    "TForm9",             // incubator detail window
    "TParamWriteF",       // parameter editor
    "TlotkiF",            // tray board
    "TZaslonkiF",         // damper board
    "TForm100",           // USB adapter window
    "TDispetch",          // mimic view
    "TForm12",            // spreadsheet export
    "TForm13",            // mimic editor
    "TForm14",            // schedule debug window
    "TForm15",            // configuration transfer
    "TForm16",            // extra chart
    "TAlarmsF",           // alarm list "Аварийные сообщения"
    "ShiftReportWindow",  // the shift's record sheet "Отчёт за смену"
};

// Position of a window in the creation order, or -1 for a name that is not a window.
constexpr int windowRank(std::string_view name) {
  for (std::size_t i = 0; i < kWindowOrder.size(); ++i)
    if (kWindowOrder[i] == name) return static_cast<int>(i);
  return -1;
}

}  // namespace vs
