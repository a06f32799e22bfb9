#include "bridge/qt/StateJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace dimrix::bridge {

namespace {

// Rates and times to a tenth: the page shows no more, and an unchanged figure makes no
// update. Divided, not multiplied, so that 3.3 is written as 3.3.
double Tenths(double value) {
    constexpr double kTenths = 10.0;
    return std::round(value * kTenths) / kTenths;
}

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString StateName(LineStatus::State state) {
    switch (state) {
        case LineStatus::State::Lost:
            return "lost";
        case LineStatus::State::Back:
            return "back";
        case LineStatus::State::Open:
            break;
    }
    return "open";
}

}  // namespace

QByteArray StateJson::Head(const char* version, bool open) {
    QByteArray whole = Compact(QJsonObject{{"version", version}, {"open", open}});
    // Without the braces: the lines and universes follow in the same object.
    return whole.mid(1, whole.size() - 2);
}

QByteArray StateJson::Line(const LineStatus& line) {
    constexpr double kLineBytesPerSecond = 1920.0;
    constexpr double kPerCent = 100.0;
    QJsonArray levels;
    QJsonArray pending;
    QJsonArray drivers;
    for (int board = 0; board < protocol::kAddressCount; ++board) {
        QJsonArray channels;
        for (int channel = 0; channel < protocol::kChannelCount; ++channel) {
            channels.append(
                line.levels[static_cast<std::size_t>(board * protocol::kChannelCount + channel)]);
        }
        levels.append(channels);
        if (line.pending.test(static_cast<std::size_t>(board))) {
            pending.append(protocol::kFirstAddress + board);
        }
        drivers.append(TextOrNull(line.drivers[static_cast<std::size_t>(board)]));
    }
    QJsonValue identify(QJsonValue::Null);
    if (line.identifyBoard) {
        identify = QJsonObject{{"board", *line.identifyBoard},
                               {"secondsLeft", Tenths(line.identifySecondsLeft)}};
    }
    return Compact(QJsonObject{
        {"index", static_cast<int>(line.index)},
        {"device", line.device},
        {"universe", line.universe},
        {"firstSlot", line.firstSlot},
        {"lastSlot", line.lastSlot},
        {"artNet", TextOrNull(line.artNet)},
        {"state", StateName(line.state)},
        {"lostSince", TextOrNull(line.lostSince)},
        {"framesPerSecond", Tenths(line.framesPerSecond)},
        {"bytesPerSecond", Tenths(line.bytesPerSecond)},
        {"load", Tenths(line.bytesPerSecond * kPerCent / kLineBytesPerSecond)},
        {"levels", levels},
        {"pending", pending},
        {"drivers", drivers},
        {"identify", identify},
    });
}

QByteArray StateJson::Universe(const UniverseStatus& universe) {
    QJsonValue lossLast(QJsonValue::Null);
    if (universe.lossLast) {
        lossLast =
            QJsonObject{{"at", universe.lossLast->at},
                        {"did", universe.lossLast->allOff ? "sent All OFF" : "held the last look"}};
    }
    QJsonArray contested;
    for (const UniverseStatus::Contested& each : universe.contested) {
        contested.append(QJsonObject{{"line", static_cast<int>(each.line)},
                                     {"board", each.board},
                                     {"channel", each.channel},
                                     {"source", each.source},
                                     {"priority", each.priority},
                                     {"higherOrEqualLevel", each.higherOrEqualLevel}});
    }
    QJsonArray sources;
    for (const UniverseStatus::Source& source : universe.sources) {
        sources.append(QJsonObject{
            {"id", source.id},
            {"name", source.name},
            {"protocol", source.protocol},
            {"address", TextOrNull(source.address)},
            {"priority", source.priority},
            {"perAddress", source.perAddress},
            {"packetsPerSecond", Tenths(source.packetsPerSecond)},
            {"secondsSinceLast", Tenths(source.secondsSinceLast)},
            {"dropped", QJsonObject{{"late", static_cast<qint64>(source.droppedLate)}}},
        });
    }
    return Compact(QJsonObject{
        {"universe", universe.universe},
        {"loss", universe.lossOff ? "off" : "hold"},
        {"lossLast", lossLast},
        {"console", QJsonObject{{"taken", universe.consoleTaken},
                                {"priority", universe.consolePriority},
                                {"contested", contested}}},
        {"sources", sources},
    });
}

QByteArray StateJson::Ok() {
    return Compact(QJsonObject{{"ok", true}});
}

QByteArray StateJson::Error(const QString& text) {
    return Compact(QJsonObject{{"error", text}});
}

QByteArray StateJson::Compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace dimrix::bridge
