// The firmware image file (".bit") that the bootloader takes: a 32-byte header, big-endian,
// then the image. Byte 0 is the CRC-8 of bytes 1 .. end; 1..4 the version; 5 the memory-size
// flag (carried, not acted on); 6..7 the board type code; 8..31 reserved, 0. Image offset 0 is
// file offset 32. Also the board type codes and how much memory each board has.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vs {

constexpr std::size_t kBitHeaderSize = 32;
constexpr std::size_t kBitVersionAt = 1;
constexpr std::size_t kBitMemoryFlagAt = 5;
constexpr std::size_t kBitBoardAt = 6;
constexpr std::size_t kMemory256K = 256u * 1024u;
constexpr std::size_t kMemory64K = 64u * 1024u;

inline constexpr const char* kBoardUnknown = "плата не опознана";

// One line about the board of this type code; "плата не опознана" for codes we do not know.
std::string boardDescription(int code);
// The board's program memory: 64 KiB for control, incubator and tray boards, 256 KiB for the
// display units and for any code we do not know.
std::size_t boardMemory(int code);

// A ".bit" file as read: the whole file, at least a header long.
struct BitFile {
  std::vector<std::uint8_t> bytes;

  std::uint8_t storedCheck() const { return bytes[0]; }
  // CRC-8 over bytes 1 .. end, as the check byte should be.
  std::uint8_t computedCheck() const;
  std::uint32_t version() const;
  int boardCode() const { return bytes[kBitBoardAt] * 256 + bytes[kBitBoardAt + 1]; }
  std::size_t imageSize() const { return bytes.size() - kBitHeaderSize; }
  const std::uint8_t* image() const { return bytes.data() + kBitHeaderSize; }
};

// Reads a ".bit" file and checks what must hold before anything is sent: the file can be read,
// has its whole header, its check byte is right ("Не совпала CTC!-" computed, stored, length)
// and its image fits the memory of the board it names. `error` says why it was refused.
struct BitRead {
  std::optional<BitFile> file;
  std::string error;
};
BitRead readBitFile(const std::filesystem::path& path);

// The text shown when the check byte is wrong.
std::string checkMismatchText(std::uint8_t computed, std::uint8_t stored, std::size_t length);

// A raw image packed as a ".bit" file: header of zeros (board type 0, memory flag 0), the
// version big-endian at 1..4, the check byte at 0.
std::vector<std::uint8_t> packImage(const std::vector<std::uint8_t>& image, std::uint32_t version);

// "Спец. обновл.": reads the raw image at `raw`, packs it and writes it beside as the same name
// with the extension ".bit" (written beside and renamed). Returns the written path, or nullopt
// with `error` set.
std::optional<std::filesystem::path> packImageFile(const std::filesystem::path& raw,
                                                   std::uint32_t version, std::string& error);

}  // namespace vs
