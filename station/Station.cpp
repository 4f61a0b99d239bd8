#include "station/Station.h"

#include <algorithm>

#include "config/Settings.h"
#include "station/StatusDecoder.h"

namespace vs {
Station::Station(TFile_config& config, const Clock& clock, std::filesystem::path home)
    : dan(config, *this, controls, *this, clock, std::move(home)), config_(config), clock_(clock) {
  dan.replay = [this](int nk, TDateTime time, const RS232_T& frame) {
    Obrabotka_Server(nk, time, frame);
  };
}

void Station::applySettings(const Settings& s) {
  controls.PeriodSE = std::clamp(s.Opros_period, 1, 100);
  controls.otlad = s.otlad;
  controls.Compyter = s.Compyter;
  controls.RUN_WIN = s.RUN_WIN;
  controls.USB_Serial_Number = s.usbSerialNumber;
  // A mode the program does not know is no remote mode: the settings file gives the default.
  serverP = s.ServerP >= 0 && s.ServerP <= 4 ? s.ServerP : 0;
}

void Station::Timer2() {
  if (remote() || observer) return;
  if (usb_rab == 0) {
    usb_rab = 1;
    if (hooks.UsbCreate) failures.guard("UsbCreate", hooks.UsbCreate);
    if (controls.RUN_WIN == 0) {  // "Запускать": the link comes up with the program
      controls.RS = true;
      if (hooks.rsChanged) hooks.rsChanged(true);
      // A remote station takes its data from the shared file: it has no adapter to open.
      if (hooks.Open_Usb && serverP != 3 && serverP != 4)
        failures.guard("Open_Usb", [this] { hooks.Open_Usb(controls.USB_Serial_Number); });
    }
  }
  // A remote station never sends, also in the first second, before the 1 s tick has set
  // serverUD: the bus may belong to another station.
  if (serverP == 3 || serverP == 4) return;
  if (!controls.RS) return;
  if (hooks.Timer100ms) failures.guard("Timer100ms", hooks.Timer100ms);
  if (obnovlenie > 0) return;  // the firmware update owns the bus
  ++st_timer;
  if (kom485m[0] != 0) {
    sendPending();
    return;
  }
  if (st_timer >= std::clamp(controls.PeriodSE, 1, 100) * 10) {
    st_timer = 0;
    if (oprosN >= kol_inkub()) {
      oprosN = -1;
      tab_otvet = tab_otvetR;
    }
    f_tek_inkub();
  }
}

void Station::sendPending() {
  kom485m[0] = 0;
  if (hooks.send) hooks.send(kom485m[1], kom485m[2], kom485m.data() + 4, kom485m[3]);
  countPollSent();
}

// With fast polling the timer poll is only the no-answer time-out: it must not go out while
// an answer to the frame just sent may still be on the wire, so every send restarts it.
void Station::countPollSent() {
  if (controls.modern()) st_timer = 0;
}

void Station::Timer1() {
  serverUD = serverP == 3 || serverP == 4;
  serverTEK = serverP == 1 || serverP == 2;

  const int kol = kol_inkub();
  int automatic = 0;
  for (int n = 0; n < kol; ++n)
    automatic += config_.konfig_INK[static_cast<std::size_t>(n)] ? 1 : 0;
  if (hooks.autoIncubation)
    hooks.autoIncubation(automatic != 0, automatic != 0 ? "= " + std::to_string(automatic) : "");

  if (--danWst <= 0) {
    danWst = (serverP == 2 || serverP == 4) ? 60 : 1;
    failures.guard("DanRead", [this] { hooks.DanRead ? hooks.DanRead() : dan.DanRead(); });
    if (!observer) failures.guard("DanWriteFile", [this] { dan.DanWriteFile(); });
  }
  // A second copy on a held folder sends nothing, so it has no link to watch.
  if (serverUD || observer) return;

  ++com_rabota;
  if (hooks.usbNo) hooks.usbNo(com_rabota > 10);
  if (hooks.zvukPUSK) failures.guard("zvukPUSK", hooks.zvukPUSK);
}

void Station::setRS(bool down) {
  controls.RS = down;
  if (serverP == 3 || serverP == 4) {
    if (!down && hooks.usbNo) hooks.usbNo(false);
    if (down) danWst = 1;  // read the shared file within a second
    return;
  }
  if (observer) return;
  if (down && hooks.Open_Usb)
    failures.guard("Open_Usb", [this] { hooks.Open_Usb(controls.USB_Serial_Number); });
  if (!down && hooks.Close_USB) failures.guard("Close_USB", hooks.Close_USB);
}

void Station::f_tek_inkub() {
  if (!controls.RS || time_zadanie || WriteKom.z) return;
  if (controls.otladka) {
    opros_inkub(controls.otlad);
    return;
  }
  const int kol = kol_inkub();
  if (oprosN >= 0 && oprosN < kol && hooks.nameCell) hooks.nameCell(oprosN);
  int number = -1;
  while (oprosN < kol) {
    ++oprosN;
    if (oprosN >= kol) {  // the cycle is over: refresh the mimic, poll nothing
      if (hooks.mimicPanels && hooks.dispetchW) {
        auto [from, to] = hooks.mimicPanels();
        from = std::max(from, -1);
        to = std::min(to, 256);
        for (int k = from; k <= to; ++k)
          failures.guard("dispetchW", [this, k] { hooks.dispetchW(k - 1); });
      }
      return;
    }
    const auto row = static_cast<std::size_t>(oprosN);
    if (config_.konfig_o[row]) {
      number = config_.konfig_n[row];
      break;
    }
  }
  if (number < 0) return;
  opros_inkub(number);
  auto& unanswered = tab_otvetR[static_cast<std::size_t>(oprosN)];
  if (unanswered < 10) ++unanswered;
  if (unanswered >= 5 && hooks.nameCell) hooks.nameCell(oprosN);
}

void Station::opros_inkub(int number) {
  const std::uint8_t gsm = controls.on_off_GSM ? 1 : 0;
  if (hooks.send) hooks.send(static_cast<std::uint8_t>(number & 0xFF), 0, &gsm, 1);
  countPollSent();
}

int Station::f_opros_inkub(int number) const {
  const int kol = kol_inkub();
  for (int n = 0; n < kol; ++n)
    if (config_.konfig_n[static_cast<std::size_t>(n)] == number) return n;
  return -1;
}

void Station::onStatusFrame(const RS232_T& frame) {
  svaz_st_norm = 0;
  obn_oN = false;
  const int nk = controls.otladka ? 0 : f_opros_inkub(frame.Otpr);
  if (nk < 0) return;  // not one of ours
  const auto n = static_cast<std::size_t>(nk);
  kol_byte_opros[n] = frame.Kol_d;
  tab_otvetR[n] = 0;
  dan.DanWrite(nk, frame.Otpr, frame);
  Obrabotka_Server(nk, clock_.now(), frame);
}

void Station::Obrabotka_Server(int nk, TDateTime time, const RS232_T& frame) {
  if (nk < 0 || nk >= kMaxRows) return;
  const auto n = static_cast<std::size_t>(nk);
  const int len = frame.Kol_d;
  if (len >= 2) {
    const StatusEvent e{nk, frame.Otpr, time, len, answerCount, frame};
    listeners.run(StatusStep::AnswerCount, e);
    ++answerCount;
    listeners.run(StatusStep::UpdateWindow, e);
    decodeStatusFields(*this, nk, frame.Dann.data(), len);
    computeBounds(*this, nk);
    if (C3[n] & (1u << 9)) listeners.run(StatusStep::Damper, e);
    calibrate(*this, nk);
    if (!zvukON1[n]) C2k[n] = C2[n];  // alarms already on at the first answer stay quiet
    fillAlarmCodes(*this, nk);
    listeners.run(StatusStep::AlarmCell, e);
    listeners.run(StatusStep::SoundCheck, e);
    zvukON1[n] = true;
    vs::readT1_T2(*this, nk);
    listeners.run(StatusStep::SetpointGrid, e);
    listeners.run(StatusStep::DetailWindow, e);
    // The damper's position ends at data byte 36: a shorter answer leaves the last angle.
    if (len >= 37) updateDamperAngle(*this, nk);
    listeners.run(StatusStep::MainTable, e);
    listeners.run(StatusStep::TimeLabel, e);
    listeners.run(StatusStep::ParamEditor, e);
    listeners.run(StatusStep::ConfigWindow, e);
    if (config_.konfig_Write[n]) listeners.run(StatusStep::LogWriter, e);
    listeners.run(StatusStep::Mimic, e);
    listeners.run(StatusStep::DetailTime, e);

    // The answer is the step signal of a running write: it moves the write on instead of
    // bringing the next poll.
    if (WriteKom.z && (WrK == 2 || WrK == 5)) {
      ++WrK;
      return;
    }
    if (WriteI.z && (WrI == 2 || WrI == 5)) {
      ++WrI;
      return;
    }
  }
  if (controls.modern() && !controls.otladka && serverP <= 2) f_tek_inkub();
}

bool Station::nameCellLinked(int nk) {
  if (nk < 0 || nk >= kMaxRows) return false;
  const auto n = static_cast<std::size_t>(nk);
  if (serverP == 3 || serverP == 4) return nk < kDanRows && dan.danR.d[n].on != 0;
  const bool linked = config_.konfig_o[n] != 0 && tab_otvet[n] < 5 && kol_byte_opros[n] > 5;
  pr_svaz[n] = linked;
  return linked;
}

}  // namespace vs
