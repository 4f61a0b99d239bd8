#include "config/IncubatorList.h"

#include <charconv>

#include "common/Cp1251.h"

namespace vs {

namespace {

// A whole decimal number in [lo, hi]; blanks around it are allowed.
bool parseNumber(std::string_view text, int lo, int hi, int& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  if (text.empty() || r.ec != std::errc{} || r.ptr != end || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// The first character of UTF-8 text that Windows-1251 has no byte for, or empty when every
// character has one.
std::string firstUnstorable(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::string_view ch = text.substr(i, n);
    if (ch != "?" && utf8ToCp1251(ch) == "?") return std::string(ch);
    i += n;
  }
  return {};
}

}  // namespace

std::string IncubatorList::header(int col) {
  switch (col) {
    case 0:
      return "Номер";
    case 1:
      return "Название";
    case 2:
      return "Опрос";
    case 3:
      return "Линия (1..4)";
    default:
      return {};
  }
}

int IncubatorList::columnWidth(int col) {
  constexpr int widths[] = {64, 313, 79, 112};
  return col >= 0 && col < 4 ? widths[col] : 64;
}

int IncubatorList::clampCount(int value) {
  return value < 1 ? 1 : (value > kMaxCount ? kMaxCount : value);
}

int IncubatorList::setCount(int value) {
  rows_ = clampCount(value);
  p_.kol_inkub = static_cast<std::uint8_t>(rows_);
  return rows_;
}

std::string IncubatorList::cell(int row, int col) const {
  if (row == 0) return header(col);
  if (!rowValid(row)) return {};
  const auto k = static_cast<std::size_t>(row - 1);
  switch (col) {
    case 0:
      return std::to_string(p_.konfig_n[k]);
    case 1:
      return p_.konfig_s[k].utf8();
    case 2:
      return p_.konfig_o[k] ? "ДА" : "НЕТ";
    case 3:
      return hub_ ? std::to_string(p_.konfig_linia[k]) : std::string{};
    default:
      return {};
  }
}

bool IncubatorList::edit(int row, int col, std::string_view text) {
  if (!rowValid(row)) return false;
  const auto k = static_cast<std::size_t>(row - 1);
  int v = 0;
  switch (col) {
    case 0:  // the number is a 16-bit field; a value that does not fit would be stored cut
      if (!parseNumber(text, 0, 0xFFFF, v)) {
        refusal_ = "Номер инкубатора: целое число от 0 до 65535";
        break;
      }
      p_.konfig_n[k] = static_cast<std::uint16_t>(v);
      return accepted();
    case 1:
      if (const std::string ch = firstUnstorable(text); !ch.empty()) {
        refusal_ = "В названии знак \"" + ch + "\", которого нет в кодировке Windows-1251";
        break;
      }
      p_.konfig_s[k].setUtf8(text);
      return accepted();
    case 3:
      if (!hub_) return false;
      // A byte of the record; the hub takes its low seven bits.
      if (!parseNumber(text, 0, 0xFF, v)) {
        refusal_ = "Линия: целое число от 0 до 255";
        break;
      }
      p_.konfig_linia[k] = static_cast<std::uint8_t>(v);
      return accepted();
    default:
      return false;  // the poll column is changed by double-click only
  }
  error_ = kError;
  return false;
}

void IncubatorList::beginEdit(int row, int col) {
  before_ = {};
  if (!rowValid(row)) return;
  const auto k = static_cast<std::size_t>(row - 1);
  before_ = {row, col, p_.konfig_n[k], p_.konfig_s[k], p_.konfig_linia[k]};
}

void IncubatorList::endEdit(bool refused) {
  const Before b = before_;
  before_ = {};
  if (!refused || b.col < 0 || !rowValid(b.row)) return;
  const auto k = static_cast<std::size_t>(b.row - 1);
  if (b.col == 0) p_.konfig_n[k] = b.number;
  if (b.col == 1) p_.konfig_s[k] = b.name;
  if (b.col == 3) p_.konfig_linia[k] = b.line;
}

bool IncubatorList::accepted() {
  error_.clear();
  refusal_.clear();
  return true;
}

void IncubatorList::setPoll(int row, bool on) {
  if (!rowValid(row)) return;
  p_.konfig_o[static_cast<std::size_t>(row - 1)] = on ? 1 : 0;
}

bool IncubatorList::remember(const std::function<void()>& sendHubTable,
                             const std::function<bool()>& save) {
  config_ = p_;
  refresh();
  if (hub_ && sendHubTable) sendHubTable();
  return save ? save() : false;
}

int IncubatorList::exportCount(int spinValue) const {
  if (p_.kol_inkub > kMaxCount && spinValue == kMaxCount) return p_.kol_inkub;
  return clampCount(spinValue);
}

}  // namespace vs
