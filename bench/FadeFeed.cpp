#include "FadeFeed.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "protocol/Frames.h"
#include "serial/LineSettings.h"

namespace dimrix::bench {

namespace {

constexpr double kFramesPerSecond =
    double{serial::kBoardLineSettings.BytesPerSecond()} / protocol::kAddressFrameSize;

}  // namespace

FadeFeed::FadeFeed() {
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, nullptr, &raw, nullptr) != 0 ||
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    m_device = ::ptsname(m_master);
}

FadeFeed::~FadeFeed() {
    ::close(m_slave);
    ::close(m_master);
}

std::size_t FadeFeed::Unread() const {
    int waiting = 0;
    ::ioctl(m_slave, FIONREAD, &waiting);
    return static_cast<std::size_t>(waiting);
}

void FadeFeed::Feed(Clock::time_point from) {
    const auto due = static_cast<std::size_t>(
        std::chrono::duration<double>(Clock::now() - from).count() * kFramesPerSecond);
    for (; m_frames < due; ++m_frames) {
        protocol::ChannelLevels levels{};
        for (std::size_t channel = 0; channel < levels.size(); ++channel) {
            const std::size_t steps = (m_frames + levels.size() - channel) / levels.size();
            levels[channel] = static_cast<protocol::Level>(steps % (protocol::kMaxLevel + 1));
        }
        const auto frame = protocol::AddressFrame(protocol::kFirstAddress, levels);
        const ssize_t written = ::write(m_master, frame.data(), frame.size());
        m_fed += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
}

}  // namespace dimrix::bench
