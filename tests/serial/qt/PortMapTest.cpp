#include "serial/qt/PortMap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace dimrix::serial {
namespace {

struct MappingCase {
    const char* name;
    HostPlatform platform;
    std::vector<PortEntry> listed;
    MappedPort com1;
    MappedPort com2;
    PortPaths given{};
};

void PrintTo(const MappingCase& mappingCase, std::ostream* out) {
    *out << mappingCase.name;
}

class PortMapResolveTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(PortMapResolveTest, MapsComOneAndComTwo) {
    const MappingCase& c = GetParam();
    const PortMap map = PortMap::Resolve(c.listed, c.platform, c.given);
    EXPECT_EQ(map.Port(1), c.com1);
    EXPECT_EQ(map.Port(2), c.com2);
}

constexpr PortKind kUsb = PortKind::UsbAdapter;
constexpr PortKind kUart = PortKind::BuiltIn;
constexpr PortKind kOther = PortKind::Other;
constexpr PortKind kGiven = PortKind::Given;
constexpr bool kConsole = true;
// The system reports a USB vendor id for the port.
constexpr bool kUsbIds = true;

const MappedPort kFallbackS0{"/dev/ttyS0", "", false, kUart};
const MappedPort kFallbackS1{"/dev/ttyS1", "", false, kUart};
const MappedPort kFallbackS2{"/dev/ttyS2", "", false, kUart};

INSTANTIATE_TEST_SUITE_P(
    Hosts, PortMapResolveTest,
    ::testing::Values(MappingCase{"NoPortsFallsBackToTheFirstTwoUarts",
                                  HostPlatform::Linux,
                                  {},
                                  kFallbackS0,
                                  kFallbackS1},
                      MappingCase{"UartsOnlyInNumberOrder",
                                  HostPlatform::Linux,
                                  {{"ttyS10", ""}, {"ttyS2", ""}, {"ttyS1", "16550A"}},
                                  {"/dev/ttyS1", "16550A", true, kUart},
                                  {"/dev/ttyS2", "", true, kUart}},
                      MappingCase{"OneUartLeavesComTwoOnItsFallback",
                                  HostPlatform::Linux,
                                  {{"ttyS0", ""}},
                                  {"/dev/ttyS0", "", true, kUart},
                                  kFallbackS1},
                      MappingCase{"SecondUartAloneLeavesComTwoTheFirstFallback",
                                  HostPlatform::Linux,
                                  {{"ttyS1", ""}},
                                  {"/dev/ttyS1", "", true, kUart},
                                  kFallbackS0},
                      MappingCase{"UsbOnlyWithNumbersAsNumbers",
                                  HostPlatform::Linux,
                                  {{"ttyUSB10", "CP2102"}, {"ttyUSB2", "FT232R USB UART"}},
                                  {"/dev/ttyUSB2", "FT232R USB UART", true, kUsb},
                                  {"/dev/ttyUSB10", "CP2102", true, kUsb}},
                      MappingCase{"AdapterBeforeAnAcmGadget",
                                  HostPlatform::Linux,
                                  {{"ttyACM0", "Pico"}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  {"/dev/ttyACM0", "Pico", true, kUsb}},
                      MappingCase{"SingleUsbAdapterIsComOne",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  kFallbackS1},
                      MappingCase{"AdapterBeforeTheUart",
                                  HostPlatform::Linux,
                                  {{"ttyS0", ""}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  {"/dev/ttyS0", "", true, kUart}},
                      MappingCase{"AdapterReachableBesideTwoUarts",
                                  HostPlatform::Linux,
                                  {{"ttyS1", ""}, {"ttyS0", ""}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  {"/dev/ttyS0", "", true, kUart}},
                      MappingCase{"ConsolePortIsLeftOut",
                                  HostPlatform::Linux,
                                  {{"ttyS0", "", kConsole}, {"ttyAMA0", ""}, {"ttyS1", ""}},
                                  {"/dev/ttyS1", "", true, kUart},
                                  {"/dev/ttyAMA0", "", true, kOther}},
                      MappingCase{"ConsoleBesideAnAdapterIsNotComTwo",
                                  HostPlatform::Linux,
                                  {{"ttyS0", "", kConsole}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  kFallbackS1},
                      MappingCase{"ConsoleAloneIsNeverChosenNorAFallback",
                                  HostPlatform::Linux,
                                  {{"ttyS0", "", kConsole}},
                                  kFallbackS1,
                                  kFallbackS2},
                      MappingCase{"FallbacksStepOverAConsoleOnTheSecondUart",
                                  HostPlatform::Linux,
                                  {{"ttyS1", "", kConsole}},
                                  kFallbackS0,
                                  kFallbackS2},
                      MappingCase{"ConsoleGivenForComOneLeavesComTwoAsItWas",
                                  HostPlatform::Linux,
                                  {{"ttyS0", "", kConsole}},
                                  {"/dev/ttyS0", "", true, kGiven, kConsole},
                                  kFallbackS2,
                                  {"/dev/ttyS0", ""}},
                      MappingCase{"GivenComTwoLeavesComOneAsListed",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}, {"ttyUSB1", "CP2102"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  {"/dev/pts/4", "", true, kGiven},
                                  {"", "/dev/pts/4"}},
                      MappingCase{"BoardUartOfAPiAlone",
                                  HostPlatform::Linux,
                                  {{"ttyAMA0", ""}},
                                  {"/dev/ttyAMA0", "", true, kOther},
                                  kFallbackS1},
                      MappingCase{
                          "OtherDevicesAfterUartsByNameWithNumbersAsNumbers",
                          HostPlatform::Linux,
                          {{"ttyAMA10", ""}, {"ttyS1x", ""}, {"ttyAMA2", ""}, {"rfcomm0", ""}},
                          {"/dev/rfcomm0", "", true, kOther},
                          {"/dev/ttyAMA2", "", true, kOther}},
                      MappingCase{"PortListedTwiceTakesOneNumber",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true, kUsb},
                                  kFallbackS1},
                      MappingCase{"WindowsAdapterKnownByItsVendorIdFirst",
                                  HostPlatform::Windows,
                                  {{"COM1", ""}, {"COM4", "FT232R", false, kUsbIds}},
                                  {"COM4", "FT232R", true},
                                  {"COM1", "", true}},
                      MappingCase{"WindowsAdapterKnownByItsDescriptionFirst",
                                  HostPlatform::Windows,
                                  {{"COM2", "Communications Port"},
                                   {"COM5", "USB-SERIAL CH340"},
                                   {"COM3", "Prolific usb-to-serial"}},
                                  {"COM3", "Prolific usb-to-serial", true},
                                  {"COM5", "USB-SERIAL CH340", true}},
                      MappingCase{"WindowsPortsByNumberWithNumbersAsNumbers",
                                  HostPlatform::Windows,
                                  {{"COM10", ""}, {"COM9", "Communications Port"}, {"COM3", ""}},
                                  {"COM3", "", true},
                                  {"COM9", "Communications Port", true}},
                      MappingCase{"WindowsNoPortsFallsBackToComOneAndComTwo",
                                  HostPlatform::Windows,
                                  {},
                                  {"COM1", "", false},
                                  {"COM2", "", false}},
                      MappingCase{"WindowsOnePortLeavesComTwoNotPresent",
                                  HostPlatform::Windows,
                                  {{"COM1", "Communications Port"}},
                                  {"COM1", "Communications Port", true},
                                  {"COM2", "", false}},
                      MappingCase{"WindowsComTwoAloneLeavesComTwoTheNameComOne",
                                  HostPlatform::Windows,
                                  {{"COM2", "USB Serial Port", false, kUsbIds}},
                                  {"COM2", "USB Serial Port", true},
                                  {"COM1", "", false}},
                      MappingCase{"WindowsTakesAGivenPortAsItIs",
                                  HostPlatform::Windows,
                                  {{"COM1", "Communications Port"}},
                                  {"COM7", "", true, kGiven},
                                  {"COM2", "", false},
                                  {"COM7", ""}}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return info.param.name; });

TEST(PortMapTest, DescriptionsShowDeviceKindAndWhatIsBehindIt) {
    const PortMap map =
        PortMap::Resolve({{"ttyS1", ""}, {"ttyUSB0", "FT232R USB UART"}}, HostPlatform::Linux);
    EXPECT_EQ(map.Describe(1), "/dev/ttyUSB0 \u2014 USB adapter, FT232R USB UART");
    EXPECT_EQ(map.Describe(2), "/dev/ttyS1 \u2014 built-in serial port");
    const PortMap board = PortMap::Resolve({{"ttyAMA0", ""}}, HostPlatform::Linux);
    EXPECT_EQ(board.Describe(1), "/dev/ttyAMA0 \u2014 serial device");
}

TEST(PortMapTest, DescriptionSaysWhenNoDeviceIsPresent) {
    const PortMap onLinux = PortMap::Resolve({}, HostPlatform::Linux);
    EXPECT_EQ(onLinux.Describe(2), "/dev/ttyS1 \u2014 not present");
    const PortMap onWindows =
        PortMap::Resolve({{"COM4", "USB Serial Port", false, kUsbIds}}, HostPlatform::Windows);
    EXPECT_EQ(onWindows.Describe(1), "COM4 \u2014 USB Serial Port");
    EXPECT_EQ(onWindows.Describe(2), "COM2 \u2014 not present");
}

TEST(PortMapTest, GivenDevicesSaySoAndNameTheConsole) {
    const PortMap map = PortMap::Resolve({{"ttyS0", "", kConsole}}, HostPlatform::Linux,
                                         {"/dev/pts/7", "/dev/ttyS0"});
    EXPECT_EQ(map.Describe(1), "/dev/pts/7 \u2014 given on the command line");
    EXPECT_EQ(map.Describe(2), "/dev/ttyS0 \u2014 given on the command line (kernel console)");
}

// What the operator reads in the tooltip and, when GO fails, in the report.
TEST(PortMapTest, APortLeftWithoutADeviceForTheConsoleSaysHowToOpenItOnPurpose) {
    const PortMap consoleOnly = PortMap::Resolve({{"ttyS0", "", kConsole}}, HostPlatform::Linux);
    EXPECT_EQ(consoleOnly.ConsoleNote(1),
              "The only serial port present, /dev/ttyS0, carries the kernel console, so it is "
              "left out; --com1 /dev/ttyS0 opens it on purpose.");
    EXPECT_EQ(consoleOnly.Describe(2),
              "/dev/ttyS2 \u2014 not present\nThe only serial port present, /dev/ttyS0, carries "
              "the kernel console, so it is left out; --com2 /dev/ttyS0 opens it on purpose.");

    const PortMap besideAdapter = PortMap::Resolve(
        {{"ttyUSB0", "FT232R USB UART"}, {"ttyS0", "", kConsole}}, HostPlatform::Linux);
    EXPECT_EQ(besideAdapter.ConsoleNote(1), "");
    EXPECT_EQ(besideAdapter.ConsoleNote(2),
              "/dev/ttyS0 carries the kernel console, so it is left out; --com2 /dev/ttyS0 "
              "opens it on purpose.");

    const PortMap consoleGiven =
        PortMap::Resolve({{"ttyS0", "", kConsole}}, HostPlatform::Linux, {"/dev/ttyS0", ""});
    EXPECT_EQ(consoleGiven.ConsoleNote(2), "");
    EXPECT_EQ(PortMap::Resolve({}, HostPlatform::Linux).ConsoleNote(1), "");
}

TEST(PortMapTest, OnlyPortsOneAndTwoExist) {
    const PortMap map = PortMap::Resolve({}, HostPlatform::Linux);
    EXPECT_THROW((void)map.Port(0), std::out_of_range);
    EXPECT_THROW((void)map.Port(3), std::out_of_range);
}

}  // namespace
}  // namespace dimrix::serial
