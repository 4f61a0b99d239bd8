// A run of pictures (--screenshot DIR): once the table shows a whole poll cycle, every window
// of the program is saved as a picture in DIR and the program ends; each message box that
// opens on the way, from the start-up on, is saved as well and closed.
#pragma once
#include <filesystem>

namespace vs {

struct AppWindows;
class BusStation;
class ModalBoxes;

// Starts the run on the main window's event loop: the main window closes (and so the program
// ends through its shut-down) when the last picture is saved. `allSaved` turns false when a
// picture could not be written.
void startScreenshotRun(AppWindows& w, BusStation& bus, const std::filesystem::path& dir,
                        bool& allSaved);

// Makes `dir` and has `boxes` picture every box into it; call before any window is made.
void pictureBoxesInto(ModalBoxes& boxes, const std::filesystem::path& dir);

}  // namespace vs
