#include "monitor/window/PortChooser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <array>
#include <string>
#include <vector>

namespace dimrix::testing {
namespace {

using monitor::PortChooser;
using serial::HostPlatform;
using serial::PortEntry;

struct ChooserCase {
    const char* name;
    HostPlatform platform;
    std::vector<PortEntry> listed;
    bool virtualLine;
    // What the list shows, top to bottom.
    std::vector<std::string> offered;
    // Down presses from the top, then Enter; what the chosen options must name.
    int downs;
    std::string device;
    bool chosenVirtual;
};

// Started without a line, the monitor asks for one: the ports in the panel's order, the
// console's left out, the virtual line last; the keyboard picks one and Enter opens it.
TEST(PortChooserTest, OffersThePortsPresentInThePanelsOrderAndEnterTakesTheOneUnderTheCursor) {
    std::array<char, sizeof "dimrix_monitor_window_tests"> name{"dimrix_monitor_window_tests"};
    int argc = 1;
    std::array<char*, 1> argv{name.data()};
    const QApplication app(argc, argv.data());

    const ChooserCase cases[] = {
        {"linux",
         HostPlatform::Linux,
         {{"ttyS0", "", true, false},
          {"ttyS1", "", false, false},
          {"ttyACM0", "Arduino Uno", false, true},
          {"ttyUSB10", "FT232R USB UART", false, true},
          {"ttyUSB2", "CP2102 USB to UART Bridge Controller", false, true},
          {"ttyAMA0", "", false, false}},
         true,
         {"/dev/ttyUSB2 \u2014 USB adapter, CP2102 USB to UART Bridge Controller",
          "/dev/ttyUSB10 \u2014 USB adapter, FT232R USB UART",
          "/dev/ttyACM0 \u2014 USB adapter, Arduino Uno", "/dev/ttyS1 \u2014 built-in serial port",
          "/dev/ttyAMA0 \u2014 serial device",
          "Virtual line \u2014 a pseudo-terminal a panel can be pointed at, with nothing "
          "plugged in"},
         3,
         "/dev/ttyS1",
         false},
        {"linux, the virtual line",
         HostPlatform::Linux,
         {{"ttyUSB0", "", false, true}},
         true,
         {"/dev/ttyUSB0 \u2014 USB adapter",
          "Virtual line \u2014 a pseudo-terminal a panel can be pointed at, with nothing "
          "plugged in"},
         1,
         "",
         true},
        {"windows",
         HostPlatform::Windows,
         {{"COM10", "Communications Port", false, false},
          {"COM3", "", false, false},
          {"COM7", "USB Serial Port", false, false},
          {"COM12", "Silicon Labs CP210x", false, true}},
         false,
         {"COM7 \u2014 USB Serial Port", "COM12 \u2014 Silicon Labs CP210x", "COM3",
          "COM10 \u2014 Communications Port"},
         2,
         "COM3",
         false},
    };
    for (const ChooserCase& c : cases) {
        SCOPED_TRACE(c.name);
        PortChooser chooser(c.listed, c.platform, c.virtualLine);
        chooser.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
        EXPECT_EQ(chooser.Offered(), c.offered);
        auto* list = chooser.findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(list->hasFocus()) << "the list takes the keyboard at once";
        for (int down = 0; down < c.downs; ++down) {
            QTest::keyClick(list, Qt::Key_Down);
        }
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(chooser.result(), QDialog::Accepted);
        EXPECT_FALSE(chooser.isVisible());
        EXPECT_EQ(chooser.Chosen().device, c.device);
        EXPECT_EQ(chooser.Chosen().virtualLine, c.chosenVirtual);
        EXPECT_FALSE(chooser.Chosen().text);
    }
}

}  // namespace
}  // namespace dimrix::testing
