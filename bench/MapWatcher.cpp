#include "MapWatcher.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace dimrix::bench {

namespace {

constexpr std::uint8_t kEventCodeMask = 0x7f;

}  // namespace

MapWatcher::MapWatcher() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection) != 0) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    // Without a window manager a program's window is a child of the root, so mapping it
    // is a substructure change of the root.
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

MapWatcher::~MapWatcher() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
    }
}

void MapWatcher::Drain() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        std::free(event);
    }
}

std::optional<MapWatcher::Clock::time_point> MapWatcher::WaitForMap(Clock::time_point deadline) {
    pollfd readable{xcb_get_file_descriptor(m_connection), POLLIN, 0};
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const Clock::time_point heard = Clock::now();
            const bool shown =
                (event->response_type & kEventCodeMask) == XCB_MAP_NOTIFY &&
                reinterpret_cast<const xcb_map_notify_event_t*>(event)->override_redirect == 0;
            std::free(event);
            if (shown) {
                return heard;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(m_connection) != 0) {
            return std::nullopt;
        }
        ::poll(&readable, 1, static_cast<int>(left.count()));
    }
}

}  // namespace dimrix::bench
