// A mimic document of any bytes and length, loaded by "Загрузить" and at start-up, and the same
// bytes made up to a whole document of either format (marker set): no crash and no access
// outside the records, whatever the counts, indices and length bytes say. A file is taken only
// at its exact size with its marker, else the document shown stays; a converted document never
// has more than 255 elements of a kind nor anything in the slots above; the start-up never
// loses the operator's file (a refused default document is found renamed aside, byte for
// byte). Run with -max_len of about 2 700 000 so that whole documents are tried too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "mimic/DispetchFile.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;

struct Scratch : FuzzScratch {
  Scratch() : FuzzScratch("mimic") { fs::create_directories(dir / "disp"); }
};

void put(const fs::path& p, const void* data, std::size_t size) {
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool holds(const fs::path& p, const void* data, std::size_t size) {
  std::ifstream in(p, std::ios::binary);
  const std::string got{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return got.size() == size && (size == 0 || std::memcmp(got.data(), data, size) == 0);
}

bool marked(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::int32_t m = 0;
  if (size < at + 4) return false;
  std::memcpy(&m, data + at, 4);
  return m == vs::kChifr;
}

// Everything a window reads from a document to build itself: the strings of every slot the
// counts allow, cut to their fields, and the captions.
std::size_t touch(const vs::MimicDocument& doc) {
  const vs::konstrT& ks = *doc.KS;
  std::size_t n = doc.konstruktorCaption().size() + doc.mimicCaption(1920, 1080).size();
  std::string problem;
  n += doc.backgroundFile(problem).has_value() ? 1 : 0;
  const auto strings = [&n](const vs::Tlabel_& e) {
    n += e.Name.utf8().size() + e.Text.utf8().size() + e.NameNa.utf8().size() +
         e.Font.Name.utf8().size() + e.s_r2.raw().size() + e.sNO.raw().size();
  };
  for (int i = 0; i < vs::usableCount(ks.kol_Na, vs::kMaxPanels); ++i)
    strings(ks.Na[static_cast<std::size_t>(i)]);
  for (int i = 0; i < vs::usableCount(ks.kol_Dsk, vs::kMaxElements); ++i)
    strings(ks.Dsk[static_cast<std::size_t>(i)]);
  for (int i = 0; i < vs::usableCount(ks.kol_Lb, vs::kMaxElements); ++i)
    strings(ks.Lb[static_cast<std::size_t>(i)]);
  for (int i = 0; i < vs::usableCount(ks.kol_Za, vs::kMaxElements); ++i)
    strings(ks.Za[static_cast<std::size_t>(i)]);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  static auto doc = std::make_unique<vs::MimicDocument>(scratch.dir, scratch.dir / "Vetrostan.INI");
  static auto record = std::make_unique<vs::konstrT>();
  static auto old = std::make_unique<vs::konstrT255>();
  static std::size_t said = 0;
  doc->message = [](const std::string&) { ++said; };
  doc->journal = [](const std::string&) {};
  const fs::path disp = scratch.dir / "disp";
  constexpr std::size_t kNew = sizeof(vs::konstrT), kOld = sizeof(vs::konstrT255);
  std::size_t chars = 0;

  // The input as a chosen file.
  put(disp / "in.cfd", data, size);
  doc->KS->kol_Na = -7;
  doc->File_Disp = "keep.cfd";
  said = 0;
  const bool isNew = size == kNew && marked(data, size, offsetof(vs::konstrT, chifr));
  const bool isOld = size == kOld && marked(data, size, offsetof(vs::konstrT255, chifr));
  const bool taken = doc->Zagruzit(disp / "in.cfd");
  if (taken != (isNew || isOld) || said != (isNew ? 0u : 1u)) std::abort();
  if (taken ? doc->File_Disp != "in.cfd" : doc->File_Disp != "keep.cfd" || doc->KS->kol_Na != -7)
    std::abort();
  if (isNew && std::memcmp(doc->KS.get(), data, kNew) != 0) std::abort();
  chars += touch(*doc);

  // The same bytes made up to an old document: converted field by field, never more than its
  // 255 slots of a kind.
  std::memset(static_cast<void*>(old.get()), 0, kOld);
  std::memcpy(old.get(), data, size < kOld ? size : kOld);
  old->chifr = vs::kChifr;
  put(disp / "old.cfd", old.get(), kOld);
  if (!doc->Zagruzit(disp / "old.cfd")) std::abort();
  const vs::konstrT& ks = *doc->KS;
  if (ks.kol_Lb > 255 || ks.kol_Dsk > 255 || ks.kol_Za > 255 || ks.kol_Na > 255) std::abort();
  if (std::memcmp(&ks.Dsk[254], &old->Dsk[254], sizeof ks.Dsk[254]) != 0 ||
      std::memcmp(&ks.Za[0], &old->Za[0], sizeof ks.Za[0]) != 0 || ks.ColorOFF != old->ColorOFF)
    std::abort();
  for (std::size_t i = 255; i < 1000; i += 149)
    if (ks.Lb[i].Tag != 0 || ks.Dsk[i].Name.len != 0 || ks.Za[i].Image != 0) std::abort();
  chars += touch(*doc);
  if (!holds(disp / "old.cfd", old.get(), kOld)) std::abort();

  // The same bytes made up to a current document, saved back unchanged.
  std::memset(static_cast<void*>(record.get()), 0, kNew);
  std::memcpy(record.get(), data, size < kNew ? size : kNew);
  record->chifr = vs::kChifr;
  put(disp / "new.cfd", record.get(), kNew);
  if (!doc->Zagruzit(disp / "new.cfd")) std::abort();
  chars += touch(*doc);
  if (!doc->DispSave() || !holds(disp / "new.cfd", record.get(), kNew)) std::abort();

  // The input as the default document at start-up: taken, converted, or kept aside.
  const fs::path def = disp / "Vetrostan.cfg";
  const fs::path aside = disp / "Vetrostan.bak1.cfg";
  put(def, data, size);
  doc->File_Disp = "Vetrostan.cfg";
  const bool loaded = doc->OpenDispetch();
  if (loaded != (isNew || isOld)) std::abort();
  if (loaded ? !holds(def, data, size) || fs::exists(aside)
             : !holds(aside, data, size) || !fs::exists(def))
    std::abort();
  chars += touch(*doc);

  std::error_code ec;
  for (const auto& e : fs::directory_iterator(scratch.dir, ec)) {
    const fs::path name = e.path().filename();
    if (name != "disp" && name != "img" && name != "Vetrostan.INI") std::abort();
  }
  fs::remove(aside, ec);
  return static_cast<int>(chars & 0);
}
