#pragma once

#include <string_view>

namespace dimrix::bridge {

// What the bridge tells its operator, a line each on standard error: what it listens to
// and drives at start, then one line per event as it happens, never periodic lines that
// would bury the ones that matter in a service's journal.
class BridgeLog {
public:
    explicit BridgeLog(bool quiet) : m_quiet(quiet) {}

    // Always printed: the set-up, a serial line's faults and returns, the end.
    void Status(std::string_view text) const;
    // A source appearing, going or refused; left out when quiet.
    void Event(std::string_view text) const;

private:
    bool m_quiet = false;
};

}  // namespace dimrix::bridge
