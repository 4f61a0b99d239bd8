#include "bus/UsbLink.h"

#include <algorithm>
#include <cstring>

namespace vs {

namespace {

constexpr const char* kPortClosed = "Порт закрыт ";
constexpr const char* kStateOpen = " -> открыт";
constexpr const char* kStateClosed = " -> закрыт";
constexpr const char* kLinkLost = "адаптер";

// Sets a flag for the lifetime of a scope, also when a consumer throws.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

UsbLink::UsbLink(SerialBackend& backend) : d2xx_(backend) {}

// Fills the list from the count just taken. The first enumeration also finds the configured
// adapter's number; "Обновить" keeps it and lets the window breathe after every call.
void UsbLink::listAdapters(bool refresh) {
  for (std::uint32_t i = 0; i < d2xx_.FT_Device_Count; ++i) {
    const std::string number = "Устройство " + std::to_string(i + 1);
    d2xx_.GetFTDeviceSerialNo(i);
    if (refresh) view_->processEvents();
    const std::string serial = d2xx_.FT_Device_String;
    if (!refresh && serial == USB_Serial_Number) {
      Selected_USB_Number = static_cast<std::int32_t>(i + 1);
    }
    d2xx_.GetFTDeviceDescription(i);
    if (refresh) view_->processEvents();
    view_->addListRow(number, serial, d2xx_.FT_Device_String);
  }
  view_->setConfiguredRow(Selected_USB_Number);
}

void UsbLink::UsbCreate() {
  tickRunning_ = false;
  DevicePresent = false;
  view_->setStatusPanel(0, "");
  view_->setStatusPanel(1, "");
  view_->clearList();
  d2xx_.GetFTDeviceCount();
  view_->setCaption(USB_Serial_Number);
  listAdapters(false);
  tickRunning_ = true;
}

void UsbLink::Refresh() {
  tickRunning_ = false;
  view_->clearList();
  d2xx_.GetFTDeviceCount();
  view_->processEvents();
  listAdapters(true);
  tickRunning_ = true;
}

void UsbLink::Open_Usb(const std::string& serial) {
  if (secondCopy) {
    view_->showMessage(kSecondCopyRefusal);
    return;
  }
  view_->setCaption("");
  if (DevicePresent) Close_USB();
  wanted_ = !serial.empty();
  wantedSerial_ = serial;
  reopenTicks_ = 0;
  failures.ended(kLinkLost, "");  // an adapter chosen anew starts a new watch
  if (d2xx_.Open_USB_Device_By_Serial_Number(serial) != FT_OK) {
    if (wanted_) failures.failed(kLinkLost, "");  // found later by the watch, and reported then
    view_->showMessage("Не удалось открыть порт USB! =  " + serial);
    view_->showAdapterWindow();
  } else {
    UsbSetup();
    USB_Serial_Number = serial;
    view_->setCaption(serial);
    view_->setOpenEnabled(false);
    view_->setCloseEnabled(true);
  }
  view_->setMainCaption(std::string(kMainCaption) + "   порт=" + serial);
}

// The statuses are not examined: a port that refuses a setting (a pseudo-terminal) still runs.
void UsbLink::UsbSetup() {
  d2xx_.FT_Current_Baud = RS485_4 ? kBaudHub : kBaud;
  d2xx_.Set_USB_Device_BaudRate();
  d2xx_.FT_Current_DataBits = 8;
  d2xx_.FT_Current_StopBits = 2;
  d2xx_.FT_Current_Parity = 0;
  d2xx_.Set_USB_Device_DataCharacteristics();
  d2xx_.FT_Current_FlowControl = 0;
  d2xx_.FT_XON_Value = 0x11;
  d2xx_.FT_XOFF_Value = 0x13;
  d2xx_.Set_USB_Device_FlowControl();
  d2xx_.FT_EVENT_Value = 0;
  d2xx_.FT_Event_On = false;
  d2xx_.FT_ERROR_Value = 0;
  d2xx_.FT_Error_On = false;
  d2xx_.Set_USB_Device_Chars();
}

void UsbLink::Close_USB() {
  wanted_ = false;
  failures.ended(kLinkLost, "");
  d2xx_.Close_USB_Device();
  view_->setMainCaption(kMainCaption);
}

// Only the user-interface thread sends, so FT_Out_Buffer is never filled by two senders at once.
std::int32_t UsbLink::UsbWrite(const std::uint8_t* buffer, std::int32_t count) {
  view_->setStatusPanel(0, "   Передано = " + std::to_string(count));
  const std::size_t n =
      buffer ? std::min<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), kFtBufferSize)
             : 0;
  if (n > 0) std::memcpy(d2xx_.FT_Out_Buffer.data(), buffer, n);
  const auto written =
      static_cast<std::int32_t>(d2xx_.Write_USB_Device_Buffer(static_cast<std::uint32_t>(n)));
  if (written != count) {
    view_->setStatusPanel(
        0, "Ошибка в передаче.  " + std::to_string(written) + "  " + std::to_string(count));
  }
  return written;
}

