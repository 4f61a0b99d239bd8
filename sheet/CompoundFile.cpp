#include "sheet/CompoundFile.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace vs {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kIdsPerSector = kSector / 4;  // FAT entries or sector ids in one sector
constexpr std::size_t kHeaderDifat = 109;           // FAT sector ids the header itself holds
constexpr std::size_t kMiniCutoff = 4096;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

void put16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One 128-byte directory entry.
void putEntry(std::string& out, std::size_t at, std::u16string_view name, std::uint8_t type,
              std::uint32_t child, std::uint32_t start, std::uint32_t size) {
  for (std::size_t i = 0; i < name.size(); ++i) put16(out, at + 2 * i, name[i]);
  put16(out, at + 64, name.empty() ? 0 : static_cast<std::uint16_t>(2 * (name.size() + 1)));
  out[at + 66] = static_cast<char>(type);
  out[at + 67] = type == 0 ? 0 : 1;  // black: a tree of one child needs no balancing
  put32(out, at + 68, kNoStream);    // left sibling
  put32(out, at + 72, kNoStream);    // right sibling
  put32(out, at + 76, child);
  put32(out, at + 116, start);
  put32(out, at + 120, size);  // the high half stays 0 in version 3
}

}  // namespace

std::string buildCompoundFile(std::string_view workbook) {
  const std::size_t streamSize = workbook.size() < kMiniCutoff ? kMiniCutoff : workbook.size();
  const std::size_t streamSectors = (streamSize + kSector - 1) / kSector;
  const std::size_t dirSectors = 1;  // root and "Workbook" (four entries fit one sector)

  // The FAT describes every sector, its own and the DIFAT's included: grow both until they
  // cover the lot.
  std::size_t fatSectors = 0, difatSectors = 0;
  for (;;) {
    const std::size_t total = streamSectors + dirSectors + fatSectors + difatSectors;
    const std::size_t needFat = (total + kIdsPerSector - 1) / kIdsPerSector;
    const std::size_t needDifat =
        needFat > kHeaderDifat ? (needFat - kHeaderDifat + kIdsPerSector - 2) / (kIdsPerSector - 1)
                               : 0;
    if (needFat == fatSectors && needDifat == difatSectors) break;
    fatSectors = needFat;
    difatSectors = needDifat;
  }
  const std::size_t dirStart = streamSectors;
  const std::size_t fatStart = dirStart + dirSectors;
  const std::size_t difatStart = fatStart + fatSectors;
  const std::size_t totalSectors = difatStart + difatSectors;

  std::string out((1 + totalSectors) * kSector, '\0');
  auto sectorAt = [](std::size_t sector) { return (sector + 1) * kSector; };

  // Header.
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(out.data(), kSignature, sizeof kSignature);
  put16(out, 24, 0x003E);  // minor version
  put16(out, 26, 0x0003);  // major version 3: 512-byte sectors
  put16(out, 28, 0xFFFE);  // little-endian
  put16(out, 30, 9);       // sector size 2^9
  put16(out, 32, 6);       // mini sector size 2^6
  put32(out, 44, static_cast<std::uint32_t>(fatSectors));
  put32(out, 48, static_cast<std::uint32_t>(dirStart));
  put32(out, 56, static_cast<std::uint32_t>(kMiniCutoff));
  put32(out, 60, kEndOfChain);  // no mini FAT: no first sector, no sectors
  put32(out, 64, 0);
  put32(out, 68, difatSectors ? static_cast<std::uint32_t>(difatStart) : kEndOfChain);
  put32(out, 72, static_cast<std::uint32_t>(difatSectors));
  for (std::size_t i = 0; i < kHeaderDifat; ++i)
    put32(out, 76 + 4 * i, i < fatSectors ? static_cast<std::uint32_t>(fatStart + i) : kFreeSect);

  // The stream, zero-padded to whole sectors.
  std::memcpy(out.data() + sectorAt(0), workbook.data(), workbook.size());

  // Directory: the root (no mini stream) with "Workbook" as its only child.
  const std::size_t dir = sectorAt(dirStart);
  putEntry(out, dir, u"Root Entry", 5, 1, kEndOfChain, 0);
  putEntry(out, dir + 128, u"Workbook", 2, kNoStream, 0, static_cast<std::uint32_t>(streamSize));
  for (std::size_t e = 2; e < kSector / 128; ++e)
    putEntry(out, dir + 128 * e, u"", 0, kNoStream, 0, 0);

  // FAT: the stream and the directory as chains, then the FAT's and the DIFAT's own sectors.
  std::vector<std::uint32_t> fat(fatSectors * kIdsPerSector, kFreeSect);
  for (std::size_t s = 0; s < streamSectors; ++s)
    fat[s] = s + 1 < streamSectors ? static_cast<std::uint32_t>(s + 1) : kEndOfChain;
  fat[dirStart] = kEndOfChain;
  for (std::size_t s = 0; s < fatSectors; ++s) fat[fatStart + s] = kFatSect;
  for (std::size_t s = 0; s < difatSectors; ++s) fat[difatStart + s] = kDifSect;
  for (std::size_t i = 0; i < fat.size(); ++i) put32(out, sectorAt(fatStart) + 4 * i, fat[i]);

  // DIFAT sectors: the FAT sector ids past the header's 109, 127 a sector, each sector ending
  // with the id of the next one.
  for (std::size_t d = 0; d < difatSectors; ++d) {
    const std::size_t at = sectorAt(difatStart + d);
    for (std::size_t i = 0; i < kIdsPerSector - 1; ++i) {
      const std::size_t f = kHeaderDifat + d * (kIdsPerSector - 1) + i;
      put32(out, at + 4 * i, f < fatSectors ? static_cast<std::uint32_t>(fatStart + f) : kFreeSect);
    }
    put32(out, at + 4 * (kIdsPerSector - 1),
          d + 1 < difatSectors ? static_cast<std::uint32_t>(difatStart + d + 1) : kEndOfChain);
  }
  return out;
}

}  // namespace vs
