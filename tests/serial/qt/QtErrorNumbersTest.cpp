#include "serial/qt/QtErrorNumbers.h"

#include <gtest/gtest.h>

#include <optional>

namespace dimrix::serial {
namespace {

struct OpenCase {
    QSerialPort::SerialPortError error;
    DeviceAccess access;
    ErrorNumber expected;
};

TEST(QtErrorNumbersTest, OpenFailuresGetTheNumberOfTheirCause) {
    const OpenCase cases[] = {
        {QSerialPort::DeviceNotFoundError, DeviceAccess::Allowed, 8002},
        {QSerialPort::ResourceError, DeviceAccess::Allowed, 8002},
        {QSerialPort::PermissionError, DeviceAccess::Allowed, 8005},
        {QSerialPort::PermissionError, DeviceAccess::Denied, 8010},
        {QSerialPort::OpenError, DeviceAccess::Allowed, 8012},
        {QSerialPort::UnknownError, DeviceAccess::Allowed, 8012},
        {QSerialPort::UnsupportedOperationError, DeviceAccess::Allowed, 8015},
    };
    for (const OpenCase& c : cases) {
        EXPECT_EQ(OpenFailureNumber(c.error, c.access), c.expected) << "Qt error " << c.error;
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
