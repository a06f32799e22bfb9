#include "serial/qt/PortOpening.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "serial/LinkError.h"
#include "serial/qt/OpenFailureCause.h"

namespace dimrix::serial {

namespace {

constexpr int kMinDataBits = 5;
constexpr int kMaxDataBits = 8;

// The parity letters of a settings text ("19200,N,8,1") and the stop-bit counts it can
// give, with what QSerialPort calls them.
constexpr auto kParities = std::to_array<std::pair<char, QSerialPort::Parity>>({
    {'N', QSerialPort::NoParity},
    {'E', QSerialPort::EvenParity},
    {'O', QSerialPort::OddParity},
    {'M', QSerialPort::MarkParity},
    {'S', QSerialPort::SpaceParity},
});
constexpr auto kStopBits = std::to_array<std::pair<std::int16_t, QSerialPort::StopBits>>({
    {1, QSerialPort::OneStop},
    {2, QSerialPort::TwoStop},
});

struct QtLineSettings {
    qint32 baudRate = 0;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

template <typename Key, typename Value, std::size_t Size>
std::optional<Value> Lookup(const std::array<std::pair<Key, Value>, Size>& table, Key key) {
    const auto found = std::ranges::find(table, key, &std::pair<Key, Value>::first);
    return found == table.end() ? std::nullopt : std::optional<Value>(found->second);
}

LinkError Rejected(const LineSettings& settings) {
    return LinkError(errors::kSettingsRejected,
                     "line settings " + settings.Text() + " not supported");
}

// QSerialPort's form of the settings.
// Throws LinkError(errors::kSettingsRejected) for anything it has no form for.
QtLineSettings Translate(const LineSettings& settings) {
    const auto parity = Lookup(kParities, settings.parity);
    const auto stopBits = Lookup(kStopBits, settings.stopBits);
    const bool dataBitsValid =
        settings.dataBits >= kMinDataBits && settings.dataBits <= kMaxDataBits;
    if (settings.baudRate <= 0 || !dataBitsValid || !parity || !stopBits) {
        throw Rejected(settings);
    }
    return {settings.baudRate, static_cast<QSerialPort::DataBits>(settings.dataBits), *parity,
            *stopBits};
}

}  // namespace

void CheckLineSettings(const LineSettings& settings) {
    (void)Translate(settings);
}

void OpenPort(QSerialPort& port, const std::string& device, const LineSettings& settings,
              QIODevice::OpenMode mode) {
    const QtLineSettings qt = Translate(settings);
    const bool applied = port.setBaudRate(qt.baudRate) && port.setDataBits(qt.dataBits) &&
                         port.setParity(qt.parity) && port.setStopBits(qt.stopBits) &&
                         port.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        throw Rejected(settings);
    }
    port.setPortName(QString::fromStdString(device));
    if (!port.open(mode)) {
        throw OpenFailureCause(device).Explain(port.error(), port.errorString().toStdString());
    }
}

}  // namespace dimrix::serial
