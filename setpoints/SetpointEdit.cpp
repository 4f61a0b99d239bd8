#include "setpoints/SetpointEdit.h"

#include "config/TFile_config.h"
#include "setpoints/SetpointMap.h"

namespace vs {

namespace {

constexpr std::uint8_t kKindWord = 1;
constexpr std::uint8_t kKindItem = 10;

void write(TWriteCom& w, int c, int row, std::uint16_t b, std::uint8_t k,
           const SetpointEditHooks& hooks) {
  w.Col = c;
  w.Row = row;
  w.b = b;
  w.k = k;
  if (hooks.writeDialog) hooks.writeDialog();
}

// A yes/no question that writes one configuration item: `yes` on Yes, `no` on No.
void ask(int c, const char* text, bool cancel, int item, std::uint16_t yes, std::uint16_t no,
         TWriteCom& w, Dialogs& dialogs, const SetpointEditHooks& hooks) {
  const Dialogs::Answer a = dialogs.question(text, kYesNoTitle, cancel);
  if (a == Dialogs::Answer::Cancel) return;
  write(w, c, item, a == Dialogs::Answer::Yes ? yes : no, kKindItem, hooks);
}

}  // namespace

void zonTDblClick(int c, int r, const std::string& cellText, const StationTables& t,
                  TWriteCom& WriteKom, Dialogs& dialogs, const SetpointEditHooks& hooks) {
  if (c < 1 || c > kMaxRows || r < 1 || r > kSetpointRows) return;
  const int word = rowWord(r);
  const int type = ustav_tip[static_cast<std::size_t>(r)];
  switch (type) {
    case 1:
    case 3:
    case 4: {
      const auto text = dialogs.input(kQueryTitle, std::string(rowCaption(r)), cellText);
      if (!text) return;
      const auto v = type == 1 ? parseTemperature(*text) : parseWord(*text);
      if (!v) {
        dialogs.message(kRefused);
        return;
      }
      write(WriteKom, c, word, static_cast<std::uint16_t>(*v), kKindWord, hooks);
      return;
    }
    case 7:
      ask(c, "Включить или Выключить ЗВУК", true, 42, 1, 0, WriteKom, dialogs, hooks);
      return;
    case 50:
      ask(c, "Вывод или Инкубация", false, 40, 1, 0, WriteKom, dialogs, hooks);
      return;
    case 20:
      ask(c, "Вентиляция", false, 41, 1, 0, WriteKom, dialogs, hooks);
      return;
    case 23:
      ask(c, "Авария на охлаждение", false, 54, 0, 1, WriteKom, dialogs, hooks);
      return;
    case 8:
      if (hooks.workingSensor)
        hooks.workingSensor(t.ZON[static_cast<std::size_t>(c - 1)][static_cast<std::size_t>(word)],
                            c, r);
      return;
    case 24:
      if (hooks.alarmDelay) {
        const auto w26 = static_cast<std::uint16_t>(t.ZON[static_cast<std::size_t>(c - 1)][26]);
        hooks.alarmDelay((w26 >> 8) & 0x2F, c, r);
      }
      return;
    case 9:
    case 10:
    case 11:
    case 12:
      if (hooks.configWindow) hooks.configWindow(type - 9);
      return;
    case 21:
    case 22:
      if (hooks.ventilationEditor) hooks.ventilationEditor();
      return;
    default:  // calibration and versions are read-only
      return;
  }
}

}  // namespace vs
