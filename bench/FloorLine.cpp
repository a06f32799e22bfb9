// The floor the bridge's CPU is held against, built with the same flags: a bare Qt
// program that writes one address frame per frame time (5.2 ms at 19200 baud) to a
// serial device, on a precise single-shot timer set to the next frame's time as a paced
// line's pump is, rounded up to the millisecond. Nothing chooses the frames, nothing asks
// the driver what it holds, nothing listens on a network: what is left is the wake and
// the write a line at its limit cannot do without.
// Usage: dimrix_bench_floor_line DEVICE

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "protocol/Frames.h"
#include "serial/LineSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr dimrix::serial::LineSettings kLine = dimrix::serial::kBoardLineSettings;
constexpr std::size_t kFrameSize = dimrix::protocol::kAddressFrameSize;
constexpr auto kFrameTime = std::chrono::duration_cast<Clock::duration>(
                                std::chrono::seconds(1) * kFrameSize * kLine.BitsPerByte()) /
                            kLine.baudRate;

}  // namespace

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: dimrix_bench_floor_line DEVICE\n", stderr);
        return 2;
    }
    const int device = ::open(argv[1], O_WRONLY | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (device < 0 || ::tcgetattr(device, &raw) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    // The bytes leave as they are, as on the bridge's line.
    ::cfmakeraw(&raw);
    ::tcsetattr(device, TCSANOW, &raw);

    const auto frame =
        dimrix::protocol::AddressFrame(dimrix::protocol::kFirstAddress, {1, 2, 3, 4, 5, 6, 7, 8});
    Clock::time_point next = Clock::now();
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // A full driver drops the frame: the floor keeps its pace, not its bytes.
        (void)::write(device, frame.data(), frame.size());
        next += kFrameTime;
        timer.start(std::max(std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()),
                             std::chrono::milliseconds::zero()));
    });
    timer.start(0);
    return QCoreApplication::exec();
}
