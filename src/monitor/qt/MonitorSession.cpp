#include "monitor/qt/MonitorSession.h"

#include <cstdio>
#include <string>

#include "monitor/MonitorText.h"
#include "monitor/qt/DeviceLine.h"
#include "monitor/qt/VirtualLine.h"
#include "serial/ErrorNumber.h"
#include "serial/ErrorWords.h"
#include "serial/LineSettings.h"
#include "serial/LinkError.h"

namespace dimrix::monitor {

std::unique_ptr<MonitorSession> MonitorSession::Start(const MonitorOptions& options, Loss loss) {
    auto opened = Opened(options, loss);
    if (const std::string* failure = std::get_if<std::string>(&opened)) {
        std::fprintf(stderr, "dimrix-monitor: %s\n", failure->c_str());
        return nullptr;
    }
    auto session = std::move(std::get<std::unique_ptr<MonitorSession>>(opened));
    if (options.virtualLine) {
        // Alone and at once: a script reads the path before it starts a panel on it.
        std::fprintf(stdout, "%s\n", session->Device().c_str());
        std::fflush(stdout);
    }
    return session;
}

std::variant<std::unique_ptr<MonitorSession>, std::string> MonitorSession::Opened(
    const MonitorOptions& options, Loss loss) {
    std::unique_ptr<LineSource> source;
    if (options.virtualLine) {
        source = std::make_unique<VirtualLine>();
    } else {
        source = std::make_unique<DeviceLine>(options.device);
    }
    auto session = std::make_unique<MonitorSession>(std::move(source), loss);
    try {
        session->Open();
    } catch (const serial::LinkError& error) {
        return serial::ErrorWords::OpenFailure(error);
    }
    return session;
}

MonitorSession::MonitorSession(std::unique_ptr<LineSource> source, Loss loss)
    : m_loss(loss),
      m_source(std::move(source)),
      m_monitor(LineMonitor::Clock::now(), serial::kBoardLineSettings.BytesPerSecond()) {
    m_source->SetHandlers(
        [this](std::span<const protocol::Byte> bytes) {
            m_monitor.Read(bytes, LineMonitor::Clock::now());
        },
        [this](const std::string& reason) { OnLost(reason); });
}

void MonitorSession::Open() {
    m_source->Open();
}

void MonitorSession::OnLost(const std::string& reason) {
    m_fault = reason;
    if (m_loss == Loss::Ends) {
        if (m_onLost) {
            m_onLost(reason);
        }
        return;
    }
    m_reopener.Start();
}

}  // namespace dimrix::monitor
