#pragma once

#include <termios.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dimrix::testing {

// A real pseudo-terminal pair standing in for a serial device: the port under test
// opens the slave by its path, the test plays the boards on the master.
class PseudoTerminal {
public:
    // Whether the test keeps its own descriptor of the slave. Kept, the slave's line
    // settings can be read back and the master never sees a hang-up, also while the port
    // is closed (the benchmarks' far end); released, the master sees the port's hang-up.
    enum class Slave { Released, Kept };

    explicit PseudoTerminal(Slave slave = Slave::Released);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }

    // Appends whatever the master can read now, up to `limit` bytes, without waiting.
    void ReadInto(std::vector<std::uint8_t>& bytes, std::size_t limit = SIZE_MAX) const;
    // Everything the master has received since the last Clear; reads what is waiting.
    [[nodiscard]] const std::vector<std::uint8_t>& Received();
    // Forgets what was received so far, including what is waiting to be read.
    void Clear();
    // Writes what the master takes now, without waiting; returns how much it took.
    std::size_t WriteToMaster(std::span<const std::uint8_t> bytes) const;
    // Whether no one holds the slave open any more (the master reports a hang-up).
    [[nodiscard]] bool SlaveHungUp() const;
    // Whether the port under test holds the slave (only meaningful with Slave::Released).
    [[nodiscard]] bool SlaveIsOpen() const { return !SlaveHungUp(); }
    // The device disappears, as an unplugged adapter does.
    void CloseMaster();
    // How many descriptors this process holds on the slave, the test's own included,
    // also once the device node is gone.
    [[nodiscard]] int SlaveDescriptorsHeld() const;
    // The line settings as the kernel holds them. Master and slave share them; with
    // Slave::Kept they are read from the slave itself, as a device user would.
    [[nodiscard]] termios SlaveAttributes() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::vector<std::uint8_t> m_received;
};

}  // namespace dimrix::testing
