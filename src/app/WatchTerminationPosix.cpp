#include "app/WatchTermination.h"
#include "window/TerminationSignals.h"

namespace dimrix::app {

std::unique_ptr<QObject> WatchTermination(std::function<void()> close) {
    return std::make_unique<window::TerminationSignals>(std::move(close));
}

}  // namespace dimrix::app
