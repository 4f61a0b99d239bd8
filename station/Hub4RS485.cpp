#include "station/Hub4RS485.h"

#include <cstdio>

#include "bus/UsbLink.h"
#include "bus/crc.h"

namespace vs {

namespace {

std::string hex2(std::uint8_t b) {
  char s[3];
  std::snprintf(s, sizeof s, "%02X", b);
  return s;
}

}  // namespace

std::array<std::uint8_t, kHubTableLength> hubTable(const TFile_config& config) {
  std::array<std::uint8_t, kHubTableLength> t{};
  t[0] = config.kol_inkub;
  t[1] = 0;
  for (int j = 0; j < kHubTableEntries; ++j) {
    const auto row = static_cast<std::size_t>(j);
    t[2 + row] = static_cast<std::uint8_t>(config.konfig_n[row] & 0xFF);
    t[2 + kHubTableEntries + row] = static_cast<std::uint8_t>((config.konfig_o[row] ? 0x80 : 0) |
                                                              (config.konfig_linia[row] & 0x7F));
  }
  std::uint8_t c = 0;
  for (std::size_t i = 0; i + 1 < t.size(); ++i) c = crc8(t[i], c);
  t.back() = c;
  return t;
}

std::string hubVersionText(std::uint16_t word) {
  return std::string("версия 4RS485 - ") + ((word & 0x8000) ? "V" : "v") +
         std::to_string(word & 0x7FFF);
}

void Hub4RS485::Write_4RS485() {
  table_ = hubTable(config_);
  config_.konfig_crc = table_.back();
  waiting_ = true;
  placed_ = false;
  place();
}

bool Hub4RS485::place() {
  // Only an older table still waiting in the slot may give way to this one.
  if (kom485m_[0] != 0 && !slotHoldsTable()) return false;
  putKom485m(kom485m_, kHubAddress, kHubTableKind, table_.data(), kHubTableLength);
  waiting_ = false;
  placed_ = true;
  link_.time_USB_W_ERR = kAnswerWaitTicks;
  return true;
}

// The pending command keeps its receiver and kind after the poll cycle has sent it, so the
// slot tells whether the table went out or another command took its place first. A command
// placed and sent between two checks can make a table that did go out look displaced; it is
// then sent once more, which the hub takes like any periodic download.
bool Hub4RS485::slotHoldsTable() const {
  return kom485m_[1] == kHubAddress && kom485m_[2] == kHubTableKind;
}

void Hub4RS485::proverka_4RS485() {
  if (placed_ && !slotHoldsTable()) {
    placed_ = false;
    waiting_ = true;
  } else if (placed_ && kom485m_[0] == 0) {
    placed_ = false;  // sent
  }
  if (waiting_) place();

  if (!work_) return;
  if (++prT4 > kPeriodTicks) {
    prT4 = 0;
    link_.view().setMainStatusText("ПЕРЕДАЧА");
    link_.time_USB_W = kLongShow;
    Write_4RS485();
  }
}

// Only an acceptance (11) carries more than its result code: one too short to hold its check
// byte and version is dropped, since its bytes past the frame are those of an earlier frame, and
// the wait then ends in "ОШИБКА". Any other code is shown however short the answer.
void Hub4RS485::terminalUSB(const RS232_T& frame) {
  if (frame.Kol_d < 2) return;
  const std::uint8_t code = frame.Dann[1];
  if (code == 11 && frame.Kol_d < 5) return;
  link_.time_USB_W_ERR = 0;
  UsbLinkView& view = link_.view();
  switch (code) {
    case 11: {
      const auto word = static_cast<std::uint16_t>(frame.Dann[3] | (frame.Dann[4] << 8));
      view.setHubVersionText(hubVersionText(word));
      view.setMainStatusText("Принято CRC(" + hex2(frame.Dann[2]) + ") " +
                             hex2(config_.konfig_crc));
      link_.time_USB_W = kShortShow;
      if (frame.Dann[2] == config_.konfig_crc) prT4 = 0;
      break;
    }
    case 2:
      view.setMainStatusText("Принято с Ошибкой");
      link_.time_USB_W = kLongShow;
      break;
    case 3:
      view.setMainStatusText("Ошибка ЕЕПРОМ");
      link_.time_USB_W = kLongShow;
      break;
    default:
      view.setMainStatusText("Ошибка не опознана " + std::to_string(code));
      link_.time_USB_W = kLongShow;
      break;
  }
  view.setMainStatusVisible(true);
}

}  // namespace vs
