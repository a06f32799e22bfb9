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

}  // namespace dimrix::serial
