// The running program reads what a later start sends it over a real local socket: a whole
// message is answered and its file delivered; anything else, and a peer that stops halfway, is
// dropped with nothing delivered.
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/SingleInstance.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;

QByteArray header(quint32 length)
{
    const char bytes[] = {char(length >> 24), char(length >> 16), char(length >> 8), char(length)};
    return QByteArray(bytes, 4);
}

struct PeerCase {
    const char *what;
    QByteArray sent;
    std::optional<QString> delivered; // nullopt: dropped, nothing delivered, no answer
};

TEST(SingleInstance, APeerIsAnsweredOnlyForOneWholeWellFormedMessage)
{
    const QString korean = QStringLiteral("/집/받은 세트.velmora");
    const std::vector<PeerCase> cases = {
        {"a path", handOverMessage(QStringLiteral("/tmp/a b.velmora")), QStringLiteral("/tmp/a b.velmora")},
        {"a Hangul path", handOverMessage(korean), korean},
        {"no file: only come forward", header(0), QString()},
        {"the longest message", header(handOverMaxBytes) + '/' + QByteArray(handOverMaxBytes - 1, 'a'),
         QLatin1Char('/') + QString(handOverMaxBytes - 1, QLatin1Char('a'))},
        {"one byte longer than allowed", header(handOverMaxBytes + 1) + QByteArray(handOverMaxBytes + 1, 'a'), {}},
        {"a length of 4 GiB", header(0xFFFFFFFF), {}},
        {"not UTF-8", header(3) + "/\xff\xfe", {}},
        {"a NUL inside", header(4) + QByteArray("/a\0b", 4), {}},
        {"a relative path", header(3) + "a/b", {}},
        {"bytes after the message", handOverMessage(QStringLiteral("/a")) + "x", {}},
        {"a header cut off, then silence", header(0).left(2), {}},
        {"a path cut off, then silence", header(10) + "/abc", {}},
    };
    for (const PeerCase &c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QStringLiteral("velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
        SingleInstance running(name, 300ms);
        ASSERT_EQ(running.start(QString()), InstanceStart::first);
        std::vector<QString> delivered;
        running.deliverTo([&](const QString &file) { delivered.push_back(file); });

        QLocalSocket peer;
        QEventLoop loop;
        QObject::connect(&peer, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
        // Only a guard against a server that never lets go; a pass never waits for it.
        QTimer::singleShot(30s, &loop, [&] { loop.exit(1); });
        peer.connectToServer(instanceAddress(name));
        ASSERT_TRUE(peer.waitForConnected(5000));
        peer.write(c.sent);
        ASSERT_EQ(loop.exec(), 0) << "the server kept the connection open";

        EXPECT_EQ(peer.readAll(), c.delivered ? QByteArray(1, handOverReceived) : QByteArray());
        EXPECT_EQ(delivered, c.delivered ? std::vector<QString>{*c.delivered} : std::vector<QString>{});
    }
}

} // namespace
} // namespace velmora::test
