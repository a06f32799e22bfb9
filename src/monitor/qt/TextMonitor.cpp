#include "monitor/qt/TextMonitor.h"

#include <QCoreApplication>
#include <cstdio>

#include "monitor/MonitorText.h"
#include "monitor/qt/MonitorSession.h"
#include "platform/TerminationRequests.h"

namespace dimrix::monitor {

int TextMonitor::Run(const MonitorOptions& options) {
    const std::unique_ptr<MonitorSession> session =
        MonitorSession::Start(options, MonitorSession::Loss::Ends);
    if (!session) {
        return MonitorSession::kLineFailed;
    }
    TextMonitor printer;
    session->Monitor().SetListener(&printer);
    session->SetLostHandler([&session](const std::string& reason) {
        std::fprintf(stderr, "dimrix-monitor: %s: line lost: %s\n", session->Device().c_str(),
                     reason.c_str());
        QCoreApplication::exit(MonitorSession::kLineFailed);
    });
    const platform::TerminationRequests termination([] { QCoreApplication::exit(0); });
    const int status = QCoreApplication::exec();
    session->Monitor().SetListener(nullptr);
    std::fprintf(stderr, "dimrix-monitor: %s\n",
                 MonitorText::Summary(session->Monitor().Counts()).c_str());
    return status;
}

void TextMonitor::OnFrame(std::chrono::nanoseconds sinceStart,
                          const protocol::DecodedFrame& frame) {
    Print(MonitorText::FrameLine(sinceStart, frame));
}

void TextMonitor::OnMalformed(std::chrono::nanoseconds sinceStart,
                              std::span<const protocol::Byte> bytes, protocol::Malformation why) {
    Print(MonitorText::MalformedLine(sinceStart, bytes, why));
}

void TextMonitor::Print(const std::string& line) {
    m_pending += line;
    m_pending += '\n';
}

void TextMonitor::OnReadDone() {
    if (m_pending.empty()) {
        return;
    }
    // A closed pipe has nobody left to tell; the summary and the status still follow.
    [[maybe_unused]] const std::size_t written =
        std::fwrite(m_pending.data(), 1, m_pending.size(), stdout);
    std::fflush(stdout);
    m_pending.clear();
}

}  // namespace dimrix::monitor
