#include "config/ConfigCheck.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vs {

namespace {

// 31.12.9999, the last day a date-time of the record can name; the fraction is its time.
constexpr double kLastDay = 2958465.0;

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

// The program that wrote these files stores a Boolean as 0 or 1; any other byte means the
// record is not what it claims to be.
std::string flags(const char* field, const std::array<std::uint8_t, kMaxRows>& t) {
  for (std::size_t nk = 0; nk < t.size(); ++nk)
    if (t[nk] > 1) return at(field, nk) + " = " + std::to_string(t[nk]) + " вместо 0 или 1";
  return {};
}

template <std::size_t N>
std::string lengths(const char* field, const std::array<PString<N>, kMaxRows>& t) {
  for (std::size_t nk = 0; nk < t.size(); ++nk)
    if (t[nk].len > N)
      return at(field, nk) + ": длина строки " + std::to_string(t[nk].len) + " больше " +
             std::to_string(N);
  return {};
}

}  // namespace

std::string configProblem(const TFile_config& c) {
  if (c.kol_inkub > kMaxRows)
    return "число инкубаторов " + std::to_string(c.kol_inkub) + " больше " +
           std::to_string(kMaxRows);
  for (const auto& [field, table] :
       {std::pair{"konfig_o", &c.konfig_o}, std::pair{"konfig_Write", &c.konfig_Write},
        std::pair{"konfig_INK", &c.konfig_INK}, std::pair{"konfig_TimeON", &c.konfig_TimeON}})
    if (std::string why = flags(field, *table); !why.empty()) return why;
  if (std::string why = lengths("konfig_s", c.konfig_s); !why.empty()) return why;
  if (std::string why = lengths("konfig_f", c.konfig_f); !why.empty()) return why;
  for (std::size_t nk = 0; nk < c.konfig_linia.size(); ++nk)
    if (c.konfig_linia[nk] > 4)
      return at("konfig_linia", nk) + " = " + std::to_string(c.konfig_linia[nk]) +
             ": линия вне 0..4";
  for (std::size_t nk = 0; nk < c.N_DateTime.size(); ++nk) {
    // Read by value: the field lies unaligned in the packed record.
    const double t = c.N_DateTime[nk];
    if (!std::isfinite(t) || t < 0.0 || t >= kLastDay + 1.0)
      return at("N_DateTime", nk) + " = " + number(t) + ": дата вне 30.12.1899..31.12.9999";
  }
  return {};
}

}  // namespace vs
