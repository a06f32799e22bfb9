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
    // settings can be read back; released, the master sees the port's hang-up.
    enum class Slave { Released, Kept };

    explicit PseudoTerminal(Slave slave = Slave::Released);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }

    // Appends whatever the master can read now, without waiting.
    void ReadInto(std::vector<std::uint8_t>& bytes) const;
    // Writes what the master takes now, without waiting; returns how much it took.
    std::size_t WriteToMaster(std::span<const std::uint8_t> bytes) const;
    // Whether no one holds the slave open any more (the master reports a hang-up).
    [[nodiscard]] bool SlaveHungUp() const;
    // The device disappears, as an unplugged adapter does.
    void CloseMaster();
    // How many descriptors this process holds on the slave, the test's own included,
    // also once the device node is gone.
    [[nodiscard]] int SlaveDescriptorsHeld() const;
    // The slave's line settings as the kernel holds them. Needs Slave::Kept.
    [[nodiscard]] termios SlaveAttributes() const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace dimrix::testing
