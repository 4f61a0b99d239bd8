#include "sheet/Biff8Sheet.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "common/AtomicFile.h"
#include "sheet/CompoundFile.h"
#include "sheet/SheetCommon.h"

namespace vs {
namespace {

// Record types.
constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kWindow1 = 0x003D,
                        kDatemode = 0x0022, kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0,
                        kStyle = 0x0293, kBoundsheet = 0x0085, kSst = 0x00FC, kContinue = 0x003C,
                        kExtsst = 0x00FF, kDefcolwidth = 0x0055, kColinfo = 0x007D,
                        kDimensions = 0x0200, kNumber = 0x0203, kLabelsst = 0x00FD, kBlank = 0x0201,
                        kWindow2 = 0x023E;

constexpr std::size_t kMaxRecordData = 8224;  // a longer record goes on in CONTINUE records

// Cell formats: the 21 XFs every workbook carries (0..14 styles, 15 the default cell format,
// 16..20 the styles of the built-in number styles), then ours.
constexpr std::uint16_t kXfGeneral = 15, kXfFixed2 = 21, kXfDateTime = 22, kXfCentred = 23;
constexpr std::uint16_t kFmtFixed2 = 2, kFmtDateTime = 164;  // 164: the first custom format
constexpr const char* kDateTimeFormat = "dd.mm.yyyy hh:mm:ss";

void p8(std::string& o, unsigned v) {
  o.push_back(static_cast<char>(v & 0xFF));
}
void p16(std::string& o, unsigned v) {
  p8(o, v);
  p8(o, v >> 8);
}
void p32(std::string& o, std::uint32_t v) {
  p16(o, v & 0xFFFF);
  p16(o, v >> 16);
}
void pDouble(std::string& o, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, 8);
  p32(o, static_cast<std::uint32_t>(bits));
  p32(o, static_cast<std::uint32_t>(bits >> 32));
}
void set16(std::string& o, std::size_t at, unsigned v) {
  o[at] = static_cast<char>(v & 0xFF);
  o[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void set32(std::string& o, std::size_t at, std::uint32_t v) {
  set16(o, at, v & 0xFFFF);
  set16(o, at + 2, v >> 16);
}

// Starts a record; `end` fills in its length.
std::size_t begin(std::string& o, std::uint16_t type) {
  p16(o, type);
  p16(o, 0);
  return o.size() - 4;
}
void end(std::string& o, std::size_t start) {
  set16(o, start + 2, o.size() - start - 4);
}

void bof(std::string& o, unsigned kind) {
  const std::size_t r = begin(o, kBof);
  p16(o, 0x0600);  // BIFF8
  p16(o, kind);    // 0x0005 workbook globals, 0x0010 worksheet
  p16(o, 0x0DBB);  // build
  p16(o, 0x07CC);  // year
  p32(o, 0);       // file history
  p32(o, 0x0006);  // lowest BIFF version that reads the file
  end(o, r);
}

void simple16(std::string& o, std::uint16_t type, unsigned v) {
  const std::size_t r = begin(o, type);
  p16(o, v);
  end(o, r);
}

void font(std::string& o) {
  const std::size_t r = begin(o, kFont);
  p16(o, 200);     // 10 points in twips
  p16(o, 0);       // plain
  p16(o, 0x7FFF);  // the window text colour
  p16(o, 400);     // normal weight
  p16(o, 0);       // neither super- nor subscript
  p8(o, 0);        // not underlined
  p8(o, 0);        // family
  p8(o, 1);        // default character set
  p8(o, 0);
  p8(o, 5);  // name "Arial", 8-bit characters
  p8(o, 0);
  o += "Arial";
  end(o, r);
}

void xf(std::string& o, unsigned fontIndex, unsigned format, bool style, bool centred,
        unsigned used) {
  const std::size_t r = begin(o, kXf);
  p16(o, fontIndex);
  p16(o, format);
  p16(o, style ? 0xFFF5 : 0x0001);  // locked; a style has no parent, a cell format has style 0
  p8(o, centred ? 0x22 : 0x20);     // bottom aligned, centred or general across
  p8(o, 0);                         // no rotation
  p8(o, 0);                         // no indent
  p8(o, used);                      // which attributes this format sets
  p32(o, 0);                        // no borders
  p32(o, 0);
  p16(o, 0x20C0);  // pattern colours: window foreground and background
  end(o, r);
}

// The shared string table and, after it, its index of every eighth-or-so text.
void sharedStrings(std::string& o, std::u16string_view pool, const std::vector<std::uint32_t>& ends,
                   std::uint32_t total) {
  const std::size_t count = ends.size();
  const std::size_t perBucket = std::max<std::size_t>(8, (count + 127) / 128);
  struct Anchor {
    std::uint32_t streamPos;
    std::uint16_t inRecord;
  };
  std::vector<Anchor> anchors;

  std::size_t rec = begin(o, kSst);
  p32(o, total);
  p32(o, static_cast<std::uint32_t>(count));
  auto room = [&] { return kMaxRecordData - (o.size() - rec - 4); };
  auto next = [&] {
    end(o, rec);
    rec = begin(o, kContinue);
  };
  std::uint32_t from = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::u16string_view s = pool.substr(from, ends[i] - from);
    from = ends[i];
    // The length and flags never part from the first character.
    if (room() < 3 + (s.empty() ? 0 : 2)) next();
    if (i % perBucket == 0)
      anchors.push_back(
          {static_cast<std::uint32_t>(o.size()), static_cast<std::uint16_t>(o.size() - rec)});
    p16(o, static_cast<unsigned>(s.size()));
    p8(o, 0x01);  // 16-bit characters
    while (!s.empty()) {
      const std::size_t n = std::min(s.size(), room() / 2);
      for (std::size_t k = 0; k < n; ++k) p16(o, s[k]);
      s.remove_prefix(n);
      if (!s.empty()) {
        next();
        p8(o, 0x01);  // the rest of the text, still 16-bit
      }
    }
  }
  end(o, rec);

  rec = begin(o, kExtsst);
  p16(o, static_cast<unsigned>(perBucket));
  for (const Anchor& a : anchors) {
    p32(o, a.streamPos);
    p16(o, a.inRecord);
    p16(o, 0);
  }
  end(o, rec);
}

}  // namespace

std::uint16_t Biff8Sheet::widthUnits(int pixels) {
  const long units = std::lround(std::max(pixels, 0) * 256.0 / 7.0);
  return static_cast<std::uint16_t>(std::min(units, 255L * 256));  // 255 characters at most
}

bool Biff8Sheet::open(const std::filesystem::path& path, std::string&) {
  path_ = path;
  return true;
}

void Biff8Sheet::columnWidth(int col, int pixels) {
  if (col >= 0 && col < kMaxCols) widths_[static_cast<std::size_t>(col)] = widthUnits(pixels);
}

void Biff8Sheet::add(const Cell& c) {
  if (!cells_.empty()) {
    const Cell& last = cells_.back();
    if (c.row < last.row || (c.row == last.row && c.col <= last.col)) ordered_ = false;
  }
  cells_.push_back(c);
}

void Biff8Sheet::text(int row, int col, std::string_view utf8, bool centred) {
  if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols) {
    outOfSheet_ = true;
    return;
  }
  Cell c{static_cast<std::uint32_t>(row), static_cast<std::uint8_t>(col), Kind::Text,
         centred ? kXfCentred : kXfGeneral, 0.0};
  if (utf8.empty()) {
    c.kind = Kind::Blank;  // a cell holds no empty text; the blank keeps its format
  } else {
    auto [it, added] =
        stringIndex_.try_emplace(std::string(utf8), static_cast<std::uint32_t>(stringEnds_.size()));
    if (added) {
      strings_ += toUtf16(utf8);
      stringEnds_.push_back(static_cast<std::uint32_t>(strings_.size()));
    }
    c.value = it->second;
    ++textCells_;
  }
  add(c);
}

