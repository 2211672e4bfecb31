#include "app/SingleInstance.h"

#include "app/Terminal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QtEndian>

#include <utility>

#include "app/SetFiles.h"

namespace velmora {

namespace {

using namespace std::chrono_literals;

constexpr qsizetype headerBytes = 4;
// A start that finds the lock taken waits for the other start to listen; it holds the lock
// only for a connect and a listen.
constexpr auto lockWait = 10s;
constexpr auto connectWait = 5s;
// The running program answers from its event loop, which runs through the release check and
// every box; one that stays silent this long is stuck.
constexpr auto answerWait = 30s;
// Peers served at once; a start sends one short message, so more are someone else's doing.
constexpr int maxPeers = 8;
constexpr std::size_t maxWaiting = 32;

// Where the socket and its lock file live: a folder only the player can enter. On Windows the
// pipe has no folder and the lock goes to the player's own temporary folder.
QString meetingFolder()
{
#ifdef Q_OS_WIN
    return QDir::tempPath();
#else
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
#endif
}

int ms(std::chrono::milliseconds wait) { return static_cast<int>(wait.count()); }

} // namespace

QByteArray handOverMessage(const QString &file)
{
    const QByteArray path = file.toUtf8();
    QByteArray message(headerBytes, '\0');
    qToBigEndian(static_cast<quint32>(path.size()), message.data());
    return message + path;
}

ReadHandOver readHandOver(QByteArrayView bytes)
{
    if (bytes.size() < headerBytes)
        return {ReadHandOver::incomplete, {}};
    const quint32 length = qFromBigEndian<quint32>(bytes.data());
    if (length > handOverMaxBytes)
        return {ReadHandOver::malformed, {}};
    const qsizetype whole = headerBytes + static_cast<qsizetype>(length);
    if (bytes.size() < whole)
        return {ReadHandOver::incomplete, {}};
    if (bytes.size() > whole)
        return {ReadHandOver::malformed, {}};
    const QByteArrayView path = bytes.sliced(headerBytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString file = utf8(path);
    if (utf8.hasError() || path.contains('\0') || (!file.isEmpty() && !QDir::isAbsolutePath(file)))
        return {ReadHandOver::malformed, {}};
    return {ReadHandOver::complete, std::move(file)};
}

QString instanceAddress(const QString &name)
{
#ifdef Q_OS_WIN
    return name;
#else
    return meetingFolder() + QLatin1Char('/') + name;
#endif
}

QString instanceName()
{
    const QString dataFolder = QFileInfo(workingSetPath()).absolutePath();
    QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")).left(32);
    user.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    const QByteArray hash = QCryptographicHash::hash(dataFolder.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("velmora-%1-%2").arg(user, QString::fromLatin1(hash.left(12)));
}

SingleInstance::SingleInstance(const QString &name, std::chrono::milliseconds readTimeout, QObject *parent)
    : QObject(parent), m_name(instanceAddress(name)),
      m_lockPath(meetingFolder() + QLatin1Char('/') + name + QStringLiteral(".lock")), m_readTimeout(readTimeout)
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::takeConnections);
}

InstanceStart SingleInstance::start(const QString &file)
{
    // Without the lock (a folder that cannot be written) the step is only less sure to be alone.
    QLockFile lock(m_lockPath);
    lock.tryLock(ms(lockWait));
    if (const InstanceStart met = handOver(file); met != InstanceStart::first) {
        if (met == InstanceStart::unanswered)
            printOnTerminal("velmora: 실행 중인 벨모라가 응답하지 않습니다.\n", true);
        return met;
    }
    // Nobody answers: what is there was left by a program that was killed.
    QLocalServer::removeServer(m_name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_name))
        printOnTerminal(QStringLiteral("velmora: %1: %2\n").arg(m_name, m_server.errorString()).toStdString(), true);
    return InstanceStart::first;
}

InstanceStart SingleInstance::handOver(const QString &file) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ms(connectWait)))
        return InstanceStart::first;
    socket.write(handOverMessage(file));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(ms(answerWait)))
            return InstanceStart::unanswered;
    if (!socket.bytesAvailable() && !socket.waitForReadyRead(ms(answerWait)))
        return InstanceStart::unanswered;
    return socket.read(1) == QByteArray(1, handOverReceived) ? InstanceStart::handedOver : InstanceStart::unanswered;
}

void SingleInstance::takeConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        if (m_peers >= maxPeers) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_peers;
        connect(socket, &QObject::destroyed, this, [this] { --m_peers; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that does not finish its message in time is dropped; the window never waits.
        QTimer::singleShot(m_readTimeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        auto readMore = [this, socket] {
            // One message a connection: what a peer sends after it is not read.
            if (socket->state() != QLocalSocket::ConnectedState)
                return;
            // The socket keeps what came so far; one byte past the longest message is enough to refuse.
            const ReadHandOver read = readHandOver(socket->peek(headerBytes + handOverMaxBytes + 1));
            if (read.state == ReadHandOver::incomplete)
                return;
            if (read.state == ReadHandOver::malformed) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            socket->skip(socket->bytesAvailable());
            socket->write(QByteArray(1, handOverReceived));
            socket->disconnectFromServer();
            received(read.file);
        };
        connect(socket, &QLocalSocket::readyRead, this, readMore);
        readMore();
    }
}

void SingleInstance::received(const QString &file)
{
    if (m_receiver)
        m_receiver(file);
    else if (m_waiting.size() < maxWaiting)
        m_waiting.push_back(file);
}

void SingleInstance::deliverTo(Receiver receiver)
{
    m_receiver = std::move(receiver);
    for (const QString &file : std::exchange(m_waiting, {}))
        m_receiver(file);
}

} // namespace velmora
