#pragma once

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <optional>

namespace dimrix::testing {

// A private X server (Xvfb) on a display number nobody else uses, for as long as the
// object lives, and what a test needs to look at and close windows on it.
class XvfbDisplay {
public:
    // A top-level window as the X server sees it.
    struct Window {
        unsigned long id = 0;
        QRect geometry;
        bool viewable = false;
    };

    // Throws std::runtime_error if Xvfb does not start.
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":N", for DISPLAY.
    [[nodiscard]] const QString& Name() const { return m_name; }
    // The size of the screen the server emulates.
    [[nodiscard]] static QSize ScreenSize();
    // The window with this title once it is shown, waiting for it; nothing if it did
    // not appear.
    [[nodiscard]] std::optional<Window> AwaitWindow(const QString& title) const;
    // A click as the pointer gives it, through the server's test extension (xdotool).
    // Throws std::runtime_error if xdotool fails.
    void Click(QPoint where) const;
    // Asks a window to close the way a window manager's close button does
    // (WM_DELETE_WINDOW).
    void RequestClose(unsigned long window) const;

    // The environment for a program under test with no display of any kind; only read
    // by sanitizer builds, it also names the leaks of system libraries that are not the
    // program's.
    [[nodiscard]] static QProcessEnvironment WithoutDisplay();
    // The same, with this display as the only one.
    [[nodiscard]] QProcessEnvironment Environment() const;

private:
    // The window with this title, as xwininfo reports it, if there is one.
    [[nodiscard]] std::optional<Window> FindWindow(const QString& title) const;

    QProcess m_server;
    QString m_name;
};

}  // namespace dimrix::testing
