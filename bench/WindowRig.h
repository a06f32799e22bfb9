#pragma once

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TimedPort.h"
#include "WireReader.h"
#include "window/Form1.h"

namespace dimrix::bench {

/// The one rig every line figure is taken on: the program's real window on the real Qt
/// port, whose device is a pseudo-terminal read by a WireReader, every write logged on
/// the way. The window's own timers run on the event loop the bench turns. A report box
/// would wait for an operator forever, so the rig closes any it finds and Finish throws.
class WindowRig {
public:
    /// @param bytesPerSecond rate the far end reads at, or 0 for as fast as it can
    explicit WindowRig(double bytesPerSecond);
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    /// Presses GO and starts reading the far end; `onArrival` runs on the reader's thread.
    void Connect(std::function<void()> onArrival = [] {});
    /// By object name ("VScroll1_3"); throws if the window has none.
    [[nodiscard]] QWidget* Find(const std::string& name) const;
    void Click(const std::string& name) const;
    /// "F+" on the first `channels` channels.
    void StartFade(int channels) const;
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    /// Until nothing more is handed over and the panel's last frame has been read at the
    /// far end (the last frame is never stale, so it always goes).
    void RunUntilLineClear();
    /// Closes the window as the operator would; throws if the panel reported anything or
    /// the boards read anything but what it sent, less the frames dropped as stale.
    void Finish();

    [[nodiscard]] const WireReader& Reader() const { return m_reader; }
    [[nodiscard]] const WriteLog& Writes() const { return m_writes; }

private:
    void DismissReport();

    WireReader m_reader;
    WriteLog m_writes;
    std::unique_ptr<window::Form1> m_window;
    QTimer m_watchdog;
    std::vector<std::string> m_reports;
};

}  // namespace dimrix::bench
