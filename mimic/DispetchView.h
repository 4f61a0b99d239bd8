// What the mimic window "Инкубаторий" shows, without Qt: the live state of every element of the
// document (text, colours, underline, visibility), built from KS and updated from the station's
// tables; the selection that hovering and clicking make; what a double click leads to. Every
// index that comes from the document (incubator, value kind, picture, counts) is bounded here
// before it reaches a table, so a damaged or foreign document can show nothing but not harm.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/TFile_config.h"
#include "mimic/konstrT.h"
#include "station/StationTables.h"

namespace vs {

class Dialogs;

// Initial caption of a new sensor by its value kind `Tip` 0..11.
inline constexpr std::array<const char*, 12> tipD{"00.00", "00.00", "00.00", "00.00",
                                                  "00%",   "00",    "00.00", "000",
                                                  "0000",  "00:00", "00.00", "00.00"};
// Editor captions of the value kinds ("Тип датчика").
inline constexpr std::array<const char*, 12> tipCaption{
    "Tрабочий",         "T1",    "T2",  "T3",    "Вл -влажность", "Заслонка",
    "Трт - отсекатель", "Мотор", "СО2", "Лотки", "Т1+Т2=среднее", "Т1+Т2+Т3=среднее"};
// Picture of each icon kind `Image` 0..8, relative to the working folder.
inline constexpr std::array<const char*, 9> sImage{
    "img/1-disk.png", "img/2-raspis.png", "img/3-err.png", "img/4-err.png", "img/5-err.png",
    "img/6-err.png",  "img/7-err.png",    "img/8-err.png", "img/9-err.png"};

inline constexpr std::uint32_t kMimicYellow = 0x0000FFFF;  // 0x00BBGGRR
inline constexpr std::uint32_t kMimicRed = 0x000000FF;

enum class MimicKind { Panel, Sensor, Label, Icon };

// One element as it is shown now.
struct MimicElement {
  int slot = 0;           // 1-based slot in its array of KS (the record's Tag)
  int parent = -1;        // index into the panels; -1: the window itself
  bool placed = true;     // false: its panel does not exist, so it is never shown
  bool visible = true;    // as RedUst and dispetchW leave it
  std::string text;       // sensors and labels, UTF-8
  std::uint32_t color{};  // background, 0x00BBGGRR or a system colour 0xFF0000nn
  std::uint32_t fontColor{};
  bool underline = false, strikeOut = false;
};

class DispetchView {
 public:
  // `tab_otvet`: the poll cycle's unanswered polls per row as the cycle started.
  DispetchView(konstrT& KS, StationTables& t, const std::array<std::int32_t, 256>& tab_otvet,
               TFile_config& config);

  // The text colour of each main-table font class FON[0..3] (0 default, 1 above the upper
  // bound, 2 within, 3 below the lower bound).
  std::array<std::uint32_t, 4> fonColor{0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000};

  // Saves the plant configuration after a Ctrl double click switched polling; false when it
  // could not be saved (the store tells the operator itself).
  std::function<bool()> saveConfig;
  // The window "Запись в файл и выбор режима инкубации" for a 0-based row.
  std::function<void(int row)> programWindow;

  // Builds the elements from KS (counts cut to 255 panels and 1000 of each other kind).
  void CreateDispetch();
  // Points the view at another document object and rebuilds.
  void setDocument(konstrT& KS);
  const konstrT& document() const { return *ks_; }

  // Updates the sensors, icons and current-incubator labels of one 0-based row. Rows outside
  // the configured list have no data and change nothing.
  void dispetchW(int row);
  // Visibility and colours of every element, every 600 ms.
  void RedUst();
  // The end of a poll round refreshes rows tek_ink0 - 1 .. kol_Na - 1.
  std::pair<int, int> panelsToRefresh() const;

  // While the editor allows editing, nothing live changes and every element shows as stored.
  void setEditing(bool on);
  bool editing() const { return editing_; }

  // Mouse over an element / over the background; a button pressed on an element.
  void hover(MimicKind kind, int index);
  void hoverBackground();
  void press(MimicKind kind, int index);
  // A double click on an element: with Ctrl the question switches polling of its incubator
  // (through `dialogs`), without it the program window opens. Elements of incubators outside
  // the configured list do nothing.
  void doubleClick(MimicKind kind, int index, bool ctrl, Dialogs& dialogs);

  // The status line; `playing` while an alarm clip plays, `zvuk_on` the workstation's flag.
  std::string statusLine(bool playing, int zvuk_on) const;

  // The incubator (1-based) an element belongs to: its N_KP, or nom_KP0 when that is 0 or less.
  int incubatorOf(const Tlabel_& r) const;
  // Polled and inside 1..kol_inkub.
  bool inService(int incubator) const;
  // A 0-based row inside the configured list.
  bool validRow(int row) const;

  const std::vector<MimicElement>& elements(MimicKind kind) const;
  const Tlabel_& record(MimicKind kind, int index) const;

  std::vector<MimicElement> _Na, _Dsk, _Lb, _Za;
  int tek_ink0 = -1;      // incubator under the mouse or pinned, 1-based; -1 none
  int tek_ink_pred = -1;  // tek_ink0 at the previous hover
  bool poziciaBoo = false;
  int klikKP = 0;  // incubator of the last clicked element, 1-based

 private:
  std::vector<MimicElement>& list(MimicKind kind);
  void updateSensor(MimicElement& e, const Tlabel_& r, std::size_t row);
  std::uint32_t zoneColor(std::int64_t sum, int n, int lowWord, int highWord,
                          std::size_t row) const;

  konstrT* ks_;
  StationTables& t_;
  const std::array<std::int32_t, 256>& tab_otvet_;
  TFile_config& config_;
  bool editing_ = false;
};

// The sensor caption of `Tip` 9: tray countdown, direction or "вывод".
std::string trayText(const StationTables& t, std::size_t row);

}  // namespace vs
