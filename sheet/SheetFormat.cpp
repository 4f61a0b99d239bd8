#include "sheet/SheetFormat.h"

#include "sheet/Biff8Sheet.h"
#include "sheet/CsvSheet.h"
#include "sheet/XlsxSheet.h"

namespace vs {

std::string_view sheetExtension(SheetFormat f) {
  switch (f) {
    case SheetFormat::Xls:
      return ".xls";
    case SheetFormat::Xlsx:
      return ".xlsx";
    case SheetFormat::Csv:
      return ".csv";
  }
  return ".xls";
}

std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat f) {
  switch (f) {
    case SheetFormat::Xls:
      return std::make_unique<Biff8Sheet>();
    case SheetFormat::Xlsx:
      return std::make_unique<XlsxSheet>();
    case SheetFormat::Csv:
      return std::make_unique<CsvSheet>();
  }
  return std::make_unique<Biff8Sheet>();
}

}  // namespace vs
