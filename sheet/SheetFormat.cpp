#include "sheet/SheetFormat.h"

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

std::unique_ptr<SheetWriter> makeSheetWriter(SheetFormat) {
  // The writers join this factory as they are finished.
  return nullptr;
}

}  // namespace vs
