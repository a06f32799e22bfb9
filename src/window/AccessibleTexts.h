#pragma once

#include <string>
#include <string_view>

namespace dimrix::window {

// What assistive technology reads for a control besides its caption.
struct SpokenText {
    // Replaces the caption as the control's name; empty keeps the caption.
    std::string name;
    // Says what the name alone does not; empty leaves Qt's own (the tooltip).
    std::string description;
};

// The names a screen reader announces for the window's controls. Captions are kept
// short and often repeat ("F+" eight times, every slider in a frame titled by the frame),
// so each control that a caption does not name uniquely and plainly gets its name here.
class AccessibleTexts {
public:
    // The texts for the control with this object name. A member of a control array
    // ("VScroll1_3") gets its array's texts with its channel's title in them ("PWM3
    // level").
    [[nodiscard]] static SpokenText Of(std::string_view objectName);
};

}  // namespace dimrix::window
