#pragma once

#include <QByteArray>
#include <QJsonObject>

#include "bridge/qt/ConsoleStatus.h"

namespace dimrix::bridge {

// The web console's state as JSON, one object at a time, with Qt's JSON writer: what the
// page and the API's scripts read (docs/bridge.md lists the members).
class StateJson {
public:
    // "version" and "open", as members without the braces around them.
    [[nodiscard]] static QByteArray Head(const char* version, bool open);
    [[nodiscard]] static QByteArray Line(const LineStatus& line);
    [[nodiscard]] static QByteArray Universe(const UniverseStatus& universe);
    // {"ok": true}, or {"error": text}.
    [[nodiscard]] static QByteArray Ok();
    [[nodiscard]] static QByteArray Error(const QString& text);

private:
    [[nodiscard]] static QByteArray Compact(const QJsonObject& object);
};

}  // namespace dimrix::bridge
