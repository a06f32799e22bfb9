#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "bridge/qt/ArtNetInput.h"
#include "bridge/qt/BridgeCommandLine.h"
#include "bridge/qt/BridgeLog.h"
#include "bridge/qt/LineOutput.h"
#include "bridge/qt/ListenInterface.h"
#include "bridge/qt/SacnInput.h"
#include "bridge/qt/UniverseInput.h"
#include "bridge/qt/WebConsole.h"

namespace dimrix::bridge {

// The whole bridge: its serial lines, the universes they are patched into, and the
// network inputs that feed those. Needs a QCoreApplication and its event loop.
class Bridge {
public:
    // The exit status when a line or a port cannot be had at start.
    static constexpr int kStartFailed = 1;

    // Runs the bridge until the system asks it to end; returns the exit status. What went
    // wrong at start is on standard error.
    [[nodiscard]] static int Run(const BridgeOptions& options);

    // Throws std::runtime_error when no interface holds the address to bind to.
    explicit Bridge(const BridgeOptions& options);
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;
    ~Bridge();

    // Opens every line, then listens. Throws serial::LinkError naming a device that cannot
    // be opened, std::runtime_error for a port that cannot be had.
    void Start();
    // Stops listening, lets every line send what changed and not yet left, and calls
    // `done` once the last has.
    void Stop(std::function<void()> done);
    // What the inputs merged and dropped, as one line.
    [[nodiscard]] std::string Summary() const;

private:
    BridgeLog m_log;
    ListenInterface m_where;
    std::vector<std::unique_ptr<LineOutput>> m_lines;
    // Hold pointers into m_lines, and go before them.
    std::vector<std::unique_ptr<UniverseInput>> m_universes;
    std::unique_ptr<SacnInput> m_sacn;
    std::unique_ptr<ArtNetInput> m_artNet;
    // Reads the lines and universes above, and goes first.
    std::unique_ptr<WebConsole> m_web;
    std::size_t m_lineStopsDue = 0;
    std::function<void()> m_stopped;
};

}  // namespace dimrix::bridge
