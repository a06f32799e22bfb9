#include "serial/qt/QtErrorNumbers.h"

#include <gtest/gtest.h>

#include <optional>

namespace dimrix::serial {
namespace {

struct OpenCase {
    QSerialPort::SerialPortError error;
    OpenRefusal refusal;
    ErrorNumber expected;
};

TEST(QtErrorNumbersTest, OpenFailuresGetTheNumberOfTheirCause) {
    const OpenCase cases[] = {
        {QSerialPort::DeviceNotFoundError, OpenRefusal::None, 8002},
        {QSerialPort::ResourceError, OpenRefusal::None, 8002},
        {QSerialPort::PermissionError, OpenRefusal::HeldElsewhere, 8005},
        {QSerialPort::PermissionError, OpenRefusal::DeviceDenied, 8010},
        {QSerialPort::PermissionError, OpenRefusal::LockUnavailable, 8012},
        {QSerialPort::OpenError, OpenRefusal::None, 8012},
        {QSerialPort::UnknownError, OpenRefusal::None, 8012},
        {QSerialPort::UnsupportedOperationError, OpenRefusal::None, 8015},
    };
    for (const OpenCase& c : cases) {
        EXPECT_EQ(OpenFailureNumber(c.error, c.refusal), c.expected) << "Qt error " << c.error;
    }
}

TEST(QtErrorNumbersTest, OnlyFaultsOfTheLineEndAnOpenPort) {
    const std::pair<QSerialPort::SerialPortError, std::optional<ErrorNumber>> cases[] = {
        {QSerialPort::ResourceError, 8022},
        {QSerialPort::ReadError, 8022},
        {QSerialPort::WriteError, 8020},
        {QSerialPort::NoError, std::nullopt},
        {QSerialPort::TimeoutError, std::nullopt},
        {QSerialPort::UnsupportedOperationError, std::nullopt},
        {QSerialPort::NotOpenError, std::nullopt},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(LineFaultNumber(error), expected) << "Qt error " << error;
    }
}

}  // namespace
}  // namespace dimrix::serial
