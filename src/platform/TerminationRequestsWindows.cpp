#include <windows.h>

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <system_error>

#include "platform/TerminationRequests.h"

namespace dimrix::platform {

namespace {

// How long a console's close, logoff or shutdown waits for the orderly end: Windows ends
// the process once the handler returns, and on its own after about five seconds.
constexpr DWORD kCloseGrace = 4500;

struct Target {
    QObject* context = nullptr;
    std::function<void()>* onTerminate = nullptr;
    // Set once the instance is gone, which is when the program has ended in order.
    HANDLE ended = nullptr;
};

// For the handler, which Windows runs on a thread of its own.
std::atomic<Target*> g_target{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
    Target* target = g_target.load();
    if (target == nullptr) {
        return FALSE;
    }
    // Queued onto the thread that owns the event loop; the handler's thread only asks.
    QMetaObject::invokeMethod(
        target->context, [onTerminate = target->onTerminate] { (*onTerminate)(); },
        Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        ::WaitForSingleObject(target->ended, kCloseGrace);
    }
    return TRUE;
}

}  // namespace

struct TerminationRequests::Watch {
    QObject context;
    std::function<void()> onTerminate;
    Target target;
    bool installed = false;

    Watch() = default;
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch() {
        if (installed) {
            ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
            g_target.store(nullptr);
        }
        if (target.ended != nullptr) {
            ::SetEvent(target.ended);
            ::CloseHandle(target.ended);
        }
    }
};

TerminationRequests::TerminationRequests(std::function<void()> onTerminate) {
    if (g_target.load() != nullptr) {
        throw std::logic_error("termination requests are already watched");
    }
    auto watch = std::make_unique<Watch>();
    watch->onTerminate = std::move(onTerminate);
    watch->target = {&watch->context, &watch->onTerminate,
                     ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (watch->target.ended == nullptr) {
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "CreateEvent");
    }
    g_target.store(&watch->target);
    if (::SetConsoleCtrlHandler(OnConsoleControl, TRUE) == FALSE) {
        g_target.store(nullptr);
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                "SetConsoleCtrlHandler");
    }
    watch->installed = true;
    m_watch = std::move(watch);
}

TerminationRequests::~TerminationRequests() = default;

}  // namespace dimrix::platform
