#include "panel/ErrorReport.h"

#include "serial/ErrorWords.h"

namespace dimrix::panel {

std::string ReportText(serial::ErrorNumber number) {
    if (number == serial::errors::kPortNotOpen) {
        return kOpenPortFirst;
    }
    return kErrorNumberPrefix + std::to_string(number);
}

void ReportError(PanelListener& listener, serial::ErrorNumber number) {
    listener.ShowMessage(kAppTitle, ReportText(number));
}

std::string OpenFailureText(std::int16_t portNumber, const serial::LinkError& error) {
    std::string text = "Cannot open COM" + std::to_string(portNumber) + ": " + error.what();
    if (error.Number() == serial::errors::kPermissionDenied) {
        text += "\n\n";
        text += serial::ErrorWords::Advice(error.Number());
    }
    text += "\n\n" + ReportText(error.Number());
    return text;
}

}  // namespace dimrix::panel
