#include "serial/qt/PortListing.h"

#include <QSerialPortInfo>
#include <fstream>
#include <set>
#include <string>
#include <utility>

namespace dimrix::serial {

namespace {

// The terminals the kernel writes its console to ("tty0 ttyS0"); the file is missing
// where there is no console, and on hosts without sysfs.
constexpr const char* kConsoleList = "/sys/class/tty/console/active";

std::set<std::string> ConsolePorts() {
    std::set<std::string> names;
    std::ifstream list(kConsoleList);
    for (std::string name; list >> name;) {
        names.insert(name);
    }
    return names;
}

}  // namespace

std::vector<PortEntry> PortListing::Present() {
    const std::set<std::string> consoles = ConsolePorts();
    std::vector<PortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        std::string name = info.portName().toStdString();
        const bool console = consoles.contains(name);
        ports.push_back({std::move(name), info.description().toStdString(), console,
                         info.hasVendorIdentifier()});
    }
    return ports;
}

}  // namespace dimrix::serial
