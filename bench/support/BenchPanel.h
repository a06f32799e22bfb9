#pragma once

#include "panel/PanelModel.h"
#include "support/CountingPort.h"
#include "support/QuietListener.h"

namespace dimrix::bench {

/// A headless panel on a counting port, connected ("GO" pressed) and otherwise in its
/// start state: board 128, every level zero.
class BenchPanel {
public:
    BenchPanel();
    BenchPanel(const BenchPanel&) = delete;
    BenchPanel& operator=(const BenchPanel&) = delete;

    [[nodiscard]] panel::PanelModel& Model() { return m_model; }
    [[nodiscard]] const PortTally& Tally() const { return m_tally; }
    [[nodiscard]] const QuietListener& Listener() const { return m_listener; }

private:
    PortTally m_tally;
    QuietListener m_listener;
    panel::PanelModel m_model;
};

}  // namespace dimrix::bench
