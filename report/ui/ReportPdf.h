// The shift's record sheet drawn for paper: A4, black on white (nothing is told by colour only),
// a table with lines per incubator, the box "в норме" / "не в норме" and a signature line; each
// page repeats the header. The same drawing serves the PDF file, the printer and the preview.
#pragma once
#include <QPagedPaintDevice>
#include <QPainter>
#include <filesystem>
#include <string>
#include <vector>

#include "report/ShiftReport.h"

namespace vs {

// Draws `r` on `device` (a QPdfWriter, a QPrinter, ...) with `painter` already begun on it:
// new pages through device.newPage(). Returns the number of pages drawn.
int paintShiftReport(const ShiftReport& r, QPainter& painter, QPagedPaintDevice& device);

// Writes the sheet as a PDF to `path`, beside and renamed; false with the reason in `error`.
bool writeReportPdf(const ShiftReport& r, const std::filesystem::path& path, std::string& error);

// Both files of the sheet into "report" of `home` (CSV, then PDF), named by the shift's start;
// the paths written go to `written`. False with the reason in `error` at the first failure.
bool writeShiftReportFiles(const ShiftReport& r, const std::filesystem::path& home,
                           std::vector<std::filesystem::path>& written, std::string& error);

}  // namespace vs
