#include "serial/ErrorReport.h"

namespace dimrix::serial {

std::string ReportText(ErrorNumber number) {
    if (number == errors::kPortNotOpen) {
        return kOpenPortFirst;
    }
    return kErrorNumberPrefix + std::to_string(number);
}

void ReportError(MessageDisplay& display, ErrorNumber number) {
    display.ShowMessage(kAppTitle, ReportText(number));
}

std::string OpenFailureText(std::int16_t portNumber, const LinkError& error) {
    std::string text = "Cannot open COM" + std::to_string(portNumber) + ": " + error.what();
    if (error.Number() == errors::kPermissionDenied) {
        text +=
            "\n\nOn Linux the user must be in the group that owns the device "
            "(usually dialout), then log in again.";
    }
    text += "\n\n" + ReportText(error.Number());
    return text;
}

void ReportOpenFailure(MessageDisplay& display, std::int16_t portNumber, const LinkError& error) {
    display.ShowMessage(kAppTitle, OpenFailureText(portNumber, error));
}

}  // namespace dimrix::serial
