#pragma once

#include <string>

namespace dimrix::serial {

// Where failure reports go. The window shows them as modal boxes with one OK button,
// so ShowMessage returns only once the operator has dismissed the report.
class MessageDisplay {
public:
    virtual ~MessageDisplay() = default;
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace dimrix::serial
