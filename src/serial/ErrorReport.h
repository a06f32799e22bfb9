#pragma once

#include <cstdint>
#include <string>

#include "serial/ErrorNumber.h"
#include "serial/LinkError.h"
#include "serial/MessageDisplay.h"

namespace dimrix::serial {

// Title of every report box.
inline constexpr const char* kAppTitle = "Dimrix";
// Shown for errors::kPortNotOpen.
inline constexpr const char* kOpenPortFirst = "Open com port first!";
// Precedes the number of any other failure.
inline constexpr const char* kErrorNumberPrefix = "Error number: ";

// The text the operator reads for a failed send.
[[nodiscard]] std::string ReportText(ErrorNumber number);

// The common failure report of every handler that sends.
void ReportError(MessageDisplay& display, ErrorNumber number);

// The text for a connect that could not open its port: which choice, which device,
// the system's reason and, for permissions, what to do about it.
[[nodiscard]] std::string OpenFailureText(std::int16_t portNumber, const LinkError& error);

// Shows OpenFailureText.
void ReportOpenFailure(MessageDisplay& display, std::int16_t portNumber, const LinkError& error);

}  // namespace dimrix::serial
