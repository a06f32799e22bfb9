#pragma once

// Where every control of the window sits, what it says and in which face.

#include <QFont>
#include <QRect>
#include <QSize>
#include <span>
#include <string>
#include <string_view>

namespace dimrix::window {

// A rectangle in twips (1/1440 inch) relative to the control's container.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The two typefaces of the window.
enum class Face {
    Standard,      // every control but the channel titles
    ChannelTitle,  // "PWM0" ... "PWM7"
};

// One control as laid out: its object name, the object name of its container, its
// fixed caption ("" where the panel supplies the text) and its rectangle.
struct Placement {
    std::string_view name;
    std::string_view container;
    std::string_view caption;
    TwipRect twips;
    Face face = Face::Standard;
};

// The window's layout, held in twips and shown at 96 dots per inch.
class FormLayout {
public:
    // Object name of the window itself, the container of the top-level controls.
    static constexpr std::string_view kWindowName = "Form1";

    // The one conversion from twips to pixels.
    [[nodiscard]] static QRect ToPixels(const TwipRect& twips);
    // How far a group frame's caption starts from the frame's left edge, in pixels.
    [[nodiscard]] static int FrameCaptionIndent();
    // Size of the window's client area in pixels.
    [[nodiscard]] static QSize ClientSize();
    // The placement of one control by object name.
    // Throws std::out_of_range for a name the window does not have.
    [[nodiscard]] static const Placement& Of(std::string_view name);
    // Object names in keyboard focus order; the first one has the focus at start.
    [[nodiscard]] static std::span<const std::string_view> FocusOrder();
    // The font of a face, or the closest one this system has.
    [[nodiscard]] static QFont FontOf(Face face);
    // Joins a control array's name and a member's index in the member's object name.
    static constexpr char kArraySeparator = '_';

    // Object name of one member of a control array: "VScroll1" and 3 give "VScroll1_3".
    [[nodiscard]] static std::string ArrayMember(std::string_view array, int index);
    // Object name of the title over a channel's column: 3 gives "Label6", captioned "PWM3".
    [[nodiscard]] static std::string TitleOfChannel(int channel);
};

}  // namespace dimrix::window
