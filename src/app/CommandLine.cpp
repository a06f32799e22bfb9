#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>

#include "app/OptionTexts.h"
#include "platform/CommandLineParse.h"
#include "serial/PortService.h"

namespace dimrix::app {

namespace {

constexpr const char* kDeviceValue = "device";

// Options QApplication reads from the same arguments. Declared, hidden from the help,
// so that the parser does not take them for unknown ones.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr std::array kQtOptions{
    QtOption{"platform", true},
    QtOption{"platformpluginpath", true},
    QtOption{"platformtheme", true},
    QtOption{"plugin", true},
    QtOption{"qwindowgeometry", true},
    QtOption{"qwindowicon", true},
    QtOption{"qwindowtitle", true},
    QtOption{"reverse", false},
    QtOption{"session", true},
    QtOption{"style", true},
    QtOption{"stylesheet", true},
    QtOption{"widgetcount", false},
    QtOption{"qmljsdebugger", true},
    QtOption{"testability", false},
    // The X11 names, read on the xcb platform.
    QtOption{"display", true},
    QtOption{"geometry", true},
    QtOption{"title", true},
    QtOption{"icon", true},
    QtOption{"name", true},
    QtOption{"visual", true},
    QtOption{"nograb", false},
    QtOption{"dograb", false},
    QtOption{"sync", false},
};

QString PortOption(std::int16_t portNumber) {
    return QString(serial::kPortOptionStem) + QString::number(portNumber);
}

}  // namespace

CommandLine::CommandLine(int argc, char* argv[]) {
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << QString::fromLocal8Bit(argv[index]);
    }
    // The usage line names the program as it was started.
    platform::CommandLineParse parse(
        kProgram, {texts::kDescription, texts::kHelp, texts::kVersionHelp, texts::kVersion},
        argc > 0 ? argv[0] : nullptr);
    parse.SetHelpNote(texts::kQtNote);
    QCommandLineParser& parser = parse.Parser();
    // Qt's options take one dash ("-platform"); ours work with one or two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const std::array ports{
        QCommandLineOption(PortOption(serial::kFirstPort), texts::kCom1, kDeviceValue),
        QCommandLineOption(PortOption(serial::kSecondPort), texts::kCom2, kDeviceValue),
    };
    parser.addOptions({ports[0], ports[1]});
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(qt.name, {}, qt.takesValue ? "value" : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (const std::optional<int> status = parse.Read(arguments)) {
        m_exitStatus = status;
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_exitStatus = parse.UsageError("Unexpected argument '" +
                                        parser.positionalArguments().constFirst() + "'.");
        return;
    }
    std::array<std::string*, 2> paths{&m_ports.com1, &m_ports.com2};
    for (std::size_t slot = 0; slot < ports.size(); ++slot) {
        if (!parser.isSet(ports.at(slot))) {
            continue;
        }
        const QString device = parser.value(ports.at(slot));
        if (device.isEmpty()) {
            m_exitStatus = parse.UsageError("Empty device after '--" +
                                            ports.at(slot).names().constFirst() + "'.");
            return;
        }
        *paths.at(slot) = device.toStdString();
    }
}

}  // namespace dimrix::app
