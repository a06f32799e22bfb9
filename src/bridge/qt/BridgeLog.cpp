#include "bridge/qt/BridgeLog.h"

#include <cstdio>

#include "bridge/qt/BridgeCommandLine.h"

namespace dimrix::bridge {

void BridgeLog::Status(std::string_view text) const {
    // One write per line, so lines of several bridges sharing a journal never mix.
    std::fprintf(stderr, "%s: %.*s\n", BridgeCommandLine::kProgram, static_cast<int>(text.size()),
                 text.data());
    std::fflush(stderr);
}

void BridgeLog::Event(std::string_view text) const {
    if (!m_quiet) {
        Status(text);
    }
}

}  // namespace dimrix::bridge
