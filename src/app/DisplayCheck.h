#pragma once

#include <optional>
#include <string_view>

namespace dimrix::app {

// Whether a window program can reach a display, asked before QApplication exists.
//
// Without one, Qt's default platform on X11 and Wayland systems ends the program with
// SIGABRT inside its platform plugin, after a line about the xcb plugin a user cannot
// act on. Asked first, the program says in one line what is missing and ends with a
// status a script can test. Only a display that is not named at all is caught: one that
// is named but cannot be reached is still left to Qt, which aborts as before.
class DisplayCheck {
public:
    // The status to end with when no window can be opened.
    static constexpr int kNoDisplay = 1;

    // Nothing when a window may be tried: a display is named (DISPLAY, WAYLAND_DISPLAY,
    // Qt's -display option), the platform was chosen (QT_QPA_PLATFORM, Qt's -platform
    // option), or the system has no such thing as a display variable. Otherwise prints
    // "PROGRAM: cannot open a window: no display (DISPLAY is not set)" on standard error,
    // followed by "; HINT" when a hint is given, and gives kNoDisplay.
    [[nodiscard]] static std::optional<int> ExitStatus(std::string_view program,
                                                       std::string_view hint, int argc,
                                                       const char* const argv[]);
};

}  // namespace dimrix::app
