// The USB link: lists the adapters, opens the configured one by serial number, sets the line,
// sends the frames the codec hands it and, every 20 ms, reads what the adapter holds and hands
// it on byte by byte to the receive state machine. Shows its state through UsbLinkView.
//
// Everything here runs on the user-interface thread (the 20 ms timer, the window's buttons and
// the frame sender alike), so FT_In_Buffer and FT_Out_Buffer are never used by two callers at
// once and need no lock.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "bus/D2XXUnit.h"
#include "bus/SerialBackend.h"
#include "common/FailureLog.h"

namespace vs {

// What the link shows: the adapter window (TForm100), the two things of the main window that it
// touches (caption and the status label of the "Установки" tab), a message box and the event
// loop. The window implements it; the tests fake it. Every call has a do-nothing default.
class UsbLinkView {
 public:
  virtual ~UsbLinkView() = default;

  // The adapter window.
  virtual void setCaption(const std::string&) {}
  virtual void setStatusPanel(int /*panel 0 send, 1 receive*/, const std::string&) {}
  virtual void setStateLabel(const std::string&) {}
  virtual void clearList() {}
  virtual void addListRow(const std::string& /*number*/, const std::string& /*serial*/,
                          const std::string& /*type*/) {}
  // The 1-based row drawn in green (the configured adapter); no row when out of range.
  virtual void setConfiguredRow(int) {}
  virtual void setOpenEnabled(bool) {}
  virtual void setCloseEnabled(bool) {}
  virtual void setHubVersionVisible(bool) {}
  virtual void setHubVersionText(const std::string&) {}
  virtual void showAdapterWindow() {}

  // The main window.
  virtual void setMainCaption(const std::string&) {}
  virtual void setMainStatusText(const std::string&) {}
  virtual void setMainStatusVisible(bool) {}

  virtual void showMessage(const std::string&) {}
  // Lets the user interface handle what is pending (timers, clicks) before going on.
  virtual void processEvents() {}
};

class UsbLink {
 public:
  static constexpr const char* kMainCaption = "Инкубатор RS485  v2.227_beta";
  static constexpr std::uint32_t kBaud = 38400;
  static constexpr std::uint32_t kBaudHub = 230400;  // with the four-line hub

  explicit UsbLink(SerialBackend& backend);
  UsbLink(const UsbLink&) = delete;
  UsbLink& operator=(const UsbLink&) = delete;

  // nullptr shows nothing.
  void setView(UsbLinkView* view) { view_ = view ? view : &noView_; }
  UsbLinkView& view() { return *view_; }
  D2XXUnit& d2xx() { return d2xx_; }

  // First enumeration, once, before the first open; starts the 20 ms tick for good.
  void UsbCreate();
  // "Обновить": lists the adapters again, keeping the caption and Selected_USB_Number.
  void Refresh();
  void Open_Usb(const std::string& serial);
  void UsbSetup();
  void Close_USB();
  // Sends one stuffed frame; returns the count the adapter took.
  std::int32_t UsbWrite(const std::uint8_t* buffer, std::int32_t count);
  // One read pass. Also safe to call when the port signals that bytes arrived.
  void UsbRead();
  // The 20 ms tick; does nothing until the first enumeration.
  void Timer1Timer();
  bool tickRunning() const { return tickRunning_; }

  // While the operator wants the link (from an Open_Usb until the next Close_USB), an adapter
  // that is lost or was never found is opened again every kReopenTicks ticks; the loss and the
  // return are reported through `failures`.
  static constexpr int kReopenTicks = 100;  // 2 s of 20 ms ticks
  bool linkWanted() const { return wanted_; }
  const std::string& wantedSerial() const { return wantedSerial_; }
  // A second copy of the program on a working folder another copy holds: the bus belongs to
  // the first one, so no adapter is opened here.
  bool secondCopy = false;
  static constexpr const char* kSecondCopyRefusal =
      "Порт не открыт: программа уже работает в этой папке, вторая копия только показывает";
  // Reports of the link (lost, back, a failing consumer): the journal and the operator.
  FailureLog failures;

  // Periodic check of the four-line hub, run first in every tick while RS485_4 is on.
  std::function<void()> proverka_4RS485;
  // The receive state machine: every byte read, in arrival order.
  std::function<void(std::uint8_t)> Obrabotka_N;

  bool DevicePresent = false;
  std::int32_t read_k = 0;
  std::string Selected_Device_Serial_Number;
  std::string Server_s;
  std::int32_t time_USB_W = 0;      // 20 ms ticks until the main status label hides
  std::int32_t time_USB_W_ERR = 0;  // 20 ms ticks left for the hub to answer
  std::string USB_Serial_Number;
  std::int32_t Selected_USB_Number = 0;
  bool RS485_4 = false;

 private:
  void listAdapters(bool refresh);
  // One silent attempt to open the wanted adapter again; true when it is open.
  bool reopen();
  void watchLink(bool wasPresent);

  D2XXUnit d2xx_;
  UsbLinkView noView_;
  UsbLinkView* view_ = &noView_;
  bool tickRunning_ = false;
  // True while the bytes of a read pass are being handed on. A consumer that lets the event
  // loop run (a message box) could otherwise start another pass that refills FT_In_Buffer under
  // the bytes still being handed on, and newer bytes would overtake older ones.
  bool handingOn_ = false;
  bool wanted_ = false;
  std::string wantedSerial_;
  int reopenTicks_ = 0;
};

}  // namespace vs
