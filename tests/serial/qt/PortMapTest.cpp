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
};

void PrintTo(const MappingCase& mappingCase, std::ostream* out) {
    *out << mappingCase.name;
}

class PortMapResolveTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(PortMapResolveTest, MapsComOneAndComTwo) {
    const MappingCase& c = GetParam();
    const PortMap map = PortMap::Resolve(c.listed, c.platform);
    EXPECT_EQ(map.Port(1), c.com1);
    EXPECT_EQ(map.Port(2), c.com2);
}

const MappedPort kFallbackS0{"/dev/ttyS0", "", false};
const MappedPort kFallbackS1{"/dev/ttyS1", "", false};

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
                                  {"/dev/ttyS1", "16550A", true},
                                  {"/dev/ttyS2", "", true}},
                      MappingCase{"OneUartLeavesComTwoOnItsFallback",
                                  HostPlatform::Linux,
                                  {{"ttyS0", ""}},
                                  {"/dev/ttyS0", "", true},
                                  kFallbackS1},
                      MappingCase{"UsbOnlyByNameWithNumbersAsNumbers",
                                  HostPlatform::Linux,
                                  {{"ttyUSB10", "CP2102"}, {"ttyUSB2", "FT232R USB UART"}},
                                  {"/dev/ttyUSB2", "FT232R USB UART", true},
                                  {"/dev/ttyUSB10", "CP2102", true}},
                      MappingCase{"AcmSortsBeforeUsbByName",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}, {"ttyACM0", "CDC modem"}},
                                  {"/dev/ttyACM0", "CDC modem", true},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true}},
                      MappingCase{"SingleUsbAdapterIsComOne",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true},
                                  kFallbackS1},
                      MappingCase{"UartsBeforeUsbAdaptersWhateverTheListOrder",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}, {"ttyS1", ""}},
                                  {"/dev/ttyS1", "", true},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true}},
                      MappingCase{"OtherDevicesAndOddNamesAreNotPorts",
                                  HostPlatform::Linux,
                                  {{"ttyAMA0", ""},
                                   {"rfcomm0", ""},
                                   {"ttyS", ""},
                                   {"ttyS1x", ""},
                                   {"ttyUSB", ""},
                                   {"COM1", ""},
                                   {"ttyUSB-1", ""}},
                                  kFallbackS0,
                                  kFallbackS1},
                      MappingCase{"PortListedTwiceTakesOneNumber",
                                  HostPlatform::Linux,
                                  {{"ttyUSB0", "FT232R USB UART"}, {"ttyUSB0", "FT232R USB UART"}},
                                  {"/dev/ttyUSB0", "FT232R USB UART", true},
                                  kFallbackS1},
                      MappingCase{"WindowsPortsAreNamedComN",
                                  HostPlatform::Windows,
                                  {{"COM3", "USB Serial Port"}, {"COM2", "Communications Port"}},
                                  {"COM1", "", false},
                                  {"COM2", "Communications Port", true}},
                      MappingCase{"WindowsIgnoresLinuxNames",
                                  HostPlatform::Windows,
                                  {{"ttyS0", ""}, {"COM1", "Communications Port"}},
                                  {"COM1", "Communications Port", true},
                                  {"COM2", "", false}}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return info.param.name; });

TEST(PortMapTest, DescriptionsShowDeviceAndWhatIsBehindIt) {
    const PortMap map =
        PortMap::Resolve({{"ttyUSB0", "FT232R USB UART"}, {"ttyS0", ""}}, HostPlatform::Linux);
    EXPECT_EQ(map.Describe(1), "/dev/ttyS0");
    EXPECT_EQ(map.Describe(2), "/dev/ttyUSB0 \u2014 FT232R USB UART");
}

TEST(PortMapTest, DescriptionSaysWhenNoDeviceWasDetected) {
    const PortMap onLinux = PortMap::Resolve({}, HostPlatform::Linux);
    EXPECT_EQ(onLinux.Describe(2), "/dev/ttyS1 \u2014 not detected");
    const PortMap onWindows = PortMap::Resolve({}, HostPlatform::Windows);
    EXPECT_EQ(onWindows.Describe(1), "COM1 \u2014 not detected");
}

TEST(PortMapTest, FixedDevicesAreShownBare) {
    const PortMap map = PortMap::Fixed("/dev/pts/7", "/dev/pts/8");
    EXPECT_EQ(map.Port(2), (MappedPort{"/dev/pts/8", "", true}));
    EXPECT_EQ(map.Describe(1), "/dev/pts/7");
}

TEST(PortMapTest, OnlyPortsOneAndTwoExist) {
    const PortMap map = PortMap::Resolve({}, HostPlatform::Linux);
    EXPECT_THROW((void)map.Port(0), std::out_of_range);
    EXPECT_THROW((void)map.Port(3), std::out_of_range);
}

}  // namespace
}  // namespace dimrix::serial
