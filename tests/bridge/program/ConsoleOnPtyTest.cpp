// The web console of the real dimrix-bridge on 127.0.0.1, driving a pseudo-terminal
// line: what its requests put on the wire, and what they must not.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "BridgeProcess.h"
#include "SamplePackets.h"
#include "bridge/web/HttpClient.h"
#include "support/PseudoTerminal.h"

namespace dimrix::testing {
namespace {

using bridge::samples::Bytes;
using Frame = std::vector<std::uint8_t>;

constexpr int kDeadline = BridgeProcess::kDeadlineMilliseconds;
constexpr std::uint16_t kSacnPort = 5568;
// Away from universe 1, where a bench on the same machine may be sending.
constexpr std::uint16_t kUniverse = 7;
const HttpClient::Headers kJson{{"Content-Type", "application/json"}};

// A network console on universe 7: board 130 at DMX 128 (50 %), every other slot 0.
void SendNetworkLook(std::uint8_t sequence) {
    Bytes slots(512, 0);
    std::fill_n(slots.begin() + 16, 8, 128);
    bridge::samples::SacnFields fields;
    fields.universe = kUniverse;
    fields.sequence = sequence;
    const Bytes datagram = bridge::samples::Sacn(slots, fields);
    QUdpSocket socket;
    socket.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                         static_cast<qint64>(datagram.size()),
                         QHostAddress(QHostAddress::LocalHost), kSacnPort);
}

bool Holds(const std::vector<std::uint8_t>& bytes, const Frame& frame, std::size_t from = 0) {
    return bytes.size() > from &&
           std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                       frame.begin(), frame.end()) != bytes.end();
}

class ConsoleOnPtyTest : public ::testing::Test {
protected:
    void Start(QStringList options = {}) {
        options << "--sacn-only"
                << "--http"
                << "127.0.0.1:0"
                << QString::fromStdString(m_line.SlavePath()) + ":" + QString::number(kUniverse);
        m_bridge = std::make_unique<BridgeProcess>(options);
        ASSERT_TRUE(m_bridge->Prints("listening for")) << m_bridge->Errors().toStdString();
        const std::optional<quint16> port = m_bridge->ConsolePort();
        ASSERT_TRUE(port) << m_bridge->Errors().toStdString();
        m_port = *port;
    }
    std::string Post(const std::string& command, const std::string& body) {
        return HttpClient::Exchange(m_port,
                                    HttpClient::Request("POST", "/api/" + command, kJson, body));
    }
    bool Shows(const Frame& frame, std::size_t from = 0) {
        return QTest::qWaitFor([&] { return Holds(m_line.Received(), frame, from); }, kDeadline);
    }

    PseudoTerminal m_line;
    std::unique_ptr<BridgeProcess> m_bridge;
    quint16 m_port = 0;
};

TEST_F(ConsoleOnPtyTest, DrivesOnlyTheChannelsMovedOnceTakenAndHandsThemBackOnRelease) {
    Start();
    // A page opened, a command refused and the console taken: none of it reaches the line.
    HttpClient page(m_port);
    page.Send(HttpClient::Request("GET", "/api/events"));
    ASSERT_TRUE(page.ReadUntil(
        [](const std::string& text) { return text.find("event: state") != std::string::npos; },
        std::chrono::milliseconds(kDeadline)));
    const std::string refused = Post("level", R"({"line": 0, "board": 130, "channel": 3)");
    EXPECT_EQ(HttpClient::Status(refused), 400);
    EXPECT_EQ(HttpClient::Body(refused), R"({"error":"the body is not a JSON object"})");
    EXPECT_EQ(
        HttpClient::Body(Post("level", R"({"line": 0, "board": 130, "channel": 3, "level": 40})")),
        R"({"error":"take the console first"})");
    EXPECT_EQ(HttpClient::Status(Post("take", R"({"universe": 7})")), 200);
    EXPECT_FALSE(QTest::qWaitFor([&] { return !m_line.Received().empty(); }, 300))
        << "the line got " << m_line.Received().size() << " bytes";

    SendNetworkLook(1);
    ASSERT_TRUE(Shows({130, 50, 50, 50, 50, 50, 50, 50, 50, 255}));
    // At the network's priority a lower level changes nothing; above it, it shows.
    EXPECT_EQ(HttpClient::Status(Post("priority", R"({"universe": 7, "priority": 150})")), 200);
    std::size_t before = m_line.Received().size();
    EXPECT_EQ(HttpClient::Status(
                  Post("level", R"({"line": 0, "board": 130, "channel": 3, "level": 40})")),
              200);
    ASSERT_TRUE(Shows({130, 50, 50, 50, 40, 50, 50, 50, 50, 255}, before));

    before = m_line.Received().size();
    EXPECT_EQ(HttpClient::Status(Post("release", R"({"universe": 7})")), 200);
    ASSERT_TRUE(Shows({130, 50, 50, 50, 50, 50, 50, 50, 50, 255}, before));
    EXPECT_EQ(m_bridge->Terminate(), 0);
}

