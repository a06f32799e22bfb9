#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "monitor/LineMonitor.h"
#include "monitor/qt/LineSource.h"
#include "monitor/qt/MonitorCommandLine.h"
#include "serial/qt/DeviceReopener.h"

namespace dimrix::monitor {

// One run of the monitor: a line source feeding the model, and what happens when the
// device goes away. Needs a Qt application object and its event loop.
class MonitorSession {
public:
    // What a lost device leads to.
    enum class Loss {
        // The lost handler is called (text mode ends).
        Ends,
        // The same path is tried again about once a second; the model keeps its state.
        Reopens,
    };

    // The exit status when the line cannot be opened or is lost.
    static constexpr int kLineFailed = 1;

    // Opens the line the options name, printing a virtual line's device alone on the first
    // line of standard output. Null when it cannot be opened: the path and the reason are
    // then on standard error.
    [[nodiscard]] static std::unique_ptr<MonitorSession> Start(const MonitorOptions& options,
                                                               Loss loss);
    // The same, printing nothing: the session, or why the line could not be opened (the
    // path, the system's reason and what to do about it).
    [[nodiscard]] static std::variant<std::unique_ptr<MonitorSession>, std::string> Opened(
        const MonitorOptions& options, Loss loss);

    MonitorSession(std::unique_ptr<LineSource> source, Loss loss);
    MonitorSession(const MonitorSession&) = delete;
    MonitorSession& operator=(const MonitorSession&) = delete;

    // Throws LinkError naming the device and the system's reason.
    void Open();
    // Called with the reason when the device is lost and Loss::Ends.
    void SetLostHandler(std::function<void(const std::string&)> onLost) {
        m_onLost = std::move(onLost);
    }

    [[nodiscard]] LineMonitor& Monitor() { return m_monitor; }
    [[nodiscard]] const LineMonitor& Monitor() const { return m_monitor; }
    [[nodiscard]] std::string Device() const { return m_source->Device(); }
    // Why the line is lost, while it is.
    [[nodiscard]] const std::optional<std::string>& Fault() const { return m_fault; }

private:
    void OnLost(const std::string& reason);

    Loss m_loss;
    std::unique_ptr<LineSource> m_source;
    LineMonitor m_monitor;
    std::optional<std::string> m_fault;
    std::function<void(const std::string&)> m_onLost;
    // Still gone at a try, the reason the line was lost stays on show.
    serial::DeviceReopener m_reopener{[this] { m_source->Open(); }, [this] { m_fault.reset(); }};
};

}  // namespace dimrix::monitor
