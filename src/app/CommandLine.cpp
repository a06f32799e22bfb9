#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/OptionTexts.h"
#include "serial/PortService.h"

namespace dimrix::app {

namespace {

constexpr int kSuccess = 0;
constexpr int kUsageError = 2;
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

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QString PortOption(std::int16_t portNumber) {
    return QString(serial::kPortOptionStem) + QString::number(portNumber);
}

}  // namespace

CommandLine::CommandLine(int argc, char* argv[]) {
    // A core application needs no display; the usage line names the program through it.
    // It gets a copy of the argument list, which it may shorten.
    std::vector<char*> arguments(argv, argv + argc);
    arguments.push_back(nullptr);
    int count = argc;
    const QCoreApplication application(count, arguments.data());
    QCoreApplication::setApplicationVersion(texts::kVersion);

    QCommandLineParser parser;
    // Qt's options take one dash ("-platform"); ours work with one or two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(texts::kDescription);
    const QCommandLineOption help({"h", "help"}, texts::kHelp);
    const QCommandLineOption version({"v", "version"}, texts::kVersionHelp);
    const std::array ports{
        QCommandLineOption(PortOption(serial::kFirstPort), texts::kCom1, kDeviceValue),
        QCommandLineOption(PortOption(serial::kSecondPort), texts::kCom2, kDeviceValue),
    };
    parser.addOptions({help, version, ports[0], ports[1]});
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(qt.name, {}, qt.takesValue ? "value" : QString());
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const auto usageError = [&](const QString& problem) {
        Print(stderr,
              QCoreApplication::applicationName() + ": " + problem + "\n\n" + parser.helpText());
        m_exitStatus = kUsageError;
    };
    if (!parser.parse(QCoreApplication::arguments())) {
        usageError(parser.errorText());
        return;
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText() + '\n' + texts::kQtNote + '\n');
        m_exitStatus = kSuccess;
        return;
    }
    if (parser.isSet(version)) {
        Print(stdout, QCoreApplication::applicationName() + ' ' +
                          QCoreApplication::applicationVersion() + '\n');
        m_exitStatus = kSuccess;
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        usageError("Unexpected argument '" + parser.positionalArguments().constFirst() + "'.");
        return;
    }
    std::array<std::string*, 2> paths{&m_ports.com1, &m_ports.com2};
    for (std::size_t slot = 0; slot < ports.size(); ++slot) {
        if (!parser.isSet(ports.at(slot))) {
            continue;
        }
        const QString device = parser.value(ports.at(slot));
        if (device.isEmpty()) {
            usageError("Empty device after '--" + ports.at(slot).names().constFirst() + "'.");
            return;
        }
        *paths.at(slot) = device.toStdString();
    }
}

}  // namespace dimrix::app
