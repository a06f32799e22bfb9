#include "bridge/qt/StatusReader.h"

#include <QDateTime>
#include <algorithm>
#include <array>

namespace dimrix::bridge {

namespace {

using protocol::kAddressCount;
using protocol::kChannelCount;

// Local wall-clock time of a moment on the steady clock, as the page shows times.
QString LocalTime(StatusReader::Clock::time_point at, StatusReader::Clock::time_point now) {
    const auto ago = std::chrono::duration_cast<std::chrono::milliseconds>(now - at);
    return QDateTime::currentDateTime().addMSecs(-ago.count()).toString("HH:mm:ss");
}

QString ProtocolName(SourceKey::Origin origin) {
    switch (origin) {
        case SourceKey::Origin::ArtNet:
            return "Art-Net";
        case SourceKey::Origin::Console:
            return "console";
        case SourceKey::Origin::Sacn:
            break;
    }
    return "sACN";
}

// The universe slot (0-based) of a line's board (0-30) and channel.
std::size_t SlotOf(const LinePatch& patch, int board, int channel) {
    return static_cast<std::size_t>(patch.Start() - 1 + board * kChannelCount + channel);
}

}  // namespace

StatusReader::StatusReader(const std::vector<std::unique_ptr<LineOutput>>& lines,
                           const std::vector<std::unique_ptr<UniverseInput>>& universes,
                           const std::vector<ConsoleSource>& consoles)
    : m_lines(lines),
      m_universes(universes),
      m_consoles(consoles),
      m_frames(lines.size(), 0),
      m_bytes(lines.size(), 0),
      m_framesPerSecond(lines.size(), 0.0),
      m_bytesPerSecond(lines.size(), 0.0) {}

void StatusReader::CountRates() {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_countedAt).count();
    m_countedAt = now;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const LineScheduler& scheduler = m_lines[i]->Scheduler();
        m_framesPerSecond[i] = static_cast<double>(scheduler.FramesSent() - m_frames[i]) / seconds;
        m_bytesPerSecond[i] = static_cast<double>(scheduler.BytesSent() - m_bytes[i]) / seconds;
        m_frames[i] = scheduler.FramesSent();
        m_bytes[i] = scheduler.BytesSent();
    }
    std::map<std::pair<std::size_t, std::string>, SourceRate> counted;
    for (std::size_t u = 0; u < m_universes.size(); ++u) {
        for (const SourceMerger::Source& source : m_universes[u]->Merger().Sources()) {
            const auto key = std::make_pair(u, source.key.Text());
            const auto before = m_sources.find(key);
            const std::uint64_t was = before == m_sources.end() ? 0 : before->second.packets;
            counted[key] = {source.packetsMerged,
                            static_cast<double>(source.packetsMerged - was) / seconds};
        }
    }
    // Sources gone are forgotten.
    m_sources = std::move(counted);
}

std::size_t StatusReader::UniverseOf(const LineOutput& line) const {
    return static_cast<std::size_t>(std::ranges::find_if(m_universes,
                                                         [&line](const auto& universe) {
                                                             return universe->Universe() ==
                                                                    line.Patch().Universe();
                                                         }) -
                                    m_universes.begin());
}

LineStatus StatusReader::Line(std::size_t index) const {
    const LineOutput& line = *m_lines[index];
    const LinePatch& patch = line.Patch();
    const UniverseInput& universe = *m_universes[UniverseOf(line)];
    const SourceMerger& merger = universe.Merger();
    LineStatus status;
    status.index = index;
    status.device = QString::fromStdString(patch.Device());
    status.universe = patch.Universe();
    status.firstSlot = patch.Start();
    status.lastSlot = patch.Start() + static_cast<int>(kLineChannels) - 1;
    if (universe.ArtNet()) {
        status.artNet = QString::fromStdString(universe.ArtNet()->Text());
    }
    const Clock::time_point now = Clock::now();
    if (const auto lost = line.LostSince()) {
        status.state = LineStatus::State::Lost;
        status.lostSince =
            QDateTime::fromMSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::milliseconds>(lost->time_since_epoch())
                    .count())
                .toString("HH:mm:ss");
    } else if (const auto back = line.BackAt(); back && now - *back < kBackShown) {
        status.state = LineStatus::State::Back;
    }
    status.framesPerSecond = m_framesPerSecond[index];
    status.bytesPerSecond = m_bytesPerSecond[index];
    status.levels = line.Scheduler().Carried();
    status.pending = line.Scheduler().PendingBoards();
    status.identifyBoard = line.Flash().Board(now);
    status.identifySecondsLeft = line.Flash().SecondsLeft(now);
    // Each source's text once, not once a board.
    std::vector<QString> texts;
    for (const SourceMerger::Source& source : merger.Sources()) {
        texts.push_back(QString::fromStdString(source.key.Text()));
    }
    for (int board = 0; board < kAddressCount; ++board) {
        // The source driving most of the board's channels.
        std::array<int, SourceMerger::kMaxSources * 2 + 1> votes{};
        std::uint8_t best = SourceMerger::kNoDriver;
        for (int channel = 0; channel < kChannelCount; ++channel) {
            const std::uint8_t driver = merger.SlotDrivers()[SlotOf(patch, board, channel)];
            if (driver == SourceMerger::kNoDriver || driver >= votes.size()) {
                continue;
            }
            if (++votes[driver] > (best == SourceMerger::kNoDriver ? 0 : votes[best])) {
                best = driver;
            }
        }
        if (best != SourceMerger::kNoDriver) {
            status.drivers[static_cast<std::size_t>(board)] = texts[best];
        }
    }
    return status;
}

