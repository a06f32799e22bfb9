#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace dimrix::bench {

/// A pseudo-terminal pair standing in for the serial line: the panel opens the slave as
/// its port, the bench reads the master as the boards would.
///
/// The line is raw both ways, so every byte value (10 and 13 among the levels) arrives
/// as sent. The bench keeps a descriptor of the slave open too, so the master never
/// sees a hang-up while the panel has the port closed.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    /// The device the panel opens ("/dev/pts/3").
    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }
    /// The master descriptor, non-blocking.
    [[nodiscard]] int MasterFd() const { return m_master; }
    /// Reads what has arrived, up to into.size() bytes; 0 when nothing is there.
    /// @throws std::system_error on a read error.
    std::size_t ReadAvailable(std::span<std::uint8_t> into);
    /// Bytes waiting to be read on the master.
    [[nodiscard]] std::size_t Pending() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace dimrix::bench
