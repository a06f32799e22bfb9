#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/ArtNetAddress.h"
#include "bridge/ArtNetPacket.h"
#include "bridge/MergeListener.h"
#include "bridge/SacnPacket.h"
#include "bridge/SourceKey.h"
#include "bridge/SourceMerger.h"
#include "bridge/qt/BridgeLog.h"
#include "bridge/qt/LineOutput.h"

namespace dimrix::bridge {

// One universe the bridge listens to: the merge of its sources, the lines patched into
// it, and the clock that lets silent sources go. Every change of the merged look goes to
// each of its lines at once. Needs a QCoreApplication and its event loop.
class UniverseInput : private MergeListener {
public:
    using Clock = SourceMerger::Clock;

    // `log` must outlive the universe.
    UniverseInput(std::uint16_t universe, SourceMerger::LossPolicy loss, const BridgeLog& log);
    ~UniverseInput() override;
    UniverseInput(const UniverseInput&) = delete;
    UniverseInput& operator=(const UniverseInput&) = delete;

    // `line` must outlive the universe.
    void Attach(LineOutput& line) { m_lines.push_back(&line); }

    [[nodiscard]] std::uint16_t Universe() const { return m_universe; }
    // The universe's Art-Net Port-Address; none above universe 32768.
    [[nodiscard]] std::optional<ArtNetAddress> ArtNet() const { return m_artNet; }
    [[nodiscard]] const std::vector<LineOutput*>& Lines() const { return m_lines; }
    // The merge as it stands, for a status page.
    [[nodiscard]] const SourceMerger& Merger() const { return m_merger; }
    [[nodiscard]] SourceMerger::LossPolicy Loss() const { return m_loss; }

    // The web console's levels and per-slot priorities (ConsoleSource), or its release:
    // on the lines at once, as any source's change.
    void DriveConsole(std::span<const std::uint8_t> levels,
                      std::span<const std::uint8_t> priorities);
    void ReleaseConsole();

    void Receive(const SacnPacket& packet, Clock::time_point now);
    void Receive(const ArtNetPacket& packet, const SourceKey& sender, Clock::time_point now);

private:
    void Deliver(bool changed);
    void ArmExpiry(Clock::time_point now);
    void Expire();
    [[nodiscard]] std::string Named(const SourceKey& key, std::string_view name) const;

    void OnSourceAppeared(const SourceKey& key, std::string_view name, int priority) override;
    void OnSourceGone(const SourceKey& key, std::string_view name, SourceLoss why) override;
    void OnAllSourcesGone() override;
    void OnSourceRefused(const SourceKey& key, SourceRefusal why) override;

    std::uint16_t m_universe = 0;
    std::optional<ArtNetAddress> m_artNet;
    SourceMerger::LossPolicy m_loss = SourceMerger::LossPolicy::Hold;
    const BridgeLog& m_log;
    SourceMerger m_merger;
    std::vector<LineOutput*> m_lines;
    std::unique_ptr<QTimer> m_expiry = std::make_unique<QTimer>();
};

}  // namespace dimrix::bridge
