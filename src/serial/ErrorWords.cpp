#include "serial/ErrorWords.h"

#include <algorithm>
#include <array>

namespace dimrix::serial {

namespace {

struct Words {
    ErrorNumber number;
    std::string_view meaning;
    std::string_view advice;
};

constexpr std::array kWords{
    Words{errors::kDeviceNotFound, "no such device", ""},
    Words{errors::kPortBusy, "in use by another program", ""},
    Words{errors::kPermissionDenied, "permission denied",
          "On Linux the user must be in the group that owns the device (usually dialout), "
          "then log in again."},
    Words{errors::kOpenFailed, "could not be set up", ""},
    Words{errors::kSettingsRejected, "not a serial port", ""},
    Words{errors::kPortNotOpen, "the port is not open", ""},
    Words{errors::kWriteFailed, "the system refused the bytes", ""},
    Words{errors::kDeviceLost, "the device went away", ""},
};

const Words* Find(ErrorNumber number) {
    const auto found = std::ranges::find_if(
        kWords, [number](const Words& words) { return words.number == number; });
    return found == kWords.end() ? nullptr : &*found;
}

}  // namespace

std::string_view ErrorWords::Meaning(ErrorNumber number) {
    const Words* words = Find(number);
    return words == nullptr ? std::string_view{} : words->meaning;
}

std::string_view ErrorWords::Advice(ErrorNumber number) {
    const Words* words = Find(number);
    return words == nullptr ? std::string_view{} : words->advice;
}

std::string ErrorWords::OpenFailure(const LinkError& error) {
    std::string text = error.what();
    // The system's word for a device that is no serial port ("Inappropriate ioctl for
    // device") does not say so.
    if (error.Number() == errors::kSettingsRejected) {
        text += " (";
        text += Meaning(error.Number());
        text += ')';
    }
    if (const std::string_view advice = Advice(error.Number()); !advice.empty()) {
        text += ". ";
        text += advice;
    }
    return text;
}

}  // namespace dimrix::serial
