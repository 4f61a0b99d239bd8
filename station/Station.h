// The station engine: the poll cycle (100 ms and 1 s ticks, the pending command, answer
// accounting, fast polling), the status path of type-5 answers and their decoding into the
// per-incubator tables, and the shared data file exchange. One owner for all of that state;
// windows read the tables and register on `listeners` and `hooks`.
//
// Wiring: FrameCodec::onSent -> noteSent, FrameCodec::inputIgnored -> inputIgnored,
// FrameDispatcher consumer of type 5 -> onStatusFrame, hooks.send -> FrameCodec::send; the
// program's timers call Timer2 every 100 ms and Timer1 every second.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "bus/FrameCodec.h"
#include "common/DateTime.h"
#include "common/FailureLog.h"
#include "config/TFile_config.h"
#include "history/DanFile.h"
#include "station/PollState.h"
#include "station/StationTables.h"
#include "station/StatusListeners.h"

namespace vs {

struct Settings;

// Calls from the engine to the program (the USB link, the windows, the other engines).
// Any of them may be left empty.
struct StationHooks {
  // Sends one request with sender 222 (FrameCodec::send); the codec's onSent must reach
  // Station::noteSent.
  std::function<void(std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data,
                     std::uint8_t len)>
      send;
  std::function<void()> UsbCreate;
  std::function<void(const std::string& serial)> Open_Usb;
  std::function<void()> Close_USB;
  // "Работа" was pressed by the engine itself (link at start-up): the button shows it.
  std::function<void(bool down)> rsChanged;
  // TObnovF.Timer100ms: the firmware-update step, every 100 ms while the bus work is on.
  std::function<void()> Timer100ms;
  // Rewrites row nk's name cell in the main table, which redraws the row.
  std::function<void(int nk)> nameCell;
  // End of a poll cycle: the mimic panels tek_ink0..kol_Na, each refreshed by dispetchW(k - 1).
  std::function<std::pair<int, int>()> mimicPanels;
  std::function<void(int row)> dispetchW;
  // "USB не работает" in the main window (and in the detail window when it is visible).
  std::function<void(bool visible)> usbNo;
  // The "Включена автоматическая" / "инкубация" panel and its counter text ("= N").
  std::function<void(bool visible, const std::string& label)> autoIncubation;
  // One step of the alarm sound sequencer.
  std::function<void()> zvukPUSK;
  // A remote station that takes the serving station's answers from elsewhere (the broker)
  // reads them here instead of the shared data file.
  std::function<void()> DanRead;
};

class Station : public StationTables, public PollState, public BusGates {
 public:
  Station(TFile_config& config, const Clock& clock, std::filesystem::path home);
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  PollControls controls;
  StationHooks hooks;
  StatusListeners listeners;
  DanFile dan;
  long long answerCount = 0;  // decoded answers since start, shown in "Опрос"
  // A timer step of another part that throws does not stop the tick: the rest of it still runs,
  // the next tick tries again, and the first failure of each step is reported here.
  FailureLog failures;
  // A second copy on a working folder another copy holds: it never opens the adapter, sends
  // nothing and does not write the shared file; a remote mode still reads it.
  bool observer = false;

  // Takes the poll period, debug block, computer class, start-up link, adapter and station mode.
  void applySettings(const Settings& s);

  // Timer2, every 100 ms: the pending command, else every PeriodSE seconds the next poll.
  void Timer2();
  // Timer1, every second: station mode, automatic-incubation panel, shared file, link
  // indicator, alarm sounds.
  void Timer1();
  // The "Работа" button changed by the operator.
  void setRS(bool down);

  // Chooses and polls the next incubator whose poll flag is set.
  void f_tek_inkub();
  // One status poll to this incubator number.
  void opros_inkub(int number);
  // Row of the first configured incubator with this number, or -1.
  int f_opros_inkub(int number) const;
  // Configured rows in use (0 counts as 1, at most 251).
  int kol_inkub() const { return usableRows(config_); }

  // The codec's onSent: a frame has just been sent.
  void noteSent() { com_rabota = 0; }
  // True in the remote modes: received bytes are ignored.
  bool inputIgnored() const { return serverP == 3 || serverP == 4; }

  // The FrameDispatcher consumer of answer type 5.
  void onStatusFrame(const RS232_T& frame);
  // Decodes the answer in `frame` for row nk with the answer's date-time and informs the
  // listeners in their fixed order; then the step signal of a running write or the next poll.
  void Obrabotka_Server(int nk, TDateTime time, const RS232_T& frame);

  // Whether row nk's name cell is drawn as linked (grey) rather than lost (yellow). On the bus:
  // polled, answering at the start of this cycle and with more than 5 data bytes in its last
  // answer; this also sets pr_svaz. On a remote station: as the shared file says.
  bool nameCellLinked(int nk);

  const TFile_config& config() const { return config_; }
  const Clock& clock() const { return clock_; }

 private:
  void sendPending();
  void countPollSent();
  bool remote() const { return serverUD; }

  TFile_config& config_;
  const Clock& clock_;
};

}  // namespace vs