void UsbLink::UsbRead() {
  if (read_k == 1 || handingOn_) return;
  read_k = 1;
  if (d2xx_.Get_USB_Device_QueueStatus() != FT_OK) {
    read_k = 0;
    view_->setCaption(kPortClosed);
    return;
  }
  view_->processEvents();  // a tick arriving now skips its read pass (read_k = 1)
  std::uint32_t count = 0;
  if (d2xx_.Get_USB_Device_QueueStatus() == FT_OK && d2xx_.FT_Q_Bytes > 0) {
    count = d2xx_.Read_USB_Device_Buffer(d2xx_.FT_Q_Bytes);
  }
  if (count > 0) view_->setStatusPanel(1, "Принято:" + std::to_string(d2xx_.FT_Q_Bytes));
  read_k = 0;

  FlagScope handing(handingOn_);
  for (std::uint32_t k = 0; k < count; ++k) {
    // A failing consumer loses its frame, not the bytes after it; the tick goes on.
    failures.guard("обработке принятого кадра", [&] {
      if (Obrabotka_N) Obrabotka_N(d2xx_.FT_In_Buffer[k]);
    });
  }
}

void UsbLink::Timer1Timer() {
  if (!tickRunning_) return;
  // The hub's check is repeated by later ticks; the read pass must not stop.
  if (RS485_4 && proverka_4RS485) failures.guard("proverka_4RS485", proverka_4RS485);
  if (time_USB_W > 0 && --time_USB_W == 0) view_->setMainStatusVisible(false);
  view_->setHubVersionVisible(RS485_4);
  if (time_USB_W_ERR > 0 && --time_USB_W_ERR == 0) {
    view_->setMainStatusText("ОШИБКА");  // the hub did not answer in time
    time_USB_W = 50;
    view_->setMainStatusVisible(true);
  }
  UsbRead();
  const bool wasPresent = DevicePresent;
  DevicePresent = d2xx_.Get_USB_Device_QueueStatus() == FT_OK;
  watchLink(wasPresent);
  view_->setStateLabel(Selected_Device_Serial_Number + (DevicePresent ? kStateOpen : kStateClosed));
}

// An adapter pulled out (or never plugged in) leaves the hall unwatched: say so once, and look
// for it every 2 s for as long as the operator wants the link. A replugged adapter, or one that
// appears after start-up, is opened by the same serial number or device path and polling goes
// on by itself.
void UsbLink::watchLink(bool wasPresent) {
  if (!wanted_) return;
  if (wasPresent && !DevicePresent) {
    failures.failed(kLinkLost, "Связь с адаптером " + wantedSerial_ +
                                   " потеряна; повторное открытие каждые 2 с");
    reopenTicks_ = 0;
  }
  if (DevicePresent || ++reopenTicks_ < kReopenTicks) return;
  reopenTicks_ = 0;
  if (reopen()) {
    DevicePresent = true;
    failures.ended(kLinkLost, "Связь с адаптером " + wantedSerial_ + " восстановлена");
  }
}

bool UsbLink::reopen() {
  if (d2xx_.Open_USB_Device_By_Serial_Number(wantedSerial_) != FT_OK) return false;
  if (d2xx_.Get_USB_Device_QueueStatus() != FT_OK) {
    d2xx_.Close_USB_Device();
    return false;
  }
  UsbSetup();
  USB_Serial_Number = wantedSerial_;
  view_->setCaption(wantedSerial_);
  view_->setOpenEnabled(false);
  view_->setCloseEnabled(true);
  view_->setMainCaption(std::string(kMainCaption) + "   порт=" + wantedSerial_);
  return true;
}

}  // namespace vs
