// The container of an Excel 97-2003 workbook: a compound document (version 3, 512-byte
// sectors) holding one stream named "Workbook".
#pragma once
#include <string>
#include <string_view>

namespace vs {

// The whole compound document holding `workbook` as its "Workbook" stream.
//
// A stream under 4096 bytes would belong in the mini stream; instead a short stream is padded
// with zero bytes to 4096, as Excel itself writes small workbooks, so the document needs neither
// a mini stream nor a mini FAT. The zeros follow the workbook's last EOF record and are never
// read.
// Streams large enough to need more than 109 FAT sectors get their extra DIFAT sectors.
std::string buildCompoundFile(std::string_view workbook);

}  // namespace vs
