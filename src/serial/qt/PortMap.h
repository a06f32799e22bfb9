#pragma once

// Which device COM1 and COM2 stand for on this host.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/HostPlatform.h"

namespace dimrix::serial {

// A serial port the system lists, as it names it ("ttyUSB0", "COM3").
struct PortEntry {
    std::string name;
    // What the system says is behind it ("FT232R USB UART"); may be empty.
    std::string description;
    // Whether the kernel writes its console to this port.
    bool console = false;
    // Whether the system knows it as a USB device (it reports a vendor id). Windows names
    // every port COMn, so this and the description are all that tell an adapter apart.
    bool usb = false;
};

// Devices the operator named for COM1 and COM2 (on the command line; pseudo-terminals in
// tests). An empty path leaves that port to the automatic mapping.
struct PortPaths {
    std::string com1;
    std::string com2;
};

// The command-line option that names the device for port n is "--com" followed by n.
inline constexpr const char* kPortOptionStem = "com";

// What a device is, as far as its name tells; shown to the operator.
enum class PortKind {
    // Nothing is said about it: Windows ports, whose description says it all.
    Unnamed,
    // Named by the operator; its name is not read for a kind.
    Given,
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
    // Whether the system listed the device (or the operator named it); a fallback device
    // may not exist at all.
    bool listed = false;
    PortKind kind = PortKind::Unnamed;
    // Only ever true for a device the operator named.
    bool console = false;

    friend bool operator==(const MappedPort&, const MappedPort&) = default;
};

// COM1 and COM2 and the devices behind them.
//
// COM1 and COM2 are the first two listed ports, USB adapters first, because the adapter
// the operator plugged in is the port the boards most likely hang on. Numbers are
// compared as numbers. A port number left without a device falls back to a name that
// is not taken, so the operator still sees what the program will try to open. A device
// the operator named stands for its port as it is, the console's too; the other port
// keeps the device the rules give it.
//
// On Linux: ttyUSB*, then ttyACM*, then the built-in UARTs (ttyS*), then every other
// serial device, by name. A port that carries the kernel's console is never chosen:
// dimmer frames written there would mix with kernel messages, whose bytes 0 to 100 the
// boards take for levels. The fallbacks are /dev/ttyS0 and /dev/ttyS1 (or the next ttyS
// device when those are taken or carry the console).
//
// On Windows, where every port is COMn whatever is behind it: the ports the system knows
// as USB devices (or whose description says USB), then the others. The fallbacks are
// COM1 and COM2 (or the next COMn when those are taken).
class PortMap {
public:
    // COM1 and COM2 as the rules of `platform` assign them from the listed ports, except
    // for the ports `given` names a device for.
    [[nodiscard]] static PortMap Resolve(const std::vector<PortEntry>& ports, HostPlatform platform,
                                         const PortPaths& given = {});

    // Every listed port but the console's, in the order COM1 and COM2 are taken from: the
    // ports a program offers the operator to choose between.
    [[nodiscard]] static std::vector<MappedPort> Offered(const std::vector<PortEntry>& ports,
                                                         HostPlatform platform);
    // A device and what it is, for the operator: "/dev/ttyUSB0 — USB adapter, FT232R USB
    // UART", "COM4 — USB Serial Port", "COM3".
    [[nodiscard]] static std::string Label(const MappedPort& port);

    // Throws std::out_of_range for a port number other than 1 or 2.
    [[nodiscard]] const MappedPort& Port(std::int16_t portNumber) const;
    // For the operator: its Label ("/dev/pts/3 — given on the command line"), or
    // "/dev/ttyS1 — not present", followed by the ConsoleNote on a line of its own when
    // there is one.
    [[nodiscard]] std::string Describe(std::int16_t portNumber) const;
    // Why a port stands for a device that is not there when a console port was left out:
    // "The only serial port present, /dev/ttyS0, carries the kernel console ...". Empty
    // for a port with a listed or given device, and when no console port was passed over.
    [[nodiscard]] std::string ConsoleNote(std::int16_t portNumber) const;

private:
    std::array<MappedPort, 2> m_ports{};
    // The first listed port that was left out because it carries the console ("/dev/ttyS0").
    std::string m_console;
    // Whether every listed port was left out for the console.
    bool m_consoleOnly = false;
};

}  // namespace dimrix::serial
