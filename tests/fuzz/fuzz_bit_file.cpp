// A firmware file of any bytes and length, and bootloader answers of any kinds, lengths and
// bytes during a transfer: the reader accepts only a file with its whole header, a right check
// byte and an image that fits its board; the engine never reads past a frame or the image, and
// never sends a block outside the image.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "boards/Obnov.h"
#include "bus/crc.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;

struct Scratch : FuzzScratch {
  Scratch() : FuzzScratch("bit") {}
};

void put(const fs::path& p, const std::uint8_t* d, std::size_t n) {
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(d), static_cast<std::streamsize>(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  const fs::path file = scratch.dir / "in.bit";
  put(file, data, size);
  const vs::BitRead r = vs::readBitFile(file);
  if (r.file) {
    const vs::BitFile& f = *r.file;
    if (f.bytes.size() < vs::kBitHeaderSize || f.computedCheck() != f.storedCheck() ||
        f.imageSize() > vs::boardMemory(f.boardCode()))
      std::abort();
  } else if (r.error.empty()) {
    std::abort();
  }

  // A transfer of a valid 700-byte image, with the input as the bootloader's answers.
  static vs::TFile_config config{};
  static vs::ManualClock clock;
  vs::Station station(config, clock, scratch.dir);
  vs::Obnov obnov(station);
  std::int32_t image = 0;
  station.hooks.send = [&](std::uint8_t pol, std::uint8_t kadr, const std::uint8_t* d,
                           std::uint8_t len) {
    if (pol == 200 && (kadr == 202 || kadr == 203)) {
      const std::uint32_t at =
          static_cast<std::uint32_t>(d[1]) << 24 | d[2] << 16 | d[3] << 8 | d[4];
      if (len != d[0] + 5 || d[0] == 0 || d[0] > 128 ||
          at + d[0] > static_cast<std::uint32_t>(image))
        std::abort();
    }
  };
  obnov.confirm = [](const std::string&, const std::string&) { return true; };
  std::uint8_t good[vs::kBitHeaderSize + 700] = {};
  for (std::size_t i = vs::kBitHeaderSize; i < sizeof good; ++i)
    good[i] = static_cast<std::uint8_t>(i);
  good[0] = vs::Count_CRC(good + 1, sizeof good - 1);
  put(scratch.dir / "good.bit", good, sizeof good);
  image = 700;

  obnov.open();
  obnov.zagruzchik();
  obnov.Timer100ms();
  vs::RS232_T frame{};
  frame.Kadr = 201;
  frame.Kol_d = 9;
  obnov.ReadObnovlenie(frame);  // a board of type 0 answers
  obnov.zapis(scratch.dir / "good.bit");
  for (std::size_t i = 0; i + 1 < size;) {
    const std::uint8_t kind = data[i];
    const std::uint8_t len = data[i + 1];
    i += 2;
    if (kind == 0xFF) {  // a tick instead of an answer
      obnov.Timer100ms();
      continue;
    }
    frame.Kadr = kind;
    frame.Kol_d = len;
    for (std::size_t k = 0; k < len && i < size; ++k, ++i) frame.Dann[k] = data[i];
    obnov.ReadObnovlenie(frame);
    if (obnov.obn_kol > obnov.obn_i || obnov.view.writePos > obnov.view.writeMax ||
        obnov.view.comparePos > obnov.view.compareMax)
      std::abort();
  }
  return 0;
}
