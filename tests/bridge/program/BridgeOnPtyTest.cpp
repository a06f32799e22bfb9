#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "BridgeProcess.h"
#include "SamplePackets.h"
#include "support/PseudoTerminal.h"

namespace dimrix::testing {
namespace {

using bridge::samples::Bytes;
using Clock = std::chrono::steady_clock;

constexpr int kDeadlineMilliseconds = BridgeProcess::kDeadlineMilliseconds;
constexpr std::uint16_t kSacnPort = 5568;
constexpr std::uint16_t kArtNetPort = 6454;
// What the boards' line carries in a second, and what a paced reader takes.
constexpr double kLineBytesPerSecond = 1920.0;

void Send(const Bytes& datagram, std::uint16_t port) {
    QUdpSocket socket;
    ASSERT_EQ(socket.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                                   static_cast<qint64>(datagram.size()),
                                   QHostAddress(QHostAddress::LocalHost), port),
              static_cast<qint64>(datagram.size()));
}

// The master end read no faster than the boards' UART reads the line.
class PacedReader {
public:
    explicit PacedReader(const PseudoTerminal& pty) : m_pty(pty) {}

    void Read() {
        const double allowed =
            std::chrono::duration<double>(Clock::now() - m_start).count() * kLineBytesPerSecond;
        if (allowed > static_cast<double>(m_bytes.size())) {
            m_pty.ReadInto(m_bytes, static_cast<std::size_t>(allowed) - m_bytes.size());
        }
    }
    // Reads at once everything there is: what the bridge has handed over by now.
    std::size_t ReadAllThere() {
        m_pty.ReadInto(m_bytes);
        return m_bytes.size();
    }
    // Reads until `done` holds of what arrived; false when it never does.
    bool ReadUntil(const std::function<bool(const std::vector<std::uint8_t>&)>& done) {
        return QTest::qWaitFor(
            [&] {
                Read();
                return done(m_bytes);
            },
            kDeadlineMilliseconds);
    }
    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    const PseudoTerminal& m_pty;
    Clock::time_point m_start = Clock::now();
    std::vector<std::uint8_t> m_bytes;
};

bool EndsWith(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& tail) {
    return bytes.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(),
                      bytes.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

// Slots of one universe: board 128's eight channels hold DMX 0, 128, 255, 3, 1, 254, 2, 127,
// every other board's channels the board's offset, so every board differs from every
// other and nothing is uniform.
Bytes Pattern() {
    Bytes slots(248);
    const Bytes first{0, 128, 255, 3, 1, 254, 2, 127};
    std::copy(first.begin(), first.end(), slots.begin());
    for (std::size_t i = 8; i < slots.size(); ++i) {
        slots[i] = static_cast<std::uint8_t>(i / 8 * 8);
    }
    return slots;
}

TEST(BridgeOnPtyTest, BlackoutOnABusyLineReadAt1920BytesPerSecondArrivesAsAllOff) {
    PseudoTerminal line;
    BridgeProcess bridge({QString::fromStdString(line.SlavePath())});
    ASSERT_TRUE(bridge.Prints("listening for")) << bridge.Errors().toStdString();
    PacedReader reader(line);

    bridge::samples::SacnFields fields;
    fields.sequence = 1;
    Send(bridge::samples::Sacn(Pattern(), fields), kSacnPort);
    // Board 128 first, its levels rounded to 0-100: 128 is 50, 3 is 1, 1 is 0, 2 is 1.
    const std::vector<std::uint8_t> board128{128, 0, 50, 100, 1, 0, 100, 1, 50, 255};
    ASSERT_TRUE(reader.ReadUntil([](const auto& bytes) { return bytes.size() >= 50; }));
    ASSERT_TRUE(std::equal(board128.begin(), board128.end(), reader.Bytes().begin()));

    // Mid-pass, on a quiet machine: most boards' frames for the pattern have not gone yet.
    // However late this test got here, the bridge has handed over only what the far end
    // can read now.
    const std::size_t handedBefore = reader.ReadAllThere();
    fields.sequence = 2;
    Send(bridge::samples::Sacn(Bytes(512, 0), fields), kSacnPort);
    const std::vector<std::uint8_t> allOff{110, 255};
    ASSERT_TRUE(reader.ReadUntil([&](const auto& bytes) { return EndsWith(bytes, allOff); }));
    // Dropped, not sent late: what was on its way when the blackout came (the frame the
    // far end could not read yet, and the one the bridge may hand over before it reads the
    // packet), then All OFF; never the rest of the pass.
    EXPECT_LE(reader.Bytes().size(), std::min<std::size_t>(handedBefore + 2 * 10, 31 * 10) + 2)
        << "pattern frames went after the blackout (" << handedBefore << " bytes before it)";
    EXPECT_EQ(reader.Bytes().size() % 10, 2U) << "a frame was torn";

    // The refresh keeps saying the same, in one frame.
    const std::size_t sent = reader.Bytes().size();
    ASSERT_TRUE(reader.ReadUntil([&](const auto& bytes) { return bytes.size() >= sent + 2; }));
    EXPECT_TRUE(EndsWith(reader.Bytes(), allOff));
    EXPECT_EQ(reader.Bytes().size(), sent + 2);
    EXPECT_EQ(bridge.Terminate(), 0);
}

TEST(BridgeOnPtyTest, AnswersArtPollAndDrivesTheLineFromArtDmx) {
    PseudoTerminal line;
    BridgeProcess bridge({"--artnet-only", QString::fromStdString(line.SlavePath()) + ":3"});
    ASSERT_TRUE(bridge.Prints("Art-Net 0:0:2")) << bridge.Errors().toStdString();
    ASSERT_TRUE(bridge.Prints("listening for"));

    QUdpSocket controller;
    ASSERT_TRUE(controller.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const Bytes poll = bridge::samples::ArtPoll();
    controller.writeDatagram(reinterpret_cast<const char*>(poll.data()),
                             static_cast<qint64>(poll.size()),
                             QHostAddress(QHostAddress::LocalHost), kArtNetPort);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return controller.hasPendingDatagrams(); }, kDeadlineMilliseconds));
    const QByteArray reply = controller.receiveDatagram().data();
    ASSERT_EQ(reply.size(), 239);
    EXPECT_EQ(reply.left(8), QByteArray("Art-Net\0", 8));
    EXPECT_EQ(reply.mid(8, 2), QByteArray("\x00\x21", 2)) << "OpPollReply";
    EXPECT_EQ(reply.mid(10, 4), QByteArray("\x7f\x00\x00\x01", 4))
        << "the address it is reached at";
    EXPECT_EQ(reply[173], '\x01') << "one output port";
    EXPECT_EQ(reply[190], '\x02') << "universe 3 is Art-Net universe 2";

