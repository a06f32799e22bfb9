#include "serial/qt/QtSerialDevice.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "serial/LinkError.h"
#include "serial/qt/OpenFailureCause.h"
#include "serial/qt/QtErrorNumbers.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace dimrix::serial {

namespace {

constexpr qint64 kOneByte = 1;

// Start bit, eight data bits, stop bit: what one octet costs on the line.
constexpr std::int64_t kBitTimesPerOctet = 10;
constexpr std::int64_t kMillisecondsPerSecond = 1000;
// Bytes still queued at close get twice their line time to leave, plus room for the
// driver to get going: enough for a healthy line, short enough for a stuck one.
constexpr std::int64_t kDrainMargin = 2;
constexpr std::chrono::milliseconds kDrainSlack{500};
// How often the driver's queue is looked at while it empties; about 19 octets at 19200.
constexpr std::chrono::milliseconds kDrainPollInterval{10};

// An error that may be transient (Qt reports EAGAIN as a resource error) counts as a
// lost device only on a hang-up or when it keeps coming without a byte moving; Qt
// retries a failed transfer at every event-loop pass, so three is reached at once.
constexpr int kUnconfirmedFaultLimit = 3;

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

// QSerialPort's form of the settings.
// Throws LinkError(errors::kSettingsRejected) for anything it has no form for.
QtLineSettings Translate(const LineSettings& settings) {
    const auto parity = Lookup(kParities, settings.parity);
    const auto stopBits = Lookup(kStopBits, settings.stopBits);
    const bool dataBitsValid =
        settings.dataBits >= kMinDataBits && settings.dataBits <= kMaxDataBits;
    if (settings.baudRate <= 0 || !dataBitsValid || !parity || !stopBits) {
        throw LinkError(errors::kSettingsRejected,
                        "line settings " + settings.Text() + " not supported");
    }
    return {settings.baudRate, static_cast<QSerialPort::DataBits>(settings.dataBits), *parity,
            *stopBits};
}

}  // namespace

QtSerialDevice::QtSerialDevice() {
    QSerialPort* port = m_port.get();
    QObject::connect(port, &QSerialPort::errorOccurred, port,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
    QObject::connect(port, &QSerialPort::readyRead, port, [this] { DiscardInput(); });
    QObject::connect(port, &QSerialPort::bytesWritten, port, [this] { OnProgress(); });
}

QtSerialDevice::~QtSerialDevice() {
    Close();
}

void QtSerialDevice::CheckSettings(const LineSettings& settings) {
    (void)Translate(settings);
}

void QtSerialDevice::ApplySettings(const LineSettings& settings) {
    const QtLineSettings qt = Translate(settings);
    const bool applied = m_port->setBaudRate(qt.baudRate) && m_port->setDataBits(qt.dataBits) &&
                         m_port->setParity(qt.parity) && m_port->setStopBits(qt.stopBits) &&
                         m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        throw LinkError(errors::kSettingsRejected,
                        "line settings " + settings.Text() + " not supported");
    }
}

void QtSerialDevice::Open(const std::string& device, const LineSettings& settings) {
    if (m_state != State::Closed) {
        throw std::logic_error("the port is already open");
    }
    // QSerialPort keeps settings made while closed and applies them as it opens, so the
    // device never runs a moment at another speed.
    ApplySettings(settings);
    m_port->setReadBufferSize(kInputBufferSize);
    m_port->setPortName(QString::fromStdString(device));
    if (!m_port->open(QIODevice::ReadWrite)) {
        throw OpenFailureCause(device).Explain(m_port->error(),
                                               m_port->errorString().toStdString());
    }
    m_device = device;
    m_fault = 0;
    m_unconfirmedFaults = 0;
    ++m_opening;
    m_state = State::Open;
}

void QtSerialDevice::Close() {
    if (m_state == State::Open) {
        DrainOutput();
    }
    // Closed first, so that errors the closing itself raises are not taken for faults.
    m_state = State::Closed;
    Release();
}

