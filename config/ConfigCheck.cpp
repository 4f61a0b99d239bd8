#include "config/ConfigCheck.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "common/DateTime.h"

namespace vs {

namespace {

std::string at(const char* field, std::size_t nk) {
  return std::string(field) + "[" + std::to_string(nk) + "]";
}

std::string number(double v) {
  if (std::isnan(v)) return "не число";
  if (std::isinf(v)) return v > 0 ? "+бесконечность" : "-бесконечность";
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
  return {buf.data(), r.ptr};
}

// The program stores a Boolean as 0 or 1; another byte is read as on.
void flags(const char* field, const std::array<std::uint8_t, kMaxRows>& t,
           std::vector<std::string>& out) {
  for (std::size_t nk = 0; nk < t.size(); ++nk)
    if (t[nk] > 1) out.push_back(at(field, nk) + " = " + std::to_string(t[nk]) + " (взято как 1)");
}

template <std::size_t N>
void lengths(const char* field, const std::array<PString<N>, kMaxRows>& t,
             std::vector<std::string>& out) {
  for (std::size_t nk = 0; nk < t.size(); ++nk)
    if (t[nk].len > N)
      out.push_back(at(field, nk) + ": длина строки " + std::to_string(t[nk].len) +
                    " (обрезана до " + std::to_string(N) + ")");
}

}  // namespace

std::string configRefusal(const TFile_config& c) {
  if (c.kol_inkub > kMaxRows)
    return "число инкубаторов " + std::to_string(c.kol_inkub) + " больше " +
           std::to_string(kMaxRows);
  return {};
}

std::vector<std::string> configOddities(const TFile_config& c) {
  std::vector<std::string> out;
  for (const auto& [field, table] :
       {std::pair{"konfig_o", &c.konfig_o}, std::pair{"konfig_Write", &c.konfig_Write},
        std::pair{"konfig_INK", &c.konfig_INK}, std::pair{"konfig_TimeON", &c.konfig_TimeON}})
    flags(field, *table, out);
  lengths("konfig_s", c.konfig_s, out);
  lengths("konfig_f", c.konfig_f, out);
  for (std::size_t nk = 0; nk < c.konfig_linia.size(); ++nk)
    if (c.konfig_linia[nk] > 4)
      out.push_back(at("konfig_linia", nk) + " = " + std::to_string(c.konfig_linia[nk]) +
                    " (линия вне 0..4)");
  for (std::size_t nk = 0; nk < c.N_DateTime.size(); ++nk) {
    // Read by value: the field lies unaligned in the packed record.
    const double t = c.N_DateTime[nk];
    if (!isDate(t)) out.push_back(at("N_DateTime", nk) + " = " + number(t) + " (не дата)");
  }
  return out;
}

std::string oddityLine(const std::vector<std::string>& oddities) {
  constexpr std::size_t kNamed = 5;
  std::string line;
  for (std::size_t i = 0; i < oddities.size() && i < kNamed; ++i) {
    if (i) line += "; ";
    line += oddities[i];
  }
  if (oddities.size() > kNamed) line += "; и ещё " + std::to_string(oddities.size() - kNamed);
  return line;
}

}  // namespace vs
