// The mimic document's files: reading either format, converting the older one, the start-up
// load, the empty default document, saving, and the settings key that names the current
// document. The windows call these; every failure reaches them through `message`.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "mimic/konstrT.h"

namespace vs {

// What a document file turned out to be.
enum class DispFormat {
  Missing,     // no such file
  Unreadable,  // exists but cannot be read (a folder, no permission)
  Foreign,     // neither size with its marker
  Current,     // one konstrT, read into `ks1`
  Old,         // one konstrT255, read into `ks255`
};

// Reads a document file. A format is taken only when the file is exactly its size and carries
// the marker at its place; `ks1` / `ks255` may be left partly filled otherwise.
DispFormat readDispFile(const std::filesystem::path& path, konstrT& ks1, konstrT255& ks255);

// Turns an old document into the current layout: the shared head, the 255 slots of each kind,
// the tail fields. Counts above the 255 slots the old format has are cut to 255 and the slots
// above 255 are cleared, so no element comes from bytes of an earlier document.
void convertOld(const konstrT255& old, konstrT& into);

// A file name to be looked up in "disp": not empty and without a folder part in either
// separator, so that no name from a document or the settings file leads out of the folder.
bool plainFileName(const std::string& utf8);

// A name typed without extension gets ".cfg".
std::string withCfgExtension(const std::string& utf8);

class MimicDocument {
 public:
  // `home` is the working folder; `iniPath` the settings file; `programName` the program
  // file's name without extension (the default document is that name with ".cfg").
  MimicDocument(std::filesystem::path home, std::filesystem::path iniPath,
                std::string programName = "Vetrostan");

  // An operator message (a message box in the program).
  std::function<void(const std::string& utf8)> message;
  // One line for the event journal.
  std::function<void(const std::string& utf8)> journal;
  // A second copy of the program on a working folder another copy holds: it shows the
  // document but writes nothing (no folders, no empty default document, no settings key).
  bool readOnly = false;

  // The document shown, the buffer a file is read into, the buffer of the older format. They
  // are 2.6 MB each, so they live on the heap.
  std::unique_ptr<konstrT> KS;
  std::unique_ptr<konstrT> KS1;
  std::unique_ptr<konstrT255> KS255;

  std::string File_Disp;  // UTF-8 name, without folder, of the current document in "disp"
  // A name chosen by "Создать", applied by the next save.
  std::string File_DispNew;
  bool File_DispNewOn = false;

  // Settings file, section "Dispetch", key "Form_File": read when the mimic window is created,
  // written when it is destroyed. False (and a message) when the file could not be written.
  void readFileDisp();
  bool writeFileDisp();

  // Start-up load. Creates "img" and "disp" when missing; takes the document `File_Disp` names
  // when it is one current record; converts an old one (the file stays as it is until the
  // operator saves); otherwise makes the empty default document. True when KS came from a file.
  bool OpenDispetch();
  // Makes an empty default document current and writes it. A file already standing under the
  // default name is first renamed aside (journal line), since it may be the operator's only
  // copy of a picture. False when the document could not be written (told by `message`).
  bool NewDispetchCfg();
  // "Загрузить": reads a chosen file, converting the old format. On success KS holds it and
  // `File_Disp` is its name; otherwise KS stays as it was. The window then rebuilds itself.
  bool Zagruzit(const std::filesystem::path& chosen);
  // Writes KS to "disp" under `File_Disp` (or the pending name of "Создать"), beside and
  // renamed. The window copies the live state of its elements into KS first and saves the
  // plant configuration after. False on failure; KS and the file stay as they were.
  bool DispSave();
  // "Сохранить как": the same under `name` (its folder part dropped, ".cfg" added to a name
  // typed without extension); `File_Disp` becomes that name when the write succeeds.
  bool DispSaveAs(const std::string& name);

  std::filesystem::path dispDir() const { return home_ / "disp"; }
  std::filesystem::path imgDir() const { return home_ / "img"; }
  std::string defaultName() const { return programName_ + ".cfg"; }
  // The current document's path; nullopt when `File_Disp` is not a plain file name.
  std::optional<std::filesystem::path> documentPath() const;

  // The background picture to load: set when `ImOn` is 'o' and the file exists. When 'o' and
  // it does not (or `Im_f` has a folder part), `problem` gets "файл фона ошибочный (path)".
  std::optional<std::filesystem::path> backgroundFile(std::string& problem) const;
  // "Конструктор   " + File_Disp + "   " + Im_f.
  std::string konstruktorCaption() const;
  // The background file name shown: `Im_f` while the background is on, else "--".
  std::string backgroundLabel() const;
  // "Разрешение экрана " + width + " * " + height + "   " + backgroundLabel().
  std::string mimicCaption(int screenWidth, int screenHeight) const;

  // File dialog filters: documents are offered as "*.cfd" and as "*.cfg", the extension a
  // typed name gets.
  static constexpr const char* kOpenFilter = "инкубаторий (*.cfd *.cfg)";
  static constexpr const char* kSaveFilter = "Инкубаторий (*.cfd *.cfg)";

 private:
  bool writeDocument(const std::string& name);
  void say(const std::string& text) const;
  void note(const std::string& text) const;

  std::filesystem::path home_;
  std::filesystem::path iniPath_;
  std::string programName_;
};

}  // namespace vs
