// The program's windows, created in their fixed order and wired to each other.
#pragma once
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "station/PollState.h"

namespace vs {

class Workstation;
class UsbLink;
class SoundAlarms;
class WriteEngine;
class TWriteF;
struct StationTables;
struct TWriteCom;
class TForm1;
class TForm14;
class TForm100;
class TForm4;
class TFormUST;
class TForm15;
class TForm3;
class TForm6;
class TParamWriteF;
class TNastrDF;
class Station;
class TForm9;
class TForm2;
class TForm12;
class TRezimForm;
class TForm5;
class TgsmF;
class TObnovF;
class TlotkiF;
class TZaslonkiF;
class FrameDispatcher;
class ProgramScheduler;
class MimicDocument;
class TDispetch;
class TForm13;
class TAlarmsF;
class AlarmList;
class ShiftReportWindow;

struct AppWindows {
  // The mimic document the mimic view (and its editor) work on; declared before the main
  // window so that it outlives the windows.
  std::unique_ptr<MimicDocument> mimicDoc;
  // The main window owns the others (they are its dialogs and tool windows).
  std::unique_ptr<TForm1> form1;
  TForm4* form4 = nullptr;
  TFormUST* formUST = nullptr;
  TForm100* form100 = nullptr;
  TForm14* form14 = nullptr;
  TForm15* form15 = nullptr;
  TWriteF* writeF = nullptr;
  TForm3* form3 = nullptr;              // working-sensor dialog
  TForm6* form6 = nullptr;              // alarm-delay dialog
  TParamWriteF* paramWriteF = nullptr;  // parameter editor
  TNastrDF* nastrDF = nullptr;          // controller configuration
  TForm9* form9 = nullptr;
  TForm2* form2 = nullptr;                    // program window (log-file settings)
  TForm12* form12 = nullptr;                  // spreadsheet export
  TRezimForm* rezimForm = nullptr;            // program editor
  TForm5* form5 = nullptr;                    // incubation report
  TObnovF* obnovF = nullptr;                  // firmware update
  TDispetch* dispetch = nullptr;              // mimic view "Инкубаторий"
  TForm13* form13 = nullptr;                  // mimic editor "Конструктор"
  TgsmF* gsmF = nullptr;                      // GSM module
  TlotkiF* lotkiF = nullptr;                  // tray-turning board
  TZaslonkiF* zaslonkiF = nullptr;            // damper board
  TAlarmsF* alarmsF = nullptr;                // alarm list "Аварийные сообщения"
  ShiftReportWindow* shiftReportF = nullptr;  // "Отчёт за смену"
  // Names of the windows in the order they were created.
  std::vector<std::string_view> created;

  AppWindows();
  AppWindows(AppWindows&&) noexcept;
  AppWindows& operator=(AppWindows&&) noexcept;
  ~AppWindows();
};

// Engine parts of the program that some windows work on; a window whose part is missing is
// not created.
struct AppLinks {
  UsbLink* usb = nullptr;                // the adapter window TForm100
  Kom485m* kom485m = nullptr;            // the schedule debug window TForm14
  int* serverP = nullptr;                // the station mode set by the adapter window's "Сеть"
  SoundAlarms* sound = nullptr;          // the "Звуки" tab of the main window
  StationTables* tables = nullptr;       // the "Зоны" tab
  TWriteCom* WriteKom = nullptr;         // the write a double-click in "Зоны" fills
  WriteEngine* writer = nullptr;         // the write dialog TWriteF
  Station* station = nullptr;            // the parameter editor and the configuration window
  ProgramScheduler* programs = nullptr;  // the program window's status lines and "Изменить"
  FrameDispatcher* dispatcher = nullptr;  // the tray board's reports
  AlarmList* alarms = nullptr;            // the alarm list window TAlarmsF
};

// Creates every window the program has, in the order of kWindowOrder, all hidden; the main
// window's creation runs the workstation's start-up. `secondCopy` marks the main caption.
AppWindows createWindows(Workstation& ws, bool secondCopy, const AppLinks& links = {});

// A log given on the command line (or by a double-click in the file manager): the main window
// turns to "Графики" and draws it there, as "Прочитать" would. False when the load could not
// start (said to the operator by the tab).
bool openLogOnCharts(AppWindows& w, const std::filesystem::path& log);

}  // namespace vs
