// What a later start sends the running program, over a real local socket: one whole message is
// answered and its file delivered; anything else, or a peer that stops halfway, is dropped.
#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>
#include <QUuid>
#include <QtEndian>

#include <gtest/gtest.h>

#include "app/SingleInstance.h"

namespace velmora::test {
namespace {

QByteArray header(quint32 length)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes;
}

TEST(SingleInstance, APeerIsAnsweredOnlyForOneWholeWellFormedMessage)
{
    const QString longest = QLatin1Char('/') + QString(handOverMaxBytes - 1, QLatin1Char('a'));
    const struct { const char *what; QByteArray sent; QStringList delivered; } cases[] = {
        {"a Hangul path", handOverMessage(QStringLiteral("/집/받은 세트.velmora")), {QStringLiteral("/집/받은 세트.velmora")}},
        {"no file: only come forward", header(0), {QString()}},
        {"the longest message", handOverMessage(longest), {longest}},
        {"one byte too long", header(handOverMaxBytes + 1) + QByteArray(handOverMaxBytes + 1, '/'), {}},
        {"a length of 4 GiB", header(0xFFFFFFFF), {}},
        {"not UTF-8", header(3) + "/\xff\xfe", {}},
        {"a NUL inside", header(4) + QByteArray("/a\0b", 4), {}},
        {"a relative path", header(3) + "a/b", {}},
        {"bytes after the message", handOverMessage(QStringLiteral("/a")) + "x", {}},
        {"a header cut off, then silence", header(0).left(2), {}},
        {"a path cut off, then silence", header(10) + "/abc", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QStringLiteral("velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
        SingleInstance running(name, std::chrono::milliseconds(300));
        ASSERT_EQ(running.start(QString()), InstanceStart::first);
        QStringList delivered;
        running.deliverTo([&](const QString &file) { delivered << file; });
        QLocalSocket peer;
        QEventLoop loop;
        QObject::connect(&peer, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::chrono::seconds(30), &loop, [&] { loop.exit(1); }); // only a guard
        peer.connectToServer(instanceAddress(name));
        ASSERT_TRUE(peer.waitForConnected(5000));
        peer.write(c.sent);
        ASSERT_EQ(loop.exec(), 0) << "the server kept the connection open";
        EXPECT_EQ(peer.readAll(), c.delivered.isEmpty() ? QByteArray() : QByteArray(1, handOverReceived));
        EXPECT_EQ(delivered, c.delivered);
    }
}

} // namespace
} // namespace velmora::test
