#pragma once

#include <cstdint>
#include <string>

#include "panel/PanelListener.h"

namespace dimrix::bench {

/// A view that draws nothing. Reports are only counted: a bench run that raises one has
/// measured a failure path, and says so instead of blocking on a box.
class QuietListener : public panel::PanelListener {
public:
    void ControlChanged(panel::ControlId /*control*/) override { ++m_changes; }
    void ShowMessage(const std::string& title, const std::string& text) override;

    [[nodiscard]] std::uint64_t Changes() const { return m_changes; }
    [[nodiscard]] std::uint64_t Messages() const { return m_messages; }
    [[nodiscard]] const std::string& LastMessage() const { return m_lastMessage; }

private:
    std::uint64_t m_changes = 0;
    std::uint64_t m_messages = 0;
    std::string m_lastMessage;
};

}  // namespace dimrix::bench
