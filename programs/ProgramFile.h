// A program file on disk and the program editor's rules: reading one record (a short file fills
// only its length), writing the whole record beside and renaming it, the cell texts and the
// parsing of what the operator types, and the check that day numbers ascend.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "programs/TFile_INKconfig.h"

namespace vs {

inline constexpr const char* kNewProgramFile = "Создан новый(ПУСТОЙ!) файл Режима инкубации: ";
inline constexpr const char* kBadSymbol = "Недопустимый символ! Не выполнено.";
// A configured name without a file name ("" or a folder) becomes this file in that folder.
inline constexpr const char* kDefaultProgramName = "000.ink";

// Grid columns of the editor.
enum ProgramColumn { kColDay = 0, kColTemp, kColVlaz, kColZaslonki, kColLotki, kProgramColumns };

// Reads at most one record from `path` into `p`; a shorter file overwrites only its length and
// leaves the rest of `p` as it was. False when the file cannot be read: `p` is then untouched
// and `why` says which file and why.
bool readProgramFile(const std::filesystem::path& path, TFile_INKconfig& p, std::string& why);

// Writes the whole 8048-byte record to a file beside `path` and renames it over `path`. False
// when that fails: the old file stays and `why` names the file and the system's reason.
bool writeProgramFile(const std::filesystem::path& path, const TFile_INKconfig& p,
                      std::string& why);

// What the editor can show: kol within 1..100 (the rows past it stay in the record).
void fitForEditor(TFile_INKconfig& p);

// The cell of program row `row` (0-based) in column `col`: the day, the temperature as "00.00"
// (hundredths shown with two decimals), humidity, damper angle, tray period.
std::string programCellText(const TFile_INKconfig& p, int row, int col);
// The prompt of the query that edits a cell of column `col`.
const char* programCellPrompt(int col);
// Stores the operator's text into row `row`, column `col`. False (nothing changed) when the
// text is not a number of that column: an integer, or for the temperature a decimal number
// with "." whose hundredths fit the record.
bool setProgramCell(TFile_INKconfig& p, int row, int col, std::string_view text);

// The first row (0-based, >= 1) among rows 0..kol-1 whose day is not later than the day of
// the row before it; -1 when the days ascend strictly.
int firstDayOutOfOrder(const TFile_INKconfig& p);
// The question asked before a save when days do not ascend; `row` as firstDayOutOfOrder gives.
std::string dayOrderQuestion(const TFile_INKconfig& p, int row);

// True when a configured program name names no file ("" or ending in a separator), so that
// kDefaultProgramName is to be added to it.
bool namesNoFile(std::string_view name);

// The path in UTF-8, for messages.
std::string programPathText(const std::filesystem::path& path);

}  // namespace vs
