// What the 35 setpoint words of a controller mean on the screen: the rows of the setpoint grid
// (caption, word, display type), the cell text of every display type, and the parsing of a
// typed value into the word that is written. All tables are 1-based like the grid's rows.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "station/StationTables.h"

namespace vs {

constexpr int kSetpointRows = 35;

// Captions, by caption number 1..35 (entry 0 is empty).
extern const std::array<std::string_view, kSetpointRows + 1> ustav;
// For each grid row 1..35 its caption number; row r shows ZON word rasp[r] - 1.
extern const std::array<int, kSetpointRows + 1> rasp;
// For each grid row 1..35 its display type.
extern const std::array<int, kSetpointRows + 1> ustav_tip;
// Alarm delay codes 0..5.
extern const std::array<std::string_view, 6> avarZDs;
// Humidity sensor types 0..4 (the trailing blanks are part of the names).
extern const std::array<std::string_view, 5> tip_dt;
extern const std::array<std::string_view, 2> tip_ten;    // reed-switch alarm
extern const std::array<std::string_view, 2> tip_pol;    // limit-switch polarity
extern const std::array<std::string_view, 2> tip_lotki;  // tray stop method

inline constexpr const char* kRefused = "Недопустимый символ! Не выполнено.";

// The ZON word that grid row r (1..35) shows, or -1 outside the grid.
int rowWord(int r);
// The caption of grid row r, empty outside the grid.
std::string_view rowCaption(int r);

// The text of grid row r (1..35) for row nk of the station tables; empty outside the grid.
std::string zonText(const StationTables& t, int nk, int r);

// A temperature in hundredths of a degree as the grid shows it: "37.50", "05.00", "-00.50".
std::string formatHundredths(int value);

// A typed temperature: a decimal number with "." whose x 100, rounded to the nearest integer
// (ties to even), fits the signed word. Anything else is refused.
std::optional<std::int16_t> parseTemperature(std::string_view text);
// A typed whole number that fits the signed word.
std::optional<std::int16_t> parseWord(std::string_view text);
// A typed whole number 0..255, for the items a controller keeps in one byte.
std::optional<std::uint8_t> parseByte(std::string_view text);

// Whether `value` fits what a write of kind k carries: a signed or unsigned 16-bit word for
// setpoint words (kind 1), one byte for configuration items (10) and damper parameters (211).
bool fitsWrite(std::uint8_t k, long long value);

// Caption of what a write (kind k, Row) changes, for the journal.
std::string writeCaption(std::uint8_t k, int row);
// The value that a write (kind k, Row) changes, as row nk reports it now; nullopt when the
// answer carries no copy of it.
std::optional<int> reportedValue(const StationTables& t, int nk, std::uint8_t k, int row);
// A value of that item as the journal writes it (temperatures with two decimals).
std::string formatWriteValue(std::uint8_t k, int row, int value);

}  // namespace vs