TEST_F(ConsoleOnPtyTest, IdentifyFlashesABoardAboveEverySourceThenHandsItBack) {
    Start();
    SendNetworkLook(1);
    ASSERT_TRUE(Shows({130, 50, 50, 50, 50, 50, 50, 50, 50, 255}));
    const std::size_t before = m_line.Received().size();
    // No console taken: identify needs none. Board 131, beside the network's 130, so that
    // its dark half is a frame of its own and not the whole line's All OFF.
    EXPECT_EQ(HttpClient::Status(Post("identify", R"({"line": 0, "board": 131})")), 200);
    const Frame full{131, 100, 100, 100, 100, 100, 100, 100, 100, 255};
    const Frame off{131, 0, 0, 0, 0, 0, 0, 0, 0, 255};
    ASSERT_TRUE(Shows(full, before));
    ASSERT_TRUE(Shows(off, before));
    // Over after 5 s: the board refreshed at the network's level, never full again.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return HttpClient::Exchange(m_port, HttpClient::Request("GET", "/api/state"))
                       .find(R"("identify":null)") != std::string::npos;
        },
        kDeadline));
    const std::size_t over = m_line.Received().size();
    ASSERT_TRUE(Shows(off, over));
    EXPECT_FALSE(Holds(m_line.Received(), full, over));
    EXPECT_EQ(m_bridge->Terminate(), 0);
}

TEST_F(ConsoleOnPtyTest, APortThatCannotBeHadIsSaidOnceAndTheLinesAreDrivenAnyway) {
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress(QHostAddress::LocalHost)));
    const QString port = QString::number(holder.serverPort());
    m_bridge = std::make_unique<BridgeProcess>(
        QStringList{"--sacn-only", "--http", "127.0.0.1:" + port,
                    QString::fromStdString(m_line.SlavePath()) + ":" + QString::number(kUniverse)});
    ASSERT_TRUE(m_bridge->Prints("driving the lines without it"))
        << m_bridge->Errors().toStdString();
    EXPECT_EQ(m_bridge->Errors().count("cannot have port " + port), 1);
    SendNetworkLook(1);
    EXPECT_TRUE(Shows({130, 50, 50, 50, 50, 50, 50, 50, 50, 255}));
    EXPECT_EQ(m_bridge->Terminate(), 0);
}

TEST(ConsoleStartTest, RefusesAPasswordFileOthersMayReadAndOptionsOutOfRange) {
    QTemporaryDir dir;
    const QString password = dir.filePath("password");
    {
        QFile file(password);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("sesame\n");
    }
    ::chmod(password.toLocal8Bit().constData(), 0640);
    struct Case {
        QStringList arguments;
        int status;
        QString says;
    };
    const std::vector<Case> cases{
        {{"--http-password-file", password, "/dev/null"},
         1,
         password + " may be read by its group"},
        {{"--http", "[::1]", "/dev/null"}, 2, "--http takes ADDRESS:PORT, PORT or off"},
        {{"--http", "::1:9230", "/dev/null"}, 2, "--http takes ADDRESS:PORT, PORT or off"},
        {{"--http", "65536", "/dev/null"}, 2, "--http takes ADDRESS:PORT, PORT or off"},
        {{"--http-priority", "0", "/dev/null"}, 2, "--http-priority takes 1 to 200"},
        {{"--http-priority", "201", "/dev/null"}, 2, "--http-priority takes 1 to 200"},
    };
    for (const Case& each : cases) {
        QProcess process;
        process.start(DIMRIX_BRIDGE, each.arguments);
        ASSERT_TRUE(process.waitForFinished(kDeadline));
        EXPECT_EQ(process.exitCode(), each.status) << each.says.toStdString();
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(each.says))
            << each.says.toStdString();
    }
}

}  // namespace
}  // namespace dimrix::testing
