#pragma once

#include <termios.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dimrix::testing {

// A pseudo-terminal standing in for a serial port: the program opens the slave side
// by its path, and the test reads what it sent from the master side.
class PseudoTerminal {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Throws std::system_error if the system has no pseudo-terminal to give.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The path the program opens ("/dev/pts/7").
    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }
    // Whether anyone holds the slave side open, i.e. whether the port is open.
    [[nodiscard]] bool SlaveIsOpen() const;
    // The line settings of the slave side, as the program set them.
    [[nodiscard]] termios Settings() const;
    // Everything received so far; reads what is waiting first.
    [[nodiscard]] const Bytes& Received();
    // Forgets what was received so far.
    void Clear();

private:
    int m_master = -1;
    std::string m_slavePath;
    Bytes m_received;
};

}  // namespace dimrix::testing