    // Port-Address 2, every slot full: one broadcast, the preset for 100.
    Send(bridge::samples::ArtDmx(Bytes(512, 255), 2), kArtNetPort);
    const std::vector<std::uint8_t> all100{120, 255};
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return EndsWith(line.Received(), all100); }, kDeadlineMilliseconds));
    EXPECT_EQ(line.Received(), all100);
    EXPECT_EQ(bridge.Terminate(), 0);
}

TEST(BridgeOnPtyTest, ALineThatComesBackGetsEveryBoardFirst) {
    // The line is reached through a link, as through a udev name; the device behind it
    // goes away and another comes back under the same name.
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyUSB0");
    auto first = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(QFile::link(QString::fromStdString(first->SlavePath()), link));
    BridgeProcess bridge({link});
    ASSERT_TRUE(bridge.Prints("listening for")) << bridge.Errors().toStdString();
    Send(bridge::samples::Sacn(Pattern()), kSacnPort);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return first->Received().size() >= 310; }, kDeadlineMilliseconds));

    first->CloseMaster();
    ASSERT_TRUE(bridge.Prints("line lost")) << bridge.Errors().toStdString();
    first.reset();
    PseudoTerminal second;
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(QString::fromStdString(second.SlavePath()), link));
    ASSERT_TRUE(bridge.Prints("line back")) << bridge.Errors().toStdString();
    const std::vector<std::uint8_t> board128{128, 0, 50, 100, 1, 0, 100, 1, 50, 255};
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return second.Received().size() >= 310; }, kDeadlineMilliseconds));
    EXPECT_TRUE(std::equal(board128.begin(), board128.end(), second.Received().begin()));
    for (std::size_t board = 0; board < 31; ++board) {
        EXPECT_EQ(second.Received()[board * 10], 128 + board) << "board " << board;
    }
    EXPECT_EQ(bridge.Errors().count("line lost"), 1) << "logged once";
    EXPECT_EQ(bridge.Terminate(), 0);
}

TEST(BridgeOnPtyTest, KeepsListeningThroughAFloodOfJunk) {
    PseudoTerminal line;
    BridgeProcess bridge({"--sacn-only", QString::fromStdString(line.SlavePath())});
    ASSERT_TRUE(bridge.Prints("listening for")) << bridge.Errors().toStdString();
    // Faster than the bridge reads: the socket's buffer overflows, and the bridge must go
    // on reading what comes after.
    QUdpSocket flood;
    std::uint32_t noise = 1;
    for (int i = 0; i < 20000; ++i) {
        Bytes junk(1 + i % 1400);
        for (std::uint8_t& byte : junk) {
            noise = noise * 1664525U + 1013904223U;
            byte = static_cast<std::uint8_t>(noise >> 24);
        }
        flood.writeDatagram(reinterpret_cast<const char*>(junk.data()),
                            static_cast<qint64>(junk.size()), QHostAddress(QHostAddress::LocalHost),
                            kSacnPort);
    }
    // A console sends again and again; one of them gets through.
    const std::vector<std::uint8_t> all100{120, 255};
    bridge::samples::SacnFields fields;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            ++fields.sequence;
            Send(bridge::samples::Sacn(Bytes(512, 255), fields), kSacnPort);
            return EndsWith(line.Received(), all100);
        },
        kDeadlineMilliseconds))
        << "the bridge stopped reading";
    EXPECT_EQ(bridge.Terminate(), 0);
}

struct RefusedStart {
    QStringList arguments;
    int status;
    const char* says;
};

TEST(BridgeOnPtyTest, RefusesWhatItCannotRunWithTheStatusAndTheReason) {
    const std::vector<RefusedStart> cases{
        {{"--loss", "dim", "/dev/null"}, 2, "--loss takes hold or off"},
        {{"/dev/ttyUSB9:1:266"}, 2, "start is 1 to 265"},
        {{"/dev/ttyUSB9:0"}, 2, "universe 0 is not 1 to 63999"},
        {{"--sacn-only", "--artnet-only", "/dev/ttyUSB9"}, 2, "nothing to listen to"},
        {{}, 2, "give at least one LINE"},
        {{"/nonexistent/ttyUSB9"}, 1, "/nonexistent/ttyUSB9"},
    };
    for (const RefusedStart& refused : cases) {
        QProcess process;
        process.start(DIMRIX_BRIDGE, refused.arguments);
        ASSERT_TRUE(process.waitForFinished(kDeadlineMilliseconds));
        EXPECT_EQ(process.exitCode(), refused.status) << refused.says;
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(refused.says))
            << refused.says;
    }
}

}  // namespace
}  // namespace dimrix::testing