UniverseStatus StatusReader::Universe(std::size_t index) const {
    const UniverseInput& universe = *m_universes[index];
    const SourceMerger& merger = universe.Merger();
    const ConsoleSource& console = m_consoles[index];
    const Clock::time_point now = Clock::now();
    UniverseStatus status;
    status.universe = universe.Universe();
    status.lossOff = universe.Loss() == SourceMerger::LossPolicy::Off;
    if (const std::optional<SourceMerger::LossEvent> loss = merger.LastLoss()) {
        status.lossLast = UniverseStatus::LossLast{LocalTime(loss->at, now),
                                                   loss->applied == SourceMerger::LossPolicy::Off};
    }
    status.consoleTaken = console.Taken();
    status.consolePriority = console.Priority();
    for (const SourceMerger::Source& source : merger.Sources()) {
        UniverseStatus::Source shown;
        const SourceKey::Origin origin = source.key.From();
        shown.id = QString::fromStdString(source.key.Text());
        shown.name = origin == SourceKey::Origin::Console
                         ? QString("web console")
                         : QString::fromUtf8(source.Name().data(),
                                             static_cast<qsizetype>(source.Name().size()));
        shown.protocol = ProtocolName(origin);
        if (origin == SourceKey::Origin::ArtNet) {
            shown.address = shown.id;
        }
        shown.priority =
            origin == SourceKey::Origin::Console ? console.Priority() : source.priority;
        shown.perAddress = source.SendsSlotPriorities();
        const auto rate = m_sources.find({index, source.key.Text()});
        shown.packetsPerSecond = rate == m_sources.end() ? 0.0 : rate->second.perSecond;
        shown.secondsSinceLast = std::chrono::duration<double>(now - source.lastSeen).count();
        shown.droppedLate = source.lateDropped;
        status.sources.push_back(std::move(shown));
    }
    if (console.Taken()) {
        for (std::size_t line = 0; line < m_lines.size(); ++line) {
            if (m_lines[line]->Patch().Universe() == universe.Universe()) {
                AddContested(status, merger, console, line);
            }
        }
    }
    return status;
}

void StatusReader::AddContested(UniverseStatus& status, const SourceMerger& merger,
                                const ConsoleSource& console, std::size_t line) const {
    for (int board = 0; board < kAddressCount; ++board) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            const std::size_t slot = SlotOf(m_lines[line]->Patch(), board, channel);
            const int ours = console.Priorities()[slot];
            if (ours == 0) {
                continue;
            }
            // The strongest network source at the console's priority or above.
            const SourceMerger::Source* holder = nullptr;
            for (const SourceMerger::Source& source : merger.Sources()) {
                const int theirs = source.DrivingPriority(slot);
                if (source.key.From() != SourceKey::Origin::Console && theirs >= ours &&
                    (holder == nullptr || theirs > holder->DrivingPriority(slot))) {
                    holder = &source;
                }
            }
            if (holder != nullptr) {
                status.contested.push_back(
                    {line, static_cast<protocol::Address>(protocol::kFirstAddress + board), channel,
                     QString::fromStdString(holder->key.Text()), holder->DrivingPriority(slot),
                     holder->levels[slot] >= console.Levels()[slot]});
            }
        }
    }
}

}  // namespace dimrix::bridge
