#include "BoardTrail.h"

#include <algorithm>

namespace dimrix::bench {

BoardTrail::BoardTrail(const WriteLog& writes, const WireReader& reader) {
    protocol::LineDecoder panel;
    std::vector<Clock::time_point> handedAt;
    for (std::size_t index = 0; index < writes.bytes.size(); ++index) {
        const std::size_t before = panel.Frames();
        panel.Feed(writes.bytes[index]);
        if (panel.Frames() > before) {
            m_panelStates.push_back(panel.State());
            handedAt.push_back(writes.times[index]);
        }
    }
    m_panelEnd = panel.State();
    for (std::size_t frame = 0; frame < handedAt.size(); ++frame) {
        const bool lastOfBurst =
            frame + 1 == handedAt.size() || handedAt[frame + 1] - handedAt[frame] > kStepGap;
        if (lastOfBurst) {
            m_steps.push_back({frame, handedAt[frame]});
        }
    }

    protocol::LineDecoder boards;
    std::size_t next = 0;  // the earliest panel frame the next arrival may match
    std::size_t strays = 0;
    const auto read = reader.Bytes();
    for (std::size_t index = 0; index < read.size(); ++index) {
        const std::size_t before = boards.Frames();
        boards.Feed(read[index]);
        if (boards.Frames() == before) {
            continue;
        }
        const auto from = m_panelStates.begin() + static_cast<std::ptrdiff_t>(next);
        const auto match = std::find(from, m_panelStates.end(), boards.State());
        if (match == m_panelStates.end()) {
            ++strays;
            continue;
        }
        const auto frame = static_cast<std::size_t>(match - m_panelStates.begin());
        if (frame > next && !m_firstSkip) {
            m_firstSkip = reader.Time(index);
        }
        m_matched.push_back({frame, reader.Time(index)});
        next = frame + 1;
    }
    if (boards.Malformed() > 0 || boards.InFrame()) {
        m_faults += std::to_string(boards.Malformed()) + " torn frame(s) read; ";
    }
    if (strays > 0) {
        m_faults += std::to_string(strays) + " state(s) read that the panel never set; ";
    }
    if (m_panelEnd != boards.State()) {
        m_faults += "the boards end elsewhere than the panel";
    }
}

std::optional<BoardTrail::Clock::time_point> BoardTrail::Reached(const Step& step) const {
    const auto arrival = std::find_if(m_matched.begin(), m_matched.end(),
                                      [&](const Arrival& a) { return a.frame >= step.frame; });
    if (arrival == m_matched.end()) {
        return std::nullopt;
    }
    return arrival->at;
}

}  // namespace dimrix::bench
