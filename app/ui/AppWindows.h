// The program's windows, created in their fixed order and wired to each other.
#pragma once
#include <memory>
#include <string_view>
#include <vector>

namespace vs {

class Workstation;
class TForm1;
class TForm4;
class TFormUST;
class TForm15;

struct AppWindows {
  // The main window owns the others (they are its dialogs and tool windows).
  std::unique_ptr<TForm1> form1;
  TForm4* form4 = nullptr;
  TFormUST* formUST = nullptr;
  TForm15* form15 = nullptr;
  // Names of the windows in the order they were created.
  std::vector<std::string_view> created;

  AppWindows();
  AppWindows(AppWindows&&) noexcept;
  AppWindows& operator=(AppWindows&&) noexcept;
  ~AppWindows();
};

// Creates every window the program has, in the order of kWindowOrder, all hidden; the main
// window's creation runs the workstation's start-up. `secondCopy` marks the main caption.
AppWindows createWindows(Workstation& ws, bool secondCopy);

}  // namespace vs
