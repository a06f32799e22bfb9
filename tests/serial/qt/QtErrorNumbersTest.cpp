#include "serial/qt/QtErrorNumbers.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

// What each number means to the operator is a promise: "Open com port first!" (8018)
// only for a port nobody opened, "press GO to reconnect" (8022) only for a device that
// went away. The exact number of each real failure is checked on real devices in
// QtPortServiceTest; here, that no Qt error can break those promises.
namespace dimrix::serial {
namespace {

constexpr QSerialPort::SerialPortError kEveryQtError[] = {
    QSerialPort::NoError,         QSerialPort::DeviceNotFoundError,
    QSerialPort::PermissionError, QSerialPort::OpenError,
    QSerialPort::WriteError,      QSerialPort::ReadError,
    QSerialPort::ResourceError,   QSerialPort::UnsupportedOperationError,
    QSerialPort::UnknownError,    QSerialPort::TimeoutError,
    QSerialPort::NotOpenError,
};
constexpr OpenRefusal kEveryRefusal[] = {OpenRefusal::None, OpenRefusal::DeviceDenied,
                                         OpenRefusal::HeldElsewhere, OpenRefusal::LockUnavailable};
const std::set<ErrorNumber> kOpenNumbers{8002, 8005, 8010, 8012, 8015};
const std::set<ErrorNumber> kLineNumbers{8020, 8022};

TEST(QtErrorNumbersTest, AnOpenFailureIsNeverReportedAsAClosedPortOrALineFault) {
    for (const QSerialPort::SerialPortError error : kEveryQtError) {
        for (const OpenRefusal refusal : kEveryRefusal) {
            EXPECT_TRUE(kOpenNumbers.contains(OpenFailureNumber(error, refusal)))
                << "Qt error " << error << ", refusal " << static_cast<int>(refusal);
        }
    }
}

TEST(QtErrorNumbersTest, ThePermissionErrorsCausesStayApart) {
    // One Qt error, three answers for the operator: join the group, find the other
    // program, or look at the lock directories.
    const std::set<ErrorNumber> numbers{
        OpenFailureNumber(QSerialPort::PermissionError, OpenRefusal::DeviceDenied),
        OpenFailureNumber(QSerialPort::PermissionError, OpenRefusal::HeldElsewhere),
        OpenFailureNumber(QSerialPort::PermissionError, OpenRefusal::LockUnavailable),
    };
    EXPECT_EQ(numbers.size(), 3U);
    EXPECT_EQ(OpenFailureNumber(QSerialPort::PermissionError, OpenRefusal::DeviceDenied), 8010)
        << "the number whose report carries the dialout hint";
}

struct LineFaultCase {
    HostPlatform platform;
    QSerialPort::SerialPortError error;
    bool deviceGone;
    std::optional<ErrorNumber> number;
};

// A lost device must end the port on both platforms (8022, press GO), while a full or
// empty descriptor, which Qt files with the same error on POSIX, must not end it.
TEST(QtErrorNumbersTest, OneDecisionEndsAnOpenPortOnEitherPlatform) {
    using enum HostPlatform;
    const LineFaultCase cases[] = {
        {Linux, QSerialPort::ResourceError, true, 8022},
        {Linux, QSerialPort::ResourceError, false, std::nullopt},
        {Linux, QSerialPort::ReadError, true, 8022},
        {Linux, QSerialPort::ReadError, false, std::nullopt},
        {Linux, QSerialPort::WriteError, false, 8020},
        {Linux, QSerialPort::WriteError, true, 8022},
        {Linux, QSerialPort::PermissionError, true, std::nullopt},
        {Windows, QSerialPort::ResourceError, false, 8022},
        {Windows, QSerialPort::ResourceError, true, 8022},
        {Windows, QSerialPort::ReadError, false, 8022},
        {Windows, QSerialPort::PermissionError, true, 8022},
        {Windows, QSerialPort::PermissionError, false, std::nullopt},
        {Windows, QSerialPort::WriteError, false, 8020},
        {Windows, QSerialPort::WriteError, true, 8022},
    };
    for (const LineFaultCase& test : cases) {
        EXPECT_EQ(LineFaultNumber(test.platform, test.error, test.deviceGone), test.number)
            << (test.platform == Windows ? "Windows" : "Linux") << ", Qt error " << test.error
            << ", device gone " << test.deviceGone;
    }
    // Whatever the probe says, a bounded wait that timed out, or no error at all, leaves
    // the port usable, and no error is ever taken for an open failure.
    for (const HostPlatform platform : {Linux, Windows}) {
        for (const QSerialPort::SerialPortError error : kEveryQtError) {
            for (const bool gone : {false, true}) {
                const std::optional<ErrorNumber> number = LineFaultNumber(platform, error, gone);
                if (number) {
                    EXPECT_TRUE(kLineNumbers.contains(*number)) << "Qt error " << error;
                }
            }
        }
        for (const QSerialPort::SerialPortError error :
             {QSerialPort::NoError, QSerialPort::TimeoutError, QSerialPort::NotOpenError}) {
            EXPECT_EQ(LineFaultNumber(platform, error, true), std::nullopt) << "Qt error " << error;
        }
    }
}

}  // namespace
}  // namespace dimrix::serial
