#include "bus/D2XXUnit.h"

#include <algorithm>
#include <cstring>

namespace vs {

std::size_t utf8PrefixLength(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t n = maxBytes;
  // Step back over continuation bytes so that the cut falls before a lead byte.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

namespace {

template <std::size_t N>
void copyZeroTerminated(std::array<char, N>& dst, const std::string& src) {
  const std::size_t n = utf8PrefixLength(src, N - 1);
  std::memcpy(dst.data(), src.data(), n);
  dst[n] = '\0';
}

template <std::size_t N>
std::string textOf(const std::array<char, N>& a) {
  return std::string(a.data(), std::find(a.begin(), a.end(), '\0'));
}

}  // namespace

D2XXUnit::D2XXUnit(SerialBackend& backend) : backend_(backend) {}

LineSettings D2XXUnit::line() const {
  LineSettings l;
  l.baud = FT_Current_Baud;
  l.dataBits = FT_Current_DataBits;
  l.stopBits = FT_Current_StopBits;
  l.parity = FT_Current_Parity;
  l.flowControl = FT_Current_FlowControl;
  return l;
}

std::uint32_t D2XXUnit::GetFTDeviceCount() {
  devices_ = backend_.list();
  FT_Device_Count = static_cast<std::uint32_t>(devices_.size());
  return FT_OK;
}

std::uint32_t D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index) {
  if (index >= devices_.size()) return FT_DEVICE_NOT_FOUND;
  copyZeroTerminated(SerialNumber, devices_[index].serialNumber);
  FT_Device_String = textOf(SerialNumber);
  return FT_OK;
}

std::uint32_t D2XXUnit::GetFTDeviceDescription(std::uint32_t index) {
  if (index >= devices_.size()) return FT_DEVICE_NOT_FOUND;
  copyZeroTerminated(Description, devices_[index].description);
  FT_Device_String = textOf(Description);
  return FT_OK;
}

void D2XXUnit::SetDeviceString(const std::string& text) {
  copyZeroTerminated(FT_Device_String_Buffer, text);
}

std::uint32_t D2XXUnit::Open_USB_Device_By_Serial_Number(const std::string& serial) {
  SetDeviceString(serial);
  const std::string name = textOf(FT_Device_String_Buffer);
  if (name.empty() || !backend_.open(name)) return FT_DEVICE_NOT_FOUND;
  FT_HANDLE = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  return FT_OK;
}

std::uint32_t D2XXUnit::Close_USB_Device() {
  if (!backend_.isOpen()) return FT_INVALID_HANDLE;
  backend_.close();
  return FT_OK;
}

// The port takes its line settings as a whole, so each of these applies all current values.
std::uint32_t D2XXUnit::Set_USB_Device_BaudRate() {
  if (!backend_.isOpen()) return FT_INVALID_HANDLE;
  return backend_.configure(line()) ? FT_OK : FT_IO_ERROR;
}

std::uint32_t D2XXUnit::Set_USB_Device_DataCharacteristics() {
  return Set_USB_Device_BaudRate();
}

std::uint32_t D2XXUnit::Set_USB_Device_FlowControl() {
  return Set_USB_Device_BaudRate();
}

// Event and error characters are never enabled; a serial port has nothing to set for them.
std::uint32_t D2XXUnit::Set_USB_Device_Chars() {
  return backend_.isOpen() ? FT_OK : FT_INVALID_HANDLE;
}

std::uint32_t D2XXUnit::Get_USB_Device_QueueStatus() {
  if (!backend_.isOpen()) {
    FT_Q_Bytes = 0;
    return FT_INVALID_HANDLE;
  }
  const long long n = backend_.bytesWaiting();
  if (n < 0) {
    FT_Q_Bytes = 0;  // a stale count must not lead to a read
    return FT_IO_ERROR;
  }
  FT_Q_Bytes = n > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(n);
  return FT_OK;
}

std::uint32_t D2XXUnit::Read_USB_Device_Buffer(std::uint32_t n) {
  const std::size_t want = std::min<std::size_t>(n, kFtBufferSize);
  if (want == 0 || !backend_.isOpen()) return 0;
  const long long got = backend_.read(FT_In_Buffer.data(), want);
  if (got <= 0) return 0;
  return static_cast<std::uint32_t>(std::min<long long>(got, static_cast<long long>(want)));
}

std::uint32_t D2XXUnit::Write_USB_Device_Buffer(std::uint32_t n) {
  const std::size_t want = std::min<std::size_t>(n, kFtBufferSize);
  if (want == 0 || !backend_.isOpen()) return 0;
  const long long put = backend_.write(FT_Out_Buffer.data(), want);
  if (put <= 0) return 0;
  return static_cast<std::uint32_t>(std::min<long long>(put, static_cast<long long>(want)));
}

}  // namespace vs