void Biff8Sheet::number(int row, int col, double value, NumberFormat format) {
  if (row < 0 || row >= kMaxRows || col < 0 || col >= kMaxCols) {
    outOfSheet_ = true;
    return;
  }
  if (!std::isfinite(value)) return;
  const std::uint16_t x = format == NumberFormat::Fixed2     ? kXfFixed2
                          : format == NumberFormat::DateTime ? kXfDateTime
                                                             : kXfGeneral;
  add({static_cast<std::uint32_t>(row), static_cast<std::uint8_t>(col), Kind::Number, x, value});
}

std::string Biff8Sheet::globals(std::size_t& sheetOffsetAt) const {
  std::string o;
  o.reserve(strings_.size() * 2 + stringEnds_.size() * 3 + 4096);
  bof(o, 0x0005);
  simple16(o, kCodepage, 1200);  // texts are UTF-16
  std::size_t r = begin(o, kWindow1);
  for (unsigned v : {0u, 0u, 16000u, 9000u, 0x0038u, 0u, 0u, 1u, 600u}) p16(o, v);
  end(o, r);
  simple16(o, kDatemode, 0);            // serial days counted from 1899-12-30, as TDateTime
  for (int i = 0; i < 5; ++i) font(o);  // four obligatory fonts, then font 5 (there is no 4)

  r = begin(o, kFormat);
  p16(o, kFmtDateTime);
  p16(o, static_cast<unsigned>(std::strlen(kDateTimeFormat)));
  p8(o, 0);
  o += kDateTimeFormat;
  end(o, r);

  xf(o, 0, 0, true, false, 0x00);  // style 0, Normal
  for (unsigned i = 1; i <= 14; ++i) xf(o, i <= 2 ? 1 : i <= 4 ? 2 : 0, 0, true, false, 0xF4);
  xf(o, 0, 0, false, false, 0x00);  // 15: the default cell format
  for (unsigned f : {43u, 41u, 44u, 42u, 9u}) xf(o, 1, f, true, false, 0xF8);
  xf(o, 0, kFmtFixed2, false, false, 0x04);    // 21
  xf(o, 0, kFmtDateTime, false, false, 0x04);  // 22
  xf(o, 0, 0, false, true, 0x10);              // 23

  r = begin(o, kStyle);
  p16(o, 0x8000);  // built-in style of XF 0: Normal
  p8(o, 0);
  p8(o, 0xFF);
  end(o, r);

  r = begin(o, kBoundsheet);
  sheetOffsetAt = o.size();
  p32(o, 0);  // where the sheet's BOF stands, filled in once known
  p8(o, 0);   // visible
  p8(o, 0);   // worksheet
  const std::u16string name = u"Лист1";
  p8(o, static_cast<unsigned>(name.size()));
  p8(o, 0x01);
  for (char16_t ch : name) p16(o, ch);
  end(o, r);

  sharedStrings(o, strings_, stringEnds_, textCells_);
  r = begin(o, kEof);
  end(o, r);
  return o;
}

