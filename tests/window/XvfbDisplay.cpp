#include "XvfbDisplay.h"

#include <xcb/xcb.h>

#include <QRegularExpression>
#include <QtTest/QTest>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace dimrix::testing {

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr int kStartMilliseconds = 20000;
// How long a program under test may take to show its window, on a loaded machine.
constexpr int kWindowMilliseconds = 30000;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeReply> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

int Field(const QString& report, const char* label) {
    const QRegularExpression pattern(QString("^\\s*%1:\\s*(-?\\d+)").arg(label),
                                     QRegularExpression::MultilineOption);
    return pattern.match(report).captured(1).toInt();
}

}  // namespace

XvfbDisplay::XvfbDisplay() {
    // With -displayfd the server takes the first free display number itself and writes
    // it to our pipe once it accepts connections: no guessing, no race.
    // -noreset: by default the server resets whenever its last client hangs up, and
    // refuses connections meanwhile; every xwininfo poll is such a client, so the program
    // under test would now and then be turned away at start.
    m_server.start("Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0",
                            QString("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight)});
    if (!m_server.waitForStarted(kStartMilliseconds)) {
        throw std::runtime_error("Xvfb did not start: " + m_server.errorString().toStdString());
    }
    while (!m_server.canReadLine() && m_server.waitForReadyRead(kStartMilliseconds)) {
    }
    const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
    if (number.isEmpty()) {
        throw std::runtime_error("Xvfb did not report its display");
    }
    m_name = ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
    m_server.terminate();
    m_server.waitForFinished(kStartMilliseconds);
}

QSize XvfbDisplay::ScreenSize() {
    return {kScreenWidth, kScreenHeight};
}

std::optional<XvfbDisplay::Window> XvfbDisplay::FindWindow(const QString& title) const {
    QProcess info;
    info.start("xwininfo", {"-display", m_name, "-name", title});
    if (!info.waitForFinished(kStartMilliseconds) || info.exitCode() != 0) {
        return std::nullopt;
    }
    const QString report = QString::fromLocal8Bit(info.readAllStandardOutput());
    const QRegularExpression idPattern("Window id: (0x[0-9a-fA-F]+)");
    bool parsed = false;
    const unsigned long id = idPattern.match(report).captured(1).toULong(&parsed, 16);
    if (!parsed) {
        return std::nullopt;
    }
    return Window{
        id,
        QRect(Field(report, "Absolute upper-left X"), Field(report, "Absolute upper-left Y"),
              Field(report, "Width"), Field(report, "Height")),
        report.contains("Map State: IsViewable")};
}

std::optional<XvfbDisplay::Window> XvfbDisplay::AwaitWindow(const QString& title) const {
    std::optional<Window> window;
    const bool shown = QTest::qWaitFor(
        [&] {
            window = FindWindow(title);
            return window && window->viewable;
        },
        kWindowMilliseconds);
    return shown ? window : std::nullopt;
}

void XvfbDisplay::Click(QPoint where) const {
    QProcess xdotool;
    xdotool.setProcessEnvironment(Environment());
    xdotool.start("xdotool", {"mousemove", "--sync", QString::number(where.x()),
                              QString::number(where.y()), "click", "1"});
    if (!xdotool.waitForFinished(kWindowMilliseconds) ||
        xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0) {
        throw std::runtime_error("xdotool failed: " + xdotool.errorString().toStdString() + ' ' +
                                 xdotool.readAllStandardError().toStdString());
    }
}

QProcessEnvironment XvfbDisplay::WithoutDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(name);
    }
    environment.insert("LSAN_OPTIONS", "suppressions=" DIMRIX_LSAN_SUPPRESSIONS);
    return environment;
}

QProcessEnvironment XvfbDisplay::Environment() const {
    QProcessEnvironment environment = WithoutDisplay();
    environment.insert("DISPLAY", m_name);
    return environment;
}

void XvfbDisplay::RequestClose(unsigned long window) const {
    xcb_connection_t* connection = xcb_connect(m_name.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        throw std::runtime_error("cannot connect to " + m_name.toStdString());
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = Atom(connection, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so that the server has handled the request before we hang up: requests
    // still in flight when a client disconnects may be dropped.
    const std::unique_ptr<xcb_generic_error_t, FreeReply> error(xcb_request_check(
        connection, xcb_send_event_checked(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                           reinterpret_cast<const char*>(&message))));
    xcb_disconnect(connection);
    if (error) {
        throw std::runtime_error("the X server refused the close request");
    }
}

}  // namespace dimrix::testing
