#pragma once

/// @file
/// Every text the operator reads in a report, and the common failure report.

#include <cstdint>
#include <string>

#include "panel/PanelListener.h"
#include "serial/ErrorNumber.h"
#include "serial/LinkError.h"

namespace dimrix::panel {

/// Title of the window and of every report box.
inline constexpr const char* kAppTitle = "Dimrix";
/// Shown for serial::errors::kPortNotOpen.
inline constexpr const char* kOpenPortFirst = "Open com port first!";
/// Precedes the number of any other failure.
inline constexpr const char* kErrorNumberPrefix = "Error number: ";

/// The text the operator reads for a failed send.
[[nodiscard]] std::string ReportText(serial::ErrorNumber number);

/// The common failure report of every handler that sends: one box titled kAppTitle.
void ReportError(PanelListener& listener, serial::ErrorNumber number);

/// The text for a connect that could not open its port: which choice, which device,
/// the system's reason and, for permissions, what to do about it.
[[nodiscard]] std::string OpenFailureText(std::int16_t portNumber, const serial::LinkError& error);

}  // namespace dimrix::panel
