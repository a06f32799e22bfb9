#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "support/PseudoTerminal.h"

namespace dimrix::testing {

// The Qt event loop the port needs, for tests run by gtest_main.
class EventLoop {
public:
    // Long enough for any condition on a loaded machine or under sanitizers; a test
    // that passes waits only as long as its condition takes.
    static constexpr std::chrono::seconds kPatience{20};

    // Creates the one QCoreApplication of the test run if there is none yet.
    static void Ensure();
    // Runs the event loop until `done` holds or `timeout` passes; returns `done()`.
    static bool SpinUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = kPatience);
    // Runs the event loop until the master of `pty` has read `count` bytes, or the
    // patience runs out; returns what it read, perhaps more or fewer.
    static std::vector<std::uint8_t> Receive(const PseudoTerminal& pty, std::size_t count);
    // Runs the event loop until what the master of `pty` has read ends with `tail`, or the
    // patience runs out; returns everything it read.
    static std::vector<std::uint8_t> ReceiveThrough(const PseudoTerminal& pty,
                                                    const std::vector<std::uint8_t>& tail);
};

}  // namespace dimrix::testing
