#include "MapWatcher.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace dimrix::bench {

namespace {

constexpr std::uint8_t kEventCodeMask = 0x7f;
constexpr std::uint32_t kLongestTitle = 256;

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

}  // namespace

MapWatcher::MapWatcher() {
    if (std::getenv("DISPLAY") == nullptr) {
        return;
    }
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection) != 0) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    // Without a window manager the program's window is a child of the root, so mapping
    // it is a substructure change of the root.
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

std::string MapWatcher::TitleOf(unsigned window) {
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        m_connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kLongestTitle);
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply) {
        return {};
    }
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(text, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

std::optional<MapWatcher::Clock::time_point> MapWatcher::WaitForMap(const std::string& title,
                                                                    Clock::time_point deadline) {
    pollfd readable{xcb_get_file_descriptor(m_connection), POLLIN, 0};
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const Clock::time_point heard = Clock::now();
            const XcbReply<xcb_generic_event_t> owned(event);
            if ((event->response_type & kEventCodeMask) != XCB_MAP_NOTIFY) {
                continue;
            }
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (map->override_redirect == 0 && TitleOf(map->window) == title) {
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
