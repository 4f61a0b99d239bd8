// The bus side of the workstation in one piece: the USB link over a serial backend, the frame
// codec and its dispatch, the station engine (poll cycle, decoding, shared data file) and its
// sound alarms, wired to each other and to the workstation's start-up and shut-down. The
// program drives it with three timers (20 ms, 100 ms, 1 s); tests drive the same ticks in
// virtual time.
#pragma once
#include <functional>

#include "alarms/StationAlarms.h"
#include "bus/FrameCodec.h"
#include "bus/FrameDispatcher.h"
#include "bus/SerialBackend.h"
#include "bus/UsbLink.h"
#include "config/Workstation.h"
#include "history/LogWriter.h"
#include "mqtt/MqttStation.h"
#include "programs/ProgramScheduler.h"
#include "programs/ProgramWriter.h"
#include "setpoints/WriteEngine.h"
#include "station/Hub4RS485.h"
#include "station/SoundAlarms.h"
#include "station/Station.h"

namespace vs {

class BusStation {
 public:
  // Joins the workstation's start-up and shut-down hooks; create it before ws.startUp().
  BusStation(Workstation& ws, SerialBackend& backend);
  BusStation(const BusStation&) = delete;
  BusStation& operator=(const BusStation&) = delete;

  Workstation& ws;
  UsbLink link;
  FrameCodec codec;
  FrameDispatcher dispatcher;
  Station station;
  // Alarm sounds: flags from every decoded answer, one sequencer step per second. The program
  // gives it its player (sound.setPlayer); without one the alarms pass silently. Sound on or
  // off follows ws.settings.ZWUK_ON, which the general settings window changes at once.
  SoundAlarms sound;
  // Alarms that wait for a person: raised and cleared from the answers and the link
  // supervision, repeated through `sound`, escalated through the runner the program sets
  // (alarms.list.setRunner), kept in the working folder's "alarms.txt".
  StationAlarms alarms;
  // The interactive write engine of the write dialog; KomAvt queues action commands.
  WriteEngine writer{station};
  // The measurement logs of the rows with logging on; what is still buffered is written at
  // shut-down. A second copy only watches and writes none.
  LogWriter logs;
  // Automatic incubation: the programs' scheduler and the engine that writes its requests. The
  // report lines go to the journal and the operator's notice unless a report window takes
  // them.
  ProgramWriter programWriter{station, writer};
  ProgramScheduler programs{station, ws.store, programWriter, ws.home()};
  // The four-line hub's routing table, downloaded while its mode is on, and its answers.
  Hub4RS485 hub{link, ws.store.config, station.kom485m, station.controls.RS};

  // Consumer of schedule-debug answers (type 51); the window sets it.
  std::function<void(const RS232_T&)> onScheduleAnswer;

  // The program's timers, called in this order when they fall due together.
  void tick20ms() { link.Timer1Timer(); }
  // The write engine steps first, so that a write it queues leaves on the same tick.
  void tick100ms() {
    station.failures.guard("TimeCallBackKom", [this] { writer.TimeCallBackKom(); });
    station.failures.guard("Timer100ms", [this] { programWriter.Timer100ms(); });
    station.Timer2();
    if (mqtt) station.failures.guard("mqtt", [this] { mqtt->tick100ms(); });
  }
  void tick1s();
  // Bytes have arrived at the port: the same read pass as the 20 ms tick, at once.
  void bytesArrived() { link.UsbRead(); }

  // Without windows the station works the bus from the start: "Работа" is pressed on the first
  // 100 ms tick whatever the general setting says.
  void workFromStart() { forceWork_ = true; }
  // The hall on an MQTT broker, or taken from one on a remote station, as the settings' section
  // "MQTT" says (nothing without "Broker"); call after ws.startUp(). `hostName` names the hall
  // when "Station" is empty. A setting that cannot be used is reported and MQTT stays off.
  void startMqtt(const std::string& hostName, mqtt::MqttClientOptions tuning = {});
  std::unique_ptr<mqtt::MqttStation> mqtt;

  // A second copy on a held working folder: no adapter, no sending, no shared file written.
  void watchOnly() {
    station.observer = true;
    link.secondCopy = true;
  }

 private:
  bool forceWork_ = false;
};

}  // namespace vs
