#include "app/BusStation.h"

#include <algorithm>

#include "boards/LotkiP.h"
#include "config/SettingsFile.h"

namespace vs {

BusStation::BusStation(Workstation& w, SerialBackend& backend)
    : ws(w),
      link(backend),
      station(w.store.config, w.clock, w.home()),
      sound(w.home()),
      alarms(station, w.clock, w.home()),
      logs(w.home(), w.store.config, station) {
  // Bytes: adapter -> link -> codec -> dispatch -> consumers.
  link.Obrabotka_N = [this](std::uint8_t b) { codec.Obrabotka_N(b); };
  codec.onGoodFrame = [this](const RS232_T& f) { dispatcher.dispatch(f); };
  codec.inputIgnored = [this] { return station.inputIgnored(); };
  dispatcher.updateRunning = [this] { return station.obnovlenie > 0; };
  dispatcher.setConsumer(kAnswerStatus, [this](const RS232_T& f) { station.onStatusFrame(f); });
  dispatcher.setConsumer(kAnswerSchedule, [this](const RS232_T& f) {
    if (onScheduleAnswer) onScheduleAnswer(f);
  });
  // The tray board is a configured row under its own address: its report (type 10) is that
  // row's answer to the status poll. The board's window takes the reports on through
  // LotkiP::listen, which keeps this accounting.
  dispatcher.setConsumer(kAnswerTrays, [this](const RS232_T& f) { trayAnswered(station, f); });
  // The hub answers each table download, whether its mode is on or not.
  dispatcher.setConsumer(kAnswerHub, [this](const RS232_T& f) { hub.terminalUSB(f); });
  link.proverka_4RS485 = [this] { hub.proverka_4RS485(); };

  // Frames: station -> codec -> link -> adapter.
  codec.write = [this](const std::uint8_t* p, std::int32_t n) { return link.UsbWrite(p, n); };
  codec.onSent = [this] { station.noteSent(); };
  station.hooks.send = [this](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* data,
                              std::uint8_t len) { codec.send(pol, kadr, data, len); };
  station.hooks.UsbCreate = [this] { link.UsbCreate(); };
  // "Работа" opens the adapter last opened (or the one of the settings file).
  station.hooks.Open_Usb = [this](const std::string& serial) {
    link.Open_Usb(link.USB_Serial_Number.empty() ? serial : link.USB_Serial_Number);
  };
  station.hooks.Close_USB = [this] { link.Close_USB(); };

  // Alarm sounds: the check sees C2k before the station lets it follow C2. An incubator
  // shelved for maintenance is not announced; its C2k still follows C2.
  station.listeners.add(StatusStep::SoundCheck, [this](const StatusEvent& e) {
    if (alarms.list.shelved(e.sender))
      station.C2k[static_cast<std::size_t>(e.nk)] = station.C2[static_cast<std::size_t>(e.nk)];
    else
      sound.zvuk_prov(station, e.nk, e.sender);
    alarms.onAnswer(e);
  });
  // A repeat (and the first announcement of a kind without a status bit) goes through the
  // sequencer as a rising bit would: one flag per kind, so a hall in alarm queues no more than
  // one announcement of each. An announcement of the kind already waiting keeps the incubator
  // it names.
  static_assert(kAlarmKinds == kAlarmSoundSlots, "every alarm kind has its sound slot");
  alarms.list.announce = [this](int number, AlarmKind kind) {
    const int slot = alarmSoundSlot(kind);
    if (slot < 0) return;
    const auto s = static_cast<std::size_t>(slot);
    if (sound.zvuk_[s]) return;
    sound.zvuk_[s] = true;
    sound.zvuk_num_slot[s] = number;
  };
  alarms.list.journal = [this](const std::string& line) { ws.journal.Err(line); };
  alarms.store.journal = alarms.list.journal;
  // Every answer of a logged row is a sample, in its fixed place after the windows.
  station.listeners.add(StatusStep::LogWriter, [this](const StatusEvent& e) {
    if (!station.observer) logs.capture(e.nk, e.time);
  });
  station.hooks.zvukPUSK = [this] {
    sound.setZvukOn(ws.settings.ZWUK_ON == 1);
    sound.zvukPUSK();
  };

  // Whatever fails on the timer paths (the adapter, the shared file, a step that throws) goes
  // to the journal and the operator, once when it starts and once when it ends.
  const auto report = [this](const std::string& text) { ws.report(text); };
  link.failures.report = report;
  codec.failures.report = report;
  station.failures.report = report;
  station.dan.report = report;
  sound.failures.report = report;
  alarms.store.failures.report = report;
  logs.failures.report = report;
  // Confirmed writes go to the journal; a write left unconfirmed also to the operator.
  writer.journal = [this](const std::string& line) { ws.journal.Err(line); };
  writer.report = report;
  programWriter.report = report;
  programs.hooks.saveConfig = [this] { ws.store.Write_config(); };

  // Settings in at start-up, out at shut-down.
  ws.onSettingsRead.push_back([this] {
    const Settings& s = ws.settings;
    station.applySettings(s);
    if (forceWork_) station.controls.RUN_WIN = 0;
    link.USB_Serial_Number = s.usbSerialNumber;
    link.Selected_USB_Number = s.usbCom;
    link.RS485_4 = s.RS485_4;
    link.Server_s = loadServerPath(ws.insPath());
    sound.zvuk = s.zvuk;
    sound.setZvukOn(s.ZWUK_ON == 1);
    alarms.applySettings(s);
  });
  // The list comes back once the plant configuration is in, before the first tick.
  ws.afterStartUp.push_back([this] {
    alarms.store.readOnly = station.observer || ws.readOnly();
    alarms.load();
  });
  ws.onResetTables.push_back([this] {
    station.zvukON1.fill(false);
    for (auto& row : station.avaria) row.fill(-1);
  });
  ws.beforeShutDown.push_back([this] {
    if (mqtt) mqtt->tick1s([this](const std::string& text) { ws.report(text); });
    if (!station.observer) logs.flushAll();
    alarms.save();
    Settings& s = ws.settings;
    s.usbSerialNumber = link.USB_Serial_Number;
    s.usbCom = link.Selected_USB_Number;
    s.RS485_4 = link.RS485_4;
    s.ServerP = station.serverP;
    s.Opros_period = std::clamp(station.controls.PeriodSE, 1, 100);
    s.otlad = station.controls.otlad;
    s.zvuk = sound.zvuk;
  });
}

void BusStation::tick1s() {
  // The remote folder is chosen in the adapter window; the shared file lies inside it.
  std::string folder = link.Server_s;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  station.dan.Server_s = folder;
  station.Timer1();
  if (mqtt)
    station.failures.guard(
        "mqtt", [this] { mqtt->tick1s([this](const std::string& text) { ws.report(text); }); });
  station.failures.guard("alarms", [this] { alarms.tick1s(); });
  station.failures.guard("Timer_inkub", [this] {
    programs.tick1s();
    programs.tick1sDispatch();
  });
}

void BusStation::startMqtt(const std::string& hostName, mqtt::MqttClientOptions tuning) {
  mqtt.reset();
  const mqtt::MqttSettings m = mqtt::mqttSettings(ws.settings, hostName);
  if (!m.problem.empty()) {
    ws.report("MQTT выключен: " + m.problem);
    return;
  }
  if (!m.enabled()) return;
  mqtt =
      std::make_unique<mqtt::MqttStation>(station, ws.settings, &alarms.list, m, std::move(tuning));
}

}  // namespace vs
