#include "panel/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RecordingListener.h"

namespace dimrix::testing {
namespace {

using serial::ErrorNumber;
using serial::LinkError;

TEST(ErrorReportTest, ReportsTheOpenPortHintOrThePlainNumber) {
    struct Case {
        ErrorNumber number;
        const char* text;
    };
    const Case cases[] = {{8018, "Open com port first!"},
                          {9, "Error number: 9"},
                          {13, "Error number: 13"},
                          {8022, "Error number: 8022"},
                          {-5, "Error number: -5"}};
    for (const Case& c : cases) {
        RecordingListener listener;
        panel::ReportError(listener, c.number);
        EXPECT_EQ(listener.messages, (std::vector<Message>{{"Dimrix", c.text}}));
    }
}

TEST(ErrorReportTest, OpenFailureNamesPortDeviceReasonAndNumber) {
    const LinkError missing(serial::errors::kDeviceNotFound,
                            "/dev/ttyS1: No such file or directory");
    EXPECT_EQ(panel::OpenFailureText(2, missing),
              "Cannot open COM2: /dev/ttyS1: No such file or directory\n\nError number: 8002");

    const LinkError denied(serial::errors::kPermissionDenied, "/dev/ttyUSB0: Permission denied");
    const std::string text = panel::OpenFailureText(1, denied);
    EXPECT_NE(text.find("Cannot open COM1: /dev/ttyUSB0: Permission denied"), std::string::npos);
    EXPECT_NE(text.find("dialout"), std::string::npos);
    EXPECT_NE(text.find("Error number: 8010"), std::string::npos);
}

}  // namespace
}  // namespace dimrix::testing
