#include "programs/ProgramFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

#include "common/AtomicFile.h"

namespace vs {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecordSize = sizeof(TFile_INKconfig);

std::string reason(int err) {
  return err ? std::generic_category().message(err) : "неизвестная ошибка";
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A leading "+" is accepted as the operator may type it; from_chars takes only "-".
std::string_view unsigned_plus(std::string_view s) {
  if (s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
  return s;
}

std::optional<std::int32_t> parseInt(std::string_view text) {
  const std::string_view s = unsigned_plus(trimmed(text));
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return v;
}

// Degrees with "." as the decimal separator, whatever the locale, to hundredths.
std::optional<std::int32_t> parseHundredths(std::string_view text) {
  const std::string_view s = unsigned_plus(trimmed(text));
  double x = 0;
  const auto [end, ec] =
      std::from_chars(s.data(), s.data() + s.size(), x, std::chars_format::fixed);
  if (s.empty() || ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(x))
    return std::nullopt;
  const double h = std::round(x * 100.0);
  if (h < std::numeric_limits<std::int32_t>::min() || h > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(h);
}

bool rowInTable(int row) {
  return row >= 0 && row < kInkRows;
}

}  // namespace

std::string programPathText(const fs::path& path) {
  const std::u8string s = path.u8string();
  return {reinterpret_cast<const char*>(s.data()), s.size()};
}

bool readProgramFile(const fs::path& path, TFile_INKconfig& p, std::string& why) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    why = "Файл Режима инкубации не читается: " + programPathText(path) + " (" +
          reason(ec ? ec.value() : (fs::exists(path, ec) ? EISDIR : ENOENT)) + ")";
    return false;
  }
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) {
    why =
        "Файл Режима инкубации не читается: " + programPathText(path) + " (" + reason(errno) + ")";
    return false;
  }
  TFile_INKconfig loaded = p;
  const std::size_t n = std::fread(&loaded, 1, kRecordSize, f);
  const int err = std::ferror(f) ? errno : 0;
  std::fclose(f);
  if (err) {
    why = "Файл Режима инкубации не читается: " + programPathText(path) + " (" + reason(err) + ")";
    return false;
  }
  std::memcpy(&p, &loaded, n);
  return true;
}

bool writeProgramFile(const fs::path& path, const TFile_INKconfig& p, std::string& why) {
  errno = 0;
  if (writeFileAtomic(path, &p, kRecordSize)) return true;
  why = "Ошибка записи файла: " + programPathText(path) + " (" + reason(errno) +
        "). Файл не изменён.";
  return false;
}

void fitForEditor(TFile_INKconfig& p) {
  if (p.kol > kInkEditorRows) p.kol = kInkEditorRows;
  if (p.kol < 1) p.kol = 1;
}

std::string programCellText(const TFile_INKconfig& p, int row, int col) {
  if (!rowInTable(row)) return {};
  const auto r = static_cast<std::size_t>(row);
  switch (col) {
    case kColDay:
      return std::to_string(p.nDen[r]);
    case kColTemp: {
      const std::int64_t t = p.Temp[r];
      const std::int64_t a = t < 0 ? -t : t;
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s%02lld.%02lld", t < 0 ? "-" : "",
                    static_cast<long long>(a / 100), static_cast<long long>(a % 100));
      return buf;
    }
    case kColVlaz:
      return std::to_string(p.Vlaz[r]);
    case kColZaslonki:
      return std::to_string(p.Zaslonki[r]);
    case kColLotki:
      return std::to_string(p.Lotki[r]);
    default:
      return {};
  }
}

const char* programCellPrompt(int col) {
  switch (col) {
    case kColDay:
      return "Номер Дня:";
    case kColTemp:
      return "Рабочая температура:";
    case kColVlaz:
      return "Рабочая влажность:";
    case kColZaslonki:
      return "Угол заслонки:";
    case kColLotki:
      return "Поворот лотков:";
    default:
      return "";
  }
}

bool setProgramCell(TFile_INKconfig& p, int row, int col, std::string_view text) {
  if (!rowInTable(row) || col < 0 || col >= kProgramColumns) return false;
  const auto r = static_cast<std::size_t>(row);
  const std::optional<std::int32_t> v = col == kColTemp ? parseHundredths(text) : parseInt(text);
  if (!v) return false;
  switch (col) {
    case kColDay:
      p.nDen[r] = *v;
      break;
    case kColTemp:
      p.Temp[r] = *v;
      break;
    case kColVlaz:
      p.Vlaz[r] = *v;
      break;
    case kColZaslonki:
      p.Zaslonki[r] = *v;
      break;
    default:
      p.Lotki[r] = *v;
      break;
  }
  return true;
}

int firstDayOutOfOrder(const TFile_INKconfig& p) {
  const int rows = p.kol < 0 ? 0 : (p.kol > kInkRows ? kInkRows : p.kol);
  for (int i = 1; i < rows; ++i)
    if (p.nDen[static_cast<std::size_t>(i)] <= p.nDen[static_cast<std::size_t>(i - 1)]) return i;
  return -1;
}

std::string dayOrderQuestion(const TFile_INKconfig& p, int row) {
  if (row < 1 || row >= kInkRows) return {};
  const auto r = static_cast<std::size_t>(row);
  // Rows are numbered as the grid shows them: program row 0 is grid row 1.
  return "Дни программы идут не по возрастанию (строка " + std::to_string(row + 1) + ": день " +
         std::to_string(p.nDen[r]) + " после дня " + std::to_string(p.nDen[r - 1]) +
         "). Автоматика берёт строки по возрастанию дней. Сохранить всё равно?";
}

bool namesNoFile(std::string_view name) {
  return name.empty() || name.back() == '/' || name.back() == '\\';
}

}  // namespace vs
