#pragma once

#include <functional>
#include <string>
#include <vector>

#include "panel/PanelListener.h"

namespace dimrix::testing {

// A report as the operator would see it.
struct Message {
    std::string title;
    std::string text;
    friend bool operator==(const Message&, const Message&) = default;
};

// A view that records what the panel tells it. onMessage runs while the "box" is
// showing, which is where a real report box runs its nested event loop.
class RecordingListener : public panel::PanelListener {
public:
    void ControlChanged(panel::ControlId control) override;
    void ShowMessage(const std::string& title, const std::string& text) override;

    std::vector<panel::ControlId> changes;
    std::vector<Message> messages;
    std::function<void()> onMessage;
};

}  // namespace dimrix::testing
