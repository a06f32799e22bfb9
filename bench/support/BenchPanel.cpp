#include "support/BenchPanel.h"

#include <memory>
#include <stdexcept>

namespace dimrix::bench {

BenchPanel::BenchPanel() : m_model(std::make_unique<CountingPort>(m_tally), m_listener) {
    m_model.Command1_Click();
    if (!m_model.PortIsOpen()) {
        throw std::logic_error("the counting port did not open: " + m_listener.LastMessage());
    }
}

}  // namespace dimrix::bench
