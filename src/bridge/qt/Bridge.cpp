#include "bridge/qt/Bridge.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "bridge/ArtNetAddress.h"
#include "platform/TerminationRequests.h"
#include "serial/ErrorWords.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"

namespace dimrix::bridge {

namespace {

void PrintFailure(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", BridgeCommandLine::kProgram, text.c_str());
}

}  // namespace

int Bridge::Run(const BridgeOptions& options) {
    std::unique_ptr<Bridge> bridge;
    try {
        bridge = std::make_unique<Bridge>(options);
        bridge->Start();
    } catch (const serial::LinkError& error) {
        PrintFailure(serial::ErrorWords::OpenFailure(error));
        return kStartFailed;
    } catch (const std::runtime_error& error) {
        PrintFailure(error.what());
        return kStartFailed;
    }
    bool stopping = false;
    const platform::TerminationRequests termination([&bridge, &stopping] {
        // Asked twice, the bridge does not wait for its lines any more.
        if (std::exchange(stopping, true)) {
            QCoreApplication::exit(0);
            return;
        }
        bridge->Stop([] { QCoreApplication::exit(0); });
    });
    const int status = QCoreApplication::exec();
    PrintFailure(bridge->Summary());
    return status;
}

Bridge::Bridge(const BridgeOptions& options) : m_log(options.quiet), m_where(options.bind) {
    for (const LinePatch& patch : options.lines) {
        m_lines.push_back(std::make_unique<LineOutput>(patch, serial::kBoardLineSettings, m_log));
        LineOutput& line = *m_lines.back();
        const auto universe = std::ranges::find_if(m_universes, [&patch](const auto& input) {
            return input->Universe() == patch.Universe();
        });
        if (universe != m_universes.end()) {
            (*universe)->Attach(line);
            continue;
        }
        m_universes.push_back(
            std::make_unique<UniverseInput>(patch.Universe(), options.loss, m_log));
        m_universes.back()->Attach(line);
    }
    if (options.sacn) {
        m_sacn = std::make_unique<SacnInput>(m_where, m_universes, m_log);
    }
    if (options.artNet) {
        m_artNet = std::make_unique<ArtNetInput>(m_where, m_universes);
    }
    if (options.http.enabled) {
        m_web =
            std::make_unique<WebConsole>(options.http, options.bind, m_lines, m_universes, m_log);
    }
}

Bridge::~Bridge() {
    m_web.reset();
    m_sacn.reset();
    m_artNet.reset();
    m_universes.clear();
}

void Bridge::Start() {
    for (const auto& line : m_lines) {
        line->Open();
    }
    for (const auto& line : m_lines) {
        const LinePatch& patch = line->Patch();
        const std::optional<ArtNetAddress> artNet = patch.ArtNet();
        m_log.Status(patch.Device() + ": universe " + std::to_string(patch.Universe()) +
                     ", slots " + std::to_string(patch.Start()) + '-' +
                     std::to_string(patch.Start() + static_cast<int>(kLineChannels) - 1) + ", " +
                     (artNet ? "Art-Net " + artNet->Text()
                             : "no Art-Net address above universe " +
                                   std::to_string(ArtNetAddress::kLastSacnUniverse)));
    }
    if (m_sacn) {
        m_sacn->Listen();
    }
    if (m_artNet) {
        m_artNet->Listen();
    }
    std::string inputs;
    if (m_sacn) {
        inputs = "sACN (UDP " + std::to_string(SacnInput::kPort) + ")";
    }
    if (m_artNet) {
        inputs += (inputs.empty() ? "" : " and ") + std::string("Art-Net (UDP ") +
                  std::to_string(ArtNetInput::kPort) + ")";
    }
    m_log.Status("listening for " + inputs + " on " + m_where.Describe().toStdString() +
                 "; nothing is sent before the first data");
    if (m_web) {
        m_web->Start();
    }
}

void Bridge::Stop(std::function<void()> done) {
    if (m_sacn) {
        m_sacn->Close();
    }
    if (m_artNet) {
        m_artNet->Close();
    }
    m_stopped = std::move(done);
    m_lineStopsDue = m_lines.size();
    for (const auto& line : m_lines) {
        line->Stop([this] {
            if (--m_lineStopsDue == 0 && m_stopped) {
                std::exchange(m_stopped, nullptr)();
            }
        });
    }
}

std::string Bridge::Summary() const {
    std::string text = "ended;";
    if (m_sacn) {
        text += " sACN packets merged " + std::to_string(m_sacn->Merged()) + ", dropped " +
                std::to_string(m_sacn->Dropped()) + ';';
    }
    if (m_artNet) {
        text += " Art-Net packets merged " + std::to_string(m_artNet->Merged()) + ", dropped " +
                std::to_string(m_artNet->Dropped()) + ", polls answered " +
                std::to_string(m_artNet->Polls()) + ';';
    }
    for (const auto& line : m_lines) {
        text += ' ' + line->Patch().Device() + " frames " +
                std::to_string(line->Scheduler().FramesSent()) + ';';
    }
    text.pop_back();
    return text;
}

}  // namespace dimrix::bridge