std::string Biff8Sheet::worksheet() const {
  std::string o;
  o.reserve(cells_.size() * 18 + 1024);
  bof(o, 0x0010);
  simple16(o, kDefcolwidth, 8);
  for (int c = 0; c < kMaxCols; ++c) {
    if (!widths_[static_cast<std::size_t>(c)]) continue;
    const std::size_t r = begin(o, kColinfo);
    p16(o, static_cast<unsigned>(c));
    p16(o, static_cast<unsigned>(c));
    p16(o, widths_[static_cast<std::size_t>(c)]);
    p16(o, kXfGeneral);
    p16(o, 0);
    p16(o, 0);
    end(o, r);
  }

  std::uint32_t firstRow = 0, lastRow = 0;
  unsigned firstCol = 0, lastCol = 0;
  if (!cells_.empty()) {
    firstRow = cells_.front().row;
    lastRow = cells_.back().row + 1;
    firstCol = kMaxCols;
    for (const Cell& c : cells_) {
      firstCol = std::min<unsigned>(firstCol, c.col);
      lastCol = std::max<unsigned>(lastCol, c.col + 1u);
    }
  }
  std::size_t r = begin(o, kDimensions);
  p32(o, firstRow);
  p32(o, lastRow);
  p16(o, firstCol);
  p16(o, lastCol);
  p16(o, 0);
  end(o, r);

  for (const Cell& c : cells_) {
    const std::uint16_t type = c.kind == Kind::Number ? kNumber
                               : c.kind == Kind::Text ? kLabelsst
                                                      : kBlank;
    r = begin(o, type);
    p16(o, c.row);
    p16(o, c.col);
    p16(o, c.xf);
    if (c.kind == Kind::Number) pDouble(o, c.value);
    if (c.kind == Kind::Text) p32(o, static_cast<std::uint32_t>(c.value));
    end(o, r);
  }

  r = begin(o, kWindow2);
  for (unsigned v : {0x06B6u, 0u, 0u, 0x40u, 0u, 0u, 0u, 0u, 0u}) p16(o, v);
  end(o, r);
  r = begin(o, kEof);
  end(o, r);
  return o;
}

std::string Biff8Sheet::build() {
  if (!ordered_) {
    // A reader expects the cells row by row; a cell given twice keeps its last value.
    std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
      return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    std::vector<Cell> kept;
    kept.reserve(cells_.size());
    for (const Cell& c : cells_) {
      if (!kept.empty() && kept.back().row == c.row && kept.back().col == c.col) kept.pop_back();
      kept.push_back(c);
    }
    cells_.swap(kept);
    ordered_ = true;
  }
  std::size_t sheetOffsetAt = 0;
  std::string stream = globals(sheetOffsetAt);
  set32(stream, sheetOffsetAt, static_cast<std::uint32_t>(stream.size()));
  stream += worksheet();
  return buildCompoundFile(stream);
}

bool Biff8Sheet::finish(std::string& error) {
  if (outOfSheet_) {
    error = "не удалось записать файл " + sheetPathText(path_) +
            ": лист Excel 97-2003 вмещает не больше 65536 строк и 256 столбцов";
    return false;
  }
  const std::string doc = build();
  if (!writeFileAtomic(path_, doc)) {
    error = sheetWriteFailure(path_, errno);
    return false;
  }
  return true;
}

}  // namespace vs
