#pragma once

#include <optional>

#include "serial/qt/PortMap.h"

namespace dimrix::app {

// What the panel was asked for on its command line.
//
// Read before the window system is touched, so that --help, --version and a mistyped
// option are answered without a display, the way the other programs read theirs
// (platform::CommandLineParse). Qt's own options (-platform, -style ...) are accepted and
// left in the arguments for QApplication to read.
class CommandLine {
public:
    static constexpr const char* kProgram = "dimrix";

    // Parses the arguments, and prints the help, the version or what is wrong with them.
    CommandLine(int argc, char* argv[]);

    // The status to end with at once: 0 after the help or the version, 2 for arguments
    // the program does not take. Nothing when the panel is to start.
    [[nodiscard]] std::optional<int> ExitStatus() const { return m_exitStatus; }
    // The devices named for COM1 and COM2; empty for a port left to the port list.
    [[nodiscard]] const serial::PortPaths& Ports() const { return m_ports; }

private:
    std::optional<int> m_exitStatus;
    serial::PortPaths m_ports;
};

}  // namespace dimrix::app
