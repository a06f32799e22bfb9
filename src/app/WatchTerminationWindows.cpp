#include "app/WatchTermination.h"

namespace dimrix::app {

// WM_CLOSE (taskkill, the taskbar) arrives as the window's close event, and the end of
// the session as Qt's own quit, which lets the port close in order as it unwinds.
std::unique_ptr<QObject> WatchTermination(std::function<void()> /*close*/) {
    return nullptr;
}

}  // namespace dimrix::app
