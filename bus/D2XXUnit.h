// The adapter wrapper: one operation per driver call, each returning its status (0 = OK), with
// the fixed buffers and the current line settings of the one adapter the program drives. The
// driver underneath is a SerialBackend (Qt SerialPort in the program, a fake in the tests).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bus/SerialBackend.h"

namespace vs {

// Statuses of the wrapper operations, numbered as the adapter driver numbers them.
enum FtStatus : std::uint32_t {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INVALID_PARAMETER = 6,
  FT_OTHER_ERROR = 18,
};

constexpr std::size_t kFtBufferSize = 65536;  // each way
constexpr std::size_t kFtSerialMax = 49;      // longest serial number (or port path) opened
constexpr std::size_t kFtDescriptionMax = 64;

class D2XXUnit {
 public:
  using FtBuffer = std::array<std::uint8_t, kFtBufferSize>;

  explicit D2XXUnit(SerialBackend& backend);
  D2XXUnit(const D2XXUnit&) = delete;
  D2XXUnit& operator=(const D2XXUnit&) = delete;

  // Enumeration: the count of adapters, then by index their serial number and description,
  // each left in FT_Device_String. A failed lookup by index leaves FT_Device_String as it was.
  std::uint32_t GetFTDeviceCount();
  std::uint32_t GetFTDeviceSerialNo(std::uint32_t index);
  std::uint32_t GetFTDeviceDescription(std::uint32_t index);
  // Copies at most 49 bytes of the text (never half a UTF-8 character) into
  // FT_Device_String_Buffer and ends it with a zero byte.
  void SetDeviceString(const std::string& text);

  std::uint32_t Open_USB_Device_By_Serial_Number(const std::string& serial);
  std::uint32_t Close_USB_Device();
  std::uint32_t Set_USB_Device_BaudRate();
  std::uint32_t Set_USB_Device_DataCharacteristics();
  std::uint32_t Set_USB_Device_FlowControl();
  std::uint32_t Set_USB_Device_Chars();
  // Status 0 means the adapter is open and present; FT_Q_Bytes then holds the bytes waiting.
  std::uint32_t Get_USB_Device_QueueStatus();
  // Reads n bytes (at most one buffer) into FT_In_Buffer; returns the count read, 0 on failure.
  std::uint32_t Read_USB_Device_Buffer(std::uint32_t n);
  // Writes the first n bytes (at most one buffer) of FT_Out_Buffer; returns the count written,
  // 0 when the driver fails without a count.
  std::uint32_t Write_USB_Device_Buffer(std::uint32_t n);

 private:
  SerialBackend& backend_;
  std::vector<SerialPortInfo> devices_;  // the last enumeration
  std::uint32_t nextHandle_ = 1;
  std::unique_ptr<FtBuffer> in_ = std::make_unique<FtBuffer>();
  std::unique_ptr<FtBuffer> out_ = std::make_unique<FtBuffer>();

  LineSettings line() const;

 public:
  std::uint32_t FT_HANDLE = 0;  // 0 until the first open; kept (stale) after close
  FtBuffer& FT_In_Buffer = *in_;
  FtBuffer& FT_Out_Buffer = *out_;
  std::uint32_t FT_Q_Bytes = 0;
  std::uint32_t FT_Device_Count = 0;
  // Zero-terminated. The serial-number area takes as much as an open accepts, so that every
  // listed entry (a port path included) can be opened again by what the list shows.
  std::array<char, kFtSerialMax + 1> SerialNumber{};
  std::array<char, kFtDescriptionMax + 1> Description{};
  std::string FT_Device_String;
  std::array<char, kFtSerialMax + 1> FT_Device_String_Buffer{};

  std::uint32_t FT_Current_Baud = 38400;
  std::uint8_t FT_Current_DataBits = 8;
  std::uint8_t FT_Current_StopBits = 2;
  std::uint8_t FT_Current_Parity = 0;
  std::uint16_t FT_Current_FlowControl = 0;
  std::uint8_t FT_XON_Value = 0x11;
  std::uint8_t FT_XOFF_Value = 0x13;
  std::uint8_t FT_EVENT_Value = 0;
  std::uint8_t FT_ERROR_Value = 0;
  bool FT_Event_On = false;
  bool FT_Error_On = false;
};

// The longest prefix of `text` of at most `maxBytes` bytes that does not split a UTF-8 character.
std::size_t utf8PrefixLength(const std::string& text, std::size_t maxBytes);

}  // namespace vs
