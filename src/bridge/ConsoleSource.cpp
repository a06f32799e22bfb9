#include "bridge/ConsoleSource.h"

#include <algorithm>
#include <cstddef>

#include "bridge/LineLevels.h"

namespace dimrix::bridge {

namespace {

constexpr bool EveryLevelComesBack() {
    for (int level = protocol::kMinLevel; level <= protocol::kMaxLevel; ++level) {
        const auto p = static_cast<protocol::Level>(level);
        if (LinePatch::LevelOf(ConsoleSource::DmxOf(p)) != p) {
            return false;
        }
    }
    return true;
}
static_assert(EveryLevelComesBack(), "a level set on the page is the level the line carries");

}  // namespace

bool ConsoleSource::Apply(const ConsoleCommand& command, const LinePatch* patch) {
    using Kind = ConsoleCommand::Kind;
    switch (command.kind) {
        case Kind::Take:
            m_taken = true;
            return false;
        case Kind::Release: {
            const bool drove = std::ranges::any_of(m_priorities, [](auto p) { return p != 0; });
            m_taken = false;
            m_levels.fill(0);
            m_priorities.fill(0);
            return drove;
        }
        case Kind::Priority: {
            m_priority = command.priority;
            bool changed = false;
            for (std::uint8_t& priority : m_priorities) {
                if (priority != 0 && priority != m_priority) {
                    priority = static_cast<std::uint8_t>(m_priority);
                    changed = true;
                }
            }
            return changed;
        }
        case Kind::Identify:
            return false;
        default:
            break;
    }
    if (!m_taken || patch == nullptr) {
        return false;
    }
    const int boardStart =
        patch->Start() + (command.board - protocol::kFirstAddress) * protocol::kChannelCount;
    switch (command.kind) {
        case Kind::Level:
            return Set(boardStart + command.channel, std::span(&command.level, 1));
        case Kind::Levels:
            return Set(boardStart, command.levels);
        default:
            return Fill(*patch, command.level);
    }
}

bool ConsoleSource::Set(int first, std::span<const protocol::Level> levels) {
    bool changed = false;
    auto slot = static_cast<std::size_t>(first - 1);
    for (const protocol::Level level : levels) {
        const std::uint8_t dmx = DmxOf(level);
        const auto priority = static_cast<std::uint8_t>(m_priority);
        changed = changed || m_levels.at(slot) != dmx || m_priorities.at(slot) != priority;
        m_levels.at(slot) = dmx;
        m_priorities.at(slot) = priority;
        ++slot;
    }
    return changed;
}

bool ConsoleSource::Fill(const LinePatch& patch, protocol::Level level) {
    LineLevels levels;
    levels.fill(level);
    return Set(patch.Start(), levels);
}

}  // namespace dimrix::bridge
