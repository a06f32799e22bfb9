#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace dimrix::app {

// Has the system's request to end the program (a logout, `kill`, Ctrl+C) call `close`,
// as the close button would, for as long as the returned object lives. Each platform has
// its own file: on Windows closing and session end already reach the window as Qt's own
// events, so nothing more is watched there and the result is empty.
[[nodiscard]] std::unique_ptr<QObject> WatchTermination(std::function<void()> close);

}  // namespace dimrix::app
