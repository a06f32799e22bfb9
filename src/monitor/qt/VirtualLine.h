#pragma once

#include <QSocketNotifier>
#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "monitor/qt/LineSource.h"

namespace dimrix::monitor {

// A line with nothing plugged in: a pseudo-terminal pair whose device end (/dev/pts/N)
// a panel opens like any serial port, while the monitor reads what arrives at the other
// end. The monitor keeps a descriptor of the device end itself, so the line stays up
// while a panel closes and reopens it. Linux only.
class VirtualLine : public LineSource {
public:
    static constexpr std::size_t kChunkSize = 4096;

    // Whether this system can make one.
    static constexpr bool kAvailable =
#ifdef __linux__
        true;
#else
        false;
#endif
    // The system without one, as the operator knows it.
    static constexpr const char* kUnavailableOn =
#ifdef _WIN32
        "Windows";
#else
        "this system";
#endif

    VirtualLine() = default;
    ~VirtualLine() override;

    // Empty until opened.
    [[nodiscard]] std::string Device() const override {
        return m_devicePath;
    }
    // Makes the pair. Throws LinkError when the system has no pseudo-terminal to give.
    void Open() override;

private:
    void ReadChunk();
    void Release();

    int m_master = -1;
    int m_device = -1;
    std::string m_devicePath;
    std::array<unsigned char, kChunkSize> m_buffer{};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace dimrix::monitor
