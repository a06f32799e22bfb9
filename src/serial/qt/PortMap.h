#pragma once

// Which device COM1 and COM2 stand for on this host.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dimrix::serial {

// A serial port the system lists, as it names it ("ttyUSB0", "COM3").
struct PortEntry {
    std::string name;
    // What the system says is behind it ("FT232R USB UART"); may be empty.
    std::string description;
    // Whether the kernel writes its console to this port.
    bool console = false;
};

// The naming rules to map port numbers with.
enum class HostPlatform { Linux, Windows };

// The rules of the host this program was built for.
#ifdef _WIN32
inline constexpr HostPlatform kHostPlatform = HostPlatform::Windows;
#else
inline constexpr HostPlatform kHostPlatform = HostPlatform::Linux;
#endif

// What a device is, as far as its name tells; shown to the operator.
enum class PortKind {
    // Nothing is said about it: Windows ports and devices given by path.
    Unnamed,
    // ttyUSB* and ttyACM*.
    UsbAdapter,
    // ttyS*, the UARTs on the board.
    BuiltIn,
    // Any other serial device the system lists (ttyAMA*, ttymxc*, rfcomm* ...).
    Other,
};

// The device a port number stands for.
struct MappedPort {
    // What to open: "/dev/ttyUSB0" on Linux, "COM1" on Windows.
    std::string device;
    std::string description;
    // Whether the system listed the device; a fallback device may not exist at all.
    bool listed = false;
    PortKind kind = PortKind::Unnamed;
    bool console = false;

    friend bool operator==(const MappedPort&, const MappedPort&) = default;
};

// COM1 and COM2 and the devices behind them.
//
// On Windows port n is "COMn". On Linux COM1 and COM2 are the first two listed ports:
// USB adapters first (ttyUSB*, then ttyACM*), because the adapter the operator plugged
// in is the port the boards most likely hang on; then the built-in UARTs (ttyS*); then
// every other serial device, by name. Numbers are compared as numbers. A port that
// carries the kernel's console comes after all others, so dimmer frames never land on
// the console line while another port exists. A port number left without a device
// falls back to /dev/ttyS0 or /dev/ttyS1 (whichever the other number does not use), so
// the operator still sees what the program will try to open.
class PortMap {
public:
    // COM1 and COM2 as the rules of `platform` assign them from the listed ports.
    [[nodiscard]] static PortMap Resolve(const std::vector<PortEntry>& ports,
                                         HostPlatform platform);
    // COM1 and COM2 are exactly these devices.
    [[nodiscard]] static PortMap Fixed(const std::string& com1, const std::string& com2);

    // Throws std::out_of_range for a port number other than 1 or 2.
    [[nodiscard]] const MappedPort& Port(std::int16_t portNumber) const;
    // For the operator: "/dev/ttyUSB0 — USB adapter, FT232R USB UART",
    // "/dev/ttyS0 — built-in serial port (kernel console)", "/dev/ttyS1 — not present".
    [[nodiscard]] std::string Describe(std::int16_t portNumber) const;

private:
    std::array<MappedPort, 2> m_ports{};
};

}  // namespace dimrix::serial