void QtSerialDevice::Write(protocol::Byte value) {
    if (m_state == State::Closed) {
        throw LinkError(errors::kPortNotOpen, "the port is not open");
    }
    // The error signal of a lost device arrives only on a later event-loop pass; asking
    // the descriptor makes the first send after an unplug fail, not the one after it.
    if (m_state == State::Open && DeviceHungUp()) {
        Break(errors::kDeviceLost);
    }
    if (m_state == State::Broken) {
        throw LinkError(m_fault, m_device + ": the device failed; connect again");
    }
    const char octet = static_cast<char>(value);
    if (m_port->write(&octet, kOneByte) != kOneByte) {
        Break(errors::kWriteFailed);
        throw LinkError(m_fault, m_device + ": " + m_port->errorString().toStdString());
    }
    // QSerialPort would hand the bytes to the driver on the next event-loop pass, after
    // the window has repainted the sliders that moved: a few milliseconds late with eight
    // channels fading. Handing each finished frame over at once keeps the fade clock
    // true on the wire; what the driver cannot take yet still leaves on the event loop.
    if (value == protocol::kFrameEnd) {
        m_port->flush();
    }
}

void QtSerialDevice::OnError(QSerialPort::SerialPortError error) {
    // Errors of an open attempt are the open's to report; a broken port has its fault.
    if (m_state != State::Open) {
        return;
    }
    const std::optional<ErrorNumber> number = LineFaultNumber(error);
    if (!number) {
        return;
    }
    if (*number == errors::kDeviceLost && !DeviceHungUp() &&
        ++m_unconfirmedFaults < kUnconfirmedFaultLimit) {
        return;
    }
    Break(*number);
}

void QtSerialDevice::OnProgress() {
    m_unconfirmedFaults = 0;
}

void QtSerialDevice::DiscardInput() {
    // Nothing on this line is meant for the panel. Reading it out keeps the device from
    // holding it, and the bounded read buffer keeps a flooding peer from growing memory.
    m_port->skip(m_port->bytesAvailable());
    OnProgress();
}

void QtSerialDevice::Break(ErrorNumber number) {
    m_state = State::Broken;
    m_fault = number;
    // Qt keeps retrying a failed transfer on every pass of the event loop until the port
    // is closed, but closing from inside its error signal can raise the signal again.
    // The release therefore runs as a queued call, and only for this same opening.
    QMetaObject::invokeMethod(
        m_port.get(),
        [this, opening = m_opening] {
            if (m_state == State::Broken && m_opening == opening) {
                Release();
            }
        },
        Qt::QueuedConnection);
}

void QtSerialDevice::Release() {
    if (m_port->isOpen()) {
        m_port->close();
    }
}

void QtSerialDevice::DrainOutput() {
    // Closing drops whatever QSerialPort still holds, and then puts back the line
    // settings the device had before, so bytes left in the driver would leave at the
    // wrong speed. Both queues are emptied first, within a deadline sized to the backlog.
    const std::int64_t bytesPerSecond =
        std::max<std::int64_t>(m_port->baudRate() / kBitTimesPerOctet, 1);
    const std::int64_t backlog = m_port->bytesToWrite() + DriverBacklog();
    const QDeadlineTimer deadline(std::chrono::milliseconds(backlog * kMillisecondsPerSecond *
                                                            kDrainMargin / bytesPerSecond) +
                                  kDrainSlack);
    while (m_state == State::Open && m_port->bytesToWrite() > 0 && !deadline.hasExpired()) {
        // A false return is a timeout (the loop ends on the deadline) or an error, which
        // OnError has judged: a fault ends the loop, a transient one is waited out.
        m_port->waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    }
    while (m_state == State::Open && DriverBacklog() > 0 && !deadline.hasExpired()) {
        std::this_thread::sleep_for(kDrainPollInterval);
    }
}

bool QtSerialDevice::DeviceHungUp() const {
#ifdef Q_OS_UNIX
    // A tty that lost its device (USB unplug, the far end of a pseudo-terminal closed)
    // reports a hang-up; a closed descriptor reports itself invalid.
    pollfd probe{m_port->handle(), POLLOUT, 0};
    if (::poll(&probe, 1, 0) <= 0) {
        return false;
    }
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

std::int64_t QtSerialDevice::DriverBacklog() const {
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    int queued = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &queued) != 0) {
        return 0;
    }
    return queued;
#else
    return 0;
#endif
}

}  // namespace dimrix::serial
