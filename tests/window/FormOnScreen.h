#pragma once

#include <QPoint>
#include <string_view>

#include "XvfbDisplay.h"

namespace dimrix::testing {

// Where the panel's controls are on the screen, from the window's layout and where the
// X server shows the window: what a test clicks to drive the real program.
class FormOnScreen {
public:
    // The centre of a control, through the group frames that hold it.
    [[nodiscard]] static QPoint CentreOf(const XvfbDisplay::Window& window,
                                         std::string_view control);
};

}  // namespace dimrix::testing
