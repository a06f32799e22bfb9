#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bridge/ConsoleSource.h"
#include "bridge/qt/ConsoleStatus.h"
#include "bridge/qt/LineOutput.h"
#include "bridge/qt/UniverseInput.h"

namespace dimrix::bridge {

// Reads what the web console shows from the lines and the universes' merges, on the event
// loop: each line's state, rates and levels, each universe's sources, which of them
// drives each board, what the loss policy did, and where a network source holds a
// channel the console drives. Rates are counted over the time between two CountRates.
class StatusReader {
public:
    using Clock = std::chrono::steady_clock;

    // How long a line that came back shows as "back".
    static constexpr std::chrono::seconds kBackShown{60};

    // Everything must outlive the reader; `consoles` runs parallel to `universes`.
    StatusReader(const std::vector<std::unique_ptr<LineOutput>>& lines,
                 const std::vector<std::unique_ptr<UniverseInput>>& universes,
                 const std::vector<ConsoleSource>& consoles);

    void CountRates();
    [[nodiscard]] LineStatus Line(std::size_t index) const;
    [[nodiscard]] UniverseStatus Universe(std::size_t index) const;

private:
    struct SourceRate {
        std::uint64_t packets = 0;
        double perSecond = 0.0;
    };

    [[nodiscard]] std::size_t UniverseOf(const LineOutput& line) const;
    void AddContested(UniverseStatus& status, const SourceMerger& merger,
                      const ConsoleSource& console, std::size_t line) const;

    const std::vector<std::unique_ptr<LineOutput>>& m_lines;
    const std::vector<std::unique_ptr<UniverseInput>>& m_universes;
    const std::vector<ConsoleSource>& m_consoles;
    Clock::time_point m_countedAt = Clock::now();
    // Per line, at the last count.
    std::vector<std::size_t> m_frames;
    std::vector<std::size_t> m_bytes;
    std::vector<double> m_framesPerSecond;
    std::vector<double> m_bytesPerSecond;
    // By universe index and source.
    std::map<std::pair<std::size_t, std::string>, SourceRate> m_sources;
};

}  // namespace dimrix::bridge
