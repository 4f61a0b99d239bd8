#include "boards/BitFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "bus/crc.h"
#include "common/AtomicFile.h"

namespace vs {
namespace {

struct BoardType {
  int code;
  const char* text;
};

// Worded from what each board is: kind, screen, memory, clock and what sets the variant apart.
constexpr BoardType kBoards[] = {
    {100, "Блок индикации, экран 4.3\", память 256К, кварц 25 МГц"},
    {101, "Блок индикации, экран 4.3\", память 256К, кварц 11 МГц"},
    {111, "Блок индикации, экран 4.3\", память 256К, кварц 12 МГц"},
    {200, "Блок индикации, экран 7\", память 256К, кварц 25 МГц, первая серия (часы идут неверно)"},
    {201, "Блок индикации, экран 7\", память 256К, кварц 25 МГц, поздняя серия (часы верные)"},
    {202, "Блок индикации, экран 7\", память 256К, кварц 11 МГц, поздняя серия (часы верные)"},
    {212, "Блок индикации, экран 7\", память 256К, кварц 12 МГц, поздняя серия (часы верные)"},
    {300, "Плата управления, память 64К, кварц 11 МГц, порт с развязкой"},
    {301, "Плата управления 12 В, память 64К, кварц 11 МГц, порт без развязки (одна модель)"},
    {302,
     "Плата управления 12 В, память 64К, кварц 11 МГц, порт с развязкой, доп. память, заслонки"},
    {303,
     "Плата управления 12 В, память 64К, кварц 11 МГц, порт с развязкой, доп. память, заслонки, "
     "часы"},
    {311, "Плата управления 12 В, память 64К, кварц 12 МГц, порт без развязки (одна модель)"},
    {312,
     "Плата управления 12 В, память 64К, кварц 12 МГц, порт с развязкой, доп. память, заслонки"},
    {313,
     "Плата управления 12 В, память 64К, кварц 12 МГц, порт с развязкой, доп. память, заслонки, "
     "часы"},
    {400, "Плата инкубатора, память 64К, кварц 11 МГц"},
    {500, "Плата поворота лотков, память 64К, кварц 11 МГц"},
};

const BoardType* findBoard(int code) {
  for (const auto& b : kBoards)
    if (b.code == code) return &b;
  return nullptr;
}

std::string reason() {
  return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string();
}

}  // namespace

std::string boardDescription(int code) {
  const BoardType* b = findBoard(code);
  return b ? b->text : kBoardUnknown;
}

std::size_t boardMemory(int code) {
  return findBoard(code) && code >= 300 ? kMemory64K : kMemory256K;
}

std::uint8_t BitFile::computedCheck() const {
  return Count_CRC(bytes.data() + 1, bytes.size() - 1);
}

std::uint32_t BitFile::version() const {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | bytes[kBitVersionAt + i];
  return v;
}

std::string checkMismatchText(std::uint8_t computed, std::uint8_t stored, std::size_t length) {
  return "Не совпала CTC!-" + std::to_string(computed) + " " + std::to_string(stored) + " " +
         std::to_string(length);
}

BitRead readBitFile(const std::filesystem::path& path) {
  BitRead r;
  const std::string name = path.string();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  // No board holds more than 256 KiB: a larger file is no image of ours, and is not read whole.
  if (!ec && size > kBitHeaderSize + kMemory256K) {
    r.error = "Файл " + name + " слишком велик: " + std::to_string(size) +
              " байт, а память платы не больше " + std::to_string(kMemory256K) + " байт";
    return r;
  }
  std::string text;
  errno = 0;
  if (ec || !readWholeFile(path, text, kBitHeaderSize + kMemory256K)) {
    r.error = "Не удалось прочитать файл " + name + reason();
    return r;
  }
  if (text.size() < kBitHeaderSize) {
    r.error = "Файл " + name + " короче заголовка прошивки (" + std::to_string(kBitHeaderSize) +
              " байт): " + std::to_string(text.size()) + " байт";
    return r;
  }
  BitFile f;
  f.bytes.assign(text.begin(), text.end());
  if (f.computedCheck() != f.storedCheck()) {
    r.error = checkMismatchText(f.computedCheck(), f.storedCheck(), f.bytes.size());
    return r;
  }
  const std::size_t memory = boardMemory(f.boardCode());
  if (f.imageSize() > memory) {
    r.error = "Прошивка больше памяти платы: " + std::to_string(f.imageSize()) +
              " байт, а у платы " + std::to_string(memory) + " байт";
    return r;
  }
  r.file = std::move(f);
  return r;
}

std::vector<std::uint8_t> packImage(const std::vector<std::uint8_t>& image, std::uint32_t version) {
  std::vector<std::uint8_t> out(kBitHeaderSize + image.size(), 0);
  std::copy(image.begin(), image.end(), out.begin() + kBitHeaderSize);
  for (std::size_t i = 0; i < 4; ++i)
    out[kBitVersionAt + i] = static_cast<std::uint8_t>(version >> (24 - 8 * i));
  out[0] = Count_CRC(out.data() + 1, out.size() - 1);
  return out;
}

std::optional<std::filesystem::path> packImageFile(const std::filesystem::path& raw,
                                                   std::uint32_t version, std::string& error) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(raw, ec);
  // A packed file carries board type 0, which no board's table gives: 256 KiB at most.
  if (!ec && size > kMemory256K) {
    error = "Файл " + raw.string() + " слишком велик: " + std::to_string(size) +
            " байт, а память платы не больше " + std::to_string(kMemory256K) + " байт";
    return std::nullopt;
  }
  std::string text;
  errno = 0;
  if (ec || !readWholeFile(raw, text, kMemory256K)) {
    error = "Не удалось прочитать файл " + raw.string() + reason();
    return std::nullopt;
  }
  const std::vector<std::uint8_t> bytes =
      packImage(std::vector<std::uint8_t>(text.begin(), text.end()), version);
  std::filesystem::path out = raw;
  out.replace_extension(".bit");
  errno = 0;
  if (!writeFileAtomic(out, bytes.data(), bytes.size())) {
    error = "Не удалось записать файл " + out.string() + reason();
    return std::nullopt;
  }
  return out;
}

}  // namespace vs
