#pragma once

#include <string>
#include <string_view>

#include "serial/ErrorNumber.h"
#include "serial/LinkError.h"

namespace dimrix::serial {

// What each error number stands for, and what the operator can do about it, in the words
// every program on the line uses: the panel's reports, the monitor's and the bridge's
// messages. Numbers of no known failure have neither.
class ErrorWords {
public:
    // A few words, to follow a system's reason that may not say it ("not a serial port").
    [[nodiscard]] static std::string_view Meaning(ErrorNumber number);
    // What to do about it, as a sentence; empty where only the reason helps.
    [[nodiscard]] static std::string_view Advice(ErrorNumber number);
    // Why a device could not be opened, as the programs that open one at start print it:
    // the device and the system's reason, then what to do about it.
    [[nodiscard]] static std::string OpenFailure(const LinkError& error);
};

}  // namespace dimrix::serial
