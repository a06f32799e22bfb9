#include <windows.h>

#include <cstdio>

#include "platform/ParentConsole.h"

namespace dimrix::platform {

namespace {

// Whether the parent handed this stream over already (a file, a pipe, its console).
bool Given(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void ParentConsole::Attach() {
    const bool outputGiven = Given(STD_OUTPUT_HANDLE);
    const bool errorGiven = Given(STD_ERROR_HANDLE);
    if ((outputGiven && errorGiven) || ::AttachConsole(ATTACH_PARENT_PROCESS) == FALSE) {
        return;
    }
    // The C runtime set the streams up before main, when there was no console yet.
    if (!outputGiven) {
        (void)std::freopen("CONOUT$", "w", stdout);
    }
    if (!errorGiven) {
        (void)std::freopen("CONOUT$", "w", stderr);
    }
}

}  // namespace dimrix::platform
