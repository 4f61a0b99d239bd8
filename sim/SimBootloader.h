// A simulated board with a bootloader on the service line. On frame kind 199 at address 0 it
// enters its bootloader and from then on answers at address 200 with the request's frame kind:
//   201 query            -> 9 data bytes: 5..6 bootloader version, 7..8 board type (LE)
//   202 write a block    -> programs it, answers 1 byte 0
//   203 compare a block  -> answers 1 byte: the bytes that differ from its memory
//   205 start            -> leaves the bootloader (answers 1 byte 0) only when it holds a
//                           complete image written since it entered: written from offset 0
//                           without a gap and then compared in full without a difference
//                           (the board cannot know an image's length otherwise); else it
//                           stays, silent
// A block is taken only with L 1..128, Kol_d = L + 5 and lying inside its memory; any other
// gets no answer. Its memory is as large as its board type has (64 KiB or 256 KiB), erased
// (0xFF) at first. It may host a controller of the hall, which is silent while it is in the
// bootloader.
#pragma once
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimDevice.h"

namespace vs {

class SimController;

struct SimBootloaderOptions {
  std::uint16_t type = 300;             // board type code it reports
  std::uint16_t version = 0x8000 | 12;  // bit 15: the letter "V"
  std::int64_t delayUs = 1000;          // answer delay
  double dropShare = 0.0;               // share of block answers left out, repeatable from `seed`
  std::uint64_t seed = 1;
  std::set<int> dropAnswers;               // block answers left out by their number (1 = the first)
  std::optional<std::uint32_t> badOffset;  // this image byte is stored wrongly
};

class SimBootloader final : public SimDevice {
 public:
  explicit SimBootloader(SimBootloaderOptions o = {});

  SimBootloaderOptions& options() { return o_; }
  // The controller that this board is; it does not answer while the board is in its bootloader.
  void host(SimController* c) { host_ = c; }

  bool inLoader() const { return inLoader_; }
  const std::vector<std::uint8_t>& memory() const { return memory_; }
  // Bytes [0, n) were all written since the bootloader was entered.
  bool holdsImage(std::size_t n) const;
  // What it has would start: see above.
  bool verified() const;

  // What it heard.
  int enters = 0, queries = 0, writes = 0, compares = 0, starts = 0, refused = 0;
  std::vector<std::uint32_t> writeOffsets;  // offsets of the blocks it programmed, in order
  std::vector<int> writeLengths;
  std::vector<std::uint32_t> compareOffsets;  // offsets of the blocks it compared, in order

  std::optional<SimAnswer> onFrame(const RS232_T& frame, std::int64_t nowMs) override;

 private:
  std::optional<SimAnswer> answer(std::uint8_t kadr, const std::vector<std::uint8_t>& data);
  std::optional<SimAnswer> block(const RS232_T& f);
  bool dropThisAnswer();
  void setHostSilent(bool silent);

  SimBootloaderOptions o_;
  std::vector<std::uint8_t> memory_;
  std::vector<bool> written_;
  std::size_t writtenEnd_ = 0;   // end of the blocks written since it entered
  std::size_t comparedTo_ = 0;   // compared without a gap from 0 since the last write
  bool compareDiffers_ = false;  // a compare since the last write found a difference
  bool inLoader_ = false;
  int blockAnswers_ = 0;
  std::mt19937_64 rng_;
  SimController* host_ = nullptr;
};

class SimBus;

// The hall file's keys of the board (see sim/README.md): "bootloader" (its type; puts it on the
// line), "bootloader_version", "bootloader_delay_ms", "bootloader_drop_share",
// "bootloader_bad_offset", "bootloader_host". Returns an error text, empty when fine.
std::string setBootloaderKey(std::optional<SimBootloaderOptions>& board, std::uint8_t& host,
                             std::string_view key, std::string_view value);
// Puts the board on the bus, hosted by the controller at `host` (0: none).
void putBootloader(SimBus& bus, SimBootloaderOptions o, std::uint8_t host, std::uint64_t seed);

}  // namespace vs
