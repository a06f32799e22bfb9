#include "platform/TerminationRequests.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <csignal>
#include <stdexcept>

namespace dimrix::platform {
namespace {

volatile std::sig_atomic_t g_earlierHandlerRan = 0;

extern "C" void EarlierHandler(int /*signal*/) {
    g_earlierHandlerRan = 1;
}

QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "dimrix_platform_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

bool SpinUntil(const bool& done) {
    const QDeadlineTimer deadline(std::chrono::seconds(10));
    while (!done && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return done;
}

// A program that watched the requests once (the monitor's text mode, a test) must leave
// whatever handled them before in place, or a later Ctrl+C would kill it on the spot.
TEST(TerminationRequestsTest, ARequestEndsOnTheEventLoopAndTheEarlierHandlersComeBack) {
    Application();
    ASSERT_NE(std::signal(SIGHUP, EarlierHandler), SIG_ERR);
    {
        bool requested = false;
        const TerminationRequests requests([&requested] { requested = true; });
        EXPECT_THROW(TerminationRequests([] {}), std::logic_error);
        ASSERT_EQ(std::raise(SIGHUP), 0);
        EXPECT_FALSE(requested) << "the handler must only ask, never act";
        EXPECT_TRUE(SpinUntil(requested));
        EXPECT_EQ(g_earlierHandlerRan, 0);
    }
    ASSERT_EQ(std::raise(SIGHUP), 0);
    EXPECT_EQ(g_earlierHandlerRan, 1) << "the earlier handler was not put back";
    std::signal(SIGHUP, SIG_DFL);

    // The one instance that failed left nothing behind: another can be made.
    bool again = false;
    const TerminationRequests requests([&again] { again = true; });
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_TRUE(SpinUntil(again));
}

}  // namespace
}  // namespace dimrix::platform
