#include "support/RecordingListener.h"

namespace dimrix::testing {

void RecordingListener::ControlChanged(panel::ControlId control) {
    changes.push_back(control);
}

void RecordingListener::ShowMessage(const std::string& title, const std::string& text) {
    messages.push_back({title, text});
    if (onMessage) {
        onMessage();
    }
}

}  // namespace dimrix::testing
