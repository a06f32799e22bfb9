#include "window/AccessibleTexts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

#include "window/FormLayout.h"

namespace dimrix::window {

namespace {

// A control or control array; "%1" stands for the channel's title.
struct Spoken {
    std::string_view control;
    std::string_view name;
    std::string_view description;
};

constexpr std::array kSpoken{
    // clang-format off
    Spoken{"Label1",    "",  "Range of board addresses"},
    Spoken{"VScroll3",  "Board address", "Chooses the board that the channel sliders set"},
    Spoken{"Text1",     "Selected board", "Address of the board that the channel sliders set"},
    Spoken{"Command9",  "Fade %1 up", "Starts or stops raising %1 one step at a time"},
    Spoken{"Command10", "Fade %1 down", "Starts or stops lowering %1 one step at a time"},
    Spoken{"VScroll1",  "%1 level",
           "In per cent of full duty; every change is sent to the selected board"},
    Spoken{"Label2",    "", "%1 level in per cent"},
    Spoken{"Command6",  "Send master level to all boards",
           "Sets every channel of every board to the master level"},
    Spoken{"VScroll2",  "Master level",
           "In per cent; sent to every board by Send master level to all boards"},
    Spoken{"Label12",   "", "Master level in per cent"},
    Spoken{"Command1",  "Connect to the chosen port", ""},
    Spoken{"Command5",  "All boards to 100%", "Sets every channel of every board to 100 per cent"},
    Spoken{"Command8",  "All boards to 70%", "Sets every channel of every board to 70 per cent"},
    Spoken{"Command4",  "All boards to 50%", "Sets every channel of every board to 50 per cent"},
    Spoken{"Command7",  "All boards to 30%", "Sets every channel of every board to 30 per cent"},
    Spoken{"Command3",  "All boards to 10%", "Sets every channel of every board to 10 per cent"},
    Spoken{"Command2",  "All boards off", "Switches every channel of every board off"},
    // clang-format on
};

constexpr std::string_view kChannelMark = "%1";

std::string WithChannel(std::string_view text, std::string_view channelTitle) {
    std::string filled(text);
    for (auto at = filled.find(kChannelMark); at != std::string::npos;
         at = filled.find(kChannelMark, at + channelTitle.size())) {
        filled.replace(at, kChannelMark.size(), channelTitle);
    }
    return filled;
}

}  // namespace

SpokenText AccessibleTexts::Of(std::string_view objectName) {
    std::string_view control = objectName;
    std::string_view channelTitle;
    if (const auto separator = objectName.rfind(FormLayout::kArraySeparator);
        separator != std::string_view::npos) {
        control = objectName.substr(0, separator);
        int channel = 0;
        const std::string_view index = objectName.substr(separator + 1);
        if (std::from_chars(index.data(), index.data() + index.size(), channel).ec != std::errc{}) {
            throw std::logic_error("no channel in " + std::string(objectName));
        }
        channelTitle = FormLayout::Of(FormLayout::TitleOfChannel(channel)).caption;
    }
    const auto found =
        std::find_if(kSpoken.begin(), kSpoken.end(),
                     [control](const Spoken& spoken) { return spoken.control == control; });
    if (found == kSpoken.end()) {
        return {};
    }
    return {WithChannel(found->name, channelTitle), WithChannel(found->description, channelTitle)};
}

}  // namespace dimrix::window
