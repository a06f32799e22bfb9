#include "window/FormLayout.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <stdexcept>

namespace dimrix::window {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kPixelsPerInch = 96;
constexpr double kFontPoints = 8.25;

constexpr TwipRect kClientArea{0, 0, 11220, 5160};
// The channel titles "PWM0" ... "PWM7" are the labels numbered from here on.
constexpr int kFirstChannelTitle = 3;
constexpr int kFrameCaptionIndent = 120;

// The window's layout, in twips. A few channel controls sit some twips off their column;
// they are placed exactly as listed here, not snapped to the column.
constexpr std::array kControls{
    // clang-format off
    Placement{"Frame4",      "Form1",  "Address",  {240, 240, 1095, 4815}},
    Placement{"Label1",      "Frame4", "128-158",  {120, 480, 735, 375}},
    Placement{"VScroll3",    "Frame4", "",         {240, 960, 540, 3375}},
    Placement{"Text1",       "Frame4", "",         {240, 4440, 540, 285}},

    Placement{"Frame3",      "Form1",  "Channels", {1560, 240, 6135, 4815}},
    Placement{"Label3",      "Frame3", "PWM0",     {240, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label4",      "Frame3", "PWM1",     {930, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label5",      "Frame3", "PWM2",     {1650, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label6",      "Frame3", "PWM3",     {2370, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label7",      "Frame3", "PWM4",     {3090, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label8",      "Frame3", "PWM5",     {3810, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label9",      "Frame3", "PWM6",     {4530, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Label10",     "Frame3", "PWM7",     {5250, 240, 615, 255}, Face::ChannelTitle},
    Placement{"Command9_0",  "Frame3", "F+",       {240, 480, 540, 255}},
    Placement{"Command9_1",  "Frame3", "F+",       {1005, 480, 540, 255}},
    Placement{"Command9_2",  "Frame3", "F+",       {1730, 480, 540, 255}},
    Placement{"Command9_3",  "Frame3", "F+",       {2445, 480, 540, 255}},
    Placement{"Command9_4",  "Frame3", "F+",       {3165, 480, 540, 255}},
    Placement{"Command9_5",  "Frame3", "F+",       {3885, 480, 540, 255}},
    Placement{"Command9_6",  "Frame3", "F+",       {4605, 480, 540, 255}},
    Placement{"Command9_7",  "Frame3", "F+",       {5325, 480, 540, 255}},
    Placement{"Command10_0", "Frame3", "F-",       {240, 720, 540, 255}},
    Placement{"Command10_1", "Frame3", "F-",       {1005, 720, 540, 255}},
    Placement{"Command10_2", "Frame3", "F-",       {1730, 720, 540, 255}},
    Placement{"Command10_3", "Frame3", "F-",       {2445, 720, 540, 255}},
    Placement{"Command10_4", "Frame3", "F-",       {3165, 720, 540, 255}},
    Placement{"Command10_5", "Frame3", "F-",       {3885, 720, 540, 255}},
    Placement{"Command10_6", "Frame3", "F-",       {4605, 720, 540, 255}},
    Placement{"Command10_7", "Frame3", "F-",       {5325, 720, 540, 255}},
    Placement{"VScroll1_0",  "Frame3", "",         {240, 945, 540, 3375}},
    Placement{"VScroll1_1",  "Frame3", "",         {1005, 960, 540, 3375}},
    Placement{"VScroll1_2",  "Frame3", "",         {1730, 960, 540, 3375}},
    Placement{"VScroll1_3",  "Frame3", "",         {2445, 960, 540, 3375}},
    Placement{"VScroll1_4",  "Frame3", "",         {3165, 960, 540, 3375}},
    Placement{"VScroll1_5",  "Frame3", "",         {3885, 960, 540, 3375}},
    Placement{"VScroll1_6",  "Frame3", "",         {4605, 960, 540, 3375}},
    Placement{"VScroll1_7",  "Frame3", "",         {5325, 960, 540, 3375}},
    Placement{"Label2_0",    "Frame3", "",         {240, 4410, 540, 330}},
    Placement{"Label2_1",    "Frame3", "",         {1005, 4425, 540, 330}},
    Placement{"Label2_2",    "Frame3", "",         {1725, 4440, 540, 330}},
    Placement{"Label2_3",    "Frame3", "",         {2445, 4440, 540, 330}},
    Placement{"Label2_4",    "Frame3", "",         {3165, 4440, 540, 330}},
    Placement{"Label2_5",    "Frame3", "",         {3885, 4440, 540, 330}},
    Placement{"Label2_6",    "Frame3", "",         {4605, 4440, 540, 330}},
    Placement{"Label2_7",    "Frame3", "",         {5325, 4425, 540, 330}},

    Placement{"Frame2",      "Form1",  "Master",   {7920, 240, 1335, 4815}},
    Placement{"Command6",    "Frame2", "SEND",     {240, 360, 735, 375}},
    Placement{"VScroll2",    "Frame2", "",         {360, 960, 540, 3375}},
    Placement{"Label12",     "Frame2", "",         {360, 4440, 495, 255}},

    Placement{"Frame1",      "Form1",  "Connect",  {9480, 240, 1575, 1815}},
    Placement{"Option1",     "Frame1", "COM1",     {360, 360, 1095, 255}},
    Placement{"Option2",     "Frame1", "COM2",     {360, 720, 975, 375}},
    Placement{"Command1",    "Frame1", "",         {360, 1320, 855, 375}},

    Placement{"Command5",    "Form1",  "ALL 100%", {9720, 2160, 1095, 375}},
    Placement{"Command8",    "Form1",  "ALL 70%",  {9720, 2640, 1095, 375}},
    Placement{"Command4",    "Form1",  "ALL 50%",  {9720, 3120, 1095, 375}},
    Placement{"Command7",    "Form1",  "ALL 30%",  {9720, 3600, 1095, 375}},
    Placement{"Command3",    "Form1",  "ALL 10%",  {9720, 4080, 1095, 375}},
    Placement{"Command2",    "Form1",  "All OFF",  {9720, 4560, 1095, 375}},
    // clang-format on
};

// Tab moves through the window in this order: the connect group, the broadcast
// buttons and the master column interleaved, the channel sliders right to left, the
// address column, then the fade buttons pair by pair.
constexpr auto kFocusOrder = std::to_array<std::string_view>({
    "Option1",     "Option2",    "Command1",    "Command2",   "Command3",    "Command4",
    "Command5",    "VScroll2",   "Command6",    "Command7",   "Command8",    "VScroll1_7",
    "VScroll1_6",  "VScroll1_5", "VScroll1_4",  "VScroll1_3", "VScroll1_2",  "VScroll1_1",
    "VScroll1_0",  "VScroll3",   "Text1",       "Command9_0", "Command10_0", "Command9_1",
    "Command10_1", "Command9_2", "Command10_2", "Command9_3", "Command10_3", "Command9_4",
    "Command10_4", "Command9_5", "Command10_5", "Command9_6", "Command10_6", "Command9_7",
    "Command10_7",
});

int TwipsToPixels(int twips) {
    return (twips * kPixelsPerInch + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace

QRect FormLayout::ToPixels(const TwipRect& twips) {
    return {TwipsToPixels(twips.left), TwipsToPixels(twips.top), TwipsToPixels(twips.width),
            TwipsToPixels(twips.height)};
}

int FormLayout::FrameCaptionIndent() {
    return TwipsToPixels(kFrameCaptionIndent);
}

QSize FormLayout::ClientSize() {
    return ToPixels(kClientArea).size();
}

const Placement& FormLayout::Of(std::string_view name) {
    const auto found = std::find_if(kControls.begin(), kControls.end(),
                                    [name](const Placement& place) { return place.name == name; });
    if (found == kControls.end()) {
        throw std::out_of_range("no control named " + std::string(name));
    }
    return *found;
}

std::span<const std::string_view> FormLayout::FocusOrder() {
    return kFocusOrder;
}

QFont FormLayout::FontOf(Face face) {
    // The window was drawn with MS Sans Serif and Arial. Where those are missing,
    // Liberation Sans keeps Arial's metrics, so every caption still fits its control.
    const QStringList families =
        face == Face::ChannelTitle
            ? QStringList{"Arial", "Liberation Sans", "Arimo"}
            : QStringList{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo"};
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kFontPoints);
    return font;
}

std::string FormLayout::ArrayMember(std::string_view array, int index) {
    return std::string(array) + kArraySeparator + std::to_string(index);
}

std::string FormLayout::TitleOfChannel(int channel) {
    return "Label" + std::to_string(kFirstChannelTitle + channel);
}

}  // namespace dimrix::window
