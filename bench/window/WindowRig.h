#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/PortService.h"
#include "window/Form1.h"
#include "wire/WireReader.h"

namespace dimrix::bench {

/// The program's real window on a port the bench chooses, driven the way an operator
/// would: buttons are clicked by their object names, and the window's own timers run
/// on the event loop the bench turns.
///
/// A report box would wait for an operator forever, so the rig closes any modal box
/// it finds and keeps its text; a run that saw one has measured a failure, and says so.
class WindowRig {
public:
    /// Needs a QApplication; see UseOffscreenPlatform.
    explicit WindowRig(std::unique_ptr<serial::PortService> port);
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    /// The control with this object name ("VScroll1_3").
    /// @throws std::logic_error if the window has no such control of that type.
    template <typename Control>
    Control* Find(const std::string& name) {
        auto* control = m_window->findChild<Control*>(QString::fromStdString(name));
        if (control == nullptr) {
            throw std::logic_error("the window has no control " + name);
        }
        return control;
    }
    /// Clicks the button with this object name ("Command9_0").
    /// @throws std::logic_error if the window has no such button.
    void Click(const std::string& name);
    /// Presses GO and checks that the port came online.
    /// @throws std::runtime_error if it did not.
    void Connect();
    /// Turns the event loop until done() holds or the timeout passes; returns done().
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    /// Turns the event loop for a while.
    void RunFor(std::chrono::milliseconds duration);
    /// Closes the window as the operator would (the panel closes its port).
    void Close();

    /// The real Qt port with both COM1 and COM2 on this pseudo-terminal.
    static std::unique_ptr<serial::PortService> PortOn(const PseudoTerminal& pty);

    /// Draws into memory instead of onto a screen, unless QT_QPA_PLATFORM says
    /// otherwise. Call before the QApplication is created.
    static void UseOffscreenPlatform();

    /// Text of every report box the rig had to close.
    [[nodiscard]] const std::vector<std::string>& Reports() const { return m_reports; }

private:
    void DismissReport();

    std::unique_ptr<window::Form1> m_window;
    QTimer m_watchdog;
    std::vector<std::string> m_reports;
};

}  // namespace dimrix::bench
